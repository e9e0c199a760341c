// The eight symmetries of a rectangle as pixel converters: every pixel of a
// source buffer copied into a target buffer along one of them, converted to
// the target's depth on the way. Flips, quarter turns and the quarter turns
// of free rotation all go through here.
//
// Coordinates are buffer coordinates (x from the start of a row, y the row
// in memory order). One quarter turn sends source (x, y) of a W x H picture
// to (H-1-y, x) of the H x W target.
//
// Pixels are carried as 24-bit colours: the fourth byte of a 32-bit pixel is
// not carried, and a 32-bit target gets 0 there. A 1-bit pixel reads black
// when its bit is set and white when it is clear; a 1-bit target pixel is
// set (black) for the colour 0 and cleared (white) for any other. 2- and
// 4-bit pixels read as black, 8-bit pixels through the palette (or as grey
// levels in a mask), and a target of a format that cannot be written (2, 4,
// 8-bit palette) is left as it is.
#ifndef TVQ_FRAME_SYMMETRY_H
#define TVQ_FRAME_SYMMETRY_H

#include <cstddef>
#include <cstdint>

#include "graphics/frame/fast_path_table.h"
#include "graphics/frame/pixel_view.h"
#include "graphics/frame/processor_features.h"

namespace tvq {

// Named by what target pixel (x, y) takes from the W x H source.
enum class Symmetry : uint8_t {
  Copy,              // (x, y)
  MirrorColumns,     // (W-1-x, y)
  MirrorRows,        // (x, H-1-y)
  HalfTurn,          // (W-1-x, H-1-y)
  QuarterTurn,       // (y, H-1-x)
  ThreeQuarterTurn,  // (W-1-y, x)
  Transpose,         // (y, x)
  AntiTranspose,     // (W-1-y, H-1-x)
};
constexpr Symmetry kAllSymmetries[] = {
    Symmetry::Copy,      Symmetry::MirrorColumns, Symmetry::MirrorRows,
    Symmetry::HalfTurn,  Symmetry::QuarterTurn,   Symmetry::ThreeQuarterTurn,
    Symmetry::Transpose, Symmetry::AntiTranspose,
};

// Columns mirrored when `mirrorColumns`, rows when `mirrorRows`, then
// `quarterTurns` (taken modulo 4) quarter turns.
Symmetry symmetryOf(bool mirrorColumns, bool mirrorRows, int32_t quarterTurns);

// Whether the target is H x W rather than W x H.
constexpr bool exchangesSides(Symmetry s) {
  return s == Symmetry::QuarterTurn || s == Symmetry::ThreeQuarterTurn ||
         s == Symmetry::Transpose || s == Symmetry::AntiTranspose;
}

// Writes every pixel of `target` from `source` along `s`. A target whose
// size is not the source's (exchanged for exchangesSides) is left alone.
void convertAlong(const PixelView& source, const PixelView& target, Symmetry s);

using SymmetryLoop = void (*)(const PixelView& source, const PixelView& target, Symmetry s);
// Fast entries name the formats of the source and the target; the general
// walk takes every depth, 1-bit pictures included.
// A loop of byte shuffles comes first where the compiler can build one.
#if TVQ_HAVE_SSSE3_ROWS
inline constexpr size_t kSymmetryFastLoops = 3;
#else
inline constexpr size_t kSymmetryFastLoops = 2;
#endif
const FastPathTable<SymmetryLoop, kSymmetryFastLoops>& symmetryLoops();

}  // namespace tvq

#endif
