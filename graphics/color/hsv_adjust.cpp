#include "graphics/color/hsv_adjust.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#if TVQ_SSE2_AVAILABLE
#include <emmintrin.h>

#include "graphics/frame/sse2_pixels.h"
#endif

#include "graphics/frame/channel_math.h"
#include "graphics/frame/color_methods.h"
#include "graphics/frame/color_walks.h"
#include "graphics/frame/format_access.h"

namespace tvq {
namespace {

using F = PixelFormat;

constexpr int32_t kSector = 1024;         // hue steps per 60 degrees
constexpr int32_t kCircle = 6 * kSector;  // 6144
constexpr int32_t kSectorSquared = kSector * kSector;

// n / d for 1 <= d <= 255 and |n| <= 1024 d, truncated toward zero, as a
// multiplication: with r = ceil(2^32 / d), (|n| r) >> 32 is floor(|n| / d),
// because |n| r / 2^32 exceeds |n| / d by |n| (r d - 2^32) / (d 2^32) <
// 1024 d / 2^32 < 1 / d, less than |n| / d lies below the next integer.
struct Reciprocals {
  std::array<uint64_t, 256> of{};
  constexpr Reciprocals() {
    for (uint64_t d = 1; d < 256; ++d) of[d] = ((uint64_t{1} << 32) + d - 1) / d;
  }
};
constexpr Reciprocals kReciprocals;

inline int32_t quotient(int32_t n, int32_t d) {
  const uint64_t magnitude = static_cast<uint64_t>(n < 0 ? -n : n);
  const auto q = static_cast<int32_t>((magnitude * kReciprocals.of[static_cast<size_t>(d)]) >> 32);
  return n < 0 ? -q : q;
}

// The first channel of each sector's result takes value 0, 1 or 2 of
// (V', q or t, p); the second and third likewise.
constexpr std::array<uint8_t, 6> kRedFrom = {0, 1, 2, 2, 1, 0};
constexpr std::array<uint8_t, 6> kGreenFrom = {1, 0, 0, 1, 2, 2};
constexpr std::array<uint8_t, 6> kBlueFrom = {2, 2, 1, 0, 0, 1};

// One pixel through the integer model and back. Divisions truncate toward
// zero; where channels tie, the order of the cases decides the formula.
// Written with selections rather than branches: pixels of a photograph pick
// their cases at random.
PixelValue adjustPixel(PixelValue v, const HsvShift& shift) {
  const int32_t r = redOf(v), g = greenOf(v), b = blueOf(v);
  const bool redFirst = r >= g;
  const bool blueMax = redFirst ? r < b : g < b;
  const int32_t max = blueMax ? b : (redFirst ? r : g);
  const int32_t min = blueMax ? (redFirst ? g : r) : std::min(b, redFirst ? g : r);
  const int32_t numerator = blueMax ? r - g : (redFirst ? g - b : b - r);
  const int32_t base = blueMax ? 4 * kSector : (redFirst ? 0 : 2 * kSector);
  const int32_t delta = max - min;
  int32_t saturation = 0;
  int32_t hue = -1;
  if (max >= 1) {
    saturation = quotient(delta * kSector, max);
    if (delta >= 1) hue = quotient(numerator * kSector, delta) + base;
  }

  if (delta >= 1 && hue < 0) hue += kCircle;
  hue += shift.hue;
  if (hue < 0) hue += kCircle;
  if (hue >= kCircle) hue -= kCircle;
  // Both factors are below 1000 * 1024, so the products fit 32 bits.
  int32_t s = saturation * shift.saturation / kSector;
  s = s < 0 ? 0 : (s > kSector - 1 ? kSector - 1 : s);
  const int32_t value = clampChannel(max * shift.brightness / kSector);

  // With s = 0 all three are V'. Otherwise delta > 0 and the hue lies in
  // 0..6143; a grey pixel's hue may be -1, which still names sector 0.
  const int32_t sector = hue / kSector;
  const int32_t f = hue - sector * kSector;
  const int32_t p = value * (kSector - s) / kSector;
  // q for odd sectors, t for even ones.
  const int32_t qt =
      value * (kSectorSquared - s * ((sector & 1) != 0 ? f : kSector - f)) / kSectorSquared;
  const std::array<int32_t, 3> from = {value, qt, p};
  const auto i = static_cast<size_t>(sector) < 6 ? static_cast<size_t>(sector) : 0;
  return clampedPixel(from[kRedFrom[i]], from[kGreenFrom[i]], from[kBlueFrom[i]]);
}

constexpr PixelValue negativeOf(PixelValue v) {
  return makePixel(static_cast<uint8_t>(255 - redOf(v)), static_cast<uint8_t>(255 - greenOf(v)),
                   static_cast<uint8_t>(255 - blueOf(v)));
}

// With `negative` the written result is then negated in place. At 16 bits
// that makes each 5-bit channel 31 minus itself, which is what writing the
// negative of the 8-bit colour gives: (255 - c) >> 3 = 31 - (c >> 3).
template <typename In, typename Out>
void hsvOnSelection(const PixelView& source, const PixelView& target, const Selection& selection,
                    const HsvShift& shift, bool negative) {
  mapSelection<In, Out>(
      source, target, selection, [&](PixelValue v) { return adjustPixel(v, shift); },
      CopyRule::Converted);
  if (negative) {
    const Selection whole{0, 0, target.width - 1, target.height - 1};
    mapSelectionInPlace<Out>(target, whole, negativeOf);
  }
}

struct HsvBlend {
  const HsvShift& shift;
  // Level 0 is written through the formula too, which gives the colour back.
  bool keeps(uint8_t) const { return false; }
  PixelValue operator()(PixelValue v, uint8_t level) const {
    const PixelValue a = adjustPixel(v, shift);
    using W = MaskWeighting;
    return makePixel(maskBlend<W::Levels255>(redOf(a), redOf(v), level),
                     maskBlend<W::Levels255>(greenOf(a), greenOf(v), level),
                     maskBlend<W::Levels255>(blueOf(a), blueOf(v), level));
  }
};

template <typename In, typename Mask, typename Out>
void hsvByMask(const PixelView& source, const PixelView& mask, const PixelView& target,
               const HsvShift& shift) {
  blendByMask<In, Mask, Out>(source, mask, target, HsvBlend{shift}, CopyRule::Converted);
}

template <typename In>
void sumOnSelection(const PixelView& source, const Selection& selection, HsvSums& sums) {
  auto add = [&](PixelValue v) {
    const int32_t r = redOf(v), g = greenOf(v), b = blueOf(v);
    sums.red += r;
    sums.green += g;
    sums.blue += b;
    const double max = std::max({r, g, b});
    const double min = std::min({r, g, b});
    sums.brightness += max / 256.0;
    sums.saturation += max == 0.0 ? 0.0 : (max - min) / max;
    ++sums.count;
  };
  visitSelection<In>(source, selection, add);
}

#if TVQ_SSE2_AVAILABLE
// The model on four 32-bit pixels at once, to the same integers:
// - the two divisions as float divisions truncated: n and d are exact in a
//   float, and with |n| <= 1024 d, d <= 255 a quotient that is not an
//   integer lies at least 1/d from one, far more than the rounding error
//   (at most 1024 * 2^-24), so truncation gives trunc(n / d);
// - products of a channel or s with a factor split as x (hi 1024 + lo), so
//   that every product is one of 16-bit values (_mm_madd_epi16 against a
//   zero high half) and x f / 1024 = x hi + (x lo) / 1024;
// - max, min and the clamps with 16-bit instructions, every value being
//   non-negative and below 2^15 where they are used.
class HsvSse2 {
 public:
  explicit HsvSse2(const HsvShift& shift)
      : hue_(_mm_set1_epi32(shift.hue)),
        saturationHigh_(_mm_set1_epi32(shift.saturation >> 10)),
        saturationLow_(_mm_set1_epi32(shift.saturation & 1023)),
        brightnessHigh_(_mm_set1_epi32(shift.brightness >> 10)),
        brightnessLow_(_mm_set1_epi32(shift.brightness & 1023)) {}

