// A locked picture as pixel kernels see it: geometry, the address of the
// first row and how its pixels are stored. No host calls happen behind it.
//
// Contract (stride and orientation): rows are `rowBytes` apart, a multiple of
// 4 bytes; row y is the y-th row in memory, whatever the bitmap's visual
// orientation, so coordinates in selections, offsets and masks all count rows
// in memory order. Column x of a row starts at x * bytesPerPixel.
#ifndef TVQ_FRAME_PIXEL_VIEW_H
#define TVQ_FRAME_PIXEL_VIEW_H

#include <cstddef>
#include <cstdint>

namespace tvq {

// How one pixel is stored, decided once per lock from the depth and role.
enum class PixelFormat : uint8_t {
  Unreadable,  // 1, 2 or 4 bits: reads as black, is never written
  Indexed8,    // palette index; reads through the colour table, never written
  Grey8,       // a mask's level byte: reads as grey, writes the blue channel
  Rgb555,      // 16 bits, x-5-5-5 with red on top; the top bit reads as 0
  Bgr24,       // bytes blue, green, red
  Bgrx32,      // bytes blue, green, red, fourth byte
};

// The depths a picture can have: 1, 2, 4, 8, 16, 24 or 32 bits per pixel.
constexpr bool isPictureDepth(int32_t depth) {
  switch (depth) {
    case 1:
    case 2:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      return true;
    default:
      return false;
  }
}

struct PixelView {
  int32_t width = 0;
  int32_t height = 0;
  int32_t depth = 0;
  // 0 below 8 bits: a cursor over such a row stays on its first byte, which
  // the Unreadable format never touches.
  int32_t bytesPerPixel = 0;
  int32_t bitsPerPixelBelowByte = 0;  // 1, 2 or 4; else 0
  int32_t rowBytes = 0;
  uint8_t* pixels = nullptr;
  PixelFormat format = PixelFormat::Unreadable;
  // Indexed8 only: `colorCount` entries of 4 bytes (blue, green, red,
  // reserved). An index past the table reads as black.
  const uint8_t* colorTable = nullptr;
  uint32_t colorCount = 0;

  uint8_t* row(int32_t y) const {
    return pixels + static_cast<ptrdiff_t>(y) * static_cast<ptrdiff_t>(rowBytes);
  }
  uint8_t* at(int32_t x, int32_t y) const {
    return row(y) + static_cast<ptrdiff_t>(x) * static_cast<ptrdiff_t>(bytesPerPixel);
  }
  bool sameSizeAs(const PixelView& other) const {
    return width == other.width && height == other.height;
  }
};

}  // namespace tvq

#endif
