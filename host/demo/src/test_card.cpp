#include "rbdemo/test_card.h"

#include <algorithm>
#include <cmath>

namespace rbdemo {
namespace {

using rbhost::Rgb;

uint8_t toByte(double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

Rgb hue(double h) {  // h in [0, 1): full saturation and value
  const double r = std::fabs(h * 6 - 3) - 1, g = 2 - std::fabs(h * 6 - 2),
               b = 2 - std::fabs(h * 6 - 4);
  return {toByte(std::clamp(r, 0.0, 1.0) * 255), toByte(std::clamp(g, 0.0, 1.0) * 255),
          toByte(std::clamp(b, 0.0, 1.0) * 255)};
}

}  // namespace

// Bands from the top: colour bars (a third of the height), a grey ramp, a
// hue sweep, then a fine-detail zone of one-pixel lines, checks and a zone
// plate, where resampling and filtering show at once.
std::vector<Rgb> testCardPixels(int32_t width, int32_t height) {
  static const Rgb bars[] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                             {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
  std::vector<Rgb> px(size_t(width) * size_t(height));
  const int32_t barsEnd = height / 3, greyEnd = height / 2, hueEnd = height * 2 / 3;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      Rgb& c = px[size_t(y) * size_t(width) + size_t(x)];
      const double u = width > 1 ? double(x) / (width - 1) : 0;
      if (y < barsEnd) {
        c = bars[std::min<int32_t>(7, x * 8 / width)];
      } else if (y < greyEnd) {
        const uint8_t g = toByte(u * 255);
        c = {g, g, g};
      } else if (y < hueEnd) {
        // Full hue sweep, fading to white towards the band's bottom edge.
        const Rgb h = hue(std::min(u, 0.9999));
        const double fade = double(y - greyEnd) / std::max(1, hueEnd - greyEnd) * 0.6;
        c = {toByte(h.red + (255 - h.red) * fade), toByte(h.green + (255 - h.green) * fade),
             toByte(h.blue + (255 - h.blue) * fade)};
      } else if (x < width / 3) {
        const bool on = (x / (1 + (y - hueEnd) / 20)) % 2 == 0;  // lines one to four pixels wide
        c = on ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
      } else if (x < width * 2 / 3) {
        const int32_t cell = y < (hueEnd + height) / 2 ? 1 : 4;
        c = ((x / cell + y / cell) % 2 == 0) ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
      } else {
        const double cx = x - width * 5.0 / 6, cy = y - (hueEnd + height) / 2.0;
        const uint8_t g = toByte(127.5 + 127.5 * std::cos((cx * cx + cy * cy) * 0.06));
        c = {g, g, g};
      }
    }
  }
  return px;
}

std::vector<Rgb> overlayPixels(int32_t width, int32_t height) {
  std::vector<Rgb> px(size_t(width) * size_t(height));
  const double cx = width / 2.0, cy = height / 2.0, rmax = std::hypot(cx, cy);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const double t = std::hypot(x - cx, y - cy) / rmax;
      px[size_t(y) * size_t(width) + size_t(x)] = {
          toByte(255 * (1 - t)), toByte(160 * (1 - t) + 40 * t), toByte(40 + 200 * t)};
    }
  return px;
}

std::vector<Rgb> roundMaskPixels(int32_t width, int32_t height) {
  std::vector<Rgb> px(size_t(width) * size_t(height));
  const double cx = width / 2.0, cy = height / 2.0, r = std::min(cx, cy);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const double d = std::hypot(x - cx, y - cy) / r;
      const uint8_t level = toByte(255 * std::clamp(1.5 - 1.5 * d, 0.0, 1.0));
      px[size_t(y) * size_t(width) + size_t(x)] = {level, level, level};
    }
  return px;
}

}  // namespace rbdemo
