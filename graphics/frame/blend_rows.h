// Rows of 24- or 32-bit pixels blended byte by byte with weights out of 256,
// for the fast loops of the overlay kernels: a blue, green or red byte is a
// channel, so the per-channel rule applied to every byte gives the per-pixel
// result exactly. Every intermediate sum is at most 255 × 256, so 16-bit lanes
// hold it. With `clearFourth` the bytes are 32-bit pixels from a pixel's
// first byte, and every fourth byte is written as 0.
#ifndef TVQ_FRAME_BLEND_ROWS_H
#define TVQ_FRAME_BLEND_ROWS_H

#include <cstddef>
#include <cstdint>

#include "graphics/frame/sse2_available.h"

#if TVQ_SSE2_AVAILABLE
#include <emmintrin.h>
#endif

namespace tvq {

namespace blend_rows_detail {

inline uint8_t clearedAt(size_t i, uint8_t v, bool clearFourth) {
  return clearFourth && i % 4 == 3 ? 0 : v;
}

#if TVQ_SSE2_AVAILABLE
inline __m128i load(const uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void save(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
// (x × wx + y × wy) >> 8 in 16-bit lanes, for sums below 65536.
inline __m128i mix16(__m128i x, __m128i wx, __m128i y, __m128i wy) {
  return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(x, wx), _mm_mullo_epi16(y, wy)), 8);
}
inline __m128i fourthBytesCleared(bool clearFourth) {
  return _mm_set1_epi32(clearFourth ? 0x00FFFFFF : -1);
}
#endif

}  // namespace blend_rows_detail

// out = (over × w + source × (256 - w)) >> 8, w in 0..256.
inline void blendByteRow(const uint8_t* over, const uint8_t* source, uint8_t* out, size_t bytes,
                         uint32_t w, bool clearFourth) {
  using namespace blend_rows_detail;
  size_t i = 0;
#if TVQ_SSE2_AVAILABLE
  const __m128i zero = _mm_setzero_si128();
  const __m128i wo = _mm_set1_epi16(static_cast<int16_t>(w));
  const __m128i ws = _mm_set1_epi16(static_cast<int16_t>(256 - w));
  const __m128i keep = fourthBytesCleared(clearFourth);
  for (; i + 16 <= bytes; i += 16) {
    const __m128i o = load(over + i), s = load(source + i);
    const __m128i low = mix16(_mm_unpacklo_epi8(o, zero), wo, _mm_unpacklo_epi8(s, zero), ws);
    const __m128i high = mix16(_mm_unpackhi_epi8(o, zero), wo, _mm_unpackhi_epi8(s, zero), ws);
    save(out + i, _mm_and_si128(_mm_packus_epi16(low, high), keep));
  }
#endif
  for (; i < bytes; ++i) {
    const auto v = static_cast<uint8_t>((over[i] * w + source[i] * (256 - w)) >> 8);
    out[i] = clearedAt(i, v, clearFourth);
  }
}

// The transition's three mixes: m1 = (s × B + a × A) >> 8,
// m2 = (s × A + b × B) >> 8, out = (A × m1 + B × m2) >> 8, with A + B <= 256.
inline void transitionByteRow(const uint8_t* source, const uint8_t* a, const uint8_t* b,
                              uint8_t* out, size_t bytes, uint32_t wa, uint32_t wb,
                              bool clearFourth) {
  using namespace blend_rows_detail;
  size_t i = 0;
#if TVQ_SSE2_AVAILABLE
  const __m128i zero = _mm_setzero_si128();
  const __m128i va = _mm_set1_epi16(static_cast<int16_t>(wa));
  const __m128i vb = _mm_set1_epi16(static_cast<int16_t>(wb));
  const __m128i keep = fourthBytesCleared(clearFourth);
  auto half = [&](__m128i s, __m128i pa, __m128i pb) {
    const __m128i m1 = mix16(s, vb, pa, va);
    const __m128i m2 = mix16(s, va, pb, vb);
    return mix16(m1, va, m2, vb);
  };
  for (; i + 16 <= bytes; i += 16) {
    const __m128i s = load(source + i), pa = load(a + i), pb = load(b + i);
    const __m128i low =
        half(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(pa, zero), _mm_unpacklo_epi8(pb, zero));
    const __m128i high =
        half(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(pa, zero), _mm_unpackhi_epi8(pb, zero));
    save(out + i, _mm_and_si128(_mm_packus_epi16(low, high), keep));
  }
#endif
  for (; i < bytes; ++i) {
    const uint32_t m1 = (source[i] * wb + a[i] * wa) >> 8;
    const uint32_t m2 = (source[i] * wa + b[i] * wb) >> 8;
    out[i] = clearedAt(i, static_cast<uint8_t>((wa * m1 + wb * m2) >> 8), clearFourth);
  }
}

}  // namespace tvq

#endif
