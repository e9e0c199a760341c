// Free rotation by direct area sampling: whole quarter turns first, then the
// remaining angle (0 to 90 degrees) by averaging, for every result pixel,
// the source area under its back-turned square at a resolution of 1/16
// source pixel.
#ifndef TVQ_GEOMETRY_ROTATE_DIRECT_H
#define TVQ_GEOMETRY_ROTATE_DIRECT_H

#include <cstdint>

#include "graphics/frame/pixel_view.h"
#include "host_binding/rb_abi.h"

namespace tvq {

// Writes every pixel of `target` (the turned size of `source`) from
// `source` turned by `theta` radians, 0 < theta < pi/2; what lies outside
// the source is `frameColor`.
void rotateDirectInto(const PixelView& source, const PixelView& target, double theta,
                      uint32_t frameColor);

// "TVQ_FreeRotateDirect(rotation as double, frame_color as color) as
// picture"
RbPicture freeRotateDirectMethod(RbPicture p, double rotation, uint32_t frameColor);

}  // namespace tvq

#endif
