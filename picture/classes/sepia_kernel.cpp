#include "picture/classes/sepia_kernel.h"

#include <algorithm>
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "picture/classes/channel_arithmetic.h"
#include "picture/frame/bgra32.h"

namespace zrw {

int32_t sepiaWeight(double factor) { return int32FromDouble(factor * 1024.0); }

namespace {

// Every sum in `Sum`: int64_t holds them exactly for any weights.
template <typename Sum>
void toneRows(SourceRows in, ResultRows out, AreaBounds area, const SepiaTone& t) {
  const Sum wr = t.redWeight, wg = t.greenWeight, wb = t.blueWeight;
  for (int32_t y = area.top; y < area.bottom; ++y) {
    const uint8_t* source = bgra32::at(in.row(y), area.left);
    uint8_t* target = bgra32::at(out.row(y), area.left);
    for (int32_t x = area.left; x < area.right; ++x, source += 4, target += 4) {
      const int64_t luminance =
          (source[bgra32::kRed] * wr + source[bgra32::kGreen] * wg + source[bgra32::kBlue] * wb) /
          1024;
      bgra32::storeRgb(target, channelFromInteger(luminance + t.redTint),
                       channelFromInteger(luminance + t.greenTint),
                       channelFromInteger(luminance + t.blueTint));
    }
  }
}

// Weights of at most 2^15 - 1 in size: products of 16-bit values, sums
// below 2^25, which the compiler turns into 16-bit vector multiplies.
bool weightsFitInt16(const SepiaTone& t) {
  auto fits = [](int32_t w) { return w >= -32767 && w <= 32767; };
  return fits(t.redWeight) && fits(t.greenWeight) && fits(t.blueWeight);
}

// There |luminance| < 2^15, so a tint limited to +-2^22 gives the same
// channels and the whole pixel stays in 32-bit arithmetic.
int32_t limitedTint(int32_t tint) { return std::clamp(tint, -(1 << 22), 1 << 22); }

#if defined(__SSE2__)
// Four pixels at a time in SSE2, the Windows library's baseline: 16-bit
// channels times 16-bit weights summed in 32 bits (pmaddwd), the division
// truncated toward zero, the tints added in 32 bits, and the limits to
// 0..255 done by the saturating packs. The fourth byte gets a tint so low
// that it packs to 0. Columns left over go through the scalar loop.
void toneRows16(SourceRows in, ResultRows out, AreaBounds area, const SepiaTone& t) {
  const __m128i weights =
      _mm_setr_epi16(int16_t(t.blueWeight), int16_t(t.greenWeight), int16_t(t.redWeight), 0,
                     int16_t(t.blueWeight), int16_t(t.greenWeight), int16_t(t.redWeight), 0);
  const __m128i tints = _mm_setr_epi32(limitedTint(t.blueTint), limitedTint(t.greenTint),
                                       limitedTint(t.redTint), -(1 << 22));
  const __m128i zero = _mm_setzero_si128();
  const __m128i roundTowardZero = _mm_set1_epi32(1023);
  const int32_t count = area.right - area.left;
  const int32_t vectorCount = count & ~3;
  // The luminance of the two pixels of 16-bit channels `pair`, in lanes 0
  // and 2.
  auto luminance = [&](__m128i pair) {
    const __m128i products = _mm_madd_epi16(pair, weights);  // b*wb + g*wg, r*wr, ... per pixel
    const __m128i sums = _mm_add_epi32(products, _mm_shuffle_epi32(products, 0xB1));
    const __m128i bias = _mm_and_si128(_mm_srai_epi32(sums, 31), roundTowardZero);
    return _mm_srai_epi32(_mm_add_epi32(sums, bias), 10);
  };
  auto tinted = [&](__m128i l, int lane) {
    const __m128i spread = lane == 0 ? _mm_shuffle_epi32(l, 0x00) : _mm_shuffle_epi32(l, 0xAA);
    return _mm_add_epi32(spread, tints);
  };
  for (int32_t y = area.top; y < area.bottom; ++y) {
    const uint8_t* source = bgra32::at(in.row(y), area.left);
    uint8_t* target = bgra32::at(out.row(y), area.left);
    for (int32_t x = 0; x < vectorCount; x += 4) {
      const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 4 * x));
      const __m128i first = luminance(_mm_unpacklo_epi8(pixels, zero));
      const __m128i second = luminance(_mm_unpackhi_epi8(pixels, zero));
      const __m128i low = _mm_packs_epi32(tinted(first, 0), tinted(first, 2));
      const __m128i high = _mm_packs_epi32(tinted(second, 0), tinted(second, 2));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 4 * x), _mm_packus_epi16(low, high));
    }
  }
  if (vectorCount < count)
    toneRows<int32_t>(in, out, {area.left + vectorCount, area.top, area.right, area.bottom}, t);
}
#else
void toneRows16(SourceRows in, ResultRows out, AreaBounds area, const SepiaTone& t) {
  toneRows<int32_t>(in, out, area, t);
}
#endif

}  // namespace

void toneSepia(SourceRows in, ResultRows out, AreaBounds area, const SepiaTone& tone,
               KernelPath path) {
  if (area.empty()) return;
  if (path == KernelPath::Fast && weightsFitInt16(tone))
    toneRows16(in, out, area, tone);
  else
    toneRows<int64_t>(in, out, area, tone);
}

}  // namespace zrw