  __m128i apply(__m128i pixels) const {
    const __m128i byte = _mm_set1_epi32(255);
    const __m128i r = _mm_and_si128(_mm_srli_epi32(pixels, 16), byte);
    const __m128i g = _mm_and_si128(_mm_srli_epi32(pixels, 8), byte);
    const __m128i b = _mm_and_si128(pixels, byte);
    const __m128i redFirst = _mm_xor_si128(_mm_cmpgt_epi32(g, r), _mm_set1_epi32(-1));
    const __m128i blueMax = select(redFirst, _mm_cmpgt_epi32(b, r), _mm_cmpgt_epi32(b, g));
    const __m128i max = _mm_max_epi16(r, _mm_max_epi16(g, b));
    const __m128i min = _mm_min_epi16(r, _mm_min_epi16(g, b));
    const __m128i numerator = select(blueMax, _mm_sub_epi32(r, g),
                                     select(redFirst, _mm_sub_epi32(g, b), _mm_sub_epi32(b, r)));
    const __m128i base = select(blueMax, _mm_set1_epi32(4 * kSector),
                                _mm_andnot_si128(redFirst, _mm_set1_epi32(2 * kSector)));
    const __m128i delta = _mm_sub_epi32(max, min);
    const __m128i one = _mm_set1_epi32(1);
    const __m128i saturation = quotient(_mm_slli_epi32(delta, 10), _mm_max_epi16(max, one));
    const __m128i grey = _mm_cmpeq_epi32(delta, _mm_setzero_si128());
    __m128i hue =
        _mm_add_epi32(quotient(_mm_slli_epi32(numerator, 10), _mm_max_epi16(delta, one)), base);
    hue = _mm_or_si128(hue, grey);  // -1 for grey
    const __m128i circle = _mm_set1_epi32(kCircle);
    const __m128i zero = _mm_setzero_si128();
    hue = _mm_add_epi32(hue,
                        _mm_andnot_si128(grey, _mm_and_si128(_mm_cmpgt_epi32(zero, hue), circle)));
    hue = _mm_add_epi32(hue, hue_);
    hue = _mm_add_epi32(hue, _mm_and_si128(_mm_cmpgt_epi32(zero, hue), circle));
    hue = _mm_sub_epi32(hue, _mm_andnot_si128(_mm_cmpgt_epi32(circle, hue), circle));

    const __m128i s = atMost(scaled(saturation, saturationHigh_, saturationLow_), kSector - 1);
    const __m128i value = atMost(scaled(max, brightnessHigh_, brightnessLow_), 255);

    // A grey pixel's hue may be -1: sector 0, as the division gives.
    const __m128i nonNegativeHue = _mm_andnot_si128(_mm_cmpgt_epi32(zero, hue), hue);
    const __m128i sector = _mm_srli_epi32(nonNegativeHue, 10);
    const __m128i f = _mm_sub_epi32(hue, _mm_slli_epi32(sector, 10));
    const __m128i odd = _mm_cmpeq_epi32(_mm_and_si128(sector, one), one);
    const __m128i p = _mm_srli_epi32(product(value, _mm_sub_epi32(_mm_set1_epi32(kSector), s)), 10);
    const __m128i weight = select(odd, f, _mm_sub_epi32(_mm_set1_epi32(kSector), f));
    // x = 2^20 - s weight, 0 < x <= 2^20, and value x >> 20 in two 16-bit
    // products: (value (x >> 10) + (value (x & 1023) >> 10)) >> 10.
    const __m128i x = _mm_sub_epi32(_mm_set1_epi32(kSectorSquared), product(s, weight));
    const __m128i qt = _mm_srli_epi32(
        _mm_add_epi32(product(value, _mm_srli_epi32(x, 10)),
                      _mm_srli_epi32(product(value, _mm_and_si128(x, _mm_set1_epi32(1023))), 10)),
        10);

    auto in = [&](int32_t a, int32_t c) {
      return _mm_or_si128(_mm_cmpeq_epi32(sector, _mm_set1_epi32(a)),
                          _mm_cmpeq_epi32(sector, _mm_set1_epi32(c)));
    };
    const __m128i red = select(in(0, 5), value, select(in(1, 4), qt, p));
    const __m128i green = select(in(1, 2), value, select(in(0, 3), qt, p));
    const __m128i blue = select(in(3, 4), value, select(in(2, 5), qt, p));
    return _mm_or_si128(_mm_or_si128(_mm_slli_epi32(red, 16), _mm_slli_epi32(green, 8)), blue);
  }

