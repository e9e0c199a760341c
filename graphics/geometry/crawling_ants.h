// Crawling ants: a dashed one-pixel outline along a rectangle's border, its
// dashes moved one pixel along the border by each step of the phase.
#ifndef TVQ_GEOMETRY_CRAWLING_ANTS_H
#define TVQ_GEOMETRY_CRAWLING_ANTS_H

#include <cstdint>

#include "graphics/frame/pixel_view.h"
#include "graphics/frame/selection.h"
#include "host_binding/rb_abi.h"

namespace tvq {

struct AntPattern {
  uint32_t antColor = 0;  // host colours; the top byte is ignored
  uint32_t shadowColor = 0;
  int32_t size = 1;   // dash length, at least 1
  int32_t state = 0;  // phase, 0 <= state < 2 * size
};

// Draws the outline of `outline` (inside the picture) in place: the top row
// and then the right column on one phase counter, the left column and then
// the bottom row on another, so where runs meet the later one's colour stays.
void drawAnts(const PixelView& picture, const Selection& outline, const AntPattern& pattern);

// "TVQ_CrawlingAnts(extends p as picture, rect as TVQ_Rectangle, ant_color as
// color, shadow_color as color, ant_size as integer, ant_state as integer) as
// picture"
RbPicture crawlingAntsMethod(RbPicture p, RbObject rect, uint32_t antColor, uint32_t shadowColor,
                             int32_t antSize, int32_t antState);

}  // namespace tvq

#endif
