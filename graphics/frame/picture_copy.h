// Every pixel of one picture into another of the same size, converted to the
// target's depth by the reader and writer (a 32-bit pixel keeps its fourth
// byte, a 16-bit one loses bit 15): where operations that draw over a copy
// start.
#ifndef TVQ_FRAME_PICTURE_COPY_H
#define TVQ_FRAME_PICTURE_COPY_H

#include <algorithm>

#include "graphics/frame/format_access.h"
#include "graphics/frame/pixel_view.h"

namespace tvq {

// Copies the area both pictures share.
inline void copyConverted(const PixelView& in, const PixelView& out) {
  const int32_t width = std::min(in.width, out.width);
  const int32_t height = std::min(in.height, out.height);
  for (int32_t y = 0; y < height; ++y) {
    copyPixels(PerPixel{}, in, in.row(y), PerPixel{}, out, out.row(y), width, CopyRule::Converted);
  }
}

}  // namespace tvq

#endif
