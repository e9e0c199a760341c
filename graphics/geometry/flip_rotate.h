// Flips and quarter turns: the source mirrored by columns and/or rows, then
// turned by whole quarter turns, into a new picture; a mask goes the same
// way into the result's mask.
#ifndef TVQ_GEOMETRY_FLIP_ROTATE_H
#define TVQ_GEOMETRY_FLIP_ROTATE_H

#include <cstdint>

#include "host_binding/rb_abi.h"

namespace tvq {

// The depth of a flipped or turned picture: 1-bit pictures stay 1-bit
// unless they carry a mask, other depths below 16 become 16.
int32_t flipRotateDepthFor(int32_t sourceDepth, bool hasMask);

// "TVQ_FlipRotate(extends p as picture, flip_h as boolean, flip_v as
// boolean, rotation as integer) as picture"
RbPicture flipRotateMethod(RbPicture p, RbBoolean flipH, RbBoolean flipV, int32_t rotation);

}  // namespace tvq

#endif
