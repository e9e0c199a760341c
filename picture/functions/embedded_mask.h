// The mask kept in the fourth byte of 32-bit pixels: "EmbededMaskZRW(swap as
// boolean) as picture" on Picture, which a program reads and assigns to (the
// name is spelled with one d).
//
// Reading gives a new picture of the picture's size whose pixels are
// (m, m, m) with fourth byte 0, m being the fourth byte, or 255 - m when
// `swap`; nil when the picture cannot be opened or the result created.
//
// Assigning a mask writes into the fourth byte of every pixel the red
// channel of the mask pixel at the same place, or 255 - red when `swap`. The
// write goes into the picture's own storage when the host keeps it as a
// packed 32-bit bitmap; for any other storage it reaches only a temporary
// 32-bit copy and so changes nothing. A mask of another size writes the area
// both pictures cover. A nil mask, or a picture or mask that cannot be
// opened, changes nothing.
#ifndef PICTURE_FUNCTIONS_EMBEDDED_MASK_H
#define PICTURE_FUNCTIONS_EMBEDDED_MASK_H

#include "host_binding/rb_abi.h"
#include "picture/frame/pixel_rows.h"

namespace zrw {

// The kernels. writeFourthBytes covers the area common to both pictures.
void readFourthBytes(SourceRows source, ResultRows result, bool swap);
void writeFourthBytes(ResultRows picture, SourceRows mask, bool swap);

RbPicture embeddedMask(RbPicture picture, RbBoolean swap);
void setEmbeddedMask(RbPicture picture, RbBoolean swap, RbPicture mask);

}  // namespace zrw

#endif
