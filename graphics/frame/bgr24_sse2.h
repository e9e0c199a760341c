// Four packed 24-bit pixels in an SSE2 register, as four 32-bit words and
// back, for vector loops over 24-bit rows.
#ifndef TVQ_FRAME_BGR24_SSE2_H
#define TVQ_FRAME_BGR24_SSE2_H

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

namespace tvq::sse2 {

// Word i of v, the others 0.
inline __m128i word(__m128i v, int32_t i) {
  return _mm_and_si128(
      v, _mm_setr_epi32(i == 0 ? -1 : 0, i == 1 ? -1 : 0, i == 2 ? -1 : 0, i == 3 ? -1 : 0));
}

// The low 12 bytes (four B, G, R pixels) to four words; the fourth byte of
// each word is the next pixel's first byte, which callers ignore.
inline __m128i spreadBgr24(__m128i v) {
  return _mm_or_si128(_mm_or_si128(word(v, 0), word(_mm_slli_si128(v, 1), 1)),
                      _mm_or_si128(word(_mm_slli_si128(v, 2), 2), word(_mm_slli_si128(v, 3), 3)));
}

// Four words whose fourth byte is 0 to their 12 packed bytes (the low 12).
inline __m128i packBgr24(__m128i w) {
  return _mm_or_si128(_mm_or_si128(word(w, 0), _mm_srli_si128(word(w, 1), 1)),
                      _mm_or_si128(_mm_srli_si128(word(w, 2), 2), _mm_srli_si128(word(w, 3), 3)));
}

// Reads 16 bytes: callers keep two more pixels of the row after the four.
inline __m128i loadBgr24(const uint8_t* from) {
  return spreadBgr24(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from)));
}

// Writes the four pixels' 12 bytes only.
inline void storeBgr24(uint8_t* to, __m128i words) {
  const __m128i packed = packBgr24(words);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(to), packed);
  const int32_t last = _mm_cvtsi128_si32(_mm_srli_si128(packed, 8));
  std::memcpy(to + 8, &last, 4);
}

}  // namespace tvq::sse2

#endif
