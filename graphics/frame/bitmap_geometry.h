// Geometry of a device-independent bitmap, from its header.
//
// The header comes from the host, so it is checked before any pixel is
// addressed: a header that could lead a read or write outside the bitmap
// is refused, and the picture then counts as not lockable.
#ifndef TVQ_FRAME_BITMAP_GEOMETRY_H
#define TVQ_FRAME_BITMAP_GEOMETRY_H

#include <cstddef>
#include <cstdint>
#include <optional>

#include "graphics/frame/pixel_view.h"
#include "platform/win32.h"

namespace tvq {

// Width and height from the header (height as its absolute value, the row
// order is never consulted), row bytes padded to 4. Refused: a header size
// below 40, width <= 0, height 0 or INT32_MIN, a depth other than 1, 2, 4, 8,
// 16, 24, 32, a compressed layout, or pixels beyond 2^31 - 1 bytes.
std::optional<PixelView> geometryOf(const BITMAPINFOHEADER& header);

// The colour-table entries between a packed bitmap's header and its pixels:
// the header's colours-used count, or 2^depth up to 8 bits when that is 0.
uint64_t packedColorCount(const BITMAPINFOHEADER& header);

// A packed bitmap (header, colour table, pixels) in `size` bytes at `block`.
// Refused also when header, table and rows do not all fit in the block.
struct PackedBitmap {
  const BITMAPINFOHEADER* header = nullptr;
  PixelView view;  // colour table filled for every depth that has one
};
std::optional<PackedBitmap> packedBitmapAt(uint8_t* block, size_t size);

// The storage format a view of `depth` reads with; `mask` marks a picture
// that holds a mask's grey levels instead of palette indices.
PixelFormat formatFor(int32_t depth, bool mask);

}  // namespace tvq

#endif
