#include "graphics/geometry/trim.h"

#include <optional>

#include "graphics/classes/client_picture.h"
#include "graphics/classes/rectangle_class.h"
#include "graphics/frame/client_picture_lock.h"
#include "graphics/frame/format_access.h"
#include "graphics/frame/operation.h"
#include "graphics/frame/pixel_access.h"

namespace tvq {
namespace {

// The trim area of a source: the whole source for a nil rectangle, else the
// rectangle as it is; nothing (InvalidTrimArea) for an empty one.
std::optional<RectangleData> trimArea(Operation& op, const PixelView& source, RbObject rect) {
  const RectangleData* given = rectangleData(rect);
  const RectangleData area =
      given != nullptr ? *given : RectangleData{0, 0, source.width, source.height};
  if (!op.check(area.width >= 1 && area.height >= 1, ErrorCode::InvalidTrimArea)) {
    return std::nullopt;
  }
  return area;
}

}  // namespace

void trimInto(const PixelView& source, const PixelView& target, int32_t left, int32_t top,
              uint32_t frameColor) {
  const PixelValue frame = frameColor & 0x00FFFFFFu;
  // Source coordinates in 64 bits: left + c may pass the largest integer.
  for (int32_t r = 0; r < target.height; ++r) {
    const int64_t y = int64_t{top} + r;
    PixelWriter out(target, r);
    if (y < 0 || y >= source.height) {
      for (int32_t c = 0; c < target.width; ++c) out.put(frame);
      continue;
    }
    for (int32_t c = 0; c < target.width; ++c) {
      const int64_t x = int64_t{left} + c;
      if (x < 0 || x >= source.width) {
        out.put(frame);
      } else {
        const auto sx = static_cast<int32_t>(x), sy = static_cast<int32_t>(y);
        out.put(readPixel(source, source.at(sx, sy)));
      }
    }
  }
}

RbPicture trimMethod(RbPicture p, RbObject trimRect, uint32_t frameColor) {
  Operation op;
  if (!op.check(p != nullptr, ErrorCode::SourceNil)) return nullptr;
  PictureLock in;
  if (!op.lock(in, p, ErrorCode::SourceLock)) return nullptr;
  const std::optional<RectangleData> area = trimArea(op, in.view(), trimRect);
  if (!area) return nullptr;
  OwnedPicture result;
  if (!op.createResult(result, area->width, area->height, resultDepthFor(in.view().depth))) {
    return nullptr;
  }
  trimInto(in.view(), result.view(), area->left, area->top, frameColor);
  return result.handOver();
}

RbObject trimClientMethod(RbObject cp, RbObject trimRect, uint32_t frameColor) {
  Operation op;
  const ClientPictureData* client = clientPictureData(cp);
  if (!op.check(client != nullptr, ErrorCode::SourceNil)) return nullptr;
  PictureLock in;
  if (!op.check(lockClientPicture(in, *client), ErrorCode::SourceLock)) return nullptr;
  const std::optional<RectangleData> area = trimArea(op, in.view(), trimRect);
  if (!area) return nullptr;
  OwnedClientPicture result;
  if (!op.check(result.create(area->width, area->height, resultDepthFor(in.view().depth), false,
                              client->pic != nullptr),
                ErrorCode::ResultLock)) {
    return nullptr;
  }
  trimInto(in.view(), result.view(), area->left, area->top, frameColor);
  return result.handOver();
}

}  // namespace tvq
