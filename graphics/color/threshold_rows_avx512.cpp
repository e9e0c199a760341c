#include "graphics/color/threshold_rows_avx512.h"

#include "graphics/frame/processor_features.h"

namespace tvq {

#ifdef TVQ_HAVE_AVX512_ROWS

namespace {

// Every `period`-th bit from bit 0, in `count` groups.
constexpr uint64_t everyNth(int period, int count) {
  uint64_t bits = 0;
  for (int i = 0; i < count; ++i) bits |= uint64_t{1} << (period * i);
  return bits;
}

// The lanes whose channel comparisons pass, as a byte mask over whole
// pixels of `period` bytes (three channels, then any fourth byte).
inline uint64_t passingPixelBytes(uint64_t passes, bool allChannels, int period, int pixels) {
  const uint64_t joined = allChannels ? (passes & (passes >> 1) & (passes >> 2))
                                      : (passes | (passes >> 1) | (passes >> 2));
  const uint64_t first = joined & everyNth(period, pixels);
  uint64_t spread = first;
  for (int b = 1; b < period; ++b) spread |= first << b;
  return spread;
}

TVQ_AVX512_TARGET inline __mmask64 compare(__m512i v, __m512i threshold, bool darker) {
  return darker ? _mm512_cmple_epu8_mask(v, threshold) : _mm512_cmpge_epu8_mask(v, threshold);
}

// The bytes of a host colour at lanes blue, green, red repeating every
// `period` lanes (a fourth lane 0).
TVQ_AVX512_TARGET inline __m512i colourLanes(uint32_t color, int period) {
  alignas(64) uint8_t lanes[64];
  for (int j = 0; j < 64; ++j) {
    const int channel = j % period;
    lanes[j] = channel < 3 ? static_cast<uint8_t>(color >> (8 * channel)) : 0;
  }
  return _mm512_load_si512(lanes);
}

}  // namespace

TVQ_AVX512_TARGET int32_t thresholdRowsBgrx32Avx512(const uint8_t* from, uint8_t* to, int32_t count,
                                                    const ThresholdRule& rule) {
  const __m512i threshold = colourLanes(rule.threshold, 4);
  const __m512i target = colourLanes(rule.target, 4);
  int32_t done = 0;
  for (; done + 16 <= count; done += 16, from += 64, to += 64) {
    const __m512i v = _mm512_loadu_si512(from);
    const uint64_t replace =
        passingPixelBytes(compare(v, threshold, rule.darker), rule.allChannels, 4, 16);
    // A passing pixel takes all four bytes of the target (fourth byte 0); a
    // failing one keeps its own.
    _mm512_storeu_si512(to, _mm512_mask_mov_epi8(v, replace, target));
  }
  return done;
}

TVQ_AVX512_TARGET int32_t thresholdRowsBgr24Avx512(const uint8_t* from, uint8_t* to, int32_t count,
                                                   const ThresholdRule& rule) {
  // 21 pixels fill 63 of the 64 lanes, so every vector starts on a pixel.
  constexpr __mmask64 kLanes = (uint64_t{1} << 63) - 1;
  const __m512i threshold = colourLanes(rule.threshold, 3);
  const __m512i target = colourLanes(rule.target, 3);
  int32_t done = 0;
  for (; done + 21 <= count; done += 21, from += 63, to += 63) {
    const __m512i v = _mm512_maskz_loadu_epi8(kLanes, from);
    const uint64_t replace =
        passingPixelBytes(compare(v, threshold, rule.darker) & kLanes, rule.allChannels, 3, 21);
    _mm512_mask_storeu_epi8(to, kLanes, _mm512_mask_mov_epi8(v, replace, target));
  }
  return done;
}

#else

int32_t thresholdRowsBgrx32Avx512(const uint8_t*, uint8_t*, int32_t, const ThresholdRule&) {
  return 0;
}
int32_t thresholdRowsBgr24Avx512(const uint8_t*, uint8_t*, int32_t, const ThresholdRule&) {
  return 0;
}

#endif

}  // namespace tvq
