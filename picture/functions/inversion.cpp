#include "picture/functions/inversion.h"

#include <algorithm>

#include "picture/frame/picture_operation.h"

namespace zrw {

PixelArea invertedArea(int32_t left, int32_t top, int32_t width, int32_t height,
                       int32_t pictureWidth, int32_t pictureHeight) {
  const int64_t right = int64_t{left} + width;
  const int64_t bottom = int64_t{top} + height;
  PixelArea area;
  area.left = std::max(left, 0);
  area.top = std::max(top, 0);
  area.right = static_cast<int32_t>(std::min<int64_t>(right, pictureWidth));
  area.bottom = static_cast<int32_t>(std::min<int64_t>(bottom, pictureHeight));
  return area;
}

void invertArea(SourceRows source, ResultRows result, PixelArea area) {
  if (area.empty()) return;
  const size_t begin = 4 * static_cast<size_t>(area.left);
  const size_t end = 4 * static_cast<size_t>(area.right);
  for (int32_t y = area.top; y < area.bottom; ++y) {
    const uint8_t* in = source.row(y);
    uint8_t* out = result.row(y);
    // Byte by byte, so the loop vectorises: the three channels are
    // complemented and the fourth byte cleared.
    for (size_t i = begin; i < end; i += 4) {
      out[i] = static_cast<uint8_t>(~in[i]);
      out[i + 1] = static_cast<uint8_t>(~in[i + 1]);
      out[i + 2] = static_cast<uint8_t>(~in[i + 2]);
      out[i + 3] = 0;
    }
  }
}

RbPicture invertPicture(RbPicture source, int32_t left, int32_t top, int32_t width,
                        int32_t height) {
  return fromSource(source, SameSize{}, [=](SourceRows in, ResultRows out) {
    invertArea(in, out, invertedArea(left, top, width, height, in.width, in.height));
  });
}

}  // namespace zrw
