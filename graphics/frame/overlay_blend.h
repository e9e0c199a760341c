// Laying one picture over another: where an overlay placed with its first
// pixel at (left, top) covers a picture, and the blend of a covered pixel
// with weights out of 256.
//
// Coordinates count rows in memory order, as everywhere else: the "top-left"
// corner of an overlay is its first pixel in memory.
#ifndef TVQ_FRAME_OVERLAY_BLEND_H
#define TVQ_FRAME_OVERLAY_BLEND_H

#include <algorithm>
#include <cstdint>

#include "graphics/frame/pixel_value.h"

namespace tvq {

// Where the overlay's first pixel goes on the picture; any int32 values.
struct OverlayPlacement {
  int32_t left = 0;
  int32_t top = 0;
};

// The pixels of a picture an overlay covers, bounds included; empty when
// right < left or bottom < top.
struct CoveredArea {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = -1;
  int32_t bottom = -1;
  constexpr bool empty() const { return right < left || bottom < top; }
  constexpr bool coversRow(int32_t y) const { return !empty() && y >= top && y <= bottom; }
};

// Rows max(top, 0) to min(top + overlayHeight - 1, height - 1), columns
// alike, computed in 64 bits: no placement wraps around.
constexpr CoveredArea coveredArea(int32_t width, int32_t height, int32_t overlayWidth,
                                  int32_t overlayHeight, OverlayPlacement at) {
  const int64_t left = std::max<int64_t>(at.left, 0);
  const int64_t top = std::max<int64_t>(at.top, 0);
  const int64_t right = std::min<int64_t>(int64_t{at.left} + overlayWidth - 1, int64_t{width} - 1);
  const int64_t bottom =
      std::min<int64_t>(int64_t{at.top} + overlayHeight - 1, int64_t{height} - 1);
  if (right < left || bottom < top) return {};
  return {static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right),
          static_cast<int32_t>(bottom)};
}

// Whether an overlay at `at` lies wholly off the picture: it starts right of
// or below the last pixel, or ends left of or above the first.
constexpr bool placedOffPicture(int32_t width, int32_t height, int32_t overlayWidth,
                                int32_t overlayHeight, OverlayPlacement at) {
  return at.left >= width || at.top >= height || int64_t{at.left} + overlayWidth < 1 ||
         int64_t{at.top} + overlayHeight < 1;
}

// (overlay × w + source × (256 - w)) >> 8 for red, green and blue, w in
// 0..256; the fourth byte of the result is 0. Red and blue share one 32-bit
// product: each channel's sum is below 65536, so neither carries into the
// other, and the result is the channel-by-channel one exactly.
constexpr PixelValue blendPixel(PixelValue overlay, PixelValue source, uint32_t w) {
  const uint32_t v = 256 - w;
  const uint32_t redBlue =
      (((overlay & 0xFF00FFu) * w + (source & 0xFF00FFu) * v) >> 8) & 0xFF00FFu;
  const uint32_t green = (((overlay & 0xFF00u) * w + (source & 0xFF00u) * v) >> 8) & 0xFF00u;
  return redBlue | green;
}

// The weight of a pixel whose overlay carries its own mask: a mask level m
// (0 shows the overlay, 255 hides it) scales the fraction's weight w to
// ((255 - m) × w) / 255, truncated.
constexpr uint32_t ownMaskWeight(uint8_t level, uint32_t w) { return ((255u - level) * w) / 255u; }

// The weight of a mask argument's level m: m + (m >> 7), so 0..255 maps
// onto 0..256 with 128 and above one more.
constexpr uint32_t maskArgumentWeight(uint8_t level) { return level + (level >> 7u); }

}  // namespace tvq

#endif
