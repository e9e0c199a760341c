// The part of a picture an operation changes, from a rectangle argument.
#ifndef TVQ_FRAME_SELECTION_H
#define TVQ_FRAME_SELECTION_H

#include <cstdint>
#include <optional>

#include "graphics/classes/rectangle.h"

namespace tvq {

// Inclusive bounds, always inside the picture.
struct Selection {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  bool containsRow(int32_t y) const { return y >= top && y <= bottom; }
  bool containsColumn(int32_t x) const { return x >= left && x <= right; }
  bool contains(int32_t x, int32_t y) const { return containsRow(y) && containsColumn(x); }
};

// `rect` clipped to a width x height picture; no rectangle selects the whole
// picture. Nothing when no pixel is left. The rectangle's far edges are
// computed without 32-bit wrap-around, so a huge width reaches the picture's
// edge instead of wrapping to the left of it.
std::optional<Selection> clipSelection(int32_t width, int32_t height, const RectangleData* rect);

}  // namespace tvq

#endif
