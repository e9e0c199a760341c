// The integer rectangle programs pass to select an area of a picture.
//
// A rectangle stores left, top, width and height; right and bottom are
// derived and inclusive (right = left + width - 1). Nothing is clamped or
// normalised: every computation is 32-bit and wraps like the host's integers,
// and an empty or inverted rectangle is simply invalid.
#ifndef TVQ_CLASSES_RECTANGLE_H
#define TVQ_CLASSES_RECTANGLE_H

#include <array>
#include <cstdint>

namespace tvq {

// The instance data of TVQ_Rectangle, exactly as it lies in the instance.
struct RectangleData {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
};
static_assert(sizeof(RectangleData) == 16);

int32_t rightOf(const RectangleData& r);
int32_t bottomOf(const RectangleData& r);
// Moves the right (bottom) edge by changing the width (height).
void setRight(RectangleData& r, int32_t right);
void setBottom(RectangleData& r, int32_t bottom);

bool isValid(const RectangleData& r);
bool equals(const RectangleData& a, const RectangleData& b);
void offsetBy(RectangleData& r, int32_t h, int32_t v);
void insetBy(RectangleData& r, int32_t h, int32_t v);
// Width and height times `factor`, truncated toward zero. A side whose
// product lies beyond the 32-bit range saturates at the nearest limit; a side
// whose product is not a number (a NaN factor, or 0 times infinity) is left
// unchanged.
void scaleBy(RectangleData& r, double factor);
int32_t area(const RectangleData& r);
void unionWith(RectangleData& r, const RectangleData& other);
void intersectWith(RectangleData& r, const RectangleData& other);
bool contains(const RectangleData& outer, const RectangleData& inner);
bool intersects(const RectangleData& a, const RectangleData& b);

// The text of the rectangle's message box: edges, size, and whether it is
// valid, on three lines.
using RectangleText = std::array<char, 200>;
RectangleText describe(const RectangleData& r);

}  // namespace tvq

#endif
