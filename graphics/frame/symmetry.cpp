#include "graphics/frame/symmetry.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "graphics/frame/format_access.h"
#include "graphics/frame/pixel_access.h"
#include "graphics/frame/processor_features.h"
#include "graphics/frame/sse2_available.h"

#if TVQ_SSE2_AVAILABLE
#include <emmintrin.h>
#endif

namespace tvq {
namespace {

using F = PixelFormat;

constexpr PixelValue kColorBits = 0x00FFFFFFu;
constexpr PixelValue kWhite = 0x00FFFFFFu;

// Where target pixel (x, y) is found in the source: at column
// x0 + x * colX + y * rowX and row y0 + x * colY + y * rowY.
struct Walk {
  int32_t x0, y0;
  int32_t colX, colY;  // per target column
  int32_t rowX, rowY;  // per target row
};

Walk walkOf(Symmetry s, int32_t w, int32_t h) {
  switch (s) {
    case Symmetry::Copy:
      return {0, 0, 1, 0, 0, 1};
    case Symmetry::MirrorColumns:
      return {w - 1, 0, -1, 0, 0, 1};
    case Symmetry::MirrorRows:
      return {0, h - 1, 1, 0, 0, -1};
    case Symmetry::HalfTurn:
      return {w - 1, h - 1, -1, 0, 0, -1};
    case Symmetry::QuarterTurn:
      return {0, h - 1, 0, -1, 1, 0};
    case Symmetry::ThreeQuarterTurn:
      return {w - 1, 0, 0, 1, -1, 0};
    case Symmetry::Transpose:
      return {0, 0, 0, 1, 1, 0};
    case Symmetry::AntiTranspose:
      return {w - 1, h - 1, 0, -1, -1, 0};
  }
  return {0, 0, 1, 0, 0, 1};
}

bool targetFits(const PixelView& source, const PixelView& target, Symmetry s) {
  if (source.width <= 0 || source.height <= 0) return false;
  return exchangesSides(s) ? target.width == source.height && target.height == source.width
                           : target.sameSizeAs(source);
}

// 1-bit pixels lie most significant bit first within each byte.
uint8_t bitMaskOf(int32_t x) { return static_cast<uint8_t>(0x80u >> (x & 7)); }

PixelValue readColor(const PixelView& v, int32_t x, int32_t y) {
  if (v.depth == 1) return (v.row(y)[x >> 3] & bitMaskOf(x)) != 0 ? 0 : kWhite;
  if (v.bytesPerPixel == 0) return 0;
  return readPixel(v, v.at(x, y)) & kColorBits;
}

void writeColor(const PixelView& v, int32_t x, int32_t y, PixelValue color) {
  if (v.depth == 1) {
    uint8_t& byte = v.row(y)[x >> 3];
    byte = color == 0 ? static_cast<uint8_t>(byte | bitMaskOf(x))
                      : static_cast<uint8_t>(byte & ~bitMaskOf(x));
    return;
  }
  if (v.bytesPerPixel == 0) return;
  writePixel(v, v.at(x, y), color);
}

void convertGeneral(const PixelView& source, const PixelView& target, Symmetry s) {
  const Walk w = walkOf(s, source.width, source.height);
  for (int32_t y = 0; y < target.height; ++y) {
    int32_t sx = w.x0 + y * w.rowX;
    int32_t sy = w.y0 + y * w.rowY;
    for (int32_t x = 0; x < target.width; ++x, sx += w.colX, sy += w.colY) {
      writeColor(target, x, y, readColor(source, sx, sy));
    }
  }
}

template <PixelFormat Format>
inline void movePixel(const uint8_t* from, uint8_t* to) {
  if constexpr (Format == F::Bgrx32) {
    uint32_t word;
    std::memcpy(&word, from, 4);
    word &= kColorBits;
    std::memcpy(to, &word, 4);
  } else {
    to[0] = from[0];
    to[1] = from[1];
    to[2] = from[2];
  }
}

// Rows of `count` target pixels, each `step` bytes from the last in the
// source.
template <PixelFormat Format>
inline void moveRun(const uint8_t* from, ptrdiff_t step, uint8_t* to, int32_t count) {
  constexpr int32_t bytes = storedBytesOf<Format>();
  for (int32_t i = 0; i < count; ++i, from += step, to += bytes) movePixel<Format>(from, to);
}

#if TVQ_HAVE_SSSE3_ROWS
// The byte shuffles that reverse 16 packed 24-bit pixels: target vector k
// takes lane i from source vector shuffleFrom[k][v][i] of v (0x80: none).
struct ReverseShuffles {
  uint8_t lane[3][3][16];
};
constexpr ReverseShuffles reverseShuffles() {
  ReverseShuffles r{};
  for (int32_t k = 0; k < 3; ++k) {
    for (int32_t i = 0; i < 16; ++i) {
      const int32_t j = 16 * k + i;                   // target byte
      const int32_t from = 3 * (15 - j / 3) + j % 3;  // its source byte
      for (int32_t v = 0; v < 3; ++v) {
        r.lane[k][v][i] = from / 16 == v ? static_cast<uint8_t>(from % 16) : uint8_t{0x80};
      }
    }
  }
  return r;
}
constexpr ReverseShuffles kReverseShuffles = reverseShuffles();

// A row of 24-bit pixels read backwards from `from` (target pixel 0's
// source, the others before it), 16 pixels a step.
TVQ_SSSE3_TARGET void reverseRun24(const uint8_t* from, uint8_t* to, int32_t count) {
  __m128i shuffle[3][3];
  for (int32_t k = 0; k < 3; ++k) {
    for (int32_t v = 0; v < 3; ++v) {
      shuffle[k][v] =
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(kReverseShuffles.lane[k][v]));
    }
  }
  int32_t x = 0;
  for (; x + 16 <= count; x += 16) {
    const uint8_t* s = from - ptrdiff_t{3} * (x + 15);
    const __m128i in[3] = {_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16)),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 32))};
    for (int32_t k = 0; k < 3; ++k) {
      const __m128i out = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(in[0], shuffle[k][0]),
                                                    _mm_shuffle_epi8(in[1], shuffle[k][1])),
                                       _mm_shuffle_epi8(in[2], shuffle[k][2]));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to + ptrdiff_t{3} * x + 16 * k), out);
    }
  }
  moveRun<F::Bgr24>(from - ptrdiff_t{3} * x, -3, to + ptrdiff_t{3} * x, count - x);
}
#endif

