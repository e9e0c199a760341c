// Kernels that make each result pixel from the pixels at the same place in
// one or more pictures of the result's size, a whole 32-bit pixel value at a
// time (bgra32.h: 0xFFRRGGBB with the fourth byte on top). Written as one
// value in, one value out, such loops have no per-byte branches and
// vectorise; the values are moved as plain 32-bit words, which on the
// little-endian machines this plug-in runs on are exactly that layout.
#ifndef PICTURE_FRAME_PIXEL_WORDS_H
#define PICTURE_FRAME_PIXEL_WORDS_H

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "picture/frame/pixel_rows.h"

namespace zrw {

static_assert(std::endian::native == std::endian::little,
              "pixel words assume blue in the lowest byte");

namespace pixel_words {
inline uint32_t load(const uint8_t* pixel) {
  uint32_t value;
  std::memcpy(&value, pixel, 4);
  return value;
}
inline void store(uint8_t* pixel, uint32_t value) { std::memcpy(pixel, &value, 4); }
}  // namespace pixel_words

// result(x, y) = pixel(source(x, y)); the source has the result's size.
template <typename Pixel>
void mapPixelValues(SourceRows source, ResultRows result, Pixel pixel) {
  for (int32_t y = 0; y < result.height; ++y) {
    const uint8_t* in = source.row(y);
    uint8_t* out = result.row(y);
    for (int32_t x = 0; x < result.width; ++x, in += 4, out += 4)
      pixel_words::store(out, pixel(pixel_words::load(in)));
  }
}

// result(x, y) = pixel(a(x, y), b(x, y), c(x, y)).
template <typename Pixel>
void mapPixelValues(SourceRows a, SourceRows b, SourceRows c, ResultRows result, Pixel pixel) {
  for (int32_t y = 0; y < result.height; ++y) {
    const uint8_t* pa = a.row(y);
    const uint8_t* pb = b.row(y);
    const uint8_t* pc = c.row(y);
    uint8_t* out = result.row(y);
    for (int32_t x = 0; x < result.width; ++x, pa += 4, pb += 4, pc += 4, out += 4)
      pixel_words::store(
          out, pixel(pixel_words::load(pa), pixel_words::load(pb), pixel_words::load(pc)));
  }
}

// result(x, y) = pixel(a(x, y), b(x, y)).
template <typename Pixel>
void mapPixelValues(SourceRows a, SourceRows b, ResultRows result, Pixel pixel) {
  for (int32_t y = 0; y < result.height; ++y) {
    const uint8_t* pa = a.row(y);
    const uint8_t* pb = b.row(y);
    uint8_t* out = result.row(y);
    for (int32_t x = 0; x < result.width; ++x, pa += 4, pb += 4, out += 4)
      pixel_words::store(out, pixel(pixel_words::load(pa), pixel_words::load(pb)));
  }
}

}  // namespace zrw

#endif
