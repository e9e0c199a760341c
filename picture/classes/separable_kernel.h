// The two passes of PictureConvolutionZRW: horizontal weights into an
// intermediate picture, vertical weights from it into the result.
#ifndef PICTURE_CLASSES_SEPARABLE_KERNEL_H
#define PICTURE_CLASSES_SEPARABLE_KERNEL_H

#include <cstdint>

#include "picture/frame/fast_paths.h"
#include "picture/frame/pixel_rows.h"

namespace zrw {

inline constexpr int32_t kMaxTaps = 20;

struct SeparableFilter {
  int32_t taps;  // 1..kMaxTaps
  double horizontal[kMaxTaps];
  double vertical[kMaxTaps];
  bool red, green, blue;  // filtered; the others are copied
};

// With n taps and half = n / 2, the window of tap i starts half positions
// before the centre. The horizontal pass computes the columns half .. W - 2 *
// half (never beyond W - 1) of every row into a zero-filled intermediate
// picture; the vertical pass then the rows half .. H - 2 * half (never beyond
// H - 1) of the result, every column. A filtered channel is the sum of the
// weights times the channel in double precision, taps in order, truncated
// and limited to 0..255 (NaN gives 0); any other channel is copied. The
// result's fourth bytes and the rows outside are not written.
//
// False, with nothing written, when the intermediate cannot be allocated.
bool convolveSeparable(SourceRows in, ResultRows out, const SeparableFilter& filter,
                       KernelPath path = KernelPath::Fast);

}  // namespace zrw

#endif
