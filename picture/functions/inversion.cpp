#include "picture/functions/inversion.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "picture/frame/fast_paths.h"
#include "picture/frame/picture_operation.h"
#include "picture/frame/pixel_words.h"

namespace zrw {

PixelArea invertedArea(int32_t left, int32_t top, int32_t width, int32_t height,
                       int32_t pictureWidth, int32_t pictureHeight) {
  const int64_t right = int64_t{left} + width;
  const int64_t bottom = int64_t{top} + height;
  PixelArea area;
  area.left = std::max(left, 0);
  area.top = std::max(top, 0);
  // Far edges left of or above the picture leave nothing to invert; clamped
  // into the picture before narrowing, so no 64-bit value wraps.
  area.right = static_cast<int32_t>(std::clamp<int64_t>(right, 0, pictureWidth));
  area.bottom = static_cast<int32_t>(std::clamp<int64_t>(bottom, 0, pictureHeight));
  return area;
}

namespace {

uint32_t inverted(uint32_t pixel) { return ~pixel & 0x00FFFFFFu; }

#if defined(__SSE2__)
// From this many result bytes on, the stores go past the caches: a result
// that large does not stay in them anyway, and such stores need not read
// the memory they replace first.
constexpr size_t kStreamedBytes = size_t{16} << 20;

// Four pixels at a time; streamed stores want 16-byte aligned places, so
// the pixels before the first such place are done one by one.
template <bool kStreamed>
void invertRowSse2(const uint8_t* in, uint8_t* out, int32_t count) {
  const __m128i keep = _mm_set1_epi32(0x00FFFFFF);
  int32_t x = 0;
  if constexpr (kStreamed)
    for (; x < count && (reinterpret_cast<uintptr_t>(out) & 15) != 0; ++x, in += 4, out += 4)
      pixel_words::store(out, inverted(pixel_words::load(in)));
  for (; x + 4 <= count; x += 4, in += 16, out += 16) {
    const __m128i v = _mm_andnot_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)), keep);
    if constexpr (kStreamed)
      _mm_stream_si128(reinterpret_cast<__m128i*>(out), v);
    else
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
  }
  for (; x < count; ++x, in += 4, out += 4)
    pixel_words::store(out, inverted(pixel_words::load(in)));
}
#endif

}  // namespace

void invertArea(SourceRows source, ResultRows result, PixelArea area, KernelPath path) {
  if (area.empty()) return;
  const size_t skipped = 4 * static_cast<size_t>(area.left);
  const int32_t count = area.right - area.left;
#if defined(__SSE2__)
  if (path == KernelPath::Fast) {
    const bool streamed =
        4 * static_cast<size_t>(count) * static_cast<size_t>(area.bottom - area.top) >=
        kStreamedBytes;
    for (int32_t y = area.top; y < area.bottom; ++y) {
      if (streamed)
        invertRowSse2<true>(source.row(y) + skipped, result.row(y) + skipped, count);
      else
        invertRowSse2<false>(source.row(y) + skipped, result.row(y) + skipped, count);
    }
    if (streamed) _mm_sfence();
    return;
  }
#else
  (void)path;
#endif
  for (int32_t y = area.top; y < area.bottom; ++y) {
    const SourceRows in(source.row(y) + skipped, source.stride, count, 1);
    const ResultRows out(result.row(y) + skipped, result.stride, count, 1);
    mapPixelValues(in, out, inverted);
  }
}

RbPicture invertPicture(RbPicture source, int32_t left, int32_t top, int32_t width,
                        int32_t height) {
  return fromSource(source, SameSize{}, [=](SourceRows in, ResultRows out) {
    invertArea(in, out, invertedArea(left, top, width, height, in.width, in.height), kernelPath());
  });
}

}  // namespace zrw
