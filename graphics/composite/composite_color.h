// A flat colour laid over a selection at a fraction: inside the selection
// each channel becomes (source × ws + colour × wo) >> 8, with the two weights
// wo = trunc(fraction × 256) and ws = trunc((1 - fraction) × 256) truncated
// apart (so they can add up to 255); the rest is copied.
#ifndef TVQ_COMPOSITE_COMPOSITE_COLOR_H
#define TVQ_COMPOSITE_COMPOSITE_COLOR_H

#include <cstdint>

#include "graphics/frame/channel_curves.h"
#include "graphics/frame/pixel_view.h"
#include "graphics/frame/selection.h"
#include "host_binding/rb_abi.h"

namespace tvq {

struct ColorOverWeights {
  uint32_t source = 0;  // 0..256
  uint32_t color = 0;   // 0..256
};

// Each channel's value after the blend: a curve of the source's channel alone.
ChannelCurves colorOverCurves(RbColor color, ColorOverWeights weights);

// The kernel: every pixel of `target` (the source's size) written, the
// selection blended, changed 32-bit pixels with a fourth byte of 0.
void compositeColor(const PixelView& source, const PixelView& target, const Selection& selection,
                    RbColor color, ColorOverWeights weights);

// "TVQ_Composite(extends p as picture, rect as TVQ_Rectangle, overlay_color
// as color, overlay_fraction as double) as picture"
RbPicture compositeColorMethod(RbPicture p, RbObject rect, RbColor color, double fraction);

}  // namespace tvq

#endif
