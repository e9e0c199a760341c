// The mapping of PictureLut3DZRW: each pixel's colour through a table
// sampled every 17 channel values, interpolated tetrahedrally.
#ifndef PICTURE_CLASSES_LUT3D_KERNEL_H
#define PICTURE_CLASSES_LUT3D_KERNEL_H

#include <cstdint>

#include "picture/classes/processing_class.h"
#include "picture/frame/fast_paths.h"
#include "picture/frame/pixel_rows.h"

namespace zrw {

// [r][g][b][output]: node i of an axis stands for the channel value 17 * i;
// output 0 is red, 1 green, 2 blue, on the 0..255 scale. Nodes 16 and 17 can
// be held but take no part.
inline constexpr int32_t kLutNodes = 18;
using Lut3DTable = double[kLutNodes][kLutNodes][kLutNodes][3];

// For every pixel of `area`: channel v lies d = v mod 17 seventeenths above
// node v div 17 (node 15 and 0 for 255); the output is the tetrahedral
// interpolation of the cell's corners, with the weights in whole
// seventeenths and one division by 17 at the end, so that a table holding
// its own grid reproduces every colour exactly. Outputs below 0 give 0,
// above 255 give 255, NaN gives 0, others are truncated; fourth byte 0.
// Pixels outside `area` are not written.
void mapThroughLut3D(SourceRows in, ResultRows out, AreaBounds area, const Lut3DTable& table,
                     KernelPath path = KernelPath::Fast);

}  // namespace zrw

#endif
