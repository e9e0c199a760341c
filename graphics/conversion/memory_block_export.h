// The pixels of a picture's selection copied into a new host memory block,
// rows packed one after the other: 4 bytes a pixel (blue, green, red, 0 or
// alpha) from pictures deeper than 16 bits, 2 bytes a pixel (5-5-5, bit 15
// 0) from the others.
#ifndef TVQ_CONVERSION_MEMORY_BLOCK_EXPORT_H
#define TVQ_CONVERSION_MEMORY_BLOCK_EXPORT_H

#include <cstdint>

#include "graphics/frame/fast_path_table.h"
#include "graphics/frame/pixel_view.h"
#include "graphics/frame/selection.h"
#include "host_binding/rb_abi.h"

namespace tvq {

// Bytes a pixel in the block for a source of `depth`.
constexpr int32_t exportedBytesPerPixel(int32_t depth) { return depth > 16 ? 4 : 2; }

// Writes the selection into `block`, rows of (right - left + 1) × bytes a
// pixel. `alpha`, when not null, is a locked mask of the picture: the fourth
// byte of a 4-byte pixel is then 255 minus its level (255 where the mask
// does not reach).
void exportPixels(const PixelView& source, const Selection& selection, const PixelView* alpha,
                  uint8_t* block);

using ExportLoop = void (*)(const PixelView& source, const Selection& selection,
                            const PixelView* alpha, uint8_t* block);
const FastPathTable<ExportLoop, 2>& exportLoops();

// "TVQ_MakeMemoryBlock(extends p as picture, rect as TVQ_Rectangle,
// mask_to_alpha as boolean, ByRef row_bytes as integer) as picture": the
// block (declared as a picture), or nil.
RbPicture makeMemoryBlockMethod(RbPicture p, RbObject rect, bool maskToAlpha, int32_t* rowBytes);

}  // namespace tvq

#endif
