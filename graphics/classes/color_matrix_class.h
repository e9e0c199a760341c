// TVQ_ColorMatrix as a host class: its registration record, and the way the
// colour-matrix operations read a matrix argument.
#ifndef TVQ_CLASSES_COLOR_MATRIX_CLASS_H
#define TVQ_CLASSES_COLOR_MATRIX_CLASS_H

#include "graphics/classes/color_matrix.h"
#include "host_binding/rb_abi.h"

namespace tvq {

RbClassRecord& colorMatrixClass();

// The elements of a TVQ_ColorMatrix instance; null for a nil instance.
ColorMatrixData* colorMatrixData(RbObject instance);

}  // namespace tvq

#endif
