// Down-sampling (posterisation): each channel rounded to the nearest multiple
// of 2^(8 - bits), 256 and above becoming 255, over the whole picture.
#ifndef TVQ_CONVERSION_DOWNSAMPLE_H
#define TVQ_CONVERSION_DOWNSAMPLE_H

#include <cstdint>

#include "graphics/frame/channel_curves.h"
#include "host_binding/rb_abi.h"

namespace tvq {

// The curve of a bits_per_channel already checked to 1..8, for all three
// channels.
ChannelCurves downsampleCurves(int32_t bitsPerChannel);

// "TVQ_Downsample(extends p as picture, bits_per_channel as integer) as
// picture"
RbPicture downsampleMethod(RbPicture p, int32_t bitsPerChannel);

}  // namespace tvq

#endif
