// The search of PictureMinMaxZRW: the largest and smallest red, green, blue
// and red + green + blue of a picture, with the first pixel (rows from the
// top, each from the left) where each occurs.
#ifndef PICTURE_CLASSES_MIN_MAX_KERNEL_H
#define PICTURE_CLASSES_MIN_MAX_KERNEL_H

#include <cstdint>

#include "picture/frame/fast_paths.h"
#include "picture/frame/pixel_rows.h"

namespace zrw {

enum MinMaxQuantity { kRedQuantity, kGreenQuantity, kBlueQuantity, kSumQuantity };

struct Extreme {
  int32_t x, y, value;
};

// A maximum starts as 0 at (-1, -1) and a minimum as 255 at (-1, -1), the sum
// included; only a strictly greater (smaller) value replaces one. So a
// quantity that never beats its start reports the start.
struct Extremes {
  Extreme max[4] = {{-1, -1, 0}, {-1, -1, 0}, {-1, -1, 0}, {-1, -1, 0}};
  Extreme min[4] = {{-1, -1, 255}, {-1, -1, 255}, {-1, -1, 255}, {-1, -1, 255}};
};

Extremes findExtremes(SourceRows in, KernelPath path = KernelPath::Fast);

}  // namespace zrw

#endif
