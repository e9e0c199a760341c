#include "picture/functions/turns.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "picture/frame/picture_operation.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zrw {
namespace {

void copyPixel(uint8_t* to, const uint8_t* from) { std::memcpy(to, from, 4); }

// A quarter turn reads the source down a column for every result row. Walking
// the result in square tiles keeps the source rows a tile touches in cache,
// so each source cache line is fetched once instead of once per pixel.
constexpr int32_t kTile = 16;

// One pixel at a time: result rows r0..r1-1, columns c0..c1-1.
void turnTilePixels(SourceRows in, ResultRows out, bool counterClockwise, int32_t r0, int32_t r1,
                    int32_t c0, int32_t c1) {
  // Result pixel (c, r) comes from source column counterClockwise ? W-1-r : r
  // and source row counterClockwise ? c : H-1-c. Moving right along a result
  // row moves down (counter-clockwise) or up (clockwise) in the source, one
  // source row per pixel; rows lie bottom-up in memory, so going down the
  // picture goes back in memory.
  const ptrdiff_t stride = static_cast<ptrdiff_t>(in.stride);
  const ptrdiff_t step = counterClockwise ? -stride : stride;
  const int32_t firstSourceRow = counterClockwise ? c0 : in.height - 1 - c0;
  for (int32_t r = r0; r < r1; ++r) {
    const int32_t sourceColumn = counterClockwise ? in.width - 1 - r : r;
    const uint8_t* from = in.row(firstSourceRow) + 4 * static_cast<ptrdiff_t>(sourceColumn);
    uint8_t* to = out.row(r) + 4 * static_cast<ptrdiff_t>(c0);
    for (int32_t c = c0; c < c1; ++c, to += 4, from += step) copyPixel(to, from);
  }
}

#if defined(__SSE2__)
// The 4 x 4 result block at rows r.., columns c..: four source rows of four
// pixels are loaded, transposed in registers and stored as four result rows
// (SSE2 is the baseline of every build that defines __SSE2__).
void turnBlock4(SourceRows in, ResultRows out, bool counterClockwise, int32_t r, int32_t c) {
  __m128i s[4];
  for (int i = 0; i < 4; ++i) {
    const uint8_t* from = counterClockwise
                              ? in.row(c + i) + 4 * static_cast<ptrdiff_t>(in.width - 4 - r)
                              : in.row(in.height - 4 - c + i) + 4 * static_cast<ptrdiff_t>(r);
    s[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
  }
  const __m128i a = _mm_unpacklo_epi32(s[0], s[1]), b = _mm_unpacklo_epi32(s[2], s[3]);
  const __m128i e = _mm_unpackhi_epi32(s[0], s[1]), f = _mm_unpackhi_epi32(s[2], s[3]);
  // t[j] holds pixel j of each of the four source rows.
  const __m128i t[4] = {_mm_unpacklo_epi64(a, b), _mm_unpackhi_epi64(a, b),
                        _mm_unpacklo_epi64(e, f), _mm_unpackhi_epi64(e, f)};
  for (int j = 0; j < 4; ++j) {
    // Counter-clockwise, source pixel j of the block is result row r + 3 - j
    // and the source rows run left to right; clockwise, pixel j is row r + j
    // and the source rows run right to left.
    const __m128i row = counterClockwise ? t[j] : _mm_shuffle_epi32(t[j], 0x1B);
    uint8_t* to = out.row(counterClockwise ? r + 3 - j : r + j) + 4 * static_cast<ptrdiff_t>(c);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), row);
  }
}
#endif

// A quarter turn reads the source down a column for every result row. Walking
// the result in square tiles keeps the source rows a tile touches in cache,
// so each source cache line is fetched once instead of once per pixel.
void quarterTurn(SourceRows in, ResultRows out, bool counterClockwise) {
  for (int32_t r0 = 0; r0 < out.height; r0 += kTile) {
    const int32_t r1 = std::min(r0 + kTile, out.height);
    for (int32_t c0 = 0; c0 < out.width; c0 += kTile) {
      const int32_t c1 = std::min(c0 + kTile, out.width);
#if defined(__SSE2__)
      if (r1 - r0 == kTile && c1 - c0 == kTile) {
        for (int32_t r = r0; r < r1; r += 4)
          for (int32_t c = c0; c < c1; c += 4) turnBlock4(in, out, counterClockwise, r, c);
        continue;
      }
#endif
      turnTilePixels(in, out, counterClockwise, r0, r1, c0, c1);
    }
  }
}

void reverseRow(const uint8_t* in, uint8_t* out, int32_t width) {
  const uint8_t* from = in + 4 * static_cast<ptrdiff_t>(width);
  for (int32_t x = 0; x < width; ++x, out += 4) {
    from -= 4;
    copyPixel(out, from);
  }
}

}  // namespace

void turnRows(SourceRows in, ResultRows out, Turn turn) {
  switch (turn) {
    case Turn::QuarterCounterClockwise:
      quarterTurn(in, out, true);
      return;
    case Turn::QuarterClockwise:
      quarterTurn(in, out, false);
      return;
    case Turn::Half:
      for (int32_t y = 0; y < in.height; ++y)
        reverseRow(in.row(y), out.row(in.height - 1 - y), in.width);
      return;
  }
}

void mirrorRowsVertically(SourceRows in, ResultRows out) {
  const size_t bytes = 4 * static_cast<size_t>(in.width);
  for (int32_t y = 0; y < in.height; ++y) std::memcpy(out.row(in.height - 1 - y), in.row(y), bytes);
}

void mirrorRowsHorizontally(SourceRows in, ResultRows out) {
  for (int32_t y = 0; y < in.height; ++y) reverseRow(in.row(y), out.row(y), in.width);
}

namespace {

struct TurnedSize {
  PictureSize operator()(int32_t width, int32_t height) const { return {height, width}; }
};

}  // namespace

RbPicture rotate90(RbPicture source) {
  return fromSource(source, TurnedSize{}, [](SourceRows in, ResultRows out) {
    turnRows(in, out, Turn::QuarterCounterClockwise);
  });
}

RbPicture rotate180(RbPicture source) {
  return fromSource(source, SameSize{},
                    [](SourceRows in, ResultRows out) { turnRows(in, out, Turn::Half); });
}

RbPicture rotate270(RbPicture source) {
  return fromSource(source, TurnedSize{}, [](SourceRows in, ResultRows out) {
    turnRows(in, out, Turn::QuarterClockwise);
  });
}

RbPicture mirrorVertically(RbPicture source) {
  return fromSource(source, SameSize{}, &mirrorRowsVertically);
}

RbPicture mirrorHorizontally(RbPicture source) {
  return fromSource(source, SameSize{}, &mirrorRowsHorizontally);
}

}  // namespace zrw
