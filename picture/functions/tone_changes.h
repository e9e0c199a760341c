// Brightness, contrast and custom tone changes: extension methods of Picture
// that return a new 32-bit picture of the source's size in which every
// pixel's red, green and blue have passed through a tone curve (fourth byte
// 0). The source is not changed.
//
// The curves are computed in double precision on the channel value v
// (0..255), from the caller's doubles as they are:
//
//   absolute brightness x   truncate(v + x), then clamped to 0..255
//   linear brightness x     x < 0:  truncate((255 + x) / 255 * v)
//                           x >= 0: truncate(x + (255 - x) / 255 * v)
//                           not clamped: for |x| > 255 the channel gets the
//                           low eight bits of the truncated value
//   contrast x              127 + (1 + x) * (v - 127), clamped, truncated
//   custom a, b             b + a * v, clamped, truncated
//
// Parameters a program cannot mean as numbers:
//   - a NaN parameter makes the method return nil; there is no picture it
//     could describe, and the caller's arithmetic has already failed;
//   - an infinite parameter acts as the largest finite double of its sign,
//     so it gives what very large values give (absolute brightness +inf
//     makes every channel 255, contrast +inf pushes every channel but 127 to
//     0 or 255), and a curve never meets infinity times zero.
// A linear-brightness value too large to be held exactly as an integer has
// no low bits left: its channel gets 0, as every double of at least 2^60
// would.
//
// Nil also when the source cannot be opened or the result cannot be created.
#ifndef PICTURE_FUNCTIONS_TONE_CHANGES_H
#define PICTURE_FUNCTIONS_TONE_CHANGES_H

#include "host_binding/rb_abi.h"

namespace zrw {

// "ChangeBrightnessAbsoluteZRW(r as double, g as double, b as double) as picture"
RbPicture changeBrightnessAbsoluteRgb(RbPicture source, double red, double green, double blue);
// "ChangeBrightnessAbsoluteZRW(x as double) as picture"
RbPicture changeBrightnessAbsolute(RbPicture source, double x);

// "ChangeBrightnessLinearZRW(r as double, g as double, b as double) as picture"
RbPicture changeBrightnessLinearRgb(RbPicture source, double red, double green, double blue);
// "ChangeBrightnessLinearZRW(x as double) as picture"
RbPicture changeBrightnessLinear(RbPicture source, double x);

// "ChangeContrastZRW(xr as double, xg as double, xb as double) as picture"
RbPicture changeContrastRgb(RbPicture source, double red, double green, double blue);
// "ChangeContrastZRW(x as double) as picture"
RbPicture changeContrast(RbPicture source, double x);

// "ChangeCustomZRW(a as double, b as double) as picture"
RbPicture changeCustom(RbPicture source, double a, double b);

}  // namespace zrw

#endif
