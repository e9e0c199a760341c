// An overlay laid over a source through a greyscale mask of the overlay's
// size: the mask's blue level m at the overlay position weights the overlay
// by w = m + (m >> 7) out of 256, so white shows the overlay fully and black
// keeps the source as it was read (fourth byte included). Only the mask
// argument weights; a mask the overlay carries itself is not consulted.
#ifndef TVQ_COMPOSITE_COMPOSITE_MASK_H
#define TVQ_COMPOSITE_COMPOSITE_MASK_H

#include <cstdint>

#include "graphics/frame/fast_path_table.h"
#include "graphics/frame/overlay_blend.h"
#include "graphics/frame/pixel_view.h"
#include "host_binding/rb_abi.h"

namespace tvq {

// Writes every pixel of `target` (the source's size): the covered pixels
// blended by the mask, the rest copied. Should the mask ever differ from the
// overlay in size, only the part both share is laid over.
void compositeByMask(const PixelView& source, const PixelView& overlay, const PixelView& mask,
                     const PixelView& target, OverlayPlacement at);

using MaskedCompositeLoop = void (*)(const PixelView& source, const PixelView& overlay,
                                     const PixelView& mask, const PixelView& target,
                                     OverlayPlacement at);
// Entries name the formats of the source, the overlay (as `second`) and the
// target; the mask is read at any depth.
const FastPathTable<MaskedCompositeLoop, 2>& maskedCompositeLoops();

// "TVQ_CompositeWithMask(extends p as picture, overlay as picture, mask as
// picture, left as integer, top as integer) as picture"
RbPicture compositeWithMaskMethod(RbPicture p, RbPicture overlay, RbPicture mask, int32_t left,
                                  int32_t top);

}  // namespace tvq

#endif
