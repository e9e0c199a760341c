// Free rotation: "RotateZRW(angle as double,background as color) as picture",
// an extension method of Picture turning the picture `angle` degrees
// counter-clockwise into a new picture whose uncovered corners show
// `background`.
//
// The angle is reduced to 0 <= angle < 360 (as the remainder of a division
// by 360, so any finite angle is reduced exactly and at once). Exactly 0, 90,
// 180 and 270 give CloneZRW, Rotate90ZRW, Rotate180ZRW and Rotate270ZRW.
// Any other angle first turns by whole quarters (kept in memory), then turns
// the rest, strictly between 0 and 90 degrees, by three shears with
// sub-pixel blending: rows, columns, rows (see shearRows / shearColumns).
// A W x H picture turned by theta becomes
//   truncate(H |sin| + W cos) + 1  wide and  truncate(W |sin| + H cos) + 1  high
// (of the quarter-turned picture). Colour channels are blended; the fourth
// byte of every result pixel is 0, the background's included.
//
// Nil when the angle is NaN or infinite (there is no turn to make), when the
// source cannot be opened, or when the result or the working memory cannot
// be had.
#ifndef PICTURE_FUNCTIONS_FREE_ROTATION_H
#define PICTURE_FUNCTIONS_FREE_ROTATION_H

#include <optional>

#include "host_binding/rb_abi.h"
#include "picture/frame/fast_paths.h"
#include "picture/frame/pixel_rows.h"

namespace zrw {

// The angle in [0, 360); nullopt for NaN and infinities.
std::optional<double> reducedAngle(double degrees);

// The size of `source` turned by `degrees`, 0 < degrees < 90.
struct TurnedSize {
  int32_t width = 0;
  int32_t height = 0;
};
TurnedSize shearedSize(int32_t width, int32_t height, double degrees);

// Turns `source` by `degrees` (0 < degrees < 90) into `result`, which has
// the size shearedSize gives. Throws std::bad_alloc when the working rows
// cannot be allocated. KernelPath::General keeps to the table loops.
void rotateByShears(SourceRows source, ResultRows result, double degrees, RbColor background,
                    KernelPath path = KernelPath::Fast);

RbPicture rotatePicture(RbPicture source, double degrees, RbColor background);

}  // namespace zrw

#endif
