// Separable convolution: a selection filtered along rows with one kernel,
// then along columns with another, through an intermediate picture. Each
// channel is the kernel's weighted sum of the pixel's neighbours (edge pixels
// repeat) divided by the sum of the coefficients, clamped to 0..255.
#ifndef TVQ_COMPOSITE_CONVOLUTE_H
#define TVQ_COMPOSITE_CONVOLUTE_H

#include <array>
#include <cstdint>
#include <optional>

#include "graphics/classes/convolution_class.h"
#include "graphics/frame/fast_path_table.h"
#include "graphics/frame/pixel_view.h"
#include "graphics/frame/selection.h"
#include "host_binding/rb_abi.h"

namespace tvq {

// A kernel ready for a pass. Coefficients and sums are 64-bit, so no kernel
// a program can set overflows. A kernel whose coefficients add up to 0 is
// divided by 1 instead: it is an edge filter, its result clamped.
struct PassKernel {
  int32_t taps = 0;
  std::array<int64_t, 21> coefficients{};
  int64_t divisor = 1;
};
// Nothing for a nil kernel or one of width 0: such a pass copies.
std::optional<PassKernel> passKernelOf(const ConvolutionData* kernel);

// One pass from `in` to `out` (both of one size): the selected pixels
// filtered along rows (`horizontal`) or columns, every other pixel copied
// through the reader and writer; with no kernel every pixel is copied.
void convolvePass(const PixelView& in, const PixelView& out, const Selection& selection,
                  const PassKernel* kernel, bool horizontal);

using ConvolvePassLoop = void (*)(const PixelView& in, const PixelView& out,
                                  const Selection& selection, const PassKernel& kernel,
                                  bool horizontal);
const FastPathTable<ConvolvePassLoop, 6>& convolvePassLoops();

// "TVQ_Convolute(extends p as picture, rect as TVQ_Rectangle,
// horiz_convolution as TVQ_Convolution,vert_convolution as TVQ_Convolution)
// as picture"
RbPicture convoluteMethod(RbPicture p, RbObject rect, RbObject horizontal, RbObject vertical);

}  // namespace tvq

#endif
