// Plain 32-bit copies: extension methods of Picture.
//
//   "CloneZRW as picture"    a new 32-bit picture of the source's size into
//                            which the host has drawn the source
//   "BitmapZRW as picture"   the source itself, with one more reference for
//                            the caller, when the host keeps it as a packed
//                            32-bit bitmap; otherwise what CloneZRW gives
//
// Nil for a nil source or when the copy cannot be made.
#ifndef PICTURE_FUNCTIONS_COPIES_H
#define PICTURE_FUNCTIONS_COPIES_H

#include "host_binding/rb_abi.h"

namespace zrw {

RbPicture clonePicture(RbPicture source);
RbPicture bitmapPicture(RbPicture source);

}  // namespace zrw

#endif
