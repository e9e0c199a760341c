// Tinting: "TintPictureZRW(source as picture, GreyBase as color, SepiaBase
// as color) as picture", a global method giving a toned monochrome picture.
//
// Every pixel's luminance is l = red x GreyBase red / 255 + green x GreyBase
// green / 255 + blue x GreyBase blue / 255, and each result channel is
// l x the SepiaBase channel / 255, limited to 255 and truncated (double
// precision throughout). Fourth byte 0. Nil when the source cannot be opened
// or the result cannot be created.
#ifndef PICTURE_FUNCTIONS_TINT_H
#define PICTURE_FUNCTIONS_TINT_H

#include "host_binding/rb_abi.h"
#include "picture/frame/fast_paths.h"
#include "picture/frame/pixel_rows.h"

namespace zrw {

// KernelPath::General keeps to the plain per-pixel loop.
void tintRows(SourceRows source, ResultRows result, RbColor greyBase, RbColor sepiaBase,
              KernelPath path = KernelPath::Fast);

RbPicture tintPicture(RbPicture source, RbColor greyBase, RbColor sepiaBase);

}  // namespace zrw

#endif
