// The toning of PictureSepiaZRW: a weighted luminance in fixed point plus a
// tint per channel.
#ifndef PICTURE_CLASSES_SEPIA_KERNEL_H
#define PICTURE_CLASSES_SEPIA_KERNEL_H

#include <cstdint>

#include "picture/classes/processing_class.h"
#include "picture/frame/fast_paths.h"
#include "picture/frame/pixel_rows.h"

namespace zrw {

struct SepiaTone {
  // Weights in units of 1/1024: each factor times 1024, truncated toward
  // zero and limited to the range of int32_t (sepiaWeight).
  int32_t redWeight, greenWeight, blueWeight;
  int32_t redTint, greenTint, blueTint;
};

int32_t sepiaWeight(double factor);

// For every pixel of `area`: L = (red * wr + green * wg + blue * wb) / 1024,
// exact and truncated toward zero; each channel L + its tint, limited to
// 0..255; fourth byte 0. Pixels outside are not written.
void toneSepia(SourceRows in, ResultRows out, AreaBounds area, const SepiaTone& tone,
               KernelPath path = KernelPath::Fast);

}  // namespace zrw

#endif
