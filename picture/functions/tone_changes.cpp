#include "picture/functions/tone_changes.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>

#include "picture/frame/bgra32.h"
#include "picture/frame/fast_paths.h"
#include "picture/frame/picture_operation.h"

namespace zrw {
namespace {

// A tone curve depends on the channel value alone, so each call evaluates it
// once per possible value and the pixel loop only looks values up.
using ToneCurve = std::array<uint8_t, 256>;

struct ChannelCurves {
  ToneCurve red;
  ToneCurve green;
  ToneCurve blue;
};

// The caller's double as the curves use it: nullopt for NaN, the largest
// finite double of the same sign for an infinity (see tone_changes.h).
std::optional<double> curveParameter(double value) {
  if (std::isnan(value)) return std::nullopt;
  if (std::isinf(value)) return std::copysign(std::numeric_limits<double>::max(), value);
  return value;
}

// Clamped to 0..255, then truncated toward zero. Comparing before converting
// keeps every conversion in range, infinities included.
uint8_t clampedTruncation(double value) {
  if (!(value > 0.0)) return 0;
  if (value >= 255.0) return 255;
  return static_cast<uint8_t>(value);
}

// The low eight bits of the value truncated toward zero, as a byte store of
// an integer of any width would keep them. fmod is exact, so this holds for
// every finite double; no integer conversion sees anything but 0..255.
uint8_t lowByteOfTruncation(double value) {
  if (!std::isfinite(value)) return 0;
  double low = std::fmod(std::trunc(value), 256.0);
  if (low < 0.0) low += 256.0;
  return static_cast<uint8_t>(low);
}

template <typename Tone>
ToneCurve curveOf(Tone tone) {
  ToneCurve curve;
  for (size_t v = 0; v < curve.size(); ++v) curve[v] = tone(static_cast<double>(v));
  return curve;
}

ToneCurve absoluteBrightness(double x) {
  return curveOf([x](double v) { return clampedTruncation(v + x); });
}

ToneCurve linearBrightness(double x) {
  // Negative x darkens towards black keeping 0 fixed, positive x lightens
  // towards white keeping 255 fixed.
  const double offset = x < 0.0 ? 0.0 : x;
  const double slope = x < 0.0 ? (255.0 + x) / 255.0 : (255.0 - x) / 255.0;
  return curveOf([offset, slope](double v) { return lowByteOfTruncation(offset + slope * v); });
}

ToneCurve contrast(double x) {
  // The pivot is 127: x = -1 makes every channel 127.
  return curveOf([x](double v) { return clampedTruncation(127.0 + (1.0 + x) * (v - 127.0)); });
}

ToneCurve custom(double a, double b) {
  return curveOf([a, b](double v) { return clampedTruncation(b + a * v); });
}

// The curves moved to where each channel lies in a little-endian pixel word,
// so a pixel is three lookups, two ORs and one store; the fourth byte of
// every entry is 0, as results carry it.
struct PlacedCurves {
  std::array<uint32_t, 256> red;
  std::array<uint32_t, 256> green;
  std::array<uint32_t, 256> blue;
};

PlacedCurves placed(const ChannelCurves& curves) {
  PlacedCurves words;
  for (size_t v = 0; v < 256; ++v) {
    words.red[v] = uint32_t{curves.red[v]} << (8 * bgra32::kRed);
    words.green[v] = uint32_t{curves.green[v]} << (8 * bgra32::kGreen);
    words.blue[v] = uint32_t{curves.blue[v]} << (8 * bgra32::kBlue);
  }
  return words;
}

RbPicture applyCurves(RbPicture source, const ChannelCurves& curves) {
  if (std::endian::native == std::endian::little && kernelPath() == KernelPath::Fast) {
    const PlacedCurves words = placed(curves);
    return mapRows(source, [&words](const uint8_t* in, uint8_t* out, int32_t width) {
      for (int32_t x = 0; x < width; ++x, in += 4, out += 4) {
        const uint32_t pixel = words.red[in[bgra32::kRed]] | words.green[in[bgra32::kGreen]] |
                               words.blue[in[bgra32::kBlue]];
        std::memcpy(out, &pixel, 4);
      }
    });
  }
  return mapRows(source, [&curves](const uint8_t* in, uint8_t* out, int32_t width) {
    for (int32_t x = 0; x < width; ++x, in += 4, out += 4)
      bgra32::storeRgb(out, curves.red[in[bgra32::kRed]], curves.green[in[bgra32::kGreen]],
                       curves.blue[in[bgra32::kBlue]]);
  });
}

// One parameter per channel, each shaping its channel's curve.
template <typename CurveFor>
RbPicture changeChannels(RbPicture source, double red, double green, double blue,
                         CurveFor curveFor) {
  const std::optional<double> r = curveParameter(red);
  const std::optional<double> g = curveParameter(green);
  const std::optional<double> b = curveParameter(blue);
  if (!r || !g || !b) return nullptr;
  return applyCurves(source, ChannelCurves{curveFor(*r), curveFor(*g), curveFor(*b)});
}

}  // namespace

RbPicture changeBrightnessAbsoluteRgb(RbPicture source, double red, double green, double blue) {
  return changeChannels(source, red, green, blue, absoluteBrightness);
}

RbPicture changeBrightnessAbsolute(RbPicture source, double x) {
  return changeBrightnessAbsoluteRgb(source, x, x, x);
}

RbPicture changeBrightnessLinearRgb(RbPicture source, double red, double green, double blue) {
  return changeChannels(source, red, green, blue, linearBrightness);
}

RbPicture changeBrightnessLinear(RbPicture source, double x) {
  return changeBrightnessLinearRgb(source, x, x, x);
}

RbPicture changeContrastRgb(RbPicture source, double red, double green, double blue) {
  return changeChannels(source, red, green, blue, contrast);
}

RbPicture changeContrast(RbPicture source, double x) { return changeContrastRgb(source, x, x, x); }

RbPicture changeCustom(RbPicture source, double a, double b) {
  const std::optional<double> slope = curveParameter(a);
  const std::optional<double> offset = curveParameter(b);
  if (!slope || !offset) return nullptr;
  const ToneCurve curve = custom(*slope, *offset);
  return applyCurves(source, ChannelCurves{curve, curve, curve});
}

}  // namespace zrw
