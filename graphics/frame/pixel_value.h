// The pixel value every reader produces and every writer takes.
//
// Layout 0xFFRRGGBB: red in bits 16-23, green in bits 8-15, blue in bits 0-7
// (the host's colour layout), and in bits 24-31 the fourth byte of a 32-bit
// pixel, 0 for every other depth.
#ifndef TVQ_FRAME_PIXEL_VALUE_H
#define TVQ_FRAME_PIXEL_VALUE_H

#include <cstdint>

namespace tvq {

using PixelValue = uint32_t;

constexpr uint8_t redOf(PixelValue v) { return static_cast<uint8_t>(v >> 16); }
constexpr uint8_t greenOf(PixelValue v) { return static_cast<uint8_t>(v >> 8); }
constexpr uint8_t blueOf(PixelValue v) { return static_cast<uint8_t>(v); }
constexpr uint8_t fourthByteOf(PixelValue v) { return static_cast<uint8_t>(v >> 24); }

// A pixel of the given channels with the fourth byte 0.
constexpr PixelValue makePixel(uint8_t red, uint8_t green, uint8_t blue) {
  return (PixelValue{red} << 16) | (PixelValue{green} << 8) | PixelValue{blue};
}

}  // namespace tvq

#endif
