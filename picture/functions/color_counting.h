// Colour counting and histograms: extension methods of Picture.
//
//   "CountColorZRW(col as color) as integer"
//       the number of pixels whose red, green and blue are those of `col`
//       (the fourth byte is not compared); -1 when the picture cannot be
//       opened
//   "CountColorsZRW(byref red as memoryblock, byref blue as memoryblock,
//   byref green as memoryblock, byref count as integer)"
//       drops the blocks the three variables held and sets them to nil, and
//       count to -1; then, when the picture opens, stores three new 1024-byte
//       histograms in red, blue and green (256 little-endian 32-bit counters
//       each; counter v counts the pixels whose channel is v) and sets count
//       to the number of pixels. When a block cannot be created nothing is
//       counted and count stays -1.
#ifndef PICTURE_FUNCTIONS_COLOR_COUNTING_H
#define PICTURE_FUNCTIONS_COLOR_COUNTING_H

#include <array>
#include <cstdint>

#include "host_binding/rb_abi.h"
#include "picture/frame/pixel_rows.h"

namespace zrw {

struct Histograms {
  std::array<uint32_t, 256> red{}, green{}, blue{};
};

// The kernels.
uint32_t countPixelsOf(SourceRows source, RbColor color);
void countChannels(SourceRows source, Histograms& histograms);

int32_t countColor(RbPicture picture, RbColor color);
void countColors(RbPicture picture, RbMemoryBlock* red, RbMemoryBlock* blue, RbMemoryBlock* green,
                 int32_t* count);

}  // namespace zrw

#endif
