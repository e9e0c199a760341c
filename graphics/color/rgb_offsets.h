// RGB offsets: a signed amount added to the red, green and blue channels of
// the selected pixels, clamped to 0..255.
//
// Three methods of the picture extension share it: a new picture from a
// rectangular selection, the same change made to the picture itself, and a
// new picture with the change weighted by a greyscale mask.
#ifndef TVQ_COLOR_RGB_OFFSETS_H
#define TVQ_COLOR_RGB_OFFSETS_H

#include <cstdint>

#include "graphics/frame/pixel_view.h"
#include "graphics/frame/selection.h"
#include "host_binding/rb_abi.h"

namespace tvq {

// Each within -255..255, as the methods check.
struct RgbDeltas {
  int32_t red = 0;
  int32_t green = 0;
  int32_t blue = 0;
};

// The kernels: pixels only, on locked views.

// Writes every pixel of `target` (the source's size): offset inside the
// selection, with the fourth byte 0; copied as read outside it, so a 32-bit
// pixel keeps its fourth byte there.
void offsetSelection(const PixelView& source, const PixelView& target, const Selection& selection,
                     const RgbDeltas& deltas);

// Changes the picture's own pixels at its own depth. Rows outside the
// selection are not touched; in the selected rows every pixel is read and
// written back, the selected ones offset. Pictures of 8 bits and fewer are
// left as they are: a writer cannot produce their palette indices.
void offsetInPlace(const PixelView& picture, const Selection& selection, const RgbDeltas& deltas);

// Writes every pixel of `target` with the offset weighted by the level of
// the mask pixel at the same place: level 0 keeps the colour, 255 applies the
// whole offset. The fourth byte of every 32-bit result pixel is 0.
void offsetByMask(const PixelView& source, const PixelView& mask, const PixelView& target,
                  const RgbDeltas& deltas);

// The methods the host calls, receiver first.

// "TVQ_AdjustRGB(rect as TVQ_Rectangle, red_delta as integer, green_delta as
// integer, blue_delta as integer) as picture"
RbPicture adjustRgbMethod(RbPicture source, RbObject rect, int32_t redDelta, int32_t greenDelta,
                          int32_t blueDelta);

// "TVQ_AdjustRGB_InPlace(rect as TVQ_Rectangle, red_delta as integer,
// green_delta as integer, blue_delta as integer)"
void adjustRgbInPlaceMethod(RbPicture source, RbObject rect, int32_t redDelta, int32_t greenDelta,
                            int32_t blueDelta);

// "TVQ_AdjustRGBWithMask(mask as picture, red_delta as integer, green_delta
// as integer, blue_delta as integer) as picture"
RbPicture adjustRgbWithMaskMethod(RbPicture source, RbPicture mask, int32_t redDelta,
                                  int32_t greenDelta, int32_t blueDelta);

}  // namespace tvq

#endif
