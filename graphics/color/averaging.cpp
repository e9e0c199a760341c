#include "graphics/color/averaging.h"

#include "graphics/color/channel_arguments.h"
#include "graphics/frame/color_methods.h"

namespace tvq {

ChannelCurves averagingCurves(uint32_t center, double redWeight, double greenWeight,
                              double blueWeight) {
  const PerChannel k = componentsOf(center);
  const PerChannel w = fixedFactors(redWeight, greenWeight, blueWeight);
  return ChannelCurves::from([&](int channel, int32_t c) {
    const auto i = static_cast<size_t>(channel);
    // 256 × 255 + 255 × 65280 fits 32 bits; every term is non-negative.
    return clampChannel((c * 256 + k[i] * w[i]) / (w[i] + 256));
  });
}

RbPicture averageRgbMethod(RbPicture source, RbObject rect, uint32_t center, double redWeight,
                           double greenWeight, double blueWeight) {
  return adjustSelection(
      source, rect,
      [&](Operation& op) { return checkChannelFactors(op, redWeight, greenWeight, blueWeight); },
      [&](const PixelView& in, const PixelView& out, const Selection& s) {
        applyCurves(in, out, s, averagingCurves(center, redWeight, greenWeight, blueWeight),
                    CopyRule::Converted);
      });
}

RbPicture averageRgbWithMaskMethod(RbPicture source, RbPicture mask, uint32_t center,
                                   double redWeight, double greenWeight, double blueWeight) {
  return adjustByMask(
      source, mask,
      [&](Operation& op) { return checkChannelFactors(op, redWeight, greenWeight, blueWeight); },
      [&](const PixelView& in, const PixelView& levels, const PixelView& out) {
        applyCurvesByMask(in, levels, out,
                          averagingCurves(center, redWeight, greenWeight, blueWeight),
                          MaskWeighting::Levels255, CopyRule::Converted);
      });
}

void getAverageRgbMethod(RbPicture source, RbObject rect, int32_t* red, int32_t* green,
                         int32_t* blue) {
  measureSelection(source, rect, [&](const PixelView& in, const Selection& s) {
    const ChannelSums sums =
        sumCurves(in, s, ChannelCurves::from([](int, int32_t c) { return c; }));
    writeIfPassed(red, sums.meanOf(sums.red));
    writeIfPassed(green, sums.meanOf(sums.green));
    writeIfPassed(blue, sums.meanOf(sums.blue));
  });
}

}  // namespace tvq
