// A map of where two pictures agree: white where both have the same value
// (whole values: a 32-bit pixel's fourth byte counts), red where they
// differ, and where they do not overlap a light green (inside the source
// only) or a light blue (outside the source). The map covers both pictures.
#ifndef TVQ_COMPOSITE_DIFFERENCE_H
#define TVQ_COMPOSITE_DIFFERENCE_H

#include "graphics/frame/fast_path_table.h"
#include "graphics/frame/pixel_view.h"
#include "host_binding/rb_abi.h"

namespace tvq {

// Writes every pixel of the 32-bit `map`, which is at least as wide and
// high as both pictures.
void differenceMap(const PixelView& source, const PixelView& compare, const PixelView& map);

using DifferenceLoop = void (*)(const PixelView& source, const PixelView& compare,
                                const PixelView& map);
const FastPathTable<DifferenceLoop, 2>& differenceLoops();

// "TVQ_Difference(compare as picture) as picture". The last-error code is
// left as it was found, on every path.
RbPicture differenceMethod(RbPicture source, RbPicture compare);

}  // namespace tvq

#endif
