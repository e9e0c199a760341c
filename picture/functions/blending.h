// Pictures made from two or three pictures of one size: global methods.
//
//   "BlendPicturesZRW(source as picture, sourcepercent as double, dest as
//   picture, destpercent as double) as picture"
//       every channel (source x ws + dest x wd) / 1024 with
//       ws = truncate(sourcepercent x 1024), wd likewise: the weights are
//       fractions of 1. The sum is a 32-bit integer that wraps and the
//       quotient is truncated toward zero; the byte stored is its low eight
//       bits, so weights adding up to more than 1 wrap around (1.0 and 1.0
//       on 200 and 100 give 44). A weight beyond the range of a 32-bit
//       integer acts as the nearest one in range; a NaN weight gives nil.
//   "BlendPicturesWithMaskZRW(source as picture, dest as picture, mask as
//   picture) as picture"
//       with m = (mask red + green + blue) div 3, every channel
//       (source x (255 - m) + dest x m) div 255: white shows dest, black
//       shows source
//   "CombinePicturesZRW(red as picture, blue as picture, green as picture)
//   as picture"
//       red from the first picture, blue from the second, green from the
//       third, in the declaration's order
//
// Fourth byte 0. Nil when a picture is nil or cannot be opened, when the
// pictures' sizes differ, or when the result cannot be created.
#ifndef PICTURE_FUNCTIONS_BLENDING_H
#define PICTURE_FUNCTIONS_BLENDING_H

#include <cstdint>

#include "host_binding/rb_abi.h"
#include "picture/frame/fast_paths.h"
#include "picture/frame/pixel_rows.h"

namespace zrw {

// The kernels; every picture has the result's size. KernelPath::General
// keeps to the plain per-channel loop.
void blendRows(SourceRows source, int32_t sourceWeight, SourceRows dest, int32_t destWeight,
               ResultRows result, KernelPath path = KernelPath::Fast);
void blendRowsWithMask(SourceRows source, SourceRows dest, SourceRows mask, ResultRows result,
                       KernelPath path = KernelPath::Fast);
void combineRows(SourceRows red, SourceRows blue, SourceRows green, ResultRows result);

RbPicture blendPictures(RbPicture source, double sourceFraction, RbPicture dest,
                        double destFraction);
RbPicture blendPicturesWithMask(RbPicture source, RbPicture dest, RbPicture mask);
RbPicture combinePictures(RbPicture red, RbPicture blue, RbPicture green);

}  // namespace zrw

#endif
