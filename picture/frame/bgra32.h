// Accessors of the one pixel format of this plug-in: 4 bytes per pixel in
// memory order blue, green, red, fourth byte.
//
// A whole pixel is carried as a 32-bit value laid out like a host colour
// (0x00RRGGBB) with the fourth byte in bits 24-31, so a host colour stored
// with store() is that colour with fourth byte 0. load() and store() go byte
// by byte: rows carry no alignment promise and the value does not depend on
// the machine's byte order.
#ifndef PICTURE_FRAME_BGRA32_H
#define PICTURE_FRAME_BGRA32_H

#include <cstdint>

namespace zrw::bgra32 {

inline constexpr int kBlue = 0;
inline constexpr int kGreen = 1;
inline constexpr int kRed = 2;
inline constexpr int kFourth = 3;

inline const uint8_t* at(const uint8_t* row, int32_t x) {
  return row + 4 * static_cast<intptr_t>(x);
}
inline uint8_t* at(uint8_t* row, int32_t x) { return row + 4 * static_cast<intptr_t>(x); }

inline uint32_t load(const uint8_t* pixel) {
  return uint32_t{pixel[kBlue]} | (uint32_t{pixel[kGreen]} << 8) | (uint32_t{pixel[kRed]} << 16) |
         (uint32_t{pixel[kFourth]} << 24);
}

inline void store(uint8_t* pixel, uint32_t value) {
  pixel[kBlue] = static_cast<uint8_t>(value);
  pixel[kGreen] = static_cast<uint8_t>(value >> 8);
  pixel[kRed] = static_cast<uint8_t>(value >> 16);
  pixel[kFourth] = static_cast<uint8_t>(value >> 24);
}

// Writes red, green and blue with the fourth byte 0, as results are written
// unless an operation states otherwise.
inline void storeRgb(uint8_t* pixel, uint8_t red, uint8_t green, uint8_t blue) {
  pixel[kBlue] = blue;
  pixel[kGreen] = green;
  pixel[kRed] = red;
  pixel[kFourth] = 0;
}

}  // namespace zrw::bgra32

#endif
