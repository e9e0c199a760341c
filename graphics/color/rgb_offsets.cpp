#include "graphics/color/rgb_offsets.h"

#include "graphics/frame/channel_curves.h"
#include "graphics/frame/color_methods.h"

namespace tvq {
namespace {

constexpr bool inDeltaRange(int32_t delta) { return delta >= -255 && delta <= 255; }

// Red, green, blue: the first one out of range names the failure.
bool checkDeltas(Operation& op, const RgbDeltas& deltas) {
  return op.check(inDeltaRange(deltas.red), ErrorCode::RedOutOfBounds) &&
         op.check(inDeltaRange(deltas.green), ErrorCode::GreenOutOfBounds) &&
         op.check(inDeltaRange(deltas.blue), ErrorCode::BlueOutOfBounds);
}

// C + D before the clamp: the mask blend weights the unclamped sum, so
// (C (255 - m) + m (C + D)) / 255 gives C back exactly at level 0.
ChannelCurves offsetCurves(const RgbDeltas& deltas) {
  const int32_t delta[3] = {deltas.red, deltas.green, deltas.blue};
  return ChannelCurves::from([&](int channel, int32_t c) { return c + delta[channel]; });
}

}  // namespace

void offsetSelection(const PixelView& source, const PixelView& target, const Selection& selection,
                     const RgbDeltas& deltas) {
  applyCurves(source, target, selection, offsetCurves(deltas), CopyRule::Converted);
}

void offsetInPlace(const PixelView& picture, const Selection& selection, const RgbDeltas& deltas) {
  applyCurvesInPlace(picture, selection, offsetCurves(deltas));
}

void offsetByMask(const PixelView& source, const PixelView& mask, const PixelView& target,
                  const RgbDeltas& deltas) {
  applyCurvesByMask(source, mask, target, offsetCurves(deltas), MaskWeighting::Levels255,
                    CopyRule::Converted);
}

RbPicture adjustRgbMethod(RbPicture source, RbObject rect, int32_t redDelta, int32_t greenDelta,
                          int32_t blueDelta) {
  const RgbDeltas deltas{redDelta, greenDelta, blueDelta};
  return adjustSelection(
      source, rect, [&](Operation& op) { return checkDeltas(op, deltas); },
      [&](const PixelView& in, const PixelView& out, const Selection& s) {
        offsetSelection(in, out, s, deltas);
      });
}

void adjustRgbInPlaceMethod(RbPicture source, RbObject rect, int32_t redDelta, int32_t greenDelta,
                            int32_t blueDelta) {
  const RgbDeltas deltas{redDelta, greenDelta, blueDelta};
  adjustSelectionInPlace(
      source, rect, [&](Operation& op) { return checkDeltas(op, deltas); },
      [&](const PixelView& picture, const Selection& s) { offsetInPlace(picture, s, deltas); });
}

RbPicture adjustRgbWithMaskMethod(RbPicture source, RbPicture mask, int32_t redDelta,
                                  int32_t greenDelta, int32_t blueDelta) {
  const RgbDeltas deltas{redDelta, greenDelta, blueDelta};
  return adjustByMask(
      source, mask, [&](Operation& op) { return checkDeltas(op, deltas); },
      [&](const PixelView& in, const PixelView& levels, const PixelView& out) {
        offsetByMask(in, levels, out, deltas);
      });
}

}  // namespace tvq
