#include "graphics/color/color_matrix_adjust.h"

#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#if TVQ_SSE2_AVAILABLE
#include <emmintrin.h>

#include "graphics/frame/sse2_pixels.h"
#endif

#include "graphics/classes/color_matrix_class.h"
#include "graphics/frame/channel_math.h"
#include "graphics/frame/color_methods.h"
#include "graphics/frame/color_walks.h"
#include "graphics/frame/last_error.h"

namespace tvq {
namespace {

using F = PixelFormat;

int32_t toFixed22_10(double element) {
  if (std::isnan(element)) return 0;
  const double scaled = element * 1024.0;
  // trunc(scaled) fits exactly when -2^31 - 1 < scaled < 2^31.
  if (!(scaled < 2147483648.0)) return std::numeric_limits<int32_t>::max();
  if (!(scaled > -2147483649.0)) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(scaled);
}

// Every k in -2^15..2^15 - 1 keeps each sum within 3 * 255 * 2^15, so
// 32-bit sums give the 64-bit results (and the SSE2 loops can take k as
// 16-bit values); matrices of elements below 32 in size are narrow.
bool fitsNarrowSums(const FixedColorMatrix& m) {
  for (int32_t k : m.k) {
    if (k < -32768 || k > 32767) return false;
  }
  return true;
}

// The three products of one pixel before any clamp. Every |k| is at most
// 2^31, so |sum| / 1024 < 3 * 255 * 2^21 fits 32 bits.
struct Products {
  int32_t red, green, blue;
};
template <typename Sum>
inline Products multiply(const FixedColorMatrix& m, PixelValue v) {
  const Sum r = redOf(v), g = greenOf(v), b = blueOf(v);
  auto channel = [&](int32_t j) {
    return static_cast<int32_t>((r * Sum{m.at(0, j)} + g * Sum{m.at(1, j)} + b * Sum{m.at(2, j)}) /
                                1024);
  };
  return {channel(0), channel(1), channel(2)};
}

template <typename Sum, typename In, typename Out>
void matrixOnSelectionAs(const PixelView& source, const PixelView& target,
                         const Selection& selection, const FixedColorMatrix& matrix) {
  mapSelection<In, Out>(
      source, target, selection,
      [&](PixelValue v) {
        const Products a = multiply<Sum>(matrix, v);
        return clampedPixel(a.red, a.green, a.blue);
      },
      CopyRule::Converted);
}

template <typename In, typename Out>
void matrixOnSelection(const PixelView& source, const PixelView& target, const Selection& selection,
                       const FixedColorMatrix& matrix) {
  if (fitsNarrowSums(matrix)) {
    matrixOnSelectionAs<int32_t, In, Out>(source, target, selection, matrix);
  } else {
    matrixOnSelectionAs<int64_t, In, Out>(source, target, selection, matrix);
  }
}

template <typename Sum>
struct MatrixBlend {
  const FixedColorMatrix& matrix;
  // Level 0 is written through the formula too, which gives the colour back.
  bool keeps(uint8_t) const { return false; }
  PixelValue operator()(PixelValue v, uint8_t level) const {
    const Products a = multiply<Sum>(matrix, v);
    using W = MaskWeighting;
    return makePixel(maskBlend<W::Levels255>(a.red, redOf(v), level),
                     maskBlend<W::Levels255>(a.green, greenOf(v), level),
                     maskBlend<W::Levels255>(a.blue, blueOf(v), level));
  }
};

template <typename In, typename Mask, typename Out>
void matrixByMask(const PixelView& source, const PixelView& mask, const PixelView& target,
                  const FixedColorMatrix& matrix) {
  if (fitsNarrowSums(matrix)) {
    blendByMask<In, Mask, Out>(source, mask, target, MatrixBlend<int32_t>{matrix},
                               CopyRule::Converted);
  } else {
    blendByMask<In, Mask, Out>(source, mask, target, MatrixBlend<int64_t>{matrix},
                               CopyRule::Converted);
  }
}

#if TVQ_SSE2_AVAILABLE
// Four pixels at a time with 16-bit products (the narrow matrices): each
// output channel is two _mm_madd_epi16 of (B, G, R, 0) against
// (k(2, j), k(1, j), k(0, j), 0), whose pair sums fit 32 bits; the division
// truncates toward zero, and the two saturating packs clamp to 0..255 as
// clampChannel does.
class NarrowMatrixSse2 {
 public:
  explicit NarrowMatrixSse2(const FixedColorMatrix& m)
      : blue_(coefficients(m, 2)), green_(coefficients(m, 1)), red_(coefficients(m, 0)) {}

