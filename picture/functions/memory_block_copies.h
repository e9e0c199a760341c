// Copies of a picture's pixels into a program's memory block: extension
// methods of Picture, each true when it wrote the layout.
//
//   "CopyRGBtoMemoryblock(destination as memoryblock, offset as integer) as
//   boolean"                      pixel k at offset + 3k: red, green, blue
//   "CopyARGBtoMemoryblock(destination as memoryblock, offset as integer,
//   LittleEndian as boolean, AlphaValue as integer) as boolean"
//                                 pixel k at offset + 4k: alpha, red, green,
//                                 blue; or blue, green, red, alpha when
//                                 LittleEndian. An AlphaValue outside 0..255
//                                 leaves the alpha bytes as they were.
//   "Copy{R,G,B}toMemoryblock(destination as memoryblock, offset as integer,
//   PixelByteSize as integer) as boolean"
//                                 pixel k's channel at offset + k x
//                                 PixelByteSize; the bytes between are left
//                                 alone, so three calls can interleave
//
// Pixels are numbered k = y x W + x, rows from the top, with no padding.
//
// False, with nothing written, for a nil picture or block, a negative offset,
// a PixelByteSize below 1, a picture that cannot be opened, and a block that
// the host does not report to hold every byte the layout writes (sizes and
// offsets are worked out in 64 bits).
#ifndef PICTURE_FUNCTIONS_MEMORY_BLOCK_COPIES_H
#define PICTURE_FUNCTIONS_MEMORY_BLOCK_COPIES_H

#include <cstddef>
#include <cstdint>

#include "host_binding/rb_abi.h"
#include "picture/frame/pixel_rows.h"

namespace zrw {

// The kernels: `out` is where pixel 0 goes and holds the whole layout.
void copyRgb(SourceRows source, uint8_t* out);
void copyArgb(SourceRows source, uint8_t* out, bool littleEndian, int32_t alpha);
void copyChannel(SourceRows source, uint8_t* out, int channel, size_t pixelStep);

RbBoolean copyRgbToMemoryBlock(RbPicture picture, RbMemoryBlock block, int32_t offset);
RbBoolean copyArgbToMemoryBlock(RbPicture picture, RbMemoryBlock block, int32_t offset,
                                RbBoolean littleEndian, int32_t alpha);
RbBoolean copyRedToMemoryBlock(RbPicture picture, RbMemoryBlock block, int32_t offset,
                               int32_t pixelByteSize);
RbBoolean copyGreenToMemoryBlock(RbPicture picture, RbMemoryBlock block, int32_t offset,
                                 int32_t pixelByteSize);
RbBoolean copyBlueToMemoryBlock(RbPicture picture, RbMemoryBlock block, int32_t offset,
                                int32_t pixelByteSize);

}  // namespace zrw

#endif
