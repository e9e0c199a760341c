// A new 32-bit picture into which the host has drawn another picture: the one
// way this plug-in turns a picture of any other storage into 32 bits.
#ifndef PICTURE_FRAME_DRAWN_COPY_H
#define PICTURE_FRAME_DRAWN_COPY_H

#include <cstdint>

#include "host_binding/rb_abi.h"

namespace zrw {

// newPicture(width, height, 32) with `source` drawn into it, not transparent,
// at (0, 0). The caller owns the one reference of the result. Nil when
// `source` is nil, when the size is not positive or does not fit the host's
// 16-bit drawing bounds (so an absurd size is never handed to newPicture),
// when the host cannot create the picture, or when it has no drawing service
// or gives no graphics or drawing context for it (the copy would stay undrawn).
RbPicture drawInto32BitCopy(RbPicture source, int32_t width, int32_t height);

// The same at the size the source's description gives.
RbPicture drawInto32BitCopy(RbPicture source);

}  // namespace zrw

#endif
