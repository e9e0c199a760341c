#include "picture/functions/blending.h"

#include <array>
#include <cmath>
#include <optional>

#include "picture/frame/bgra32.h"
#include "picture/frame/picture_operation.h"
#include "picture/frame/pixel_words.h"

namespace zrw {
namespace {

// truncate(fraction x 1024) as a 32-bit weight, limited to that range.
std::optional<int32_t> weightOf(double fraction) {
  if (std::isnan(fraction)) return std::nullopt;
  const double scaled = std::trunc(fraction * 1024.0);
  if (scaled >= 2147483647.0) return INT32_MAX;
  if (scaled <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(scaled);
}

// The channel at `shift` of a pixel value.
uint32_t channel(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFFu; }

// x / 255 for 0 <= x <= 255 x 255, and x / 3 for 0 <= x <= 3 x 255, without
// a division, so the pixel loops vectorise.
uint32_t dividedBy255(uint32_t x) { return (x + 1 + (x >> 8)) >> 8; }
uint32_t dividedBy3(uint32_t x) { return (x * 683) >> 11; }

}  // namespace

void blendRows(SourceRows source, int32_t sourceWeight, SourceRows dest, int32_t destWeight,
               ResultRows result) {
  const auto ws = static_cast<uint32_t>(sourceWeight), wd = static_cast<uint32_t>(destWeight);
  // The weighted sum wraps as a 32-bit integer; the quotient is truncated
  // toward zero and its low byte kept.
  const auto weighted = [ws, wd](uint32_t s, uint32_t d, int shift) {
    const auto sum = static_cast<int32_t>(channel(s, shift) * ws + channel(d, shift) * wd);
    return (static_cast<uint32_t>(sum / 1024) & 0xFFu) << shift;
  };
  mapPixelValues(source, dest, result, [&weighted](uint32_t s, uint32_t d) {
    return weighted(s, d, 16) | weighted(s, d, 8) | weighted(s, d, 0);
  });
}

void blendRowsWithMask(SourceRows source, SourceRows dest, SourceRows mask, ResultRows result) {
  mapPixelValues(source, dest, mask, result, [](uint32_t s, uint32_t d, uint32_t m) {
    const uint32_t level = dividedBy3(channel(m, 16) + channel(m, 8) + channel(m, 0));
    const auto mixed = [level, s, d](int shift) {
      return dividedBy255(channel(s, shift) * (255 - level) + channel(d, shift) * level) << shift;
    };
    return mixed(16) | mixed(8) | mixed(0);
  });
}

void combineRows(SourceRows red, SourceRows blue, SourceRows green, ResultRows result) {
  mapPixelValues(red, blue, green, result, [](uint32_t r, uint32_t b, uint32_t g) {
    return (r & 0x00FF0000u) | (g & 0x0000FF00u) | (b & 0x000000FFu);
  });
}

RbPicture blendPictures(RbPicture source, double sourceFraction, RbPicture dest,
                        double destFraction) {
  const std::optional<int32_t> ws = weightOf(sourceFraction);
  const std::optional<int32_t> wd = weightOf(destFraction);
  if (!ws || !wd) return nullptr;
  return fromSameSizeSources(std::array{source, dest}, [&](const auto& in, ResultRows out) {
    blendRows(in[0], *ws, in[1], *wd, out);
  });
}

RbPicture blendPicturesWithMask(RbPicture source, RbPicture dest, RbPicture mask) {
  return fromSameSizeSources(std::array{source, dest, mask}, [](const auto& in, ResultRows out) {
    blendRowsWithMask(in[0], in[1], in[2], out);
  });
}

RbPicture combinePictures(RbPicture red, RbPicture blue, RbPicture green) {
  return fromSameSizeSources(std::array{red, blue, green}, [](const auto& in, ResultRows out) {
    combineRows(in[0], in[1], in[2], out);
  });
}

}  // namespace zrw
