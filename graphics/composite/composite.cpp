#include "graphics/composite/composite.h"

#include <algorithm>
#include <type_traits>

#include "graphics/frame/blend_rows.h"
#include "graphics/frame/blend_rows_avx512.h"
#include "graphics/frame/channel_math.h"
#include "graphics/frame/format_access.h"
#include "graphics/frame/overlay_rows.h"
#include "graphics/frame/processor_features.h"

namespace tvq {
namespace {

using F = PixelFormat;

// All three pictures 24-bit or all 32-bit: a row blends byte by byte.
template <typename In, typename Overlay, typename Out>
constexpr bool kBytewise = std::is_same_v<In, Overlay>&& std::is_same_v<In, Out> &&
                           (std::is_same_v<In, Fixed<F::Bgrx32>> ||
                            std::is_same_v<In, Fixed<F::Bgr24>>);

// `count` covered pixels of one row at one weight; `Wide`: whole vectors
// with AVX-512 first.
template <typename In, typename Overlay, typename Out, bool Wide>
void blendSpan(const PixelView& source, const uint8_t* ps, const PixelView& overlay,
               const uint8_t* po, const PixelView& target, uint8_t* pt, int32_t count,
               uint32_t weight) {
  if constexpr (kBytewise<In, Overlay, Out>) {
    const size_t bytes = static_cast<size_t>(count) * storedBytesOf<In::format>();
    const bool clearFourth = In::format == F::Bgrx32;
    size_t done = 0;
    if constexpr (Wide) done = blendByteRowAvx512(po, ps, pt, bytes, weight, clearFourth);
    blendByteRow(po + done, ps + done, pt + done, bytes - done, weight, clearFourth);
  } else {
    const int32_t inStep = stepOf(In{}, source), overStep = stepOf(Overlay{}, overlay),
                  outStep = stepOf(Out{}, target);
    for (int32_t i = 0; i < count; ++i, ps += inStep, po += overStep, pt += outStep) {
      store(Out{}, target, pt,
            blendPixel(fetch(Overlay{}, overlay, po), fetch(In{}, source, ps), weight));
    }
  }
}

template <typename In, typename Overlay, typename Out, bool Wide = false>
void compositeWalk(const PixelView& source, const PixelView& overlay, const PixelView* overlayMask,
                   const PixelView& target, OverlayPlacement at, uint32_t weight) {
  const PixelView* levels =
      overlayMask != nullptr && overlayMask->sameSizeAs(overlay) ? overlayMask : nullptr;
  const CoveredArea area =
      coveredArea(std::min(source.width, target.width), std::min(source.height, target.height),
                  overlay.width, overlay.height, at);
  const int32_t inStep = stepOf(In{}, source), overStep = stepOf(Overlay{}, overlay),
                outStep = stepOf(Out{}, target);
  walkOverlayRows<In, Out>(
      source, target, area, at,
      [&](const uint8_t* ps, uint8_t* pt, int32_t overX, int32_t overY, int32_t count) {
        const uint8_t* po = overlay.row(overY) + static_cast<ptrdiff_t>(overX) * overStep;
        if (levels == nullptr) {
          blendSpan<In, Overlay, Out, Wide>(source, ps, overlay, po, target, pt, count, weight);
          return;
        }
        const uint8_t* pm = levels->at(overX, overY);
        for (int32_t i = 0; i < count;
             ++i, ps += inStep, po += overStep, pt += outStep, pm += levels->bytesPerPixel) {
          const uint32_t w = ownMaskWeight(redOf(readPixel(*levels, pm)), weight);
          store(Out{}, target, pt,
                blendPixel(fetch(Overlay{}, overlay, po), fetch(In{}, source, ps), w));
        }
      });
}

}  // namespace

const FastPathTable<CompositeLoop, 4>& compositeLoops() {
  static constexpr FastPathTable<CompositeLoop, 4> table = {
      {{
          {"32-bit, AVX-512", F::Bgrx32, F::Bgrx32, F::Bgrx32,
           compositeWalk<Fixed<F::Bgrx32>, Fixed<F::Bgrx32>, Fixed<F::Bgrx32>, true>,
           hasAvx512BytePermutes},
          {"24-bit, AVX-512", F::Bgr24, F::Bgr24, F::Bgr24,
           compositeWalk<Fixed<F::Bgr24>, Fixed<F::Bgr24>, Fixed<F::Bgr24>, true>,
           hasAvx512BytePermutes},
          {"32-bit", F::Bgrx32, F::Bgrx32, F::Bgrx32,
           compositeWalk<Fixed<F::Bgrx32>, Fixed<F::Bgrx32>, Fixed<F::Bgrx32>>},
          {"24-bit", F::Bgr24, F::Bgr24, F::Bgr24,
           compositeWalk<Fixed<F::Bgr24>, Fixed<F::Bgr24>, Fixed<F::Bgr24>>},
      }},
      compositeWalk<PerPixel, PerPixel, PerPixel>,
  };
  return table;
}

void compositePixels(const PixelView& source, const PixelView& overlay,
                     const PixelView* overlayMask, const PixelView& target, OverlayPlacement at,
                     uint32_t weight) {
  compositeLoops().choose({source.format, overlay.format, target.format},
                          source.sameSizeAs(target))(source, overlay, overlayMask, target, at,
                                                     weight);
}

bool overlayWeight(Operation& op, double fraction, uint32_t& weight) {
  if (!op.check(withinInclusive(fraction, 0.0, 1.0), ErrorCode::OverlayFractionOutOfBounds)) {
    return false;
  }
  weight = static_cast<uint32_t>(fraction * 256.0);
  return true;
}

RbPicture compositeMethod(RbPicture p, RbPicture overlay, double fraction, int32_t left,
                          int32_t top) {
  Operation op;
  if (!op.check(p != nullptr, ErrorCode::SourceNil)) return nullptr;
  if (!op.check(overlay != nullptr, ErrorCode::OverlayNil)) return nullptr;
  uint32_t weight = 0;
  if (!overlayWeight(op, fraction, weight)) return nullptr;
  PictureLock in;
  if (!op.lock(in, p, ErrorCode::SourceLock)) return nullptr;
  PictureLock over;
  if (!op.lock(over, overlay, ErrorCode::OverlayLock)) return nullptr;
  OwnedPicture result;
  if (!op.createResult(result, in)) return nullptr;
  // The overlay's own mask, when it has one; one that cannot be locked
  // weights nothing.
  PictureLock mask;
  const bool masked = mask.lockExistingMaskOf(overlay);
  compositePixels(in.view(), over.view(), masked ? &mask.view() : nullptr, result.view(),
                  {left, top}, weight);
  return result.handOver();
}

}  // namespace tvq
