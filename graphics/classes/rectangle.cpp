#include "graphics/classes/rectangle.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "graphics/classes/wrapping_int32.h"

namespace tvq {
namespace {

int32_t scaledSide(int32_t side, double factor) {
  const double scaled = std::trunc(static_cast<double>(side) * factor);
  if (std::isnan(scaled)) return side;
  if (scaled >= 2147483647.0) return INT32_MAX;
  if (scaled <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(scaled);
}

}  // namespace

int32_t rightOf(const RectangleData& r) { return wrapSub(wrapAdd(r.left, r.width), 1); }

int32_t bottomOf(const RectangleData& r) { return wrapSub(wrapAdd(r.top, r.height), 1); }

void setRight(RectangleData& r, int32_t right) { r.width = wrapAdd(wrapSub(right, r.left), 1); }

void setBottom(RectangleData& r, int32_t bottom) { r.height = wrapAdd(wrapSub(bottom, r.top), 1); }

bool isValid(const RectangleData& r) { return r.width > 0 && r.height > 0; }

bool equals(const RectangleData& a, const RectangleData& b) {
  return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

void offsetBy(RectangleData& r, int32_t h, int32_t v) {
  r.left = wrapAdd(r.left, h);
  r.top = wrapAdd(r.top, v);
}

void insetBy(RectangleData& r, int32_t h, int32_t v) {
  offsetBy(r, h, v);
  r.width = wrapSub(r.width, wrapMul(2, h));
  r.height = wrapSub(r.height, wrapMul(2, v));
}

void scaleBy(RectangleData& r, double factor) {
  r.width = scaledSide(r.width, factor);
  r.height = scaledSide(r.height, factor);
}

int32_t area(const RectangleData& r) { return wrapMul(r.width, r.height); }

void unionWith(RectangleData& r, const RectangleData& other) {
  const int32_t left = std::min(r.left, other.left);
  const int32_t top = std::min(r.top, other.top);
  const int32_t end = std::max(wrapAdd(r.left, r.width), wrapAdd(other.left, other.width));
  const int32_t endY = std::max(wrapAdd(r.top, r.height), wrapAdd(other.top, other.height));
  r = {left, top, wrapSub(end, left), wrapSub(endY, top)};
}

void intersectWith(RectangleData& r, const RectangleData& other) {
  const int32_t left = std::max(r.left, other.left);
  const int32_t top = std::max(r.top, other.top);
  const int32_t end = std::min(wrapAdd(r.left, r.width), wrapAdd(other.left, other.width));
  const int32_t endY = std::min(wrapAdd(r.top, r.height), wrapAdd(other.top, other.height));
  r = {left, top, wrapSub(end, left), wrapSub(endY, top)};
}

bool contains(const RectangleData& outer, const RectangleData& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && rightOf(inner) <= rightOf(outer) &&
         bottomOf(inner) <= bottomOf(outer);
}

bool intersects(const RectangleData& a, const RectangleData& b) {
  return std::min(rightOf(a), rightOf(b)) >= std::max(a.left, b.left) &&
         std::min(bottomOf(a), bottomOf(b)) >= std::max(a.top, b.top);
}

RectangleText describe(const RectangleData& r) {
  const int32_t right = rightOf(r);
  const int32_t bottom = bottomOf(r);
  const bool inverted = right < r.left || bottom < r.top;
  RectangleText text{};
  std::snprintf(text.data(), text.size(),
                "left: %ld top: %ld right: %ld bottom: %ld\nwidth: %ld height: %ld\n%s",
                static_cast<long>(r.left), static_cast<long>(r.top), static_cast<long>(right),
                static_cast<long>(bottom), static_cast<long>(r.width), static_cast<long>(r.height),
                inverted ? "invalid" : "valid");
  return text;
}

}  // namespace tvq
