// Whether two pictures of one size and depth are equal in red, green and blue
// over a selection.
#ifndef TVQ_COMPOSITE_COMPARE_H
#define TVQ_COMPOSITE_COMPARE_H

#include "graphics/frame/fast_path_table.h"
#include "graphics/frame/pixel_view.h"
#include "graphics/frame/selection.h"
#include "host_binding/rb_abi.h"

namespace tvq {

// True when every pixel of the selection reads the same red, green and blue
// in both views (a fourth byte does not count); both are of one size.
bool sameColors(const PixelView& source, const PixelView& compare, const Selection& selection);

using CompareLoop = bool (*)(const PixelView& source, const PixelView& compare,
                             const Selection& selection);
const FastPathTable<CompareLoop, 3>& compareLoops();

// "TVQ_Compare(compare as picture, rect as TVQ_Rectangle) as boolean"
RbBoolean compareMethod(RbPicture source, RbPicture compare, RbObject rect);

}  // namespace tvq

#endif