 private:
  static __m128i select(__m128i mask, __m128i a, __m128i b) {
    return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
  }
  static __m128i quotient(__m128i n, __m128i d) {
    return _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(n), _mm_cvtepi32_ps(d)));
  }
  // a b for 0 <= a, b < 2^15.
  static __m128i product(__m128i a, __m128i b) { return _mm_madd_epi16(a, b); }
  // x f / 1024 with f = hi 1024 + lo; x < 2^15, hi < 1000, lo < 1024.
  static __m128i scaled(__m128i x, __m128i high, __m128i low) {
    return _mm_add_epi32(product(x, high), _mm_srli_epi32(product(x, low), 10));
  }
  static __m128i atMost(__m128i x, int32_t limit) {
    const __m128i l = _mm_set1_epi32(limit);
    return select(_mm_cmpgt_epi32(x, l), l, x);
  }

  __m128i hue_, saturationHigh_, saturationLow_, brightnessHigh_, brightnessLow_;
};

// The 32- and 24-bit loops: rows and the parts of rows outside the selection
// copied bytewise, the selected parts four pixels at a time (at 24 bits while
// two more pixels of the span follow, as the load reads 16 bytes) and the
// rest through the portable rule; then the negative, as the portable loop
// does it.
template <PixelFormat Format>
void hsvOnSelectionSse2(const PixelView& source, const PixelView& target,
                        const Selection& selection, const HsvShift& shift, bool negative) {
  using Access = Fixed<Format>;
  constexpr int32_t kBytes = storedBytesOf<Format>();
  const HsvSse2 vector(shift);
  const RowSpan span = spanWithin(selection, source.width, source.height);
  const auto bytes = [](int32_t pixels) { return static_cast<size_t>(pixels) * kBytes; };
  const PixelView none;
  for (int32_t y = 0; y < source.height; ++y) {
    const uint8_t* from = source.row(y);
    uint8_t* to = target.row(y);
    if (span.empty() || !span.containsRow(y)) {
      std::memcpy(to, from, bytes(source.width));
      continue;
    }
    std::memcpy(to, from, bytes(span.left));
    const int32_t count = span.right - span.left + 1;
    const uint8_t* in = from + bytes(span.left);
    uint8_t* out = to + bytes(span.left);
    int32_t x = 0;
    if constexpr (kBytes == 4) {
      for (; x + 4 <= count; x += 4, in += 16, out += 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                         vector.apply(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in))));
      }
    } else {
      for (; x + 6 <= count; x += 4, in += 12, out += 12) {
        sse2::storeBgr24(out, vector.apply(sse2::loadBgr24(in)));
      }
    }
    for (; x < count; ++x, in += kBytes, out += kBytes) {
      store(Access{}, none, out, adjustPixel(fetch(Access{}, none, in), shift));
    }
    std::memcpy(to + bytes(span.right + 1), from + bytes(span.right + 1),
                bytes(source.width - span.right - 1));
  }
  if (negative) {
    const Selection whole{0, 0, target.width - 1, target.height - 1};
    mapSelectionInPlace<Access>(target, whole, negativeOf);
  }
}

