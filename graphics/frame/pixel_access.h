// Reading and writing pixel values, one accessor per storage format.
//
// The format is looked up per pixel by a plain switch; the accessors are
// small enough to inline into every kernel's inner loop.
#ifndef TVQ_FRAME_PIXEL_ACCESS_H
#define TVQ_FRAME_PIXEL_ACCESS_H

#include <cstdint>

#include "graphics/frame/pixel_value.h"
#include "graphics/frame/pixel_view.h"

namespace tvq {

namespace accessors {

inline PixelValue fetchBgrx32(const uint8_t* p) {
  return PixelValue{p[0]} | (PixelValue{p[1]} << 8) | (PixelValue{p[2]} << 16) |
         (PixelValue{p[3]} << 24);
}

// Five bits per channel become eight by a shift: 31 reads as 248.
inline PixelValue fetchRgb555(const uint8_t* p) {
  const uint32_t w = uint32_t{p[0]} | (uint32_t{p[1]} << 8);
  const uint32_t blue = (w & 0x1F) << 3;
  const uint32_t green = ((w >> 5) & 0x1F) << 3;
  const uint32_t red = ((w >> 10) & 0x1F) << 3;
  return (red << 16) | (green << 8) | blue;
}

inline PixelValue fetchBgr24(const uint8_t* p) {
  return PixelValue{p[0]} | (PixelValue{p[1]} << 8) | (PixelValue{p[2]} << 16);
}

inline PixelValue fetchGrey8(const uint8_t* p) { return makePixel(p[0], p[0], p[0]); }

inline PixelValue fetchIndexed8(const uint8_t* p, const uint8_t* colorTable, uint32_t colorCount) {
  const uint32_t index = p[0];
  if (index >= colorCount) return 0;
  const uint8_t* entry = colorTable + 4 * index;
  return makePixel(entry[2], entry[1], entry[0]);
}

inline void storeBgrx32(uint8_t* p, PixelValue v) {
  p[0] = blueOf(v);
  p[1] = greenOf(v);
  p[2] = redOf(v);
  p[3] = fourthByteOf(v);
}

// The low three bits of each channel are dropped and the top bit is 0.
inline void storeRgb555(uint8_t* p, PixelValue v) {
  const uint32_t w = ((uint32_t{greenOf(v)} >> 3) << 5) + (uint32_t{blueOf(v)} >> 3) +
                     ((uint32_t{redOf(v)} >> 3) << 10);
  p[0] = static_cast<uint8_t>(w);
  p[1] = static_cast<uint8_t>(w >> 8);
}

inline void storeBgr24(uint8_t* p, PixelValue v) {
  p[0] = blueOf(v);
  p[1] = greenOf(v);
  p[2] = redOf(v);
}

inline void storeGrey8(uint8_t* p, PixelValue v) { p[0] = blueOf(v); }

}  // namespace accessors

inline PixelValue readPixel(const PixelView& view, const uint8_t* at) {
  switch (view.format) {
    case PixelFormat::Bgrx32:
      return accessors::fetchBgrx32(at);
    case PixelFormat::Rgb555:
      return accessors::fetchRgb555(at);
    case PixelFormat::Bgr24:
      return accessors::fetchBgr24(at);
    case PixelFormat::Grey8:
      return accessors::fetchGrey8(at);
    case PixelFormat::Indexed8:
      return accessors::fetchIndexed8(at, view.colorTable, view.colorCount);
    case PixelFormat::Unreadable:
      break;
  }
  return 0;
}

inline void writePixel(const PixelView& view, uint8_t* at, PixelValue v) {
  switch (view.format) {
    case PixelFormat::Bgrx32:
      accessors::storeBgrx32(at, v);
      return;
    case PixelFormat::Rgb555:
      accessors::storeRgb555(at, v);
      return;
    case PixelFormat::Bgr24:
      accessors::storeBgr24(at, v);
      return;
    case PixelFormat::Grey8:
      accessors::storeGrey8(at, v);
      return;
    case PixelFormat::Indexed8:
    case PixelFormat::Unreadable:
      return;
  }
}

// Reads one row from column x on, a pixel at a time.
class PixelReader {
 public:
  PixelReader(const PixelView& view, int32_t y, int32_t x = 0) : view_(view), at_(view.at(x, y)) {}
  PixelValue next() {
    const PixelValue v = readPixel(view_, at_);
    at_ += view_.bytesPerPixel;
    return v;
  }

 private:
  const PixelView& view_;
  const uint8_t* at_;
};

// Writes one row from column x on, a pixel at a time.
class PixelWriter {
 public:
  PixelWriter(const PixelView& view, int32_t y, int32_t x = 0) : view_(view), at_(view.at(x, y)) {}
  void put(PixelValue v) {
    writePixel(view_, at_, v);
    at_ += view_.bytesPerPixel;
  }

 private:
  const PixelView& view_;
  uint8_t* at_;
};

}  // namespace tvq

#endif
