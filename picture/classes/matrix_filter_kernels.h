// The pixel kernels of the two 5 x 5 matrix classes. They see locked rows and
// nothing of the host.
#ifndef PICTURE_CLASSES_MATRIX_FILTER_KERNELS_H
#define PICTURE_CLASSES_MATRIX_FILTER_KERNELS_H

#include <cstdint>

#include "picture/classes/processing_class.h"
#include "picture/frame/fast_paths.h"
#include "picture/frame/pixel_rows.h"

namespace zrw {

// Entries of 255 or more switch their tap off.
inline constexpr int32_t kTapOff = 255;

struct SpatialFilter {
  int32_t weights[5][5];  // [row j][column k]: the tap at (x + k - 2, y + j - 2)
  int32_t displacement;
  double scaleFactor;
  bool red, green, blue;  // the channels filtered; the others are written 0
};

// For the pixels of `area` less two on every side: per channel the weighted
// sum over the 5 x 5 neighbourhood plus the displacement, exactly (no
// overflow whatever the weights), times the scale factor unless it is 1.0,
// truncated toward zero and limited to 0..255. The fourth byte is 0; pixels
// outside are not written.
void filterSpatial(SourceRows in, ResultRows out, AreaBounds area, const SpatialFilter& filter,
                   KernelPath path = KernelPath::Fast);

// M[y][x]: column x, row y. Output channel c (0 red, 1 green, 2 blue) is
// M[c][0] * (red + M[0][3]) + M[c][1] * (green + M[1][3]) +
// M[c][2] * (blue + M[2][3]) + M[3][c], in double precision and in that
// order, then limited to 0..255 and truncated (NaN gives 0).
struct ColourMatrix {
  double m[5][5];
};

// For every pixel of `area`; the fourth byte is 0; pixels outside are not
// written.
void applyColourMatrix(SourceRows in, ResultRows out, AreaBounds area, const ColourMatrix& matrix,
                       KernelPath path = KernelPath::Fast);

}  // namespace zrw

#endif
