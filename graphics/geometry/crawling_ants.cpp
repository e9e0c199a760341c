#include "graphics/geometry/crawling_ants.h"

#include "graphics/frame/operation.h"
#include "graphics/frame/picture_copy.h"
#include "graphics/frame/pixel_access.h"

namespace tvq {
namespace {

// Counts down from the phase through 0 and round from 2 × size − 1; in 64
// bits, since 2 × size may not fit 32.
class PhaseCounter {
 public:
  explicit PhaseCounter(const AntPattern& p)
      : counter_(p.state),
        period_(2 * int64_t{p.size}),
        size_(p.size),
        ant_(p.antColor & 0x00FFFFFFu),
        shadow_(p.shadowColor & 0x00FFFFFFu) {}
  PixelValue next() {
    const PixelValue color = counter_ < size_ ? ant_ : shadow_;
    counter_ = counter_ == 0 ? period_ - 1 : counter_ - 1;
    return color;
  }

 private:
  int64_t counter_;
  int64_t period_;
  int64_t size_;
  PixelValue ant_, shadow_;
};

void putAt(const PixelView& picture, int32_t x, int32_t y, PixelValue v) {
  writePixel(picture, picture.at(x, y), v);
}

}  // namespace

void drawAnts(const PixelView& picture, const Selection& outline, const AntPattern& pattern) {
  PhaseCounter a(pattern);
  for (int32_t x = outline.left; x <= outline.right; ++x) putAt(picture, x, outline.top, a.next());
  for (int32_t y = outline.top; y <= outline.bottom; ++y) {
    putAt(picture, outline.right, y, a.next());
  }
  PhaseCounter b(pattern);
  for (int32_t y = outline.top; y <= outline.bottom; ++y) putAt(picture, outline.left, y, b.next());
  for (int32_t x = outline.left; x <= outline.right; ++x) {
    putAt(picture, x, outline.bottom, b.next());
  }
}

RbPicture crawlingAntsMethod(RbPicture p, RbObject rect, uint32_t antColor, uint32_t shadowColor,
                             int32_t antSize, int32_t antState) {
  Operation op;
  if (!op.check(p != nullptr, ErrorCode::SourceNil)) return nullptr;
  PictureLock in;
  if (!op.lock(in, p, ErrorCode::SourceLock)) return nullptr;
  // All three are checked; the last failing one's code is left.
  const std::optional<Selection> outline = op.select(in, rect);
  const bool sizeValid = op.check(antSize >= 1, ErrorCode::AntSizeOutOfBounds);
  const bool stateValid = !sizeValid || op.check(antState >= 0 && antState < 2 * int64_t{antSize},
                                                 ErrorCode::AntStateOutOfBounds);
  if (!outline || !sizeValid || !stateValid) return nullptr;
  OwnedPicture result;
  if (!op.createResult(result, in)) return nullptr;
  copyConverted(in.view(), result.view());
  drawAnts(result.view(), *outline, {antColor, shadowColor, antSize, antState});
  return result.handOver();
}

}  // namespace tvq
