#include "graphics/composite/transition.h"

#include <algorithm>
#include <type_traits>

#include "graphics/frame/blend_rows.h"
#include "graphics/frame/blend_rows_avx512.h"
#include "graphics/frame/channel_math.h"
#include "graphics/frame/format_access.h"
#include "graphics/frame/operation.h"
#include "graphics/frame/processor_features.h"

namespace tvq {
namespace {

using F = PixelFormat;

constexpr SecondPictureCodes kOverlayCodes = {ErrorCode::OverlayNil, ErrorCode::OverlayLock,
                                              ErrorCode::OverlayWrongSize};

// Every term is at most 256 × 255 × 2, so 32 bits hold it.
constexpr uint8_t transitionChannel(uint32_t s, uint32_t a, uint32_t b, TransitionWeights w) {
  const uint32_t wa = static_cast<uint32_t>(w.a), wb = static_cast<uint32_t>(w.b);
  const uint32_t m1 = (s * wb + a * wa) >> 8;
  const uint32_t m2 = (s * wa + b * wb) >> 8;
  return static_cast<uint8_t>((wa * m1 + wb * m2) >> 8);
}

// `Wide`: the byte rows take whole AVX-512 vectors first.
template <typename In, typename Overlay, typename Out, bool Wide = false>
void transitionWalk(const PixelView& source, const PixelView& a, const PixelView& b,
                    const PixelView& target, TransitionWeights w) {
  const int32_t width = std::min({source.width, a.width, b.width, target.width});
  const int32_t height = std::min({source.height, a.height, b.height, target.height});
  const int32_t sStep = stepOf(In{}, source), aStep = stepOf(Overlay{}, a),
                bStep = stepOf(Overlay{}, b), outStep = stepOf(Out{}, target);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t *ps = source.row(y), *pa = a.row(y), *pb = b.row(y);
    uint8_t* to = target.row(y);
    // All four 24-bit or all 32-bit: every colour byte is a channel.
    if constexpr (std::is_same_v<In, Overlay> && std::is_same_v<In, Out> &&
                  (std::is_same_v<In, Fixed<F::Bgrx32>> || std::is_same_v<In, Fixed<F::Bgr24>>)) {
      const size_t bytes =
          static_cast<size_t>(width) * static_cast<size_t>(storedBytesOf<In::format>());
      const auto wa = static_cast<uint32_t>(w.a), wb = static_cast<uint32_t>(w.b);
      const bool clearFourth = In::format == F::Bgrx32;
      size_t done = 0;
      if constexpr (Wide)
        done = transitionByteRowAvx512(ps, pa, pb, to, bytes, wa, wb, clearFourth);
      transitionByteRow(ps + done, pa + done, pb + done, to + done, bytes - done, wa, wb,
                        clearFourth);
      continue;
    }
    for (int32_t x = 0; x < width; ++x, ps += sStep, pa += aStep, pb += bStep, to += outStep) {
      const PixelValue s = fetch(In{}, source, ps);
      const PixelValue va = fetch(Overlay{}, a, pa);
      const PixelValue vb = fetch(Overlay{}, b, pb);
      store(Out{}, target, to,
            makePixel(transitionChannel(redOf(s), redOf(va), redOf(vb), w),
                      transitionChannel(greenOf(s), greenOf(va), greenOf(vb), w),
                      transitionChannel(blueOf(s), blueOf(va), blueOf(vb), w)));
    }
  }
}

}  // namespace

const FastPathTable<TransitionLoop, 4>& transitionLoops() {
  static constexpr FastPathTable<TransitionLoop, 4> table = {
      {{
          {"32-bit, AVX-512", F::Bgrx32, F::Bgrx32, F::Bgrx32,
           transitionWalk<Fixed<F::Bgrx32>, Fixed<F::Bgrx32>, Fixed<F::Bgrx32>, true>,
           hasAvx512BytePermutes},
          {"24-bit, AVX-512", F::Bgr24, F::Bgr24, F::Bgr24,
           transitionWalk<Fixed<F::Bgr24>, Fixed<F::Bgr24>, Fixed<F::Bgr24>, true>,
           hasAvx512BytePermutes},
          {"32-bit", F::Bgrx32, F::Bgrx32, F::Bgrx32,
           transitionWalk<Fixed<F::Bgrx32>, Fixed<F::Bgrx32>, Fixed<F::Bgrx32>>},
          {"24-bit", F::Bgr24, F::Bgr24, F::Bgr24,
           transitionWalk<Fixed<F::Bgr24>, Fixed<F::Bgr24>, Fixed<F::Bgr24>>},
      }},
      transitionWalk<PerPixel, PerPixel, PerPixel>,
  };
  return table;
}

void transitionPixels(const PixelView& source, const PixelView& a, const PixelView& b,
                      const PixelView& target, TransitionWeights weights) {
  const bool shapesFit = a.format == b.format && source.sameSizeAs(a) && source.sameSizeAs(b) &&
                         source.sameSizeAs(target);
  transitionLoops().choose({source.format, a.format, target.format}, shapesFit)(source, a, b,
                                                                                target, weights);
}

RbPicture transitionMethod(RbPicture p, RbPicture overlayA, RbPicture overlayB, double fraction) {
  Operation op;
  if (!op.check(p != nullptr, ErrorCode::SourceNil)) return nullptr;
  if (!op.check(overlayA != nullptr, kOverlayCodes.nil)) return nullptr;
  if (!op.check(overlayB != nullptr, kOverlayCodes.nil)) return nullptr;
  if (!op.check(withinInclusive(fraction, 0.0, 1.0), ErrorCode::OverlayFractionOutOfBounds)) {
    return nullptr;
  }
  PictureLock in;
  if (!op.lock(in, p, ErrorCode::SourceLock)) return nullptr;
  // Both overlays are locked before either size is checked.
  PictureLock a;
  if (!op.lock(a, overlayA, kOverlayCodes.lock)) return nullptr;
  PictureLock b;
  if (!op.lock(b, overlayB, kOverlayCodes.lock)) return nullptr;
  if (!op.check(a.view().sameSizeAs(in.view()) && b.view().sameSizeAs(in.view()),
                kOverlayCodes.wrongSize)) {
    return nullptr;
  }
  // Each weight truncated on its own: A + B can be 255.
  const TransitionWeights weights{static_cast<int32_t>(fraction * 256.0),
                                  static_cast<int32_t>((1.0 - fraction) * 256.0)};
  OwnedPicture result;
  if (!op.createResult(result, in)) return nullptr;
  transitionPixels(in.view(), a.view(), b.view(), result.view(), weights);
  return result.handOver();
}

}  // namespace tvq