  // The three products of four pixels before any clamp, each of them below
  // 3 * 255 * 2^15 / 1024 in size.
  struct Products {
    __m128i blue, green, red;
  };
  Products products(__m128i pixels) const { return productsOf<true>(pixels); }

  // Four BGRX words to four BGR0 words. A negative sum clamps to 0 whether
  // it is divided toward zero or toward minus infinity, so the clamped form
  // shifts without the correction.
  __m128i apply(__m128i pixels) const {
    const Products a = productsOf<false>(pixels);
    return sse2::clampedWords(a.blue, a.green, a.red);
  }

 private:
  template <bool TowardZero>
  Products productsOf(__m128i pixels) const {
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_unpacklo_epi8(pixels, zero);
    const __m128i high = _mm_unpackhi_epi8(pixels, zero);
    return {channel<TowardZero>(low, high, blue_), channel<TowardZero>(low, high, green_),
            channel<TowardZero>(low, high, red_)};
  }
  static __m128i coefficients(const FixedColorMatrix& m, int32_t j) {
    const auto k = [&](int32_t i) { return static_cast<int16_t>(m.at(i, j)); };
    return _mm_setr_epi16(k(2), k(1), k(0), 0, k(2), k(1), k(0), 0);
  }
  template <bool TowardZero>
  static __m128i channel(__m128i low, __m128i high, __m128i k) {
    const __m128 a = _mm_castsi128_ps(_mm_madd_epi16(low, k));
    const __m128 b = _mm_castsi128_ps(_mm_madd_epi16(high, k));
    const __m128i sums =
        _mm_add_epi32(_mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0))),
                      _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1))));
    if constexpr (TowardZero) {
      const __m128i correction = _mm_and_si128(_mm_srai_epi32(sums, 31), _mm_set1_epi32(1023));
      return _mm_srai_epi32(_mm_add_epi32(sums, correction), 10);
    } else {
      return _mm_srai_epi32(sums, 10);
    }
  }

  __m128i blue_, green_, red_;
};

// The selected part of a row of `Bytes`-byte pixels: groups of four through
// SSE2, the rest through the portable rule. A 24-bit group is read as 16
// bytes, so it goes through SSE2 only while two more pixels of the span
// follow it, and is written as its 12 bytes.
template <int32_t Bytes>
void narrowMatrixSpan(const uint8_t* from, uint8_t* to, int32_t count,
                      const NarrowMatrixSse2& vector, const FixedColorMatrix& matrix) {
  int32_t x = 0;
  if constexpr (Bytes == 4) {
    for (; x + 4 <= count; x += 4, from += 16, to += 16) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to),
                       vector.apply(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from))));
    }
  } else {
    for (; x + 6 <= count; x += 4, from += 12, to += 12) {
      sse2::storeBgr24(to, vector.apply(sse2::loadBgr24(from)));
    }
  }
  using Access = Fixed<Bytes == 4 ? F::Bgrx32 : F::Bgr24>;
  const PixelView none;
  for (; x < count; ++x, from += Bytes, to += Bytes) {
    const Products a = multiply<int32_t>(matrix, fetch(Access{}, none, from));
    store(Access{}, none, to, clampedPixel(a.red, a.green, a.blue));
  }
}

