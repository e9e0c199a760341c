// The channel arithmetic the colour operations share.
#ifndef TVQ_FRAME_CHANNEL_MATH_H
#define TVQ_FRAME_CHANNEL_MATH_H

#include <cmath>
#include <cstdint>
#include <type_traits>

#include "graphics/frame/pixel_value.h"

namespace tvq {

constexpr uint8_t clampChannel(int32_t value) {
  return static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}
constexpr uint8_t clampChannel(int64_t value) {
  return static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

// A pixel of three computed channels, each clamped to 0..255; fourth byte 0.
constexpr PixelValue clampedPixel(int32_t red, int32_t green, int32_t blue) {
  return makePixel(clampChannel(red), clampChannel(green), clampChannel(blue));
}

// How a mask level m (0..255) weights an adjusted channel A against the
// original C.
enum class MaskWeighting : uint8_t {
  // (m A + (255 - m) C) / 255, truncated toward zero, then clamped: level 0
  // gives C, 255 gives A (clamped).
  Levels255,
  // w = m below 128 and m + 1 from 128 on (so 255 gives 256), then
  // (w A + (256 - w) C) >> 8, clamped; w = 0 leaves the pixel as it was.
  Steps256,
};

constexpr int32_t steps256Weight(uint8_t level) { return level < 128 ? level : level + 1; }

// `adjusted` may lie outside 0..255 (an offset or matrix result before its
// clamp). `Wide` holds the products: int64_t, the default, for any adjusted
// value; a caller may name int32_t for adjusted values within 16 bits
// (curves). It is never deduced from the argument, so a 32-bit argument
// still gets 64-bit products.
template <MaskWeighting Weighting, typename Wide = int64_t>
constexpr uint8_t maskBlend(std::type_identity_t<Wide> adjusted, uint8_t original, uint8_t level) {
  if constexpr (Weighting == MaskWeighting::Levels255) {
    const Wide m = level;
    return clampChannel(static_cast<int64_t>((m * adjusted + (255 - m) * original) / 255));
  } else {
    const Wide w = steps256Weight(level);
    // An arithmetic shift: it rounds toward minus infinity, as the rule says.
    return clampChannel(static_cast<int64_t>((w * adjusted + (256 - w) * original) >> 8));
  }
}

// A factor or weight from a program as 8.8 fixed point: trunc(x * 256).
// Callers have checked 0 <= x <= 255, so the product fits.
inline int32_t fixed8_8(double x) { return static_cast<int32_t>(x * 256.0); }

// Whether a double from a program lies in [low, high]; NaN never does.
constexpr bool withinInclusive(double x, double low, double high) { return x >= low && x <= high; }

}  // namespace tvq

#endif