// Target rows that run along source columns are written in square tiles of
// kTile x kTile pixels, a strip of kStrip target columns (as many source
// rows) at a time: a strip reads a short run of each of its source rows,
// so only a few source lines are in use at once however far apart the rows
// lie, and each target row of the tile gets kStrip pixels in a row.
constexpr int32_t kTile = 16;
constexpr int32_t kStrip = 4;
constexpr int32_t kBand = 64;

// Target pixels (x, y) of one tile from `origin` + y * rowStep + x * colStep.
template <PixelFormat Format>
void crossTileByPixel(const uint8_t* origin, ptrdiff_t colStep, ptrdiff_t rowStep,
                      const PixelView& target, int32_t x0, int32_t y0, int32_t width,
                      int32_t height) {
  for (int32_t xs = 0; xs < width; xs += kStrip) {
    const int32_t count = std::min(kStrip, width - xs);
    for (int32_t y = y0; y < y0 + height; ++y) {
      moveRun<Format>(origin + y * rowStep + (x0 + xs) * colStep, colStep, target.at(x0 + xs, y),
                      count);
    }
  }
}

template <PixelFormat Format>
void crossTile(const uint8_t* origin, ptrdiff_t colStep, ptrdiff_t rowStep, const PixelView& target,
               int32_t x0, int32_t y0, int32_t width, int32_t height) {
  crossTileByPixel<Format>(origin, colStep, rowStep, target, x0, y0, width, height);
}

#if TVQ_SSE2_AVAILABLE
// A whole 4 x 4 block of 32-bit pixels: the four source runs loaded as
// vectors (reversed where the target walks a source row backwards), the
// block transposed and the fourth bytes cleared.
inline void crossBlock32(const uint8_t* origin, ptrdiff_t colStep, ptrdiff_t rowStep,
                         const PixelView& target, int32_t x, int32_t y) {
  __m128i run[4];
  for (int32_t j = 0; j < 4; ++j) {
    const uint8_t* at = origin + y * rowStep + (x + j) * colStep;
    if (rowStep > 0) {
      run[j] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    } else {
      run[j] = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at - 12)),
                                 _MM_SHUFFLE(0, 1, 2, 3));
    }
  }
  const __m128i a = _mm_unpacklo_epi32(run[0], run[1]);  // 00 10 01 11
  const __m128i b = _mm_unpacklo_epi32(run[2], run[3]);  // 20 30 21 31
  const __m128i c = _mm_unpackhi_epi32(run[0], run[1]);  // 02 12 03 13
  const __m128i d = _mm_unpackhi_epi32(run[2], run[3]);  // 22 32 23 33
  const __m128i colorBits = _mm_set1_epi32(static_cast<int32_t>(kColorBits));
  const __m128i rows[4] = {_mm_unpacklo_epi64(a, b), _mm_unpackhi_epi64(a, b),
                           _mm_unpacklo_epi64(c, d), _mm_unpackhi_epi64(c, d)};
  for (int32_t i = 0; i < 4; ++i) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(target.at(x, y + i)),
                     _mm_and_si128(rows[i], colorBits));
  }
}

