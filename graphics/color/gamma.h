// Gamma: each channel bent through a curve of two straight segments that meet
// at a knee above the centre colour's component K: below it the channel is
// scaled by the 8.8 factor f, above it a line runs from the knee to
// (255, 255).
#ifndef TVQ_COLOR_GAMMA_H
#define TVQ_COLOR_GAMMA_H

#include <cstdint>

#include "graphics/frame/channel_curves.h"
#include "host_binding/rb_abi.h"

namespace tvq {

// The curves of a centre colour and factors already checked to 0..255,
// clamped to 0..255.
ChannelCurves gammaCurves(uint32_t center, double redFactor, double greenFactor, double blueFactor);

// "TVQ_AdjustGamma(rect as TVQ_Rectangle, center as color, red_factor as
// double, green_factor as double, blue_factor as double) as picture"
RbPicture adjustGammaMethod(RbPicture source, RbObject rect, uint32_t center, double redFactor,
                            double greenFactor, double blueFactor);

// "TVQ_AdjustGammaWithMask(mask as picture, center as color, red_factor as
// double, green_factor as double, blue_factor as double) as picture": the
// curve blended in by m / 255.
RbPicture adjustGammaWithMaskMethod(RbPicture source, RbPicture mask, uint32_t center,
                                    double redFactor, double greenFactor, double blueFactor);

}  // namespace tvq

#endif
