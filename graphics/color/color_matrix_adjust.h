// The colour-matrix forms of TVQ_AdjustRGB and TVQ_AdjustRGBWithMask: each
// pixel's (R, G, B), taken as a row vector, times a TVQ_ColorMatrix in 22.10
// fixed point.
#ifndef TVQ_COLOR_COLOR_MATRIX_ADJUST_H
#define TVQ_COLOR_COLOR_MATRIX_ADJUST_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "graphics/classes/color_matrix.h"
#include "graphics/frame/fast_path_table.h"
#include "graphics/frame/pixel_view.h"
#include "graphics/frame/selection.h"
#include "graphics/frame/sse2_available.h"
#include "host_binding/rb_abi.h"

namespace tvq {

// The matrix as the kernels apply it: k(i, j) = trunc(element(i, j) * 1024)
// at i * 3 + j. An element whose product lies outside the 32-bit range is
// held at the nearest end of it (so +inf and 1e300 give 2^31 - 1, -inf gives
// -2^31), and NaN gives 0: no element reaches an integer conversion it does
// not fit.
struct FixedColorMatrix {
  std::array<int32_t, 9> k{};

  static FixedColorMatrix from(const ColorMatrixData& m);
  int32_t at(int32_t i, int32_t j) const { return k[static_cast<size_t>(i * 3 + j)]; }
};

// The kernels: pixels only, on locked views. Each output channel j is
// (R k(0, j) + G k(1, j) + B k(2, j)) / 1024, truncated toward zero; the sums
// are formed in 64 bits, so no matrix overflows them.

// Writes every pixel of `target` (the source's size): inside the selection
// the product clamped to 0..255 with the fourth byte 0, outside it the pixel
// copied as read.
void applyColorMatrix(const PixelView& source, const PixelView& target, const Selection& selection,
                      const FixedColorMatrix& matrix);

// Writes every pixel of `target`: (A m + C (255 - m)) / 255 per channel,
// then clamped, with A the product before any clamp, C the source channel
// and m the mask level. The fourth byte of every 32-bit result pixel is 0.
void applyColorMatrixByMask(const PixelView& source, const PixelView& mask, const PixelView& target,
                            const FixedColorMatrix& matrix);

// The loops behind the kernels, for the equivalence test and benchmarks.
using ColorMatrixSelectionLoop = void (*)(const PixelView& source, const PixelView& target,
                                          const Selection& selection,
                                          const FixedColorMatrix& matrix);
using ColorMatrixMaskLoop = void (*)(const PixelView& source, const PixelView& mask,
                                     const PixelView& target, const FixedColorMatrix& matrix);

// SSE2 (the Windows DLL's baseline) adds 32- and 24-bit selection loops and
// 32- and 24-bit mask loops before the portable ones, which builds without it keep.
#if TVQ_SSE2_AVAILABLE
inline constexpr size_t kColorMatrixSelectionFastLoops = 5;
inline constexpr size_t kColorMatrixMaskFastLoops = 9;
#else
inline constexpr size_t kColorMatrixSelectionFastLoops = 3;
inline constexpr size_t kColorMatrixMaskFastLoops = 5;
#endif
const FastPathTable<ColorMatrixSelectionLoop, kColorMatrixSelectionFastLoops>&
colorMatrixSelectionLoops();
const FastPathTable<ColorMatrixMaskLoop, kColorMatrixMaskFastLoops>& colorMatrixMaskLoops();

// The methods the host calls, receiver first.

// "TVQ_AdjustRGB(rect as TVQ_Rectangle, cm as TVQ_ColorMatrix) as picture"
RbPicture adjustRgbByMatrixMethod(RbPicture source, RbObject rect, RbObject cm);

// "TVQ_AdjustRGBWithMask(mask as picture, cm as TVQ_ColorMatrix) as picture"
RbPicture adjustRgbByMatrixWithMaskMethod(RbPicture source, RbPicture mask, RbObject cm);

}  // namespace tvq

#endif
