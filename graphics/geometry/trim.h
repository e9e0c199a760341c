// Trimming: a rectangle cut out of a picture into a new one of exactly its
// size. The rectangle is not clipped: what it covers outside the source is
// painted in a frame colour.
#ifndef TVQ_GEOMETRY_TRIM_H
#define TVQ_GEOMETRY_TRIM_H

#include <cstdint>

#include "graphics/classes/rectangle.h"
#include "graphics/frame/pixel_view.h"
#include "host_binding/rb_abi.h"

namespace tvq {

// Writes every pixel of `target`: target (c, r) is source (left + c, top +
// r) where that lies in the source, the frame colour elsewhere.
void trimInto(const PixelView& source, const PixelView& target, int32_t left, int32_t top,
              uint32_t frameColor);

// "TVQ_Trim(extends p as picture, trim_rect as TVQ_Rectangle, frame_color as
// color) as picture"
RbPicture trimMethod(RbPicture p, RbObject trimRect, uint32_t frameColor);

// "TVQ_Trim(extends cp as TVQ_ClientPicture, trim_rect as TVQ_Rectangle,
// frame_color as color) as TVQ_ClientPicture". The result takes the form of
// the source: a host picture for a client picture that stands for one, a
// buffer for a buffer.
RbObject trimClientMethod(RbObject cp, RbObject trimRect, uint32_t frameColor);

}  // namespace tvq

#endif
