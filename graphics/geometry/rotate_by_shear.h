// Free rotation by shears: whole quarter turns first, then the remaining
// angle (-45 to 45 degrees) as three shears, horizontal, vertical,
// horizontal, into a picture just large enough for the turned rectangle.
#ifndef TVQ_GEOMETRY_ROTATE_BY_SHEAR_H
#define TVQ_GEOMETRY_ROTATE_BY_SHEAR_H

#include <cstdint>
#include <optional>

#include "host_binding/rb_abi.h"

namespace tvq {

struct TurnedSize {
  int32_t width = 0;
  int32_t height = 0;
};
// The size that holds a w x h picture turned by `theta` radians (the
// angle arithmetic of the plug-in's rotations, with 3.14159 for pi);
// nothing when a side would not be 1 to 65535 pixels.
std::optional<TurnedSize> turnedSize(int32_t w, int32_t h, double theta);

// "TVQ_FreeRotateByShear(rotation as double) as picture"
RbPicture freeRotateByShearMethod(RbPicture p, double rotation);
// "TVQ_FreeRotateByShear(rotation as double, frame_color as color) as picture"
RbPicture freeRotateByShearFramedMethod(RbPicture p, double rotation, uint32_t frameColor);

}  // namespace tvq

#endif
