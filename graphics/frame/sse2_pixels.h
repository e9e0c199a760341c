// What the SSE2 loops of the colour kernels share: four packed 24-bit pixels
// as four 32-bit words and back, and the mask blend of four pixels.
#ifndef TVQ_FRAME_SSE2_PIXELS_H
#define TVQ_FRAME_SSE2_PIXELS_H

#include <emmintrin.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "graphics/frame/format_access.h"
#include "graphics/frame/pixel_view.h"

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

// The weights of four mask levels (0..255, one a lane) for blendChannel:
// (m, 255 - m) as two 16-bit halves.
inline __m128i levelWeights(__m128i levels) {
  return _mm_or_si128(levels, _mm_slli_epi32(_mm_sub_epi32(_mm_set1_epi32(255), levels), 16));
}

// (A m + C (255 - m)) / 255 truncated toward zero for one channel of four
// pixels, A the adjusted channel (|A| < 2^15) and C the original one (0..255):
// one _mm_madd_epi16 of (A, C) against levelWeights, then a float division
// truncated, which is exact: |n| < 2^23, and a quotient that is not an
// integer lies at least 1/255 from one, beyond the rounding error of
// |n / 255| * 2^-24 < 0.0016.
inline __m128i blendChannel(__m128i adjusted, __m128i original, __m128i weights) {
  const __m128i pairs =
      _mm_or_si128(_mm_and_si128(adjusted, _mm_set1_epi32(0xFFFF)), _mm_slli_epi32(original, 16));
  const __m128 n = _mm_cvtepi32_ps(_mm_madd_epi16(pairs, weights));
  return _mm_cvttps_epi32(_mm_div_ps(n, _mm_set1_ps(255.0f)));
}

// Four channel lanes each, clamped to 0..255, as four B, G, R, 0 words.
inline __m128i clampedWords(__m128i blue, __m128i green, __m128i red) {
  // Bytes B0..B3 G0..G3 R0..R3 0..0, then interleaved to B G R 0 per pixel.
  const __m128i planar =
      _mm_packus_epi16(_mm_packs_epi32(blue, green), _mm_packs_epi32(red, _mm_setzero_si128()));
  const __m128i pairs = _mm_unpacklo_epi8(planar, _mm_srli_si128(planar, 8));
  return _mm_unpacklo_epi8(pairs, _mm_srli_si128(pairs, 8));
}

// Channel lanes of four B, G, R, X words.
inline __m128i blueLanes(__m128i words) { return _mm_and_si128(words, _mm_set1_epi32(255)); }
inline __m128i greenLanes(__m128i words) {
  return _mm_and_si128(_mm_srli_epi32(words, 8), _mm_set1_epi32(255));
}
inline __m128i redLanes(__m128i words) {
  return _mm_and_si128(_mm_srli_epi32(words, 16), _mm_set1_epi32(255));
}

// Three channel lanes of four pixels: adjusted values before any clamp.
struct ChannelLanes {
  __m128i blue, green, red;
};
inline ChannelLanes lanesOf(__m128i words) {
  return {blueLanes(words), greenLanes(words), redLanes(words)};
}

// Every pixel of `target` blended by the mask level between the source and
// its adjusted colour, four pixels at a time, for 32- and 24-bit pictures
// with 8-bit masks or masks of the picture's own format. adjust4(words)
// gives the ChannelLanes of four B, G, R, X words (|value| < 2^15); the rest
// of a row goes through blendOne(pixel, level), the portable rule, which
// must give the same bytes. The levels of an 8-bit mask come through its
// colour table. A 24-bit group is read as 16 bytes, so it is taken only
// while two more pixels of the row follow it.
template <PixelFormat Format, PixelFormat MaskFormat, typename Adjust4, typename BlendOne>
void blendRowsByMask(const PixelView& source, const PixelView& mask, const PixelView& target,
                     const Adjust4& adjust4, const BlendOne& blendOne) {
  static_assert(Format == PixelFormat::Bgrx32 || Format == PixelFormat::Bgr24);
  static_assert(MaskFormat == PixelFormat::Indexed8 || MaskFormat == Format);
  using Access = Fixed<Format>;
  using MaskAccess = Fixed<MaskFormat>;
  constexpr int32_t kBytes = storedBytesOf<Format>();
  constexpr int32_t kGroupNeeds = kBytes == 4 ? 4 : 6;
  std::array<uint8_t, 256> levelOf{};
  if constexpr (MaskFormat == PixelFormat::Indexed8) {
    for (uint32_t i = 0; i < 256; ++i) {
      const auto index = static_cast<uint8_t>(i);
      levelOf[i] = blueOf(fetch(MaskAccess{}, mask, &index));
    }
  }
  auto load = [](const uint8_t* at) {
    if constexpr (kBytes == 4) {
      return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    } else {
      return loadBgr24(at);
    }
  };
  for (int32_t y = 0; y < source.height; ++y) {
    const uint8_t* from = source.row(y);
    const uint8_t* levels = mask.row(y);
    uint8_t* to = target.row(y);
    int32_t x = 0;
    for (; x + kGroupNeeds <= source.width; x += 4) {
      const size_t at = static_cast<size_t>(x) * kBytes;
      __m128i m;
      if constexpr (MaskFormat == PixelFormat::Indexed8) {
        m = _mm_setr_epi32(levelOf[levels[x]], levelOf[levels[x + 1]], levelOf[levels[x + 2]],
                           levelOf[levels[x + 3]]);
      } else {
        m = blueLanes(load(levels + at));
      }
      const __m128i weights = levelWeights(m);
      const __m128i pixels = load(from + at);
      const ChannelLanes a = adjust4(pixels);
      const __m128i words = clampedWords(blendChannel(a.blue, blueLanes(pixels), weights),
                                         blendChannel(a.green, greenLanes(pixels), weights),
                                         blendChannel(a.red, redLanes(pixels), weights));
      if constexpr (kBytes == 4) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + at), words);
      } else {
        storeBgr24(to + at, words);
      }
    }
    for (; x < source.width; ++x) {
      const size_t at = static_cast<size_t>(x) * kBytes;
      const uint8_t level = MaskFormat == PixelFormat::Indexed8
                                ? levelOf[levels[x]]
                                : blueOf(fetch(MaskAccess{}, mask, levels + at));
      store(Access{}, target, to + at, blendOne(fetch(Access{}, source, from + at), level));
    }
  }
}

}  // namespace tvq::sse2

#endif
