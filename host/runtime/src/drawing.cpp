#include "drawing.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace rbhost {
namespace {

// A colour as 0x00RRGGBB: in little-endian memory exactly the bytes of a
// 32-bit pixel with its fourth byte 0.
using Word = uint32_t;

// The colours of a palette by index; black past the palette's end, as the
// general reader shows such an index.
using IndexColors = std::array<Word, 256>;

// Reads the colour of pixel x of a row of depth D.
template <int D>
Word readColor(const uint8_t* row, int32_t x, const IndexColors& colors) {
  if constexpr (D == 32 || D == 24) {
    const uint8_t* p = row + size_t(x) * (D / 8);
    return Word{p[0]} | Word{p[1]} << 8 | Word{p[2]} << 16;
  } else if constexpr (D == 16) {
    const Word v = Word{row[2 * x]} | Word{row[2 * x + 1]} << 8;
    return ((v >> 10) & 31) << 19 | ((v >> 5) & 31) << 11 | (v & 31) << 3;
  } else {
    constexpr int32_t kPerByte = 8 / D;
    const int32_t shift = 8 - D * (x % kPerByte + 1);  // leftmost pixel in the high bits
    return colors[(row[x / kPerByte] >> shift) & ((1u << D) - 1)];
  }
}

// Stores a colour as pixel x of a row of depth D (16, 24 or 32).
template <int D>
void writeColor(uint8_t* row, int32_t x, Word c) {
  if constexpr (D == 32) {
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(row + size_t(x) * 4, &c, 4);
    } else {
      for (int i = 0; i < 4; ++i) row[size_t(x) * 4 + i] = static_cast<uint8_t>(c >> (8 * i));
    }
  } else if constexpr (D == 24) {
    uint8_t* p = row + size_t(x) * 3;
    p[0] = static_cast<uint8_t>(c);
    p[1] = static_cast<uint8_t>(c >> 8);
    p[2] = static_cast<uint8_t>(c >> 16);
  } else {
    static_assert(D == 16);
    const Word v = ((c >> 19) & 31) << 10 | ((c >> 11) & 31) << 5 | ((c >> 3) & 31);
    row[2 * x] = static_cast<uint8_t>(v);
    row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
  }
}

// Converts `count` pixels from source column `sx` on to target column `tx`.
using RowConverter = void (*)(const uint8_t* source, int32_t sx, uint8_t* target, int32_t tx,
                              int32_t count, const IndexColors& colors);

template <int S, int T>
void convertRow(const uint8_t* source, int32_t sx, uint8_t* target, int32_t tx, int32_t count,
                const IndexColors& colors) {
  int32_t i = 0;
  if constexpr ((S == 24 || S == 32) && std::endian::native == std::endian::little) {
    // One four-byte load a pixel; at 24 bits it would reach one byte past
    // the last pixel, so that one takes the bytewise read below.
    const int32_t wide = S == 32 ? count : count - 1;
    const uint8_t* from = source + size_t(sx) * (S / 8);
    uint8_t* to = target + size_t(tx) * (T / 8);
    for (; i < wide; ++i, from += S / 8, to += T / 8) {
      Word w;
      std::memcpy(&w, from, 4);
      writeColor<T>(to, 0, w & 0xFFFFFFu);
    }
  }
  for (; i < count; ++i) writeColor<T>(target, tx + i, readColor<S>(source, sx + i, colors));
}

#if defined(__x86_64__) || defined(__i386__)
// 24 to 32 bits, four pixels a shuffle. SSSE3 is checked at run time; the
// portable loop takes the tail and every machine without it.
__attribute__((target("ssse3"))) void convertRow24To32Ssse3(const uint8_t* source, int32_t sx,
                                                            uint8_t* target, int32_t tx,
                                                            int32_t count,
                                                            const IndexColors& colors) {
  const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const uint8_t* from = source + size_t(sx) * 3;
  uint8_t* to = target + size_t(tx) * 4;
  int32_t i = 0;
  // A 16-byte load for four pixels reads 4 bytes beyond them: keep it
  // within the row's pixels.
  for (; i + 6 <= count; i += 4, from += 12, to += 16) {
    const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_shuffle_epi8(in, spread));
  }
  convertRow<24, 32>(source, sx + i, target, tx + i, count - i, colors);
}

bool hasSsse3() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}
#endif

