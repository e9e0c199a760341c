#include "graphics/frame/blend_rows_avx512.h"

#include "graphics/frame/processor_features.h"

namespace tvq {

#ifdef TVQ_HAVE_AVX512_ROWS
namespace {

TVQ_AVX512_TARGET inline __m512i mix16(__m512i x, __m512i wx, __m512i y, __m512i wy) {
  return _mm512_srli_epi16(_mm512_add_epi16(_mm512_mullo_epi16(x, wx), _mm512_mullo_epi16(y, wy)),
                           8);
}

TVQ_AVX512_TARGET inline __m512i kept(bool clearFourth) {
  return _mm512_set1_epi32(clearFourth ? 0x00FFFFFF : -1);
}

}  // namespace

TVQ_AVX512_TARGET size_t blendByteRowAvx512(const uint8_t* over, const uint8_t* source,
                                            uint8_t* out, size_t bytes, uint32_t w,
                                            bool clearFourth) {
  const __m512i zero = _mm512_setzero_si512();
  const __m512i wo = _mm512_set1_epi16(static_cast<int16_t>(w));
  const __m512i ws = _mm512_set1_epi16(static_cast<int16_t>(256 - w));
  const __m512i keep = kept(clearFourth);
  size_t i = 0;
  for (; i + 64 <= bytes; i += 64) {
    const __m512i o = _mm512_loadu_si512(over + i), s = _mm512_loadu_si512(source + i);
    // Unpacking and packing both work within 128-bit lanes, so the bytes
    // come back in their order.
    const __m512i low = mix16(_mm512_unpacklo_epi8(o, zero), wo, _mm512_unpacklo_epi8(s, zero), ws);
    const __m512i high =
        mix16(_mm512_unpackhi_epi8(o, zero), wo, _mm512_unpackhi_epi8(s, zero), ws);
    _mm512_storeu_si512(out + i, _mm512_and_si512(_mm512_packus_epi16(low, high), keep));
  }
  return i;
}

TVQ_AVX512_TARGET size_t transitionByteRowAvx512(const uint8_t* source, const uint8_t* a,
                                                 const uint8_t* b, uint8_t* out, size_t bytes,
                                                 uint32_t wa, uint32_t wb, bool clearFourth) {
  const __m512i zero = _mm512_setzero_si512();
  const __m512i va = _mm512_set1_epi16(static_cast<int16_t>(wa));
  const __m512i vb = _mm512_set1_epi16(static_cast<int16_t>(wb));
  const __m512i keep = kept(clearFourth);
  size_t i = 0;
  for (; i + 64 <= bytes; i += 64) {
    const __m512i s = _mm512_loadu_si512(source + i), pa = _mm512_loadu_si512(a + i),
                  pb = _mm512_loadu_si512(b + i);
    __m512i halves[2];
    for (int h = 0; h < 2; ++h) {
      const __m512i sh = h == 0 ? _mm512_unpacklo_epi8(s, zero) : _mm512_unpackhi_epi8(s, zero);
      const __m512i ah = h == 0 ? _mm512_unpacklo_epi8(pa, zero) : _mm512_unpackhi_epi8(pa, zero);
      const __m512i bh = h == 0 ? _mm512_unpacklo_epi8(pb, zero) : _mm512_unpackhi_epi8(pb, zero);
      halves[h] = mix16(mix16(sh, vb, ah, va), va, mix16(sh, va, bh, vb), vb);
    }
    _mm512_storeu_si512(out + i, _mm512_and_si512(_mm512_packus_epi16(halves[0], halves[1]), keep));
  }
  return i;
}

#else

size_t blendByteRowAvx512(const uint8_t*, const uint8_t*, uint8_t*, size_t, uint32_t, bool) {
  return 0;
}
size_t transitionByteRowAvx512(const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, size_t,
                               uint32_t, uint32_t, bool) {
  return 0;
}

#endif

}  // namespace tvq
