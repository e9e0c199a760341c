// Drawing one host picture into another: what "drawPicturePrimitive" does.
#ifndef RBHOST_DRAWING_H
#define RBHOST_DRAWING_H

#include "state.h"

namespace rbhost {

// Draws `source` into `bounds` of `target` (visual coordinates, top row
// first), scaled to the bounds by nearest neighbour and clipped to the
// target. Every pixel written gets the colour the source shows there, stored
// as setColor stores it; transparent drawing skips white pixels.
//
// Drawing at the source's own size, not transparent, into a target of 16, 24
// or 32 bits converts whole rows with a converter chosen once for the pair of
// depths. With `fastPaths` false, or in every other case, each pixel goes
// through the general reader and writer; both give the same bytes.
void drawPicture(PictureObject& source, PictureObject& target, const RbRect16& bounds,
                 bool transparent, bool fastPaths);

}  // namespace rbhost

#endif
