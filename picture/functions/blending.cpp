#include "picture/functions/blending.h"

#include <array>
#include <cmath>
#include <optional>

#include "picture/frame/bgra32.h"
#include "picture/frame/picture_operation.h"

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

// (a x wa + b x wb) / 1024 in wrapping 32-bit arithmetic, low byte kept.
uint8_t weighted(uint8_t a, uint32_t wa, uint8_t b, uint32_t wb) {
  const auto sum = static_cast<int32_t>(a * wa + b * wb);
  return static_cast<uint8_t>(sum / 1024);
}

}  // namespace

void blendRows(SourceRows source, int32_t sourceWeight, SourceRows dest, int32_t destWeight,
               ResultRows result) {
  const auto ws = static_cast<uint32_t>(sourceWeight), wd = static_cast<uint32_t>(destWeight);
  const size_t bytes = 4 * static_cast<size_t>(result.width);
  for (int32_t y = 0; y < result.height; ++y) {
    const uint8_t* s = source.row(y);
    const uint8_t* d = dest.row(y);
    uint8_t* out = result.row(y);
    for (size_t i = 0; i < bytes; i += 4) {
      out[i] = weighted(s[i], ws, d[i], wd);
      out[i + 1] = weighted(s[i + 1], ws, d[i + 1], wd);
      out[i + 2] = weighted(s[i + 2], ws, d[i + 2], wd);
      out[i + 3] = 0;
    }
  }
}

void blendRowsWithMask(SourceRows source, SourceRows dest, SourceRows mask, ResultRows result) {
  const size_t bytes = 4 * static_cast<size_t>(result.width);
  for (int32_t y = 0; y < result.height; ++y) {
    const uint8_t* s = source.row(y);
    const uint8_t* d = dest.row(y);
    const uint8_t* m = mask.row(y);
    uint8_t* out = result.row(y);
    for (size_t i = 0; i < bytes; i += 4) {
      const uint32_t level = (uint32_t{m[i]} + m[i + 1] + m[i + 2]) / 3;
      for (size_t c = 0; c < 3; ++c)
        out[i + c] = static_cast<uint8_t>((s[i + c] * (255 - level) + d[i + c] * level) / 255);
      out[i + 3] = 0;
    }
  }
}

void combineRows(SourceRows red, SourceRows blue, SourceRows green, ResultRows result) {
  for (int32_t y = 0; y < result.height; ++y) {
    const uint8_t* r = red.row(y);
    const uint8_t* g = green.row(y);
    const uint8_t* b = blue.row(y);
    uint8_t* out = result.row(y);
    for (int32_t x = 0; x < result.width; ++x, r += 4, g += 4, b += 4, out += 4)
      bgra32::storeRgb(out, r[bgra32::kRed], g[bgra32::kGreen], b[bgra32::kBlue]);
  }
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
