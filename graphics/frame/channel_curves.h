// The kernels of the colour operations that change each channel on its own:
// an operation computes, once per call, the value each of the 256 values of
// each channel becomes, and these kernels apply those curves.
#ifndef TVQ_FRAME_CHANNEL_CURVES_H
#define TVQ_FRAME_CHANNEL_CURVES_H

#include <array>
#include <cstdint>
#include <optional>

#include "graphics/frame/channel_math.h"
#include "graphics/frame/fast_path_table.h"
#include "graphics/frame/format_access.h"
#include "graphics/frame/pixel_view.h"
#include "graphics/frame/selection.h"

namespace tvq {

// For each channel, what every input value becomes, before the clamp to
// 0..255 (a mask blend may weight the unclamped value).
struct ChannelCurves {
  std::array<int16_t, 256> red{};
  std::array<int16_t, 256> green{};
  std::array<int16_t, 256> blue{};

  // Fills each channel's curve with curve(channel, value), channel 0 red,
  // 1 green, 2 blue.
  template <typename Curve>
  static ChannelCurves from(Curve curve) {
    ChannelCurves c;
    for (int32_t v = 0; v < 256; ++v) {
      const auto i = static_cast<size_t>(v);
      c.red[i] = static_cast<int16_t>(curve(0, v));
      c.green[i] = static_cast<int16_t>(curve(1, v));
      c.blue[i] = static_cast<int16_t>(curve(2, v));
    }
    return c;
  }
};

// A constant per channel, -255..255.
struct ChannelOffsets {
  int32_t red = 0;
  int32_t green = 0;
  int32_t blue = 0;
};

// The curves clamped to 0..255, as the selection kernels apply them.
struct ClampedCurves {
  explicit ClampedCurves(const ChannelCurves& curves);
  PixelValue apply(PixelValue v) const {
    return makePixel(red[redOf(v)], green[greenOf(v)], blue[blueOf(v)]);
  }
  std::array<uint8_t, 256> red{};
  std::array<uint8_t, 256> green{};
  std::array<uint8_t, 256> blue{};
  // The same values placed where a 32-bit pixel word holds them (fourth
  // byte 0), for loops that read and write whole words.
  std::array<uint32_t, 256> redWord{};
  std::array<uint32_t, 256> greenWord{};
  std::array<uint32_t, 256> blueWord{};
  // For 16-bit pixels: each 5-bit field's value read as 8 bits, through the
  // curve, back to 5 bits in its place in the 16-bit word (bit 15 0).
  std::array<uint16_t, 32> red555{};
  std::array<uint16_t, 32> green555{};
  std::array<uint16_t, 32> blue555{};
  // Set when every clamped curve is clamp(C + d) for one d per channel: such
  // curves run as saturating byte arithmetic.
  std::optional<ChannelOffsets> offsets;
};

// Writes every pixel of `target` (the source's size): the clamped curves in
// the selection, the rest copied by `copy`. Changed 32-bit pixels get a
// fourth byte of 0.
void applyCurves(const PixelView& source, const PixelView& target, const Selection& selection,
                 const ChannelCurves& curves, CopyRule copy);

// Changes the picture's own pixels: in the selected rows every pixel is read
// and written back, the selected ones through the clamped curves. Pictures
// of 8 bits and fewer are left as they are: a writer cannot produce their
// palette indices.
void applyCurvesInPlace(const PixelView& picture, const Selection& selection,
                        const ChannelCurves& curves);

// Writes every pixel of `target` blended between the source and its curve
// value (unclamped) by the mask level, by `weighting`; where the weighting
// leaves a pixel as it was, it is copied by `copy`.
void applyCurvesByMask(const PixelView& source, const PixelView& mask, const PixelView& target,
                       const ChannelCurves& curves, MaskWeighting weighting, CopyRule copy);

// Each channel's curve value of every pixel of the selection, summed in 64
// bits (no selection a picture can have overflows them), and the number of
// pixels.
struct ChannelSums {
  int64_t red = 0;
  int64_t green = 0;
  int64_t blue = 0;
  int64_t count = 0;
  bool operator==(const ChannelSums&) const = default;
  // A sum's mean, rounded down, over a non-empty selection: within the
  // range of the curve's values.
  int32_t meanOf(int64_t sum) const { return static_cast<int32_t>(sum / count); }
};
ChannelSums sumCurves(const PixelView& source, const Selection& selection,
                      const ChannelCurves& curves);

// The loops behind these kernels, for the equivalence test and benchmarks.
using CurveSelectionLoop = void (*)(const PixelView& source, const PixelView& target,
                                    const Selection& selection, const ClampedCurves& curves,
                                    CopyRule copy);
using CurveInPlaceLoop = void (*)(const PixelView& picture, const Selection& selection,
                                  const ClampedCurves& curves);
using CurveMaskLoop = void (*)(const PixelView& source, const PixelView& mask,
                               const PixelView& target, const ChannelCurves& curves, CopyRule copy);

using CurveSumLoop = ChannelSums (*)(const PixelView& source, const Selection& selection,
                                     const ChannelCurves& curves);

const FastPathTable<CurveSelectionLoop, 6>& curveSelectionLoops();
const FastPathTable<CurveSumLoop, 2>& curveSumLoops();
const FastPathTable<CurveInPlaceLoop, 2>& curveInPlaceLoops();
const FastPathTable<CurveMaskLoop, 6>& curveMaskLoops(MaskWeighting weighting);

}  // namespace tvq

#endif