template <int T>
RowConverter converterInto(int32_t sourceDepth) {
  switch (sourceDepth) {
    case 1:
      return convertRow<1, T>;
    case 2:
      return convertRow<2, T>;
    case 4:
      return convertRow<4, T>;
    case 8:
      return convertRow<8, T>;
    case 16:
      return convertRow<16, T>;
    case 24:
#if defined(__x86_64__) || defined(__i386__)
      if constexpr (T == 32) {
        if (hasSsse3()) return convertRow24To32Ssse3;
      }
#endif
      return convertRow<24, T>;
    case 32:
      return convertRow<32, T>;
    default:
      return nullptr;
  }
}

// Targets up to 8 bits store the nearest palette entry and have no row
// converter.
RowConverter rowConverter(int32_t sourceDepth, int32_t targetDepth) {
  switch (targetDepth) {
    case 16:
      return converterInto<16>(sourceDepth);
    case 24:
      return converterInto<24>(sourceDepth);
    case 32:
      return converterInto<32>(sourceDepth);
    default:
      return nullptr;
  }
}

IndexColors indexColors(PictureObject& p) {
  IndexColors colors{};
  const std::vector<Rgb> palette = readPalette(p);
  for (size_t i = 0; i < palette.size() && i < colors.size(); ++i) colors[i] = toColor(palette[i]);
  return colors;
}

// The part of the target that the bounds cover: visual columns [x0, x1) and
// rows [y0, y1).
struct Clip {
  int32_t x0, x1, y0, y1;
};

void drawGeneral(PictureObject& source, PictureObject& target, const RbRect16& bounds,
                 bool transparent, const Clip& clip) {
  const int32_t boundsWidth = int32_t(bounds.right) - bounds.left;
  const int32_t boundsHeight = int32_t(bounds.bottom) - bounds.top;
  PixelAccess from(source);
  PixelAccess to(target);
  // The source column of every target column, computed once.
  std::vector<int32_t> sourceColumn(size_t(clip.x1 - clip.x0));
  for (int32_t x = clip.x0; x < clip.x1; ++x)
    sourceColumn[size_t(x - clip.x0)] =
        int32_t(int64_t(x - bounds.left) * source.width / boundsWidth);
  for (int32_t y = clip.y0; y < clip.y1; ++y) {
    const int32_t sy = int32_t(int64_t(y - bounds.top) * source.height / boundsHeight);
    const int32_t sourceRow = source.height - 1 - sy, targetRow = target.height - 1 - y;
    for (int32_t x = clip.x0; x < clip.x1; ++x) {
      const Rgb c = from.color(sourceColumn[size_t(x - clip.x0)], sourceRow);
      if (transparent && c == Rgb{255, 255, 255}) continue;
      to.setColor(x, targetRow, c);
    }
  }
}

}  // namespace

void drawPicture(PictureObject& source, PictureObject& target, const RbRect16& bounds,
                 bool transparent, bool fastPaths) {
  const int32_t boundsWidth = int32_t(bounds.right) - bounds.left;
  const int32_t boundsHeight = int32_t(bounds.bottom) - bounds.top;
  if (boundsWidth <= 0 || boundsHeight <= 0) return;
  const Clip clip{std::max<int32_t>(bounds.left, 0), std::min<int32_t>(bounds.right, target.width),
                  std::max<int32_t>(bounds.top, 0),
                  std::min<int32_t>(bounds.bottom, target.height)};
  if (clip.x1 <= clip.x0 || clip.y1 <= clip.y0) return;

  const RowConverter convert = rowConverter(source.depth, target.depth);
  const bool sameSize = boundsWidth == source.width && boundsHeight == source.height;
  if (!fastPaths || convert == nullptr || !sameSize || transparent) {
    drawGeneral(source, target, bounds, transparent, clip);
    return;
  }
  const IndexColors colors = indexColors(source);
  const uint8_t* sourceBits = pictureBits(source);
  uint8_t* targetBits = pictureBits(target);
  const int32_t sx = clip.x0 - bounds.left, count = clip.x1 - clip.x0;
  for (int32_t y = clip.y0; y < clip.y1; ++y) {
    const int32_t sourceRow = source.height - 1 - (y - bounds.top);
    const int32_t targetRow = target.height - 1 - y;
    convert(sourceBits + size_t(sourceRow) * size_t(source.rowBytes), sx,
            targetBits + size_t(targetRow) * size_t(target.rowBytes), clip.x0, count, colors);
  }
}

}  // namespace rbhost
