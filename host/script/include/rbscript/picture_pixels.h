// A host picture's pixels as a person sees them: rows top first, colours
// through the palette. Host pictures are bottom-up bitmaps, so visual row y
// is memory row height - 1 - y.
#ifndef RBSCRIPT_PICTURE_PIXELS_H
#define RBSCRIPT_PICTURE_PIXELS_H

#include <cstdint>
#include <vector>

#include "rbhost/host.h"

namespace rbscript {

inline int32_t memoryRowOf(int32_t height, int32_t visualRow) { return height - 1 - visualRow; }

// width × height colours, top row first.
std::vector<rbhost::Rgb> readVisualPixels(rbhost::Host& host, RbPicture p);

// Stores width × height colours, top row first: up to 8 bits the palette
// index of the colour (the nearest entry when none is exact), 5-5-5 at 16
// bits, the fourth byte 0 at 32 bits.
void writeVisualPixels(rbhost::Host& host, RbPicture p, const std::vector<rbhost::Rgb>& pixels);

// Mask levels (the blue channel of the mask's pixels), top row first.
std::vector<uint8_t> readVisualLevels(rbhost::Host& host, RbPicture mask);

}  // namespace rbscript

#endif
