// TVQ_Rectangle as a host class: its registration record, and the way every
// other part of the plug-in reads a rectangle argument.
#ifndef TVQ_CLASSES_RECTANGLE_CLASS_H
#define TVQ_CLASSES_RECTANGLE_CLASS_H

#include "graphics/classes/rectangle.h"
#include "host_binding/rb_abi.h"

namespace tvq {

// The class record handed to the host; the host writes the data offset into
// it, so it is the one place that knows where a rectangle's fields lie.
RbClassRecord& rectangleClass();

// The fields of a TVQ_Rectangle instance; null for a nil instance.
RectangleData* rectangleData(RbObject instance);

}  // namespace tvq

#endif