template <>
void crossTile<F::Bgrx32>(const uint8_t* origin, ptrdiff_t colStep, ptrdiff_t rowStep,
                          const PixelView& target, int32_t x0, int32_t y0, int32_t width,
                          int32_t height) {
  if (width < kTile || height < kTile) {
    crossTileByPixel<F::Bgrx32>(origin, colStep, rowStep, target, x0, y0, width, height);
    return;
  }
  for (int32_t x = x0; x < x0 + kTile; x += 4) {
    for (int32_t y = y0; y < y0 + kTile; y += 4)
      crossBlock32(origin, colStep, rowStep, target, x, y);
  }
}
#endif

#if TVQ_HAVE_SSSE3_ROWS
// Whole tiles of 24-bit pixels in 4 x 4 blocks: each block's four source
// runs loaded as 16 bytes, spread to one pixel a word (reversed where the
// target walks a source row backwards) by a byte shuffle, transposed as
// words and packed back to 12 bytes a target row. A block whose loads
// would leave the source's bytes [begin, end) goes pixel by pixel.
TVQ_SSSE3_TARGET void crossTile24(const uint8_t* origin, ptrdiff_t colStep, ptrdiff_t rowStep,
                                  const PixelView& target, int32_t x0, int32_t y0, int32_t width,
                                  int32_t height, const uint8_t* begin, const uint8_t* end) {
  if (width < kTile || height < kTile) {
    crossTileByPixel<F::Bgr24>(origin, colStep, rowStep, target, x0, y0, width, height);
    return;
  }
  const bool forward = rowStep > 0;
  const __m128i spread =
      forward ? _mm_setr_epi8(0, 1, 2, -128, 3, 4, 5, -128, 6, 7, 8, -128, 9, 10, 11, -128)
              : _mm_setr_epi8(9, 10, 11, -128, 6, 7, 8, -128, 3, 4, 5, -128, 0, 1, 2, -128);
  const __m128i pack =
      _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -128, -128, -128, -128);
  const ptrdiff_t loadOffset = forward ? 0 : -9;
  for (int32_t x = x0; x < x0 + kTile; x += 4) {
    for (int32_t y = y0; y < y0 + kTile; y += 4) {
      const uint8_t* at[4];
      bool inside = true;
      for (int32_t j = 0; j < 4; ++j) {
        at[j] = origin + y * rowStep + (x + j) * colStep + loadOffset;
        inside = inside && at[j] >= begin && at[j] + 16 <= end;
      }
      if (!inside) {
        crossTileByPixel<F::Bgr24>(origin, colStep, rowStep, target, x, y, 4, 4);
        continue;
      }
      __m128i run[4];
      for (int32_t j = 0; j < 4; ++j) {
        run[j] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at[j])), spread);
      }
      const __m128i a = _mm_unpacklo_epi32(run[0], run[1]);
      const __m128i b = _mm_unpacklo_epi32(run[2], run[3]);
      const __m128i c = _mm_unpackhi_epi32(run[0], run[1]);
      const __m128i d = _mm_unpackhi_epi32(run[2], run[3]);
      const __m128i rows[4] = {_mm_unpacklo_epi64(a, b), _mm_unpackhi_epi64(a, b),
                               _mm_unpacklo_epi64(c, d), _mm_unpackhi_epi64(c, d)};
      for (int32_t i = 0; i < 4; ++i) {
        const __m128i packed = _mm_shuffle_epi8(rows[i], pack);
        uint8_t* to = target.at(x, y + i);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(to), packed);
        const int32_t last = _mm_cvtsi128_si32(_mm_srli_si128(packed, 8));
        std::memcpy(to + 8, &last, 4);
      }
    }
  }
}
#endif

