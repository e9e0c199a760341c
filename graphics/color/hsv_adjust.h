// Hue, saturation and brightness: rotating the hue and scaling saturation
// and brightness of each pixel through an integer HSV model (1024 steps per
// 60-degree sector), and the average hue, saturation and brightness of a
// selection in doubles.
#ifndef TVQ_COLOR_HSV_ADJUST_H
#define TVQ_COLOR_HSV_ADJUST_H

#include <cstddef>
#include <cstdint>

#include "graphics/frame/fast_path_table.h"
#include "graphics/frame/pixel_view.h"
#include "graphics/frame/selection.h"
#include "graphics/frame/sse2_available.h"
#include "host_binding/rb_abi.h"

namespace tvq {

// The adjustment in the model's units, as the methods compute it once per
// call: hue = floor(degrees * 1024 / 60), -6144..6143; saturation and
// brightness = trunc(factor * 1024), 0 to below 1000 * 1024.
struct HsvShift {
  int32_t hue = 0;
  int32_t saturation = 1024;
  int32_t brightness = 1024;
};

// n / d truncated toward zero, for 1 <= d <= 255 and |n| <= 1024 d: the
// divisions of the model, by multiplication.
int32_t hsvQuotient(int32_t n, int32_t d);

// The kernels: pixels only, on locked views.

// Writes every pixel of `target` (the source's size): adjusted inside the
// selection (fourth byte 0), copied as read outside it; with `negative`, the
// whole result is then replaced by its negative (each channel 255 minus
// itself, fourth byte 0).
void adjustHsv(const PixelView& source, const PixelView& target, const Selection& selection,
               const HsvShift& shift, bool negative);

// Writes every pixel of `target`: (m A + (255 - m) C) / 255 per channel, A
// adjusted, C the source channel, m the mask level; fourth byte 0.
void adjustHsvByMask(const PixelView& source, const PixelView& mask, const PixelView& target,
                     const HsvShift& shift);

// What the averages are made of, summed over the pixels of a selection.
struct HsvSums {
  int64_t red = 0, green = 0, blue = 0;  // wide: no picture overflows them
  double saturation = 0.0;               // (max - min) / max, 0 for black
  double brightness = 0.0;               // max / 256
  int64_t count = 0;
};
HsvSums sumHsv(const PixelView& source, const Selection& selection);

struct HsvAverages {
  double hue = -1.0;  // of the average colour, 0 to below 360; -1 for grey
  double saturation = 0.0;
  double brightness = 0.0;
};
// `sums` of at least one pixel.
HsvAverages averagesOf(const HsvSums& sums);

// The loops behind the kernels, for the equivalence test and benchmarks.
using HsvSelectionLoop = void (*)(const PixelView& source, const PixelView& target,
                                  const Selection& selection, const HsvShift& shift, bool negative);
using HsvMaskLoop = void (*)(const PixelView& source, const PixelView& mask,
                             const PixelView& target, const HsvShift& shift);
using HsvSumLoop = void (*)(const PixelView& source, const Selection& selection, HsvSums& sums);

// SSE2 (the Windows DLL's baseline) adds 32- and 24-bit selection loops and
// 32- and 24-bit mask loops before the portable ones, which builds without it keep.
#if TVQ_SSE2_AVAILABLE
inline constexpr size_t kHsvSelectionFastLoops = 5;
inline constexpr size_t kHsvMaskFastLoops = 9;
#else
inline constexpr size_t kHsvSelectionFastLoops = 3;
inline constexpr size_t kHsvMaskFastLoops = 5;
#endif
const FastPathTable<HsvSelectionLoop, kHsvSelectionFastLoops>& hsvSelectionLoops();
const FastPathTable<HsvMaskLoop, kHsvMaskFastLoops>& hsvMaskLoops();
const FastPathTable<HsvSumLoop, 3>& hsvSumLoops();

// The methods the host calls, receiver first.

// "TVQ_AdjustHSV(rect as TVQ_Rectangle, hue_degrees as double,
// saturation_factor as double, brightness_factor as double, negative as
// boolean) as picture"
RbPicture adjustHsvMethod(RbPicture source, RbObject rect, double hueDegrees,
                          double saturationFactor, double brightnessFactor, RbBoolean negative);

// "TVQ_AdjustHSVWithMask(mask as picture, hue_degrees as double,
// saturation_factor as double, brightness_factor as double) as picture"
RbPicture adjustHsvWithMaskMethod(RbPicture source, RbPicture mask, double hueDegrees,
                                  double saturationFactor, double brightnessFactor);

// "TVQ_GetAverageHSV(rect as TVQ_Rectangle, ByRef hue_degrees as double,
// ByRef saturation as double, ByRef brightness as double)"
void getAverageHsvMethod(RbPicture source, RbObject rect, double* hueDegrees, double* saturation,
                         double* brightness);

}  // namespace tvq

#endif
