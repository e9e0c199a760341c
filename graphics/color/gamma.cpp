#include "graphics/color/gamma.h"

#include "graphics/color/channel_arguments.h"
#include "graphics/frame/color_methods.h"

namespace tvq {
namespace {

// One channel's curve. The upper segment's slope s and intercept b are 8.8
// values truncated toward zero; K × 255 × (f - 256) and C × s + b exceed 32
// bits for large factors, so they are computed in 64 bits.
int32_t gammaChannel(int32_t c, int32_t k, int32_t f) {
  if (f == 256) return c;
  int64_t v;
  if (c <= k) {
    v = int64_t{c} * f;
  } else {
    // c > k, so k < 255 here and 255 - k is never 0.
    const int64_t s = (65280 - int64_t{k} * f) / (255 - k);
    const int64_t b = (int64_t{k} * 255 * (f - 256)) / (255 - k);
    v = c * s + b;
  }
  return clampChannel(v / 256);
}

}  // namespace

ChannelCurves gammaCurves(uint32_t center, double redFactor, double greenFactor,
                          double blueFactor) {
  const PerChannel k = componentsOf(center);
  const PerChannel f = fixedFactors(redFactor, greenFactor, blueFactor);
  return ChannelCurves::from([&](int channel, int32_t c) {
    const auto i = static_cast<size_t>(channel);
    return gammaChannel(c, k[i], f[i]);
  });
}

RbPicture adjustGammaMethod(RbPicture source, RbObject rect, uint32_t center, double redFactor,
                            double greenFactor, double blueFactor) {
  return adjustSelection(
      source, rect,
      [&](Operation& op) { return checkChannelFactors(op, redFactor, greenFactor, blueFactor); },
      [&](const PixelView& in, const PixelView& out, const Selection& s) {
        applyCurves(in, out, s, gammaCurves(center, redFactor, greenFactor, blueFactor),
                    CopyRule::Converted);
      });
}

RbPicture adjustGammaWithMaskMethod(RbPicture source, RbPicture mask, uint32_t center,
                                    double redFactor, double greenFactor, double blueFactor) {
  return adjustByMask(
      source, mask,
      [&](Operation& op) { return checkChannelFactors(op, redFactor, greenFactor, blueFactor); },
      [&](const PixelView& in, const PixelView& levels, const PixelView& out) {
        applyCurvesByMask(in, levels, out, gammaCurves(center, redFactor, greenFactor, blueFactor),
                          MaskWeighting::Levels255, CopyRule::Converted);
      });
}

}  // namespace tvq
