// Whether a locked mask argument fits the picture it weights.
#ifndef TVQ_FRAME_MASK_ARGUMENT_H
#define TVQ_FRAME_MASK_ARGUMENT_H

#include "graphics/frame/last_error.h"
#include "graphics/frame/pixel_value.h"
#include "graphics/frame/pixel_view.h"

namespace tvq {

// MaskSize when the sizes differ, MaskNotGrey when the depth is not one a
// picture can have; both checks are made and the depth check, made second,
// decides when both fail. None when the mask fits.
ErrorCode maskArgumentError(const PixelView& mask, const PixelView& picture);

// The level (0..255) a mask pixel weights with: its blue channel.
constexpr uint8_t maskLevelOf(PixelValue maskPixel) { return blueOf(maskPixel); }

}  // namespace tvq

#endif
