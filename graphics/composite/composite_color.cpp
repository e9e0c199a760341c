#include "graphics/composite/composite_color.h"

#include "graphics/frame/channel_math.h"
#include "graphics/frame/color_methods.h"

namespace tvq {

// Each channel depends on the source's same channel only, so the blend runs
// as the curves of the colour operations, with their fast loops.
ChannelCurves colorOverCurves(RbColor color, ColorOverWeights weights) {
  const uint32_t channel[3] = {(color >> 16) & 0xFFu, (color >> 8) & 0xFFu, color & 0xFFu};
  return ChannelCurves::from([&](int c, int32_t v) {
    return static_cast<int32_t>(
        (static_cast<uint32_t>(v) * weights.source + channel[c] * weights.color) >> 8);
  });
}

void compositeColor(const PixelView& source, const PixelView& target, const Selection& selection,
                    RbColor color, ColorOverWeights weights) {
  applyCurves(source, target, selection, colorOverCurves(color, weights), CopyRule::Converted);
}

RbPicture compositeColorMethod(RbPicture p, RbObject rect, RbColor color, double fraction) {
  ColorOverWeights weights;
  return adjustSelection(
      p, rect,
      [&](Operation& op) {
        if (!op.check(withinInclusive(fraction, 0.0, 1.0), ErrorCode::OverlayFractionOutOfBounds)) {
          return false;
        }
        weights = {static_cast<uint32_t>((1.0 - fraction) * 256.0),
                   static_cast<uint32_t>(fraction * 256.0)};
        return true;
      },
      [&](const PixelView& in, const PixelView& out, const Selection& s) {
        compositeColor(in, out, s, color, weights);
      });
}

}  // namespace tvq
