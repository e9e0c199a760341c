// PaletteZRW's factories and the Picture extension property that names it.
#ifndef PICTURE_CLASSES_PALETTE_CLASS_H
#define PICTURE_CLASSES_PALETTE_CLASS_H

#include "host_binding/rb_abi.h"

namespace zrw {

// "New...PaletteZRW as PaletteZRW": a new instance of PaletteZRW made by the
// host, filled; nil when the host cannot make one.
RbObject newGrayPalette();
RbObject newWebPalette();
RbObject newRedPalette();
RbObject newGreenPalette();
RbObject newBluePalette();
RbObject newSystemPalette();  // the Windows palette when the screen cannot be read
RbObject newWindowsPalette();
RbObject newPalmPalette();
// "NewPaletteZRW(count as integer) as PaletteZRW": all black, Count as given.
RbObject newPalette(int32_t count);

// "PaletteZRW as PaletteZRW" of Picture: reads nil, ignores assignment.
RbObject picturePalette(RbPicture picture);
void picturePaletteSet(RbPicture picture, RbObject palette);

}  // namespace zrw

#endif