// The 32- and 24-bit loops: rows and the parts of rows outside the selection
// copied bytewise (which is what the pixel walk copies at these depths), the
// selected parts through narrowMatrixSpan when the matrix is narrow.
template <PixelFormat Format>
void matrixOnSelectionSse2(const PixelView& source, const PixelView& target,
                           const Selection& selection, const FixedColorMatrix& matrix) {
  using Access = Fixed<Format>;
  if (!fitsNarrowSums(matrix)) {
    matrixOnSelectionAs<int64_t, Access, Access>(source, target, selection, matrix);
    return;
  }
  constexpr int32_t kBytes = storedBytesOf<Format>();
  const NarrowMatrixSse2 vector(matrix);
  const RowSpan span = spanWithin(selection, source.width, source.height);
  const auto bytes = [](int32_t pixels) { return static_cast<size_t>(pixels) * kBytes; };
  for (int32_t y = 0; y < source.height; ++y) {
    const uint8_t* from = source.row(y);
    uint8_t* to = target.row(y);
    if (span.empty() || !span.containsRow(y)) {
      std::memcpy(to, from, bytes(source.width));
      continue;
    }
    std::memcpy(to, from, bytes(span.left));
    narrowMatrixSpan<kBytes>(from + bytes(span.left), to + bytes(span.left),
                             span.right - span.left + 1, vector, matrix);
    std::memcpy(to + bytes(span.right + 1), from + bytes(span.right + 1),
                bytes(source.width - span.right - 1));
  }
}
// The 32- and 24-bit mask loops, for the narrow matrices.
template <PixelFormat Format, PixelFormat MaskFormat>
void matrixByMaskSse2(const PixelView& source, const PixelView& mask, const PixelView& target,
                      const FixedColorMatrix& matrix) {
  using Access = Fixed<Format>;
  if (!fitsNarrowSums(matrix)) {
    blendByMask<Access, Fixed<MaskFormat>, Access>(
        source, mask, target, MatrixBlend<int64_t>{matrix}, CopyRule::Converted);
    return;
  }
  const NarrowMatrixSse2 vector(matrix);
  sse2::blendRowsByMask<Format, MaskFormat>(
      source, mask, target,
      [&](__m128i pixels) {
        const NarrowMatrixSse2::Products a = vector.products(pixels);
        return sse2::ChannelLanes{a.blue, a.green, a.red};
      },
      MatrixBlend<int32_t>{matrix});
}
#endif

constexpr FastPathTable<ColorMatrixSelectionLoop, kColorMatrixSelectionFastLoops> kSelectionLoops =
    {
        {{
#if TVQ_SSE2_AVAILABLE
            {"32-bit, SSE2", F::Bgrx32, FormatSet::any(), F::Bgrx32,
             matrixOnSelectionSse2<F::Bgrx32>},
            {"24-bit, SSE2", F::Bgr24, FormatSet::any(), F::Bgr24, matrixOnSelectionSse2<F::Bgr24>},
#endif
            {"32-bit", F::Bgrx32, FormatSet::any(), F::Bgrx32,
             matrixOnSelection<Fixed<F::Bgrx32>, Fixed<F::Bgrx32>>},
            {"24-bit", F::Bgr24, FormatSet::any(), F::Bgr24,
             matrixOnSelection<Fixed<F::Bgr24>, Fixed<F::Bgr24>>},
            {"16-bit", F::Rgb555, FormatSet::any(), F::Rgb555,
             matrixOnSelection<Fixed<F::Rgb555>, Fixed<F::Rgb555>>},
        }},
        matrixOnSelection<PerPixel, PerPixel>,
};

