// Bitmap utilities over Windows GDI: the display captured into a
// device-dependent bitmap, device-dependent and device-independent bitmaps
// turned into one another, and the system palette as a palette handle.
//
// A device-independent bitmap (DIB) here is a moveable global memory block
// holding a BITMAPINFOHEADER, its colour table and its pixels, packed.
// Every GDI object and device context taken on the way is given back before
// a function returns; what a function returns, its caller owns.
#ifndef PICTURE_FUNCTIONS_DIB_UTILITIES_H
#define PICTURE_FUNCTIONS_DIB_UTILITIES_H

#include <cstddef>
#include <optional>

#include "platform/win32.h"

namespace zrw::dib {

// The part of `area` (left, top, right, bottom) that lies on the display,
// as a new bitmap compatible with it; null for an empty rectangle, one that
// misses the display, or when GDI fails.
HBITMAP captureDisplayRect(const RECT& area);

// A DIB of the bitmap: 1, 4 or 8 bits for bitmaps of that many or fewer
// (colours through `palette`, the stock DEFAULT_PALETTE when null), 24 bits
// for deeper ones. Null on failure.
HGLOBAL bitmapToDib(HBITMAP bitmap, HPALETTE palette);

// A device-dependent bitmap of the screen's format from a DIB block; null on
// failure, including a block too small for what its header describes.
HBITMAP dibToBitmap(HGLOBAL dib, HPALETTE palette);

// A logical palette of the screen's system palette; the caller deletes it.
HPALETTE systemPalette();

// Bytes of the colour table after a DIB header: for a 40-byte header,
// biClrUsed entries when not 0, else 2, 16 or 256 for 1, 4 or 8 bits and
// none above, 4 bytes each; for a 12-byte core header the same by its bit
// count, 3 bytes each. Headers of other sizes up to BITMAPV5HEADER count as
// 40-byte headers without biClrUsed. nullopt for a header that is none of
// these, or `available` bytes too few to read it.
std::optional<size_t> colorTableBytes(const void* header, size_t available);

}  // namespace zrw::dib

#endif
