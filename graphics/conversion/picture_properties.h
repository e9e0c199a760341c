// Three read-only properties of the host's picture type: its bit depth, the
// length of one row in bytes, and whether it has a mask. Each behaves as an
// operation: it clears the last error, and reports a nil or unlockable
// picture (codes 2 and 3) with 0 or false.
#ifndef TVQ_CONVERSION_PICTURE_PROPERTIES_H
#define TVQ_CONVERSION_PICTURE_PROPERTIES_H

#include <cstdint>

#include "host_binding/rb_abi.h"

namespace tvq {

// Getters as the host calls them: the picture, then the selector (0).
int32_t bitDepthGetter(RbPicture p, RbWord selector);
int32_t rowBytesGetter(RbPicture p, RbWord selector);
RbBoolean hasMaskGetter(RbPicture p, RbWord selector);

}  // namespace tvq

#endif
