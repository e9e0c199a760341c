// Threshold: every pixel on one side of a threshold colour replaced by a
// target colour, the three channel comparisons joined by AND or OR.
#ifndef TVQ_COLOR_THRESHOLD_H
#define TVQ_COLOR_THRESHOLD_H

#include <cstdint>

#include "graphics/frame/fast_path_table.h"
#include "graphics/frame/pixel_value.h"
#include "graphics/frame/pixel_view.h"
#include "graphics/frame/selection.h"
#include "host_binding/rb_abi.h"

namespace tvq {

struct ThresholdRule {
  bool darker = false;       // at or below the threshold; else at or above it
  bool allChannels = false;  // AND of the three comparisons; else OR
  uint32_t threshold = 0;    // host colour; the top byte is ignored
  uint32_t target = 0;       // host colour; written with fourth byte 0

  // Written without branches on the pixel: on real pictures the outcome
  // changes from pixel to pixel.
  bool passes(PixelValue v) const {
    const int32_t r = redOf(v), g = greenOf(v), b = blueOf(v);
    const int32_t tr = (threshold >> 16) & 0xFF, tg = (threshold >> 8) & 0xFF,
                  tb = threshold & 0xFF;
    const bool red = darker ? r <= tr : r >= tr;
    const bool green = darker ? g <= tg : g >= tg;
    const bool blue = darker ? b <= tb : b >= tb;
    return allChannels ? (red & green & blue) : (red | green | blue);
  }
  // The target when `v` passes, `v` itself otherwise.
  PixelValue apply(PixelValue v) const {
    const uint32_t chosen = 0u - static_cast<uint32_t>(passes(v));
    return v ^ ((v ^ targetPixel()) & chosen);
  }
  PixelValue targetPixel() const { return target & 0x00FFFFFFu; }
};

// Writes every pixel of `target`: a passing pixel of the selection becomes
// the target colour, every other pixel is copied as read.
void thresholdSelection(const PixelView& source, const PixelView& target,
                        const Selection& selection, const ThresholdRule& rule);

// Writes every pixel of `target`: the target colour for a passing pixel, the
// pixel itself otherwise, blended with the source by m / 255.
void thresholdByMask(const PixelView& source, const PixelView& mask, const PixelView& target,
                     const ThresholdRule& rule);

using ThresholdSelectionLoop = void (*)(const PixelView& source, const PixelView& target,
                                        const Selection& selection, const ThresholdRule& rule);
using ThresholdMaskLoop = void (*)(const PixelView& source, const PixelView& mask,
                                   const PixelView& target, const ThresholdRule& rule);
const FastPathTable<ThresholdSelectionLoop, 4>& thresholdSelectionLoops();
const FastPathTable<ThresholdMaskLoop, 4>& thresholdMaskLoops();

// "TVQ_Threshold(extends p as picture, rect as TVQ_Rectangle, darker as
// boolean, and_threshold as boolean, threshold as color, target as color) as
// picture"
RbPicture thresholdMethod(RbPicture p, RbObject rect, bool darker, bool andThreshold,
                          uint32_t threshold, uint32_t target);

// "TVQ_ThresholdWithMask(extends p as picture, mask as picture, darker as
// boolean, and_threshold as boolean, threshold as color, target as color) as
// picture"
RbPicture thresholdWithMaskMethod(RbPicture p, RbPicture mask, bool darker, bool andThreshold,
                                  uint32_t threshold, uint32_t target);

}  // namespace tvq

#endif