// The 32- and 24-bit mask loops.
template <PixelFormat Format, PixelFormat MaskFormat>
void hsvByMaskSse2(const PixelView& source, const PixelView& mask, const PixelView& target,
                   const HsvShift& shift) {
  const HsvSse2 vector(shift);
  sse2::blendRowsByMask<Format, MaskFormat>(
      source, mask, target, [&](__m128i pixels) { return sse2::lanesOf(vector.apply(pixels)); },
      HsvBlend{shift});
}
#endif

constexpr FastPathTable<HsvSelectionLoop, kHsvSelectionFastLoops> kSelectionLoops = {
    {{
#if TVQ_SSE2_AVAILABLE
        {"32-bit, SSE2", F::Bgrx32, FormatSet::any(), F::Bgrx32, hsvOnSelectionSse2<F::Bgrx32>},
        {"24-bit, SSE2", F::Bgr24, FormatSet::any(), F::Bgr24, hsvOnSelectionSse2<F::Bgr24>},
#endif
        {"32-bit", F::Bgrx32, FormatSet::any(), F::Bgrx32,
         hsvOnSelection<Fixed<F::Bgrx32>, Fixed<F::Bgrx32>>},
        {"24-bit", F::Bgr24, FormatSet::any(), F::Bgr24,
         hsvOnSelection<Fixed<F::Bgr24>, Fixed<F::Bgr24>>},
        {"16-bit", F::Rgb555, FormatSet::any(), F::Rgb555,
         hsvOnSelection<Fixed<F::Rgb555>, Fixed<F::Rgb555>>},
    }},
    hsvOnSelection<PerPixel, PerPixel>,
};

