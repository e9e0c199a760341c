#include "graphics/composite/composite_mask.h"

#include <algorithm>

#include "graphics/frame/format_access.h"
#include "graphics/frame/mask_argument.h"
#include "graphics/frame/operation.h"

namespace tvq {
namespace {

using F = PixelFormat;

template <typename In, typename Overlay, typename Out>
void maskedWalk(const PixelView& source, const PixelView& overlay, const PixelView& mask,
                const PixelView& target, OverlayPlacement at) {
  const int32_t width = std::min(source.width, target.width);
  const int32_t height = std::min(source.height, target.height);
  const CoveredArea area = coveredArea(width, height, std::min(overlay.width, mask.width),
                                       std::min(overlay.height, mask.height), at);
  const int32_t inStep = stepOf(In{}, source), overStep = stepOf(Overlay{}, overlay),
                outStep = stepOf(Out{}, target);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* from = source.row(y);
    uint8_t* to = target.row(y);
    if (!area.coversRow(y)) {
      copyPixels(In{}, source, from, Out{}, target, to, width, CopyRule::Converted);
      continue;
    }
    copyPixels(In{}, source, from, Out{}, target, to, area.left, CopyRule::Converted);
    const auto overY = static_cast<int32_t>(int64_t{y} - at.top);
    const auto overX = static_cast<int32_t>(int64_t{area.left} - at.left);
    const uint8_t* ps = from + static_cast<ptrdiff_t>(area.left) * inStep;
    const uint8_t* po = overlay.row(overY) + static_cast<ptrdiff_t>(overX) * overStep;
    const uint8_t* pm = mask.at(overX, overY);
    uint8_t* pt = to + static_cast<ptrdiff_t>(area.left) * outStep;
    const int32_t count = area.right - area.left + 1;
    for (int32_t i = 0; i < count;
         ++i, ps += inStep, po += overStep, pt += outStep, pm += mask.bytesPerPixel) {
      const uint32_t w = maskArgumentWeight(maskLevelOf(readPixel(mask, pm)));
      const PixelValue s = fetch(In{}, source, ps);
      store(Out{}, target, pt, w == 0 ? s : blendPixel(fetch(Overlay{}, overlay, po), s, w));
    }
    const int32_t after = area.right + 1;
    copyPixels(In{}, source, from + static_cast<ptrdiff_t>(after) * inStep, Out{}, target,
               to + static_cast<ptrdiff_t>(after) * outStep, width - after, CopyRule::Converted);
  }
}

}  // namespace

const FastPathTable<MaskedCompositeLoop, 2>& maskedCompositeLoops() {
  static constexpr FastPathTable<MaskedCompositeLoop, 2> table = {
      {{
          {"32-bit", F::Bgrx32, F::Bgrx32, F::Bgrx32,
           maskedWalk<Fixed<F::Bgrx32>, Fixed<F::Bgrx32>, Fixed<F::Bgrx32>>},
          {"24-bit", F::Bgr24, F::Bgr24, F::Bgr24,
           maskedWalk<Fixed<F::Bgr24>, Fixed<F::Bgr24>, Fixed<F::Bgr24>>},
      }},
      maskedWalk<PerPixel, PerPixel, PerPixel>,
  };
  return table;
}

void compositeByMask(const PixelView& source, const PixelView& overlay, const PixelView& mask,
                     const PixelView& target, OverlayPlacement at) {
  maskedCompositeLoops().choose({source.format, overlay.format, target.format},
                                source.sameSizeAs(target))(source, overlay, mask, target, at);
}

RbPicture compositeWithMaskMethod(RbPicture p, RbPicture overlay, RbPicture mask, int32_t left,
                                  int32_t top) {
  Operation op;
  if (!op.check(p != nullptr, ErrorCode::SourceNil)) return nullptr;
  if (!op.check(overlay != nullptr, ErrorCode::OverlayNil)) return nullptr;
  if (!op.check(mask != nullptr, ErrorCode::MaskNil)) return nullptr;
  PictureLock in;
  if (!op.lock(in, p, ErrorCode::SourceLock)) return nullptr;
  PictureLock over;
  if (!op.lock(over, overlay, ErrorCode::OverlayLock)) return nullptr;
  const OverlayPlacement at{left, top};
  const PixelView& source = in.view();
  if (!op.check(
          !placedOffPicture(source.width, source.height, over.view().width, over.view().height, at),
          ErrorCode::OverlayOutOfBounds)) {
    return nullptr;
  }
  // The mask goes with the overlay, not with the source.
  PictureLock levels;
  if (!op.lockMaskArgument(levels, mask, over)) return nullptr;
  OwnedPicture result;
  if (!op.createResult(result, in)) return nullptr;
  compositeByMask(source, over.view(), levels.view(), result.view(), at);
  return result.handOver();
}

}  // namespace tvq
