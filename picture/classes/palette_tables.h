// The fixed colours of the palette factories, 0xRRGGBB.
#ifndef PICTURE_CLASSES_PALETTE_TABLES_H
#define PICTURE_CLASSES_PALETTE_TABLES_H

#include <array>
#include <cstdint>

namespace zrw {

using PaletteColours = std::array<uint32_t, 256>;

const PaletteColours& windowsPaletteColours();
// Entries 0-215 the 6 x 6 x 6 cube from white down to black, 216-255 black.
const PaletteColours& webPaletteColours();
// Entries 0-214 the two halves of the handheld cube, 215-224 greys, 225-229
// five extra colours, 230-255 black.
const PaletteColours& palmPaletteColours();

}  // namespace zrw

#endif
