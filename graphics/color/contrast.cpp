#include "graphics/color/contrast.h"

#include <cstdlib>

#include "graphics/color/channel_arguments.h"
#include "graphics/frame/color_methods.h"

namespace tvq {
ChannelCurves contrastCurves(uint32_t center, double redFactor, double greenFactor,
                             double blueFactor) {
  const PerChannel k = componentsOf(center);
  const PerChannel f = fixedFactors(redFactor, greenFactor, blueFactor);
  return ChannelCurves::from([&](int channel, int32_t c) {
    const int32_t kc = k[static_cast<size_t>(channel)];
    // |C - K| <= 255 and f <= 65280: the product fits 32 bits. The shift of
    // a negative product rounds toward minus infinity.
    return clampChannel((((c - kc) * f[static_cast<size_t>(channel)]) >> 8) + kc);
  });
}

RbPicture adjustContrastMethod(RbPicture p, RbObject rect, uint32_t center, double redFactor,
                               double greenFactor, double blueFactor) {
  return adjustSelection(
      p, rect,
      [&](Operation& op) { return checkChannelFactors(op, redFactor, greenFactor, blueFactor); },
      [&](const PixelView& in, const PixelView& out, const Selection& s) {
        applyCurves(in, out, s, contrastCurves(center, redFactor, greenFactor, blueFactor),
                    CopyRule::StoredBits);
      });
}

RbPicture adjustContrastWithMaskMethod(RbPicture p, RbPicture mask, uint32_t center,
                                       double redFactor, double greenFactor, double blueFactor) {
  return adjustByMask(
      p, mask,
      [&](Operation& op) { return checkChannelFactors(op, redFactor, greenFactor, blueFactor); },
      [&](const PixelView& in, const PixelView& levels, const PixelView& out) {
        const CopyRule copy =
            levels.format == in.format ? CopyRule::StoredBits : CopyRule::Converted;
        applyCurvesByMask(in, levels, out,
                          contrastCurves(center, redFactor, greenFactor, blueFactor),
                          MaskWeighting::Steps256, copy);
      });
}

void getAverageContrastMethod(RbPicture p, RbObject rect, uint32_t center, int32_t* redContrast,
                              int32_t* greenContrast, int32_t* blueContrast) {
  measureSelection(p, rect, [&](const PixelView& in, const Selection& s) {
    const PerChannel k = componentsOf(center);
    const ChannelSums sums = sumCurves(in, s, ChannelCurves::from([&](int channel, int32_t c) {
                                         return std::abs(c - k[static_cast<size_t>(channel)]);
                                       }));
    writeIfPassed(redContrast, sums.meanOf(sums.red));
    writeIfPassed(greenContrast, sums.meanOf(sums.green));
    writeIfPassed(blueContrast, sums.meanOf(sums.blue));
  });
}

}  // namespace tvq
