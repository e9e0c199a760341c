#include "graphics/composite/composite_mask.h"

#include <algorithm>

#include "graphics/frame/format_access.h"
#include "graphics/frame/mask_argument.h"
#include "graphics/frame/operation.h"
#include "graphics/frame/overlay_rows.h"

namespace tvq {
namespace {

using F = PixelFormat;

template <typename In, typename Overlay, typename Out>
void maskedWalk(const PixelView& source, const PixelView& overlay, const PixelView& mask,
                const PixelView& target, OverlayPlacement at) {
  const CoveredArea area =
      coveredArea(std::min(source.width, target.width), std::min(source.height, target.height),
                  std::min(overlay.width, mask.width), std::min(overlay.height, mask.height), at);
  const int32_t inStep = stepOf(In{}, source), overStep = stepOf(Overlay{}, overlay),
                outStep = stepOf(Out{}, target);
  walkOverlayRows<In, Out>(
      source, target, area, at,
      [&](const uint8_t* ps, uint8_t* pt, int32_t overX, int32_t overY, int32_t count) {
        const uint8_t* po = overlay.row(overY) + static_cast<ptrdiff_t>(overX) * overStep;
        const uint8_t* pm = mask.at(overX, overY);
        for (int32_t i = 0; i < count;
             ++i, ps += inStep, po += overStep, pt += outStep, pm += mask.bytesPerPixel) {
          const uint32_t w = maskArgumentWeight(maskLevelOf(readPixel(mask, pm)));
          const PixelValue s = fetch(In{}, source, ps);
          store(Out{}, target, pt, w == 0 ? s : blendPixel(fetch(Overlay{}, overlay, po), s, w));
        }
      });
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
