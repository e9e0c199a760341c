#include "graphics/frame/selection.h"

#include <algorithm>

namespace tvq {

std::optional<Selection> clipSelection(int32_t width, int32_t height, const RectangleData* rect) {
  if (width <= 0 || height <= 0) return std::nullopt;
  if (rect == nullptr) return Selection{0, 0, width - 1, height - 1};

  const int64_t left = std::max<int64_t>(rect->left, 0);
  const int64_t top = std::max<int64_t>(rect->top, 0);
  const int64_t right = std::min<int64_t>(width - 1, int64_t{rect->left} + rect->width - 1);
  const int64_t bottom = std::min<int64_t>(height - 1, int64_t{rect->top} + rect->height - 1);
  if (right < left || bottom < top) return std::nullopt;
  // Every bound now lies inside the picture.
  return Selection{static_cast<int32_t>(left), static_cast<int32_t>(top),
                   static_cast<int32_t>(right), static_cast<int32_t>(bottom)};
}

}  // namespace tvq
