#include "graphics/frame/curve_rows_avx512.h"

#include "graphics/frame/processor_features.h"

namespace tvq {

#ifdef TVQ_HAVE_AVX512_ROWS

namespace {

// A 256-entry byte table in four registers.
struct ByteTable {
  __m512i part[4];
};

TVQ_AVX512_TARGET inline ByteTable loadTable(const uint8_t* table) {
  return {{_mm512_loadu_si512(table), _mm512_loadu_si512(table + 64),
           _mm512_loadu_si512(table + 128), _mm512_loadu_si512(table + 192)}};
}

// table[b] for each byte b of `bytes`: the low seven bits pick from the
// lower or upper half, the top bit picks the half.
TVQ_AVX512_TARGET inline __m512i lookUp(const ByteTable& t, __m512i bytes) {
  const __m512i low = _mm512_permutex2var_epi8(t.part[0], bytes, t.part[1]);
  const __m512i high = _mm512_permutex2var_epi8(t.part[2], bytes, t.part[3]);
  return _mm512_mask_blend_epi8(_mm512_movepi8_mask(bytes), low, high);
}

// Bytes of channel c (0 blue, 1 green, 2 red) in 64 bytes that start at
// byte `phase` of a repeating pattern of `period` bytes.
constexpr __mmask64 lanesOf(int channel, int period, int phase) {
  __mmask64 m = 0;
  for (int j = 0; j < 64; ++j) {
    if ((phase + j) % period == channel) m |= __mmask64{1} << j;
  }
  return m;
}

struct ChannelTables {
  ByteTable blue, green, red;
};

TVQ_AVX512_TARGET inline __m512i lookUpChannels(const ChannelTables& t, __m512i bytes,
                                                __mmask64 blueLanes, __mmask64 greenLanes,
                                                __mmask64 redLanes) {
  __m512i out = _mm512_maskz_mov_epi8(blueLanes, lookUp(t.blue, bytes));
  out = _mm512_mask_mov_epi8(out, greenLanes, lookUp(t.green, bytes));
  return _mm512_mask_mov_epi8(out, redLanes, lookUp(t.red, bytes));
}

}  // namespace

TVQ_AVX512_TARGET int32_t curveRowsBgrx32Avx512(const uint8_t* from, uint8_t* to, int32_t count,
                                                const ClampedCurves& curves) {
  const ChannelTables t{loadTable(curves.blue.data()), loadTable(curves.green.data()),
                        loadTable(curves.red.data())};
  // The fourth byte of every changed pixel is 0: no lane keeps it.
  constexpr __mmask64 blue = lanesOf(0, 4, 0), green = lanesOf(1, 4, 0), red = lanesOf(2, 4, 0);
  int32_t done = 0;
  for (; done + 16 <= count; done += 16, from += 64, to += 64) {
    _mm512_storeu_si512(to, lookUpChannels(t, _mm512_loadu_si512(from), blue, green, red));
  }
  return done;
}

TVQ_AVX512_TARGET int32_t curveRowsBgr24Avx512(const uint8_t* from, uint8_t* to, int32_t count,
                                               const ClampedCurves& curves) {
  const ChannelTables t{loadTable(curves.blue.data()), loadTable(curves.green.data()),
                        loadTable(curves.red.data())};
  // 64 pixels are 192 bytes, three registers; each starts at its own phase
  // of the blue, green, red pattern.
  constexpr __mmask64 blue0 = lanesOf(0, 3, 0), green0 = lanesOf(1, 3, 0), red0 = lanesOf(2, 3, 0);
  constexpr __mmask64 blue1 = lanesOf(0, 3, 1), green1 = lanesOf(1, 3, 1), red1 = lanesOf(2, 3, 1);
  constexpr __mmask64 blue2 = lanesOf(0, 3, 2), green2 = lanesOf(1, 3, 2), red2 = lanesOf(2, 3, 2);
  int32_t done = 0;
  for (; done + 64 <= count; done += 64, from += 192, to += 192) {
    _mm512_storeu_si512(to, lookUpChannels(t, _mm512_loadu_si512(from), blue0, green0, red0));
    _mm512_storeu_si512(to + 64,
                        lookUpChannels(t, _mm512_loadu_si512(from + 64), blue1, green1, red1));
    _mm512_storeu_si512(to + 128,
                        lookUpChannels(t, _mm512_loadu_si512(from + 128), blue2, green2, red2));
  }
  return done;
}

TVQ_AVX512_TARGET int32_t curveRowsRgb555Avx512(const uint8_t* from, uint8_t* to, int32_t count,
                                                const ClampedCurves& curves) {
  // Each 5-bit field picks one of 32 words; the word permute reads only the
  // low five bits of each index.
  const __m512i blue = _mm512_loadu_si512(curves.blue555.data());
  const __m512i green = _mm512_loadu_si512(curves.green555.data());
  const __m512i red = _mm512_loadu_si512(curves.red555.data());
  int32_t done = 0;
  for (; done + 32 <= count; done += 32, from += 64, to += 64) {
    const __m512i w = _mm512_loadu_si512(from);
    const __m512i out =
        _mm512_or_si512(_mm512_or_si512(_mm512_permutexvar_epi16(w, blue),
                                        _mm512_permutexvar_epi16(_mm512_srli_epi16(w, 5), green)),
                        _mm512_permutexvar_epi16(_mm512_srli_epi16(w, 10), red));
    _mm512_storeu_si512(to, out);
  }
  return done;
}

#else

int32_t curveRowsBgrx32Avx512(const uint8_t*, uint8_t*, int32_t, const ClampedCurves&) { return 0; }
int32_t curveRowsBgr24Avx512(const uint8_t*, uint8_t*, int32_t, const ClampedCurves&) { return 0; }
int32_t curveRowsRgb555Avx512(const uint8_t*, uint8_t*, int32_t, const ClampedCurves&) { return 0; }

#endif

}  // namespace tvq
