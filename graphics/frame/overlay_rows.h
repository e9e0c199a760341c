// The row walk every overlay blend shares: pixels the overlay does not cover
// are copied from the source (converted to the target's format), and each
// covered run is handed to the operation's own blend.
#ifndef TVQ_FRAME_OVERLAY_ROWS_H
#define TVQ_FRAME_OVERLAY_ROWS_H

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "graphics/frame/format_access.h"
#include "graphics/frame/overlay_blend.h"
#include "graphics/frame/pixel_view.h"

namespace tvq {

// Walks the common rows of source and target. For a row the overlay covers,
// `blendRun(ps, pt, overX, overY, count)` receives the first covered source
// and target pixels, where that pixel lies in the overlay, and how many
// pixels the run has.
template <typename In, typename Out, typename BlendRun>
void walkOverlayRows(const PixelView& source, const PixelView& target, const CoveredArea& area,
                     OverlayPlacement at, BlendRun&& blendRun) {
  const int32_t width = std::min(source.width, target.width);
  const int32_t height = std::min(source.height, target.height);
  const int32_t inStep = stepOf(In{}, source), outStep = stepOf(Out{}, target);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* from = source.row(y);
    uint8_t* to = target.row(y);
    if (!area.coversRow(y)) {
      copyPixels(In{}, source, from, Out{}, target, to, width, CopyRule::Converted);
      continue;
    }
    copyPixels(In{}, source, from, Out{}, target, to, area.left, CopyRule::Converted);
    // Inside the covered area both differences lie within the overlay.
    const auto overY = static_cast<int32_t>(int64_t{y} - at.top);
    const auto overX = static_cast<int32_t>(int64_t{area.left} - at.left);
    blendRun(from + static_cast<ptrdiff_t>(area.left) * inStep,
             to + static_cast<ptrdiff_t>(area.left) * outStep, overX, overY,
             area.right - area.left + 1);
    const int32_t after = area.right + 1;
    copyPixels(In{}, source, from + static_cast<ptrdiff_t>(after) * inStep, Out{}, target,
               to + static_cast<ptrdiff_t>(after) * outStep, width - after, CopyRule::Converted);
  }
}

}  // namespace tvq

#endif
