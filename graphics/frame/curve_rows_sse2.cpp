#include "graphics/frame/curve_rows_sse2.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tvq {

#if defined(__SSE2__)

namespace {

// clamp(c + d) for every byte: a saturating add of max(d, 0), then a
// saturating subtract of max(-d, 0), one of them 0 in each lane. `period`
// bytes per pixel; a fourth byte of a 32-bit pixel gets 0 from `keep`.
struct OffsetLanes {
  __m128i up[3];
  __m128i down[3];
  __m128i keep[3];
};

OffsetLanes offsetLanes(const ChannelOffsets& offsets, int period) {
  alignas(16) uint8_t up[48], down[48], keep[48];
  for (int j = 0; j < 48; ++j) {
    const int channel = j % period;  // 0 blue, 1 green, 2 red, 3 fourth byte
    const int d = channel == 0   ? offsets.blue
                  : channel == 1 ? offsets.green
                  : channel == 2 ? offsets.red
                                 : 0;
    up[j] = static_cast<uint8_t>(d > 0 ? d : 0);
    down[j] = static_cast<uint8_t>(d < 0 ? -d : 0);
    keep[j] = channel < 3 ? 0xFF : 0x00;
  }
  OffsetLanes lanes;
  for (int k = 0; k < 3; ++k) {
    lanes.up[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(up + 16 * k));
    lanes.down[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(down + 16 * k));
    lanes.keep[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(keep + 16 * k));
  }
  return lanes;
}

inline __m128i offsetBytes(const uint8_t* from, const OffsetLanes& lanes, int k) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
  return _mm_and_si128(_mm_subs_epu8(_mm_adds_epu8(v, lanes.up[k]), lanes.down[k]), lanes.keep[k]);
}

}  // namespace

int32_t offsetRowsBgrx32Sse2(const uint8_t* from, uint8_t* to, int32_t count,
                             const ClampedCurves& curves) {
  const OffsetLanes lanes = offsetLanes(*curves.offsets, 4);
  int32_t done = 0;
  for (; done + 4 <= count; done += 4, from += 16, to += 16) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), offsetBytes(from, lanes, 0));
  }
  return done;
}

int32_t offsetRowsBgr24Sse2(const uint8_t* from, uint8_t* to, int32_t count,
                            const ClampedCurves& curves) {
  // 16 pixels are 48 bytes: three vectors, each at its own phase of the
  // blue, green, red pattern.
  const OffsetLanes lanes = offsetLanes(*curves.offsets, 3);
  int32_t done = 0;
  for (; done + 16 <= count; done += 16, from += 48, to += 48) {
    for (int k = 0; k < 3; ++k) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 16 * k),
                       offsetBytes(from + 16 * k, lanes, k));
    }
  }
  return done;
}

#else

int32_t offsetRowsBgrx32Sse2(const uint8_t*, uint8_t*, int32_t, const ClampedCurves&) { return 0; }
int32_t offsetRowsBgr24Sse2(const uint8_t*, uint8_t*, int32_t, const ClampedCurves&) { return 0; }

#endif

}  // namespace tvq
