#include "picture/functions/tint.h"

#include <algorithm>
#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "picture/frame/fast_paths.h"
#include "picture/frame/picture_operation.h"
#include "picture/frame/pixel_words.h"

namespace zrw {
namespace {

struct ChannelFactors {
  double red, green, blue;
  explicit ChannelFactors(RbColor c)
      : red(static_cast<double>((c >> 16) & 0xFF) / 255.0),
        green(static_cast<double>((c >> 8) & 0xFF) / 255.0),
        blue(static_cast<double>(c & 0xFF) / 255.0) {}
};

// Limited to 255, then truncated; the value is never negative. Written as a
// minimum so the pixel loop has no branch and vectorises.
uint32_t limitedTruncation(double value) {
  return static_cast<uint32_t>(static_cast<int32_t>(std::min(value, 255.0)));
}

#if defined(__SSE2__)
// Two pixels at a time, each channel a lane of two doubles: the same
// products and sums in the same order as the general loop, so the same
// doubles.
void tintRowsSse2(SourceRows source, ResultRows result, const ChannelFactors& grey,
                  const ChannelFactors& sepia) {
  const __m128i zero = _mm_setzero_si128();
  const __m128d greyRed = _mm_set1_pd(grey.red), greyGreen = _mm_set1_pd(grey.green),
                greyBlue = _mm_set1_pd(grey.blue), sepiaRed = _mm_set1_pd(sepia.red),
                sepiaGreen = _mm_set1_pd(sepia.green), sepiaBlue = _mm_set1_pd(sepia.blue),
                top = _mm_set1_pd(255.0);
  const int32_t pairs = result.width & ~1;
  for (int32_t y = 0; y < result.height; ++y) {
    const uint8_t* in = source.row(y);
    uint8_t* out = result.row(y);
    for (int32_t x = 0; x < pairs; x += 2, in += 8, out += 8) {
      const __m128i p16 =
          _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in)), zero);
      const __m128i first = _mm_unpacklo_epi16(p16, zero), second = _mm_unpackhi_epi16(p16, zero);
      const __m128i blueGreen = _mm_unpacklo_epi32(first, second);  // b0 b1 g0 g1
      const __m128i redFourth = _mm_unpackhi_epi32(first, second);  // r0 r1 a0 a1
      const __m128d l = _mm_add_pd(
          _mm_add_pd(_mm_mul_pd(_mm_cvtepi32_pd(redFourth), greyRed),
                     _mm_mul_pd(_mm_cvtepi32_pd(_mm_srli_si128(blueGreen, 8)), greyGreen)),
          _mm_mul_pd(_mm_cvtepi32_pd(blueGreen), greyBlue));
      const auto limited = [&](__m128d factor) {
        return _mm_cvttpd_epi32(_mm_min_pd(_mm_mul_pd(l, factor), top));
      };
      const __m128i value = _mm_or_si128(_mm_or_si128(_mm_slli_epi32(limited(sepiaRed), 16),
                                                      _mm_slli_epi32(limited(sepiaGreen), 8)),
                                         limited(sepiaBlue));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out), value);
    }
  }
}
#endif

}  // namespace

void tintRows(SourceRows source, ResultRows result, RbColor greyBase, RbColor sepiaBase,
              KernelPath path) {
  const ChannelFactors grey(greyBase), sepia(sepiaBase);
#if defined(__SSE2__)
  if (path == KernelPath::Fast) {
    tintRowsSse2(source, result, grey, sepia);
    if (result.width % 2 == 0) return;
    // The last column of an odd width.
    const int32_t last = result.width - 1;
    source = {source.first + 4 * static_cast<ptrdiff_t>(last), source.stride, 1, source.height};
    result = {result.first + 4 * static_cast<ptrdiff_t>(last), result.stride, 1, result.height};
  }
#else
  (void)path;
#endif
  mapPixelValues(source, result, [&grey, &sepia](uint32_t pixel) {
    const double l = static_cast<double>((pixel >> 16) & 0xFF) * grey.red +
                     static_cast<double>((pixel >> 8) & 0xFF) * grey.green +
                     static_cast<double>(pixel & 0xFF) * grey.blue;
    return (limitedTruncation(l * sepia.red) << 16) | (limitedTruncation(l * sepia.green) << 8) |
           limitedTruncation(l * sepia.blue);
  });
}

RbPicture tintPicture(RbPicture source, RbColor greyBase, RbColor sepiaBase) {
  return fromSource(source, SameSize{}, [=](SourceRows in, ResultRows out) {
    tintRows(in, out, greyBase, sepiaBase, kernelPath());
  });
}

}  // namespace zrw
