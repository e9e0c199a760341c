#include "picture/functions/inversion.h"

#include <algorithm>

#include "picture/frame/picture_operation.h"
#include "picture/frame/pixel_words.h"

namespace zrw {

PixelArea invertedArea(int32_t left, int32_t top, int32_t width, int32_t height,
                       int32_t pictureWidth, int32_t pictureHeight) {
  const int64_t right = int64_t{left} + width;
  const int64_t bottom = int64_t{top} + height;
  PixelArea area;
  area.left = std::max(left, 0);
  area.top = std::max(top, 0);
  // Far edges left of or above the picture leave nothing to invert; clamped
  // into the picture before narrowing, so no 64-bit value wraps.
  area.right = static_cast<int32_t>(std::clamp<int64_t>(right, 0, pictureWidth));
  area.bottom = static_cast<int32_t>(std::clamp<int64_t>(bottom, 0, pictureHeight));
  return area;
}

void invertArea(SourceRows source, ResultRows result, PixelArea area) {
  if (area.empty()) return;
  const size_t skipped = 4 * static_cast<size_t>(area.left);
  const auto inverted = [](uint32_t pixel) { return ~pixel & 0x00FFFFFFu; };
  for (int32_t y = area.top; y < area.bottom; ++y) {
    const SourceRows in(source.row(y) + skipped, source.stride, area.right - area.left, 1);
    const ResultRows out(result.row(y) + skipped, result.stride, area.right - area.left, 1);
    mapPixelValues(in, out, inverted);
  }
}

RbPicture invertPicture(RbPicture source, int32_t left, int32_t top, int32_t width,
                        int32_t height) {
  return fromSource(source, SameSize{}, [=](SourceRows in, ResultRows out) {
    invertArea(in, out, invertedArea(left, top, width, height, in.width, in.height));
  });
}

}  // namespace zrw
