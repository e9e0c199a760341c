#include "graphics/geometry/pixelate.h"

#include <algorithm>

#include "graphics/frame/operation.h"
#include "graphics/frame/picture_copy.h"
#include "graphics/frame/pixel_access.h"

namespace tvq {

void pixelateBlocks(const PixelView& picture, const Selection& selection, int32_t side) {
  // Block corners and ends in 64 bits: a side near the largest integer
  // must not wrap round to the picture's start.
  const int64_t n = side;
  for (int64_t y0 = selection.top; y0 < selection.bottom && y0 < picture.height; y0 += n) {
    const auto yEnd = static_cast<int32_t>(std::min<int64_t>(y0 + n, picture.height));
    for (int64_t x0 = selection.left; x0 < selection.right && x0 < picture.width; x0 += n) {
      const auto xEnd = static_cast<int32_t>(std::min<int64_t>(x0 + n, picture.width));
      uint64_t red = 0, green = 0, blue = 0, count = 0;
      for (auto y = static_cast<int32_t>(y0); y < yEnd; ++y) {
        PixelReader in(picture, y, static_cast<int32_t>(x0));
        for (auto x = static_cast<int32_t>(x0); x < xEnd; ++x) {
          const PixelValue v = in.next();
          red += redOf(v);
          green += greenOf(v);
          blue += blueOf(v);
          ++count;
        }
      }
      const PixelValue mean =
          makePixel(static_cast<uint8_t>(red / count), static_cast<uint8_t>(green / count),
                    static_cast<uint8_t>(blue / count));
      for (auto y = static_cast<int32_t>(y0); y < yEnd; ++y) {
        PixelWriter out(picture, y, static_cast<int32_t>(x0));
        for (auto x = static_cast<int32_t>(x0); x < xEnd; ++x) out.put(mean);
      }
    }
  }
}

RbPicture pixelateMethod(RbPicture p, RbObject rect, int32_t pixelation) {
  Operation op;
  if (!op.check(p != nullptr, ErrorCode::SourceNil)) return nullptr;
  PictureLock in;
  if (!op.lock(in, p, ErrorCode::SourceLock)) return nullptr;
  const std::optional<Selection> area = op.select(in, rect);
  if (!area) return nullptr;
  if (!op.check(pixelation >= 1, ErrorCode::PixelatePixelation)) return nullptr;
  OwnedPicture result;
  if (!op.createResult(result, in)) return nullptr;
  copyConverted(in.view(), result.view());
  pixelateBlocks(result.view(), *area, pixelation);
  return result.handOver();
}

}  // namespace tvq