constexpr FastPathTable<HsvMaskLoop, kHsvMaskFastLoops> kMaskLoops = {
    {{
#if TVQ_SSE2_AVAILABLE
        {"32-bit, 8-bit mask, SSE2", F::Bgrx32, F::Indexed8, F::Bgrx32,
         hsvByMaskSse2<F::Bgrx32, F::Indexed8>},
        {"32-bit, 32-bit mask, SSE2", F::Bgrx32, F::Bgrx32, F::Bgrx32,
         hsvByMaskSse2<F::Bgrx32, F::Bgrx32>},
        {"24-bit, 8-bit mask, SSE2", F::Bgr24, F::Indexed8, F::Bgr24,
         hsvByMaskSse2<F::Bgr24, F::Indexed8>},
        {"24-bit, 24-bit mask, SSE2", F::Bgr24, F::Bgr24, F::Bgr24,
         hsvByMaskSse2<F::Bgr24, F::Bgr24>},
#endif
        {"32-bit, 8-bit mask", F::Bgrx32, F::Indexed8, F::Bgrx32,
         hsvByMask<Fixed<F::Bgrx32>, Fixed<F::Indexed8>, Fixed<F::Bgrx32>>},
        {"32-bit, 32-bit mask", F::Bgrx32, F::Bgrx32, F::Bgrx32,
         hsvByMask<Fixed<F::Bgrx32>, Fixed<F::Bgrx32>, Fixed<F::Bgrx32>>},
        {"24-bit, 8-bit mask", F::Bgr24, F::Indexed8, F::Bgr24,
         hsvByMask<Fixed<F::Bgr24>, Fixed<F::Indexed8>, Fixed<F::Bgr24>>},
        {"24-bit, 24-bit mask", F::Bgr24, F::Bgr24, F::Bgr24,
         hsvByMask<Fixed<F::Bgr24>, Fixed<F::Bgr24>, Fixed<F::Bgr24>>},
        {"16-bit, 16-bit mask", F::Rgb555, F::Rgb555, F::Rgb555,
         hsvByMask<Fixed<F::Rgb555>, Fixed<F::Rgb555>, Fixed<F::Rgb555>>},
    }},
    hsvByMask<PerPixel, PerPixel, PerPixel>,
};

constexpr FastPathTable<HsvSumLoop, 3> kSumLoops = {
    {{
        {"32-bit", F::Bgrx32, FormatSet::any(), FormatSet::any(), sumOnSelection<Fixed<F::Bgrx32>>},
        {"24-bit", F::Bgr24, FormatSet::any(), FormatSet::any(), sumOnSelection<Fixed<F::Bgr24>>},
        {"16-bit", F::Rgb555, FormatSet::any(), FormatSet::any(), sumOnSelection<Fixed<F::Rgb555>>},
    }},
    sumOnSelection<PerPixel>,
};

// Bounds from a program, NaN outside every one: the hue strictly between
// -360 and 360, each factor from 0 up to (not including) `factorLimit`.
bool checkHsvArguments(Operation& op, double hueDegrees, double saturationFactor,
                       double brightnessFactor, double factorLimit) {
  auto factorFits = [&](double x) { return x >= 0.0 && x < factorLimit; };
  return op.check(hueDegrees > -360.0 && hueDegrees < 360.0, ErrorCode::DegreesOutOfBounds) &&
         op.check(factorFits(saturationFactor), ErrorCode::SaturationOutOfBounds) &&
         op.check(factorFits(brightnessFactor), ErrorCode::BrightnessOutOfBounds);
}

