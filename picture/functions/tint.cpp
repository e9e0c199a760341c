#include "picture/functions/tint.h"

#include <algorithm>

#include "picture/frame/picture_operation.h"
#include "picture/frame/pixel_words.h"

namespace zrw {
namespace {

struct ChannelFactors {
  double red, green, blue;
  explicit ChannelFactors(RbColor c)
      : red(static_cast<double>((c >> 16) & 0xFF) / 255.0),
        green(static_cast<double>((c >> 8) & 0xFF) / 255.0),
        blue(static_cast<double>(c & 0xFF) / 255.0) {}
};

// Limited to 255, then truncated; the value is never negative. Written as a
// minimum so the pixel loop has no branch and vectorises.
uint32_t limitedTruncation(double value) {
  return static_cast<uint32_t>(static_cast<int32_t>(std::min(value, 255.0)));
}

}  // namespace

void tintRows(SourceRows source, ResultRows result, RbColor greyBase, RbColor sepiaBase) {
  const ChannelFactors grey(greyBase), sepia(sepiaBase);
  mapPixelValues(source, result, [&grey, &sepia](uint32_t pixel) {
    const double l = static_cast<double>((pixel >> 16) & 0xFF) * grey.red +
                     static_cast<double>((pixel >> 8) & 0xFF) * grey.green +
                     static_cast<double>(pixel & 0xFF) * grey.blue;
    return (limitedTruncation(l * sepia.red) << 16) | (limitedTruncation(l * sepia.green) << 8) |
           limitedTruncation(l * sepia.blue);
  });
}

RbPicture tintPicture(RbPicture source, RbColor greyBase, RbColor sepiaBase) {
  return fromSource(source, SameSize{},
                    [=](SourceRows in, ResultRows out) { tintRows(in, out, greyBase, sepiaBase); });
}

}  // namespace zrw
