// Contrast: each channel stretched or compressed about a centre colour by an
// 8.8 fixed-point factor, A = (((C - K) f) >> 8) + K clamped to 0..255; and
// the mean distance of a selection's channels from the centre.
#ifndef TVQ_COLOR_CONTRAST_H
#define TVQ_COLOR_CONTRAST_H

#include <cstdint>

#include "graphics/frame/channel_curves.h"
#include "host_binding/rb_abi.h"

namespace tvq {

// The curves of a centre colour and factors already checked to 0..255.
ChannelCurves contrastCurves(uint32_t center, double redFactor, double greenFactor,
                             double blueFactor);

// "TVQ_AdjustContrast(extends p as picture, rect as TVQ_Rectangle, center as
// color, red_factor as double, green_factor as double, blue_factor as double)
// as picture". Pixels it leaves unchanged keep their stored bits when source
// and result share a format (a 16-bit pixel keeps bit 15).
RbPicture adjustContrastMethod(RbPicture p, RbObject rect, uint32_t center, double redFactor,
                               double greenFactor, double blueFactor);

// "TVQ_AdjustContrastWithMask(extends p as picture, mask as picture, center
// as color, red_factor as double, green_factor as double, blue_factor as
// double) as picture": the contrast blended in by 256 steps of the mask
// level; a pixel of level 0 is copied, keeping its stored bits when source,
// mask and result all share a format.
RbPicture adjustContrastWithMaskMethod(RbPicture p, RbPicture mask, uint32_t center,
                                       double redFactor, double greenFactor, double blueFactor);

// "TVQ_GetAverageContrast(extends p as picture, rect as TVQ_Rectangle,
// center as color, ByRef red_contrast as integer, ByRef green_contrast as
// integer, ByRef blue_contrast as integer)": the mean of |C - K| per channel,
// rounded down, into each reference passed.
void getAverageContrastMethod(RbPicture p, RbObject rect, uint32_t center, int32_t* redContrast,
                              int32_t* greenContrast, int32_t* blueContrast);

}  // namespace tvq

#endif
