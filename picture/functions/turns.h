// Quarter and half turns and mirrors: extension methods of Picture that move
// whole 32-bit pixels (the fourth byte goes with them) into a new picture.
//
//   "Rotate90ZRW as picture"    H x W, a quarter turn counter-clockwise:
//                               result (y, W - 1 - x) = source (x, y), so the
//                               source's top-right corner becomes the top-left
//   "Rotate180ZRW as picture"   W x H: result (W - 1 - x, H - 1 - y)
//   "Rotate270ZRW as picture"   H x W, a quarter turn clockwise:
//                               result (H - 1 - y, x) = source (x, y)
//   "VMirrorZRW as picture"     W x H, rows reversed (row H - 1 - y is a byte
//                               copy of source row y)
//   "HMirrorZRW as picture"     W x H, columns reversed
//
// x and y count from the top left. Nil when the source cannot be opened or
// the result cannot be created.
#ifndef PICTURE_FUNCTIONS_TURNS_H
#define PICTURE_FUNCTIONS_TURNS_H

#include "host_binding/rb_abi.h"
#include "picture/frame/pixel_rows.h"

namespace zrw {

enum class Turn { QuarterCounterClockwise, Half, QuarterClockwise };

// The kernels. A quarter turn's result is source.height wide and
// source.width high; the others keep the source's size.
void turnRows(SourceRows source, ResultRows result, Turn turn);
void mirrorRowsVertically(SourceRows source, ResultRows result);
void mirrorRowsHorizontally(SourceRows source, ResultRows result);

RbPicture rotate90(RbPicture source);
RbPicture rotate180(RbPicture source);
RbPicture rotate270(RbPicture source);
RbPicture mirrorVertically(RbPicture source);
RbPicture mirrorHorizontally(RbPicture source);

}  // namespace zrw

#endif
