// Turning the doubles and wide integers of the processing classes into
// channel values and fixed-point factors without undefined behaviour.
//
// A double from a program may be NaN, infinite or far outside any integer
// type. Every conversion here compares first and converts only what is in
// range, so a huge value gives the saturated result its arithmetic implies
// and NaN gives 0.
#ifndef PICTURE_CLASSES_CHANNEL_ARITHMETIC_H
#define PICTURE_CLASSES_CHANNEL_ARITHMETIC_H

#include <cstdint>
#include <limits>

namespace zrw {

// Truncated toward zero, then limited to 0..255; NaN gives 0.
inline uint8_t channelFromDouble(double value) {
  if (!(value > 0.0)) return 0;  // also NaN
  if (value >= 255.0) return 255;
  return static_cast<uint8_t>(value);
}

// Limited to 0..255.
inline uint8_t channelFromInteger(int64_t value) {
  if (value <= 0) return 0;
  if (value >= 255) return 255;
  return static_cast<uint8_t>(value);
}

// Truncated toward zero and limited to the range of int32_t; NaN gives 0.
inline int32_t int32FromDouble(double value) {
  if (!(value == value)) return 0;
  if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

}  // namespace zrw

#endif
