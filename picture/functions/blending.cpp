#include "picture/functions/blending.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <optional>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "picture/frame/bgra32.h"
#include "picture/frame/picture_operation.h"
#include "picture/frame/pixel_words.h"

namespace zrw {
namespace {

// truncate(fraction x 1024) as a 32-bit weight, limited to that range.
std::optional<int32_t> weightOf(double fraction) {
  if (std::isnan(fraction)) return std::nullopt;
  const double scaled = std::trunc(fraction * 1024.0);
  if (scaled >= 2147483647.0) return INT32_MAX;
  if (scaled <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(scaled);
}

// The channel at `shift` of a pixel value.
uint32_t channel(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFFu; }

// x / 255 for 0 <= x <= 255 x 255, and x / 3 for 0 <= x <= 3 x 255, without
// a division, so the pixel loops vectorise.
uint32_t dividedBy255(uint32_t x) { return (x + 1 + (x >> 8)) >> 8; }
uint32_t dividedBy3(uint32_t x) { return (x * 683) >> 11; }

// The columns of `rows` from x on.
template <typename Byte>
PixelRows<Byte> columnsFrom(PixelRows<Byte> rows, int32_t x) {
  return {rows.first + 4 * static_cast<ptrdiff_t>(x), rows.stride, rows.width - x, rows.height};
}

#if defined(__SSE2__)
// x / 3 for 0 <= x <= 3 x 255 as the high half of a 16-bit product.
constexpr uint32_t kThirdIn16Bits = 21846;
constexpr bool thirdIn16BitsIsExact() {
  for (uint32_t x = 0; x <= 3 * 255; ++x)
    if (((x * kThirdIn16Bits) >> 16) != x / 3) return false;
  return true;
}
static_assert(thirdIn16BitsIsExact());
// dividedBy255 stays within 16 bits over its whole range.
static_assert(255 * 255 + 1 + ((255 * 255) >> 8) <= 0xFFFF);

// Four pixels of two rows, weighted: each channel pair (s, d) is multiplied
// and added in one step into 32 bits, which cannot wrap for weights of 16
// signed bits; the quotient by 1024 is truncated toward zero.
// The fourth byte's lanes are weighted by 0, so they come out 0. The
// quotients lie within 16 signed bits; their low bytes are kept after the
// narrowing. With no negative weight no sum is negative and the quotient is
// a plain shift.
template <bool kNegativeWeights>
void blendRowsSse2(SourceRows source, int32_t ws, SourceRows dest, int32_t wd, ResultRows result) {
  const int32_t pair = static_cast<int32_t>(
      (static_cast<uint32_t>(static_cast<uint16_t>(wd)) << 16) | static_cast<uint16_t>(ws));
  const __m128i weights = _mm_set_epi32(0, pair, pair, pair);
  const __m128i zero = _mm_setzero_si128(), low = _mm_set1_epi16(0xFF),
                roundUp = _mm_set1_epi32(1023);
  const auto quotient = [&](__m128i sum) {
    if constexpr (kNegativeWeights)
      sum = _mm_add_epi32(sum, _mm_and_si128(_mm_srai_epi32(sum, 31), roundUp));
    return _mm_srai_epi32(sum, 10);
  };
  const auto twoPixels = [&](__m128i s16, __m128i d16) {
    const __m128i first = quotient(_mm_madd_epi16(_mm_unpacklo_epi16(s16, d16), weights));
    const __m128i second = quotient(_mm_madd_epi16(_mm_unpackhi_epi16(s16, d16), weights));
    return _mm_and_si128(_mm_packs_epi32(first, second), low);
  };
  const auto ows = static_cast<uint32_t>(ws), owd = static_cast<uint32_t>(wd);
  for (int32_t y = 0; y < result.height; ++y) {
    const uint8_t* a = source.row(y);
    const uint8_t* b = dest.row(y);
    uint8_t* out = result.row(y);
    int32_t x = 0;
    for (; x + 4 <= result.width; x += 4, a += 16, b += 16, out += 16) {
      const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
      const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
      const __m128i lo = twoPixels(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero));
      const __m128i hi = twoPixels(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(lo, hi));
    }
    for (; x < result.width; ++x, a += 4, b += 4, out += 4) {
      const uint32_t s = pixel_words::load(a), d = pixel_words::load(b);
      uint32_t value = 0;
      for (int shift = 0; shift < 24; shift += 8) {
        const auto sum = static_cast<int32_t>(channel(s, shift) * ows + channel(d, shift) * owd);
        value |= (static_cast<uint32_t>(sum / 1024) & 0xFFu) << shift;
      }
      pixel_words::store(out, value);
    }
  }
}

// Two pixels at a time in 16-bit lanes: every product and sum is below
// 2^16, the mask level is spread over its pixel's four lanes.
__m128i maskMixSse2(__m128i s16, __m128i d16, __m128i m16) {
  const auto spread = [](__m128i v, auto lane) {
    constexpr int order = lane() * 0x55;
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, order), order);
  };
  const __m128i sum = _mm_add_epi16(_mm_add_epi16(spread(m16, std::integral_constant<int, 0>{}),
                                                  spread(m16, std::integral_constant<int, 1>{})),
                                    spread(m16, std::integral_constant<int, 2>{}));
  const __m128i level = _mm_mulhi_epu16(sum, _mm_set1_epi16(static_cast<int16_t>(kThirdIn16Bits)));
  const __m128i rest = _mm_sub_epi16(_mm_set1_epi16(255), level);
  const __m128i x = _mm_add_epi16(_mm_mullo_epi16(s16, rest), _mm_mullo_epi16(d16, level));
  return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(x, _mm_set1_epi16(1)), _mm_srli_epi16(x, 8)),
                        8);
}
#endif

}  // namespace

