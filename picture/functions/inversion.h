// Inversion of a rectangle: "InvertZRW(left as integer,top as integer,
// width as integer,height as integer) as picture", an extension method of
// Picture.
//
// The result has the source's size. Inside the rectangle every channel
// becomes 255 - value and the fourth byte 0; pixels outside it are not
// written and keep what the host put into the new picture. The rectangle's
// right and bottom edges are left + width and top + height of the arguments
// as given (in 64 bits, so no sum wraps), then the rectangle is limited to
// the picture: InvertZRW(-5, -5, 10, 10) inverts the 5 x 5 square at the top
// left. An empty or negative extent inverts nothing.
#ifndef PICTURE_FUNCTIONS_INVERSION_H
#define PICTURE_FUNCTIONS_INVERSION_H

#include <cstdint>

#include "host_binding/rb_abi.h"
#include "picture/frame/fast_paths.h"
#include "picture/frame/pixel_rows.h"

namespace zrw {

// Pixels left <= x < right, top <= y < bottom; empty when either extent is
// not positive.
struct PixelArea {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool empty() const { return right <= left || bottom <= top; }
};

// The part of the rectangle the arguments describe that lies in a
// pictureWidth x pictureHeight picture.
PixelArea invertedArea(int32_t left, int32_t top, int32_t width, int32_t height,
                       int32_t pictureWidth, int32_t pictureHeight);

// Inverts `area` (within both pictures) of `source` into `result`.
// KernelPath::General keeps to the plain per-pixel loop.
void invertArea(SourceRows source, ResultRows result, PixelArea area,
                KernelPath path = KernelPath::Fast);

RbPicture invertPicture(RbPicture source, int32_t left, int32_t top, int32_t width, int32_t height);

}  // namespace zrw

#endif
