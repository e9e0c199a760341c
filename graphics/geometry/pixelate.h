// Pixelation: a selected area cut into square blocks laid out from its
// top-left corner, each filled with the mean colour of the pixels under it.
#ifndef TVQ_GEOMETRY_PIXELATE_H
#define TVQ_GEOMETRY_PIXELATE_H

#include <cstdint>

#include "graphics/frame/pixel_view.h"
#include "graphics/frame/selection.h"
#include "host_binding/rb_abi.h"

namespace tvq {

// Fills the blocks of side `side` (at least 1) of `picture`, in place. Blocks
// start at the selection's top-left corner, at every multiple of `side` that
// lies before its last row and column, and are cut only by the picture's
// edges.
void pixelateBlocks(const PixelView& picture, const Selection& selection, int32_t side);

// "TVQ_Pixelate(extends p as picture, rect as TVQ_Rectangle, pixelation as
// integer) as picture"
RbPicture pixelateMethod(RbPicture p, RbObject rect, int32_t pixelation);

}  // namespace tvq

#endif