void blendRows(SourceRows source, int32_t sourceWeight, SourceRows dest, int32_t destWeight,
               ResultRows result, KernelPath path) {
#if defined(__SSE2__)
  const auto fits16 = [](int32_t w) { return w >= INT16_MIN && w <= INT16_MAX; };
  if (path == KernelPath::Fast && fits16(sourceWeight) && fits16(destWeight))
    return sourceWeight >= 0 && destWeight >= 0
               ? blendRowsSse2<false>(source, sourceWeight, dest, destWeight, result)
               : blendRowsSse2<true>(source, sourceWeight, dest, destWeight, result);
#else
  (void)path;
#endif
  const auto ws = static_cast<uint32_t>(sourceWeight), wd = static_cast<uint32_t>(destWeight);
  // The weighted sum wraps as a 32-bit integer; the quotient is truncated
  // toward zero and its low byte kept.
  const auto weighted = [ws, wd](uint32_t s, uint32_t d, int shift) {
    const auto sum = static_cast<int32_t>(channel(s, shift) * ws + channel(d, shift) * wd);
    return (static_cast<uint32_t>(sum / 1024) & 0xFFu) << shift;
  };
  mapPixelValues(source, dest, result, [&weighted](uint32_t s, uint32_t d) {
    return weighted(s, d, 16) | weighted(s, d, 8) | weighted(s, d, 0);
  });
}

void blendRowsWithMask(SourceRows source, SourceRows dest, SourceRows mask, ResultRows result,
                       KernelPath path) {
  int32_t done = 0;  // pixels of every row made by the fast loop
#if defined(__SSE2__)
  if (path == KernelPath::Fast) {
    done = result.width & ~3;
    const __m128i zero = _mm_setzero_si128(), noFourth = _mm_set1_epi32(0x00FFFFFF);
    for (int32_t y = 0; y < result.height; ++y) {
      const uint8_t* a = source.row(y);
      const uint8_t* b = dest.row(y);
      const uint8_t* c = mask.row(y);
      uint8_t* out = result.row(y);
      for (int32_t x = 0; x < done; x += 4, a += 16, b += 16, c += 16, out += 16) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
        const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c));
        const __m128i lo = maskMixSse2(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero),
                                       _mm_unpacklo_epi8(m, zero));
        const __m128i hi = maskMixSse2(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero),
                                       _mm_unpackhi_epi8(m, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                         _mm_and_si128(_mm_packus_epi16(lo, hi), noFourth));
      }
    }
  }
#else
  (void)path;
#endif
  if (done == result.width) return;
  mapPixelValues(
      columnsFrom(source, done), columnsFrom(dest, done), columnsFrom(mask, done),
      columnsFrom(result, done), [](uint32_t s, uint32_t d, uint32_t m) {
        const uint32_t level = dividedBy3(channel(m, 16) + channel(m, 8) + channel(m, 0));
        const auto mixed = [level, s, d](int shift) {
          return dividedBy255(channel(s, shift) * (255 - level) + channel(d, shift) * level)
                 << shift;
        };
        return mixed(16) | mixed(8) | mixed(0);
      });
}

void combineRows(SourceRows red, SourceRows blue, SourceRows green, ResultRows result) {
  mapPixelValues(red, blue, green, result, [](uint32_t r, uint32_t b, uint32_t g) {
    return (r & 0x00FF0000u) | (g & 0x0000FF00u) | (b & 0x000000FFu);
  });
}

RbPicture blendPictures(RbPicture source, double sourceFraction, RbPicture dest,
                        double destFraction) {
  const std::optional<int32_t> ws = weightOf(sourceFraction);
  const std::optional<int32_t> wd = weightOf(destFraction);
  if (!ws || !wd) return nullptr;
  return fromSameSizeSources(std::array{source, dest}, [&](const auto& in, ResultRows out) {
    blendRows(in[0], *ws, in[1], *wd, out, kernelPath());
  });
}

RbPicture blendPicturesWithMask(RbPicture source, RbPicture dest, RbPicture mask) {
  return fromSameSizeSources(std::array{source, dest, mask}, [](const auto& in, ResultRows out) {
    blendRowsWithMask(in[0], in[1], in[2], out, kernelPath());
  });
}

RbPicture combinePictures(RbPicture red, RbPicture blue, RbPicture green) {
  return fromSameSizeSources(std::array{red, blue, green}, [](const auto& in, ResultRows out) {
    combineRows(in[0], in[1], in[2], out);
  });
}

}  // namespace zrw