// Called only with checked arguments, so every conversion fits 32 bits.
HsvShift shiftOf(double hueDegrees, double saturationFactor, double brightnessFactor) {
  return {static_cast<int32_t>(std::floor(hueDegrees * 1024.0 / 60.0)),
          static_cast<int32_t>(saturationFactor * 1024.0),
          static_cast<int32_t>(brightnessFactor * 1024.0)};
}

constexpr double kRectangleFactorLimit = 1000.0;
constexpr double kMaskFactorLimit = 10.0;

}  // namespace

int32_t hsvQuotient(int32_t n, int32_t d) { return quotient(n, d); }

const FastPathTable<HsvSelectionLoop, kHsvSelectionFastLoops>& hsvSelectionLoops() {
  return kSelectionLoops;
}
const FastPathTable<HsvMaskLoop, kHsvMaskFastLoops>& hsvMaskLoops() { return kMaskLoops; }
const FastPathTable<HsvSumLoop, 3>& hsvSumLoops() { return kSumLoops; }

void adjustHsv(const PixelView& source, const PixelView& target, const Selection& selection,
               const HsvShift& shift, bool negative) {
  kSelectionLoops.choose({source.format, source.format, target.format}, sameShape(source, target))(
      source, target, selection, shift, negative);
}

void adjustHsvByMask(const PixelView& source, const PixelView& mask, const PixelView& target,
                     const HsvShift& shift) {
  kMaskLoops.choose({source.format, mask.format, target.format},
                    sameShape(source, mask) && sameShape(source, target))(source, mask, target,
                                                                          shift);
}

HsvSums sumHsv(const PixelView& source, const Selection& selection) {
  HsvSums sums;
  kSumLoops.choose({source.format, source.format, source.format}, true)(source, selection, sums);
  return sums;
}

HsvAverages averagesOf(const HsvSums& sums) {
  const double count = static_cast<double>(sums.count);
  HsvAverages a;
  a.saturation = sums.saturation / count;
  a.brightness = sums.brightness / count;
  const double r = static_cast<double>(sums.red / sums.count);
  const double g = static_cast<double>(sums.green / sums.count);
  const double b = static_cast<double>(sums.blue / sums.count);
  const double max = std::fmax(r, std::fmax(g, b));
  const double delta = max - std::fmin(r, std::fmin(g, b));
  if (max == 0.0 || delta == 0.0) return a;
  double hue =
      r == max ? (g - b) / delta : (g == max ? (b - r) / delta + 2.0 : (r - g) / delta + 4.0);
  hue *= 60.0;
  if (hue < 0.0) hue += 360.0;
  a.hue = hue;
  return a;
}

RbPicture adjustHsvMethod(RbPicture source, RbObject rect, double hueDegrees,
                          double saturationFactor, double brightnessFactor, RbBoolean negative) {
  return adjustSelection(
      source, rect,
      [&](Operation& op) {
        return checkHsvArguments(op, hueDegrees, saturationFactor, brightnessFactor,
                                 kRectangleFactorLimit);
      },
      [&](const PixelView& in, const PixelView& out, const Selection& s) {
        adjustHsv(in, out, s, shiftOf(hueDegrees, saturationFactor, brightnessFactor), negative);
      });
}

RbPicture adjustHsvWithMaskMethod(RbPicture source, RbPicture mask, double hueDegrees,
                                  double saturationFactor, double brightnessFactor) {
  return adjustByMask(
      source, mask,
      [&](Operation& op) {
        return checkHsvArguments(op, hueDegrees, saturationFactor, brightnessFactor,
                                 kMaskFactorLimit);
      },
      [&](const PixelView& in, const PixelView& levels, const PixelView& out) {
        adjustHsvByMask(in, levels, out, shiftOf(hueDegrees, saturationFactor, brightnessFactor));
      });
}

void getAverageHsvMethod(RbPicture source, RbObject rect, double* hueDegrees, double* saturation,
                         double* brightness) {
  measureSelection(source, rect, [&](const PixelView& in, const Selection& s) {
    const HsvAverages a = averagesOf(sumHsv(in, s));
    writeIfPassed(hueDegrees, a.hue);
    writeIfPassed(saturation, a.saturation);
    writeIfPassed(brightness, a.brightness);
  });
}

}  // namespace tvq
