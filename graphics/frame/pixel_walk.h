// The row walk most operations share: every pixel of a source is read,
// transformed and written at the same place of a target of the same size,
// each side at its own depth and row length.
#ifndef TVQ_FRAME_PIXEL_WALK_H
#define TVQ_FRAME_PIXEL_WALK_H

#include <algorithm>

#include "graphics/frame/pixel_access.h"

namespace tvq {

// Writes transform(x, y, sourcePixel) for every pixel. The target may be the
// source itself: each pixel is read before it is written. Should the sizes
// ever differ, only the common part is walked, so neither side is left.
template <typename Transform>
void mapPixels(const PixelView& source, const PixelView& target, Transform transform) {
  const int32_t width = std::min(source.width, target.width);
  const int32_t height = std::min(source.height, target.height);
  for (int32_t y = 0; y < height; ++y) {
    PixelReader in(source, y);
    PixelWriter out(target, y);
    for (int32_t x = 0; x < width; ++x) out.put(transform(x, y, in.next()));
  }
}

// Writes combine(x, y, firstPixel, secondPixel) for every pixel, the two
// inputs read at the same place, each at its own depth: two pictures joined
// channel by channel, or a picture and the mask that weights it. Only the
// part all three share is walked.
template <typename Combine>
void combinePixels(const PixelView& first, const PixelView& second, const PixelView& target,
                   Combine combine) {
  const int32_t width = std::min({first.width, second.width, target.width});
  const int32_t height = std::min({first.height, second.height, target.height});
  for (int32_t y = 0; y < height; ++y) {
    PixelReader a(first, y);
    PixelReader b(second, y);
    PixelWriter out(target, y);
    for (int32_t x = 0; x < width; ++x) {
      const PixelValue va = a.next();
      out.put(combine(x, y, va, b.next()));
    }
  }
}

// A copy converted to the target's depth.
inline void copyPixels(const PixelView& source, const PixelView& target) {
  mapPixels(source, target, [](int32_t, int32_t, PixelValue v) { return v; });
}

}  // namespace tvq

#endif
