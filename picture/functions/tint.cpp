#include "picture/functions/tint.h"

#include <array>

#include "picture/frame/bgra32.h"
#include "picture/frame/picture_operation.h"

namespace zrw {
namespace {

struct ChannelFactors {
  double red, green, blue;
  explicit ChannelFactors(RbColor c)
      : red(static_cast<double>((c >> 16) & 0xFF) / 255.0),
        green(static_cast<double>((c >> 8) & 0xFF) / 255.0),
        blue(static_cast<double>(c & 0xFF) / 255.0) {}
};

// Each channel's share of the luminance, per value: the same products the
// luminance sums, worked out once per call.
using Shares = std::array<double, 256>;
Shares sharesOf(double factor) {
  Shares shares;
  for (size_t v = 0; v < shares.size(); ++v) shares[v] = static_cast<double>(v) * factor;
  return shares;
}

uint8_t limitedTruncation(double value) {
  return value > 255.0 ? uint8_t{255} : static_cast<uint8_t>(value);
}

}  // namespace

void tintRows(SourceRows source, ResultRows result, RbColor greyBase, RbColor sepiaBase) {
  const ChannelFactors grey(greyBase), sepia(sepiaBase);
  const Shares red = sharesOf(grey.red), green = sharesOf(grey.green), blue = sharesOf(grey.blue);
  for (int32_t y = 0; y < result.height; ++y) {
    const uint8_t* in = source.row(y);
    uint8_t* out = result.row(y);
    for (int32_t x = 0; x < result.width; ++x, in += 4, out += 4) {
      const double l = red[in[bgra32::kRed]] + green[in[bgra32::kGreen]] + blue[in[bgra32::kBlue]];
      bgra32::storeRgb(out, limitedTruncation(l * sepia.red), limitedTruncation(l * sepia.green),
                       limitedTruncation(l * sepia.blue));
    }
  }
}

RbPicture tintPicture(RbPicture source, RbColor greyBase, RbColor sepiaBase) {
  return fromSource(source, SameSize{}, [=](SourceRows in, ResultRows out) {
    tintRows(in, out, greyBase, sepiaBase);
  });
}

}  // namespace zrw
