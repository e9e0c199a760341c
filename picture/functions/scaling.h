// Scaling: "ScaleZRW(width as integer, height as integer, AntiAlias as
// boolean) as picture", an extension method of Picture returning a new
// width x height picture.
//
// Enlarging both ways with AntiAlias interpolates; everything else averages
// areas.
//
// Area averaging: with sx = W / width and sy = H / height, every result
// pixel (i, j) is the truncated mean of the ceil(sx) x ceil(sy) box of source
// pixels starting at column truncate(i sx) and row truncate(j sy); fourth
// byte 0. Enlarging this way repeats pixels (boxes of one pixel).
//
// Interpolation: separable, two taps each way from the cubic convolution
// family with its free parameter 0. Result column i samples source columns
// s = i W div width and s + 1 with weights 2f^3 - 3f^2 + 1 and 3f^2 - 2f^3,
// f = (i W mod width) / width (rows likewise); a tap beyond the last column
// or row is left out and the other weight kept as it is, so the far edges
// darken where f is not 0. All four bytes are filtered, the fourth too. The
// weights and the sums are single precision; each value + 0.5 is limited to
// 0..255 and truncated. When the working rows cannot be allocated, the
// picture is area-averaged instead.
//
// Nil when width or height is not positive, when the source cannot be
// opened or when the result cannot be created.
#ifndef PICTURE_FUNCTIONS_SCALING_H
#define PICTURE_FUNCTIONS_SCALING_H

#include "host_binding/rb_abi.h"
#include "picture/frame/pixel_rows.h"

namespace zrw {

// The kernels: the result's size is the scaled size. interpolateRows throws
// std::bad_alloc when its working rows cannot be allocated.
void averageAreas(SourceRows source, ResultRows result);
void interpolateRows(SourceRows source, ResultRows result);

RbPicture scalePicture(RbPicture source, int32_t width, int32_t height, RbBoolean antiAlias);

}  // namespace zrw

#endif
