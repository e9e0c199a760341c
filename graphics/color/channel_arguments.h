// Arguments the colour operations share: a centre colour read per channel,
// and three per-channel factors with their bounds and fixed-point form.
#ifndef TVQ_COLOR_CHANNEL_ARGUMENTS_H
#define TVQ_COLOR_CHANNEL_ARGUMENTS_H

#include <array>
#include <cstdint>

#include "graphics/frame/channel_math.h"
#include "graphics/frame/operation.h"

namespace tvq {

// Channel 0 red, 1 green, 2 blue, as ChannelCurves::from numbers them.
using PerChannel = std::array<int32_t, 3>;

// The components of a host colour 0x00RRGGBB; the top byte is ignored.
constexpr PerChannel componentsOf(uint32_t color) {
  return {static_cast<int32_t>((color >> 16) & 0xFF), static_cast<int32_t>((color >> 8) & 0xFF),
          static_cast<int32_t>(color & 0xFF)};
}

// Three factors from a program, each within 0.0..255.0 inclusive; the first
// outside (red, then green, then blue) names the failure. NaN is outside.
inline bool checkChannelFactors(Operation& op, double red, double green, double blue) {
  return op.check(withinInclusive(red, 0.0, 255.0), ErrorCode::RedOutOfBounds) &&
         op.check(withinInclusive(green, 0.0, 255.0), ErrorCode::GreenOutOfBounds) &&
         op.check(withinInclusive(blue, 0.0, 255.0), ErrorCode::BlueOutOfBounds);
}

// The checked factors as 8.8 fixed point, trunc(factor × 256).
inline PerChannel fixedFactors(double red, double green, double blue) {
  return {fixed8_8(red), fixed8_8(green), fixed8_8(blue)};
}

}  // namespace tvq

#endif
