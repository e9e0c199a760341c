// Weighted averaging: every selected pixel pulled toward a centre colour by
// the mean of the pixel (weight 1) and the centre (an 8.8 weight w per
// channel), A = (256 C + w K) / (w + 256); and the mean colour of a selection.
#ifndef TVQ_COLOR_AVERAGING_H
#define TVQ_COLOR_AVERAGING_H

#include <cstdint>

#include "graphics/frame/channel_curves.h"
#include "host_binding/rb_abi.h"

namespace tvq {

// The curves of a centre colour and weights already checked to 0..255.
ChannelCurves averagingCurves(uint32_t center, double redWeight, double greenWeight,
                              double blueWeight);

// "TVQ_AverageRGB(rect as TVQ_Rectangle, center as color, red_weight as
// double, green_weight as double, blue_weight as double) as picture"
RbPicture averageRgbMethod(RbPicture source, RbObject rect, uint32_t center, double redWeight,
                           double greenWeight, double blueWeight);

// "TVQ_AverageRGBWithMask(mask as picture, center as color, red_weight as
// double, green_weight as double, blue_weight as double) as picture"
RbPicture averageRgbWithMaskMethod(RbPicture source, RbPicture mask, uint32_t center,
                                   double redWeight, double greenWeight, double blueWeight);

// "TVQ_GetAverageRGB(rect as TVQ_Rectangle, ByRef red as integer, ByRef green
// as integer, ByRef blue as integer)": each channel's mean over the
// selection, rounded down, into each reference passed.
void getAverageRgbMethod(RbPicture source, RbObject rect, int32_t* red, int32_t* green,
                         int32_t* blue);

}  // namespace tvq

#endif
