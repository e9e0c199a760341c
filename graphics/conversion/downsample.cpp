#include "graphics/conversion/downsample.h"

#include <algorithm>

#include "graphics/frame/color_methods.h"

namespace tvq {

ChannelCurves downsampleCurves(int32_t bitsPerChannel) {
  const int32_t step = 1 << (8 - bitsPerChannel);
  const int32_t half = step / 2;
  return ChannelCurves::from(
      [&](int, int32_t c) { return std::min((c + half) / step * step, 255); });
}

RbPicture downsampleMethod(RbPicture p, int32_t bitsPerChannel) {
  const RbObject wholePicture = nullptr;
  return adjustSelection(
      p, wholePicture,
      [&](Operation& op) {
        return op.check(bitsPerChannel >= 1 && bitsPerChannel <= 8,
                        ErrorCode::BitsPerChannelOutOfBounds);
      },
      [&](const PixelView& in, const PixelView& out, const Selection& s) {
        applyCurves(in, out, s, downsampleCurves(bitsPerChannel), CopyRule::Converted);
      });
}

}  // namespace tvq
