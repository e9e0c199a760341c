#include "graphics/color/threshold.h"

#include "graphics/color/threshold_rows_avx512.h"

#include "graphics/frame/channel_math.h"
#include "graphics/frame/color_methods.h"
#include "graphics/frame/color_walks.h"
#include "graphics/frame/processor_features.h"

namespace tvq {
namespace {

using F = PixelFormat;

// The rule is copied into each loop: stores through byte pointers could
// otherwise alias the caller's rule, and its fields would be read again at
// every pixel.
template <typename In, typename Out>
void thresholdOnSelection(const PixelView& source, const PixelView& target,
                          const Selection& selection, const ThresholdRule& rule) {
  mapSelection<In, Out>(
      source, target, selection, [local = rule](PixelValue v) { return local.apply(v); },
      CopyRule::Converted);
}

// The vector loop takes whole vectors of each selected run; the portable
// loop the rest.
template <PixelFormat Format>
void thresholdOnSelectionAvx512(const PixelView& source, const PixelView& target,
                                const Selection& selection, const ThresholdRule& rule) {
  using Access = Fixed<Format>;
  constexpr int32_t step = storedBytesOf<Format>();
  mapSelectionRows<Access, Access>(
      source, target, selection,
      [&, local = rule](const uint8_t* from, uint8_t* to, int32_t count) {
        const int32_t done = Format == PixelFormat::Bgrx32
                                 ? thresholdRowsBgrx32Avx512(from, to, count, rule)
                                 : thresholdRowsBgr24Avx512(from, to, count, rule);
        from += done * step;
        to += done * step;
        for (int32_t i = done; i < count; ++i, from += step, to += step) {
          store(Access{}, target, to, local.apply(fetch(Access{}, source, from)));
        }
      },
      CopyRule::Converted);
}

struct ThresholdBlend {
  ThresholdRule rule;
  bool keeps(uint8_t) const { return false; }
  PixelValue operator()(PixelValue v, uint8_t level) const {
    const PixelValue x = rule.apply(v);
    return makePixel(maskBlend<MaskWeighting::Levels255, int32_t>(redOf(x), redOf(v), level),
                     maskBlend<MaskWeighting::Levels255, int32_t>(greenOf(x), greenOf(v), level),
                     maskBlend<MaskWeighting::Levels255, int32_t>(blueOf(x), blueOf(v), level));
  }
};

template <typename In, typename Mask, typename Out>
void thresholdOnMask(const PixelView& source, const PixelView& mask, const PixelView& target,
                     const ThresholdRule& rule) {
  blendByMask<In, Mask, Out>(source, mask, target, ThresholdBlend{rule}, CopyRule::Converted);
}

}  // namespace

const FastPathTable<ThresholdSelectionLoop, 4>& thresholdSelectionLoops() {
  static constexpr FastPathTable<ThresholdSelectionLoop, 4> table = {
      {{
          {"32-bit, AVX-512", F::Bgrx32, FormatSet::any(), F::Bgrx32,
           thresholdOnSelectionAvx512<F::Bgrx32>, hasAvx512BytePermutes},
          {"24-bit, AVX-512", F::Bgr24, FormatSet::any(), F::Bgr24,
           thresholdOnSelectionAvx512<F::Bgr24>, hasAvx512BytePermutes},
          {"32-bit", F::Bgrx32, FormatSet::any(), F::Bgrx32,
           thresholdOnSelection<Fixed<F::Bgrx32>, Fixed<F::Bgrx32>>},
          {"24-bit", F::Bgr24, FormatSet::any(), F::Bgr24,
           thresholdOnSelection<Fixed<F::Bgr24>, Fixed<F::Bgr24>>},
      }},
      thresholdOnSelection<PerPixel, PerPixel>,
  };
  return table;
}

const FastPathTable<ThresholdMaskLoop, 4>& thresholdMaskLoops() {
  static constexpr FastPathTable<ThresholdMaskLoop, 4> table = {
      {{
          {"32-bit, 8-bit mask", F::Bgrx32, F::Indexed8, F::Bgrx32,
           thresholdOnMask<Fixed<F::Bgrx32>, Fixed<F::Indexed8>, Fixed<F::Bgrx32>>},
          {"32-bit, 32-bit mask", F::Bgrx32, F::Bgrx32, F::Bgrx32,
           thresholdOnMask<Fixed<F::Bgrx32>, Fixed<F::Bgrx32>, Fixed<F::Bgrx32>>},
          {"24-bit, 8-bit mask", F::Bgr24, F::Indexed8, F::Bgr24,
           thresholdOnMask<Fixed<F::Bgr24>, Fixed<F::Indexed8>, Fixed<F::Bgr24>>},
          {"24-bit, 24-bit mask", F::Bgr24, F::Bgr24, F::Bgr24,
           thresholdOnMask<Fixed<F::Bgr24>, Fixed<F::Bgr24>, Fixed<F::Bgr24>>},
      }},
      thresholdOnMask<PerPixel, PerPixel, PerPixel>,
  };
  return table;
}

void thresholdSelection(const PixelView& source, const PixelView& target,
                        const Selection& selection, const ThresholdRule& rule) {
  thresholdSelectionLoops().choose({source.format, source.format, target.format},
                                   sameShape(source, target))(source, target, selection, rule);
}

void thresholdByMask(const PixelView& source, const PixelView& mask, const PixelView& target,
                     const ThresholdRule& rule) {
  thresholdMaskLoops().choose({source.format, mask.format, target.format},
                              sameShape(source, mask) && sameShape(source, target))(source, mask,
                                                                                    target, rule);
}

RbPicture thresholdMethod(RbPicture p, RbObject rect, bool darker, bool andThreshold,
                          uint32_t threshold, uint32_t target) {
  const ThresholdRule rule{darker, andThreshold, threshold, target};
  return adjustSelection(p, rect, kNoChecks,
                         [&](const PixelView& in, const PixelView& out, const Selection& s) {
                           thresholdSelection(in, out, s, rule);
                         });
}

RbPicture thresholdWithMaskMethod(RbPicture p, RbPicture mask, bool darker, bool andThreshold,
                                  uint32_t threshold, uint32_t target) {
  const ThresholdRule rule{darker, andThreshold, threshold, target};
  return adjustByMask(p, mask, kNoChecks,
                      [&](const PixelView& in, const PixelView& levels, const PixelView& out) {
                        thresholdByMask(in, levels, out, rule);
                      });
}

}  // namespace tvq