constexpr FastPathTable<ColorMatrixMaskLoop, kColorMatrixMaskFastLoops> kMaskLoops = {
    {{
#if TVQ_SSE2_AVAILABLE
        {"32-bit, 8-bit mask, SSE2", F::Bgrx32, F::Indexed8, F::Bgrx32,
         matrixByMaskSse2<F::Bgrx32, F::Indexed8>},
        {"32-bit, 32-bit mask, SSE2", F::Bgrx32, F::Bgrx32, F::Bgrx32,
         matrixByMaskSse2<F::Bgrx32, F::Bgrx32>},
        {"24-bit, 8-bit mask, SSE2", F::Bgr24, F::Indexed8, F::Bgr24,
         matrixByMaskSse2<F::Bgr24, F::Indexed8>},
        {"24-bit, 24-bit mask, SSE2", F::Bgr24, F::Bgr24, F::Bgr24,
         matrixByMaskSse2<F::Bgr24, F::Bgr24>},
#endif
        {"32-bit, 8-bit mask", F::Bgrx32, F::Indexed8, F::Bgrx32,
         matrixByMask<Fixed<F::Bgrx32>, Fixed<F::Indexed8>, Fixed<F::Bgrx32>>},
        {"32-bit, 32-bit mask", F::Bgrx32, F::Bgrx32, F::Bgrx32,
         matrixByMask<Fixed<F::Bgrx32>, Fixed<F::Bgrx32>, Fixed<F::Bgrx32>>},
        {"24-bit, 8-bit mask", F::Bgr24, F::Indexed8, F::Bgr24,
         matrixByMask<Fixed<F::Bgr24>, Fixed<F::Indexed8>, Fixed<F::Bgr24>>},
        {"24-bit, 24-bit mask", F::Bgr24, F::Bgr24, F::Bgr24,
         matrixByMask<Fixed<F::Bgr24>, Fixed<F::Bgr24>, Fixed<F::Bgr24>>},
        {"16-bit, 16-bit mask", F::Rgb555, F::Rgb555, F::Rgb555,
         matrixByMask<Fixed<F::Rgb555>, Fixed<F::Rgb555>, Fixed<F::Rgb555>>},
    }},
    matrixByMask<PerPixel, PerPixel, PerPixel>,
};

// Code 23 names a nil matrix whatever else is nil: it is checked before the
// shape's own nil checks, which would report the source or mask.
const ColorMatrixData* matrixArgument(RbObject cm) {
  const ColorMatrixData* m = colorMatrixData(cm);
  if (m == nullptr) setLastError(ErrorCode::ColorMatrixNil);
  return m;
}

}  // namespace

FixedColorMatrix FixedColorMatrix::from(const ColorMatrixData& m) {
  FixedColorMatrix fixed;
  for (size_t i = 0; i < 9; ++i) fixed.k[i] = toFixed22_10(m.element[i]);
  return fixed;
}

const FastPathTable<ColorMatrixSelectionLoop, kColorMatrixSelectionFastLoops>&
colorMatrixSelectionLoops() {
  return kSelectionLoops;
}
const FastPathTable<ColorMatrixMaskLoop, kColorMatrixMaskFastLoops>& colorMatrixMaskLoops() {
  return kMaskLoops;
}

void applyColorMatrix(const PixelView& source, const PixelView& target, const Selection& selection,
                      const FixedColorMatrix& matrix) {
  kSelectionLoops.choose({source.format, source.format, target.format}, sameShape(source, target))(
      source, target, selection, matrix);
}

void applyColorMatrixByMask(const PixelView& source, const PixelView& mask, const PixelView& target,
                            const FixedColorMatrix& matrix) {
  kMaskLoops.choose({source.format, mask.format, target.format},
                    sameShape(source, mask) && sameShape(source, target))(source, mask, target,
                                                                          matrix);
}

RbPicture adjustRgbByMatrixMethod(RbPicture source, RbObject rect, RbObject cm) {
  const ColorMatrixData* m = matrixArgument(cm);
  if (m == nullptr) return nullptr;
  const FixedColorMatrix matrix = FixedColorMatrix::from(*m);
  return adjustSelection(source, rect, kNoChecks,
                         [&](const PixelView& in, const PixelView& out, const Selection& s) {
                           applyColorMatrix(in, out, s, matrix);
                         });
}

RbPicture adjustRgbByMatrixWithMaskMethod(RbPicture source, RbPicture mask, RbObject cm) {
  const ColorMatrixData* m = matrixArgument(cm);
  if (m == nullptr) return nullptr;
  const FixedColorMatrix matrix = FixedColorMatrix::from(*m);
  return adjustByMask(source, mask, kNoChecks,
                      [&](const PixelView& in, const PixelView& levels, const PixelView& out) {
                        applyColorMatrixByMask(in, levels, out, matrix);
                      });
}

}  // namespace tvq