// Source and target of one byte-addressed format. Where target rows run
// along source rows they are walked straight; where they run along source
// columns the target is walked in tiles.
template <PixelFormat Format, bool Ssse3 = false>
void convertSameFormat(const PixelView& source, const PixelView& target, Symmetry s) {
  constexpr int32_t bytes = storedBytesOf<Format>();
  const Walk w = walkOf(s, source.width, source.height);
  const ptrdiff_t rowBytes = source.rowBytes;
  const ptrdiff_t colStep = ptrdiff_t{w.colX} * bytes + ptrdiff_t{w.colY} * rowBytes;
  const ptrdiff_t rowStep = ptrdiff_t{w.rowX} * bytes + ptrdiff_t{w.rowY} * rowBytes;
  const uint8_t* origin = source.at(w.x0, w.y0);
  if (!exchangesSides(s)) {
    for (int32_t y = 0; y < target.height; ++y) {
      const uint8_t* from = origin + y * rowStep;
      uint8_t* to = target.row(y);
      if (Format == F::Bgr24 && colStep == bytes) {
        std::memcpy(to, from, static_cast<size_t>(target.width) * bytes);
#if TVQ_HAVE_SSSE3_ROWS
      } else if (Ssse3 && Format == F::Bgr24 && colStep == -bytes) {
        reverseRun24(from, to, target.width);
#endif
      } else {
        moveRun<Format>(from, colStep, to, target.width);
      }
    }
    return;
  }
  // A band of target rows at a time, its tiles column by column: the band's
  // tiles of one column read a run of pixels of each of kTile source rows,
  // a few cache lines of one page each. Bands of kBand rows pay where a
  // tile is slow to read (24-bit pixels, or a 32-bit walk down the source
  // rows and back along them); elsewhere single tiles measure faster.
  const int32_t bandRows = Format == F::Bgr24 || (rowStep < 0 && colStep > 0) ? kBand : kTile;
  for (int32_t band = 0; band < target.height; band += bandRows) {
    const int32_t bandEnd = std::min(target.height, band + bandRows);
    for (int32_t tx = 0; tx < target.width; tx += kTile) {
      const int32_t width = std::min(target.width - tx, kTile);
      for (int32_t ty = band; ty < bandEnd; ty += kTile) {
#if TVQ_HAVE_SSSE3_ROWS
        if constexpr (Ssse3 && Format == F::Bgr24) {
          crossTile24(origin, colStep, rowStep, target, tx, ty, width,
                      std::min(bandEnd - ty, kTile), source.pixels,
                      source.pixels + ptrdiff_t{source.rowBytes} * source.height);
          continue;
        }
#endif
        crossTile<Format>(origin, colStep, rowStep, target, tx, ty, width,
                          std::min(bandEnd - ty, kTile));
      }
    }
  }
}

}  // namespace

Symmetry symmetryOf(bool mirrorColumns, bool mirrorRows, int32_t quarterTurns) {
  // Indexed by quarter turns, then by (mirrorColumns, mirrorRows) as
  // (no, no), (yes, no), (no, yes), (yes, yes).
  static constexpr Symmetry table[4][4] = {
      {Symmetry::Copy, Symmetry::MirrorColumns, Symmetry::MirrorRows, Symmetry::HalfTurn},
      {Symmetry::QuarterTurn, Symmetry::AntiTranspose, Symmetry::Transpose,
       Symmetry::ThreeQuarterTurn},
      {Symmetry::HalfTurn, Symmetry::MirrorRows, Symmetry::MirrorColumns, Symmetry::Copy},
      {Symmetry::ThreeQuarterTurn, Symmetry::Transpose, Symmetry::AntiTranspose,
       Symmetry::QuarterTurn},
  };
  const uint32_t turns = static_cast<uint32_t>(quarterTurns) & 3u;
  return table[turns][(mirrorColumns ? 1 : 0) + (mirrorRows ? 2 : 0)];
}

const FastPathTable<SymmetryLoop, kSymmetryFastLoops>& symmetryLoops() {
  static constexpr FastPathTable<SymmetryLoop, kSymmetryFastLoops> table = {
      {{
#if TVQ_HAVE_SSSE3_ROWS
          {"24-bit SSSE3", F::Bgr24, FormatSet::any(), F::Bgr24, convertSameFormat<F::Bgr24, true>,
           hasSsse3},
#endif
          {"32-bit", F::Bgrx32, FormatSet::any(), F::Bgrx32, convertSameFormat<F::Bgrx32>},
          {"24-bit", F::Bgr24, FormatSet::any(), F::Bgr24, convertSameFormat<F::Bgr24>},
      }},
      convertGeneral,
  };
  return table;
}

void convertAlong(const PixelView& source, const PixelView& target, Symmetry s) {
  if (!targetFits(source, target, s)) return;
  symmetryLoops().choose({source.format, source.format, target.format}, true)(source, target, s);
}

}  // namespace tvq
