// Laying an overlay picture over a source at a fraction: where it covers the
// source, each channel becomes (overlay × w + source × (256 - w)) >> 8 with
// w = trunc(fraction × 256), and a fourth byte of 0; the rest of the source
// is copied. An overlay with a mask of its own weights each pixel further by
// the mask's red channel m: w' = ((255 - m) × w) / 255, so black shows the
// overlay at the full fraction and white hides it.
#ifndef TVQ_COMPOSITE_COMPOSITE_H
#define TVQ_COMPOSITE_COMPOSITE_H

#include <cstdint>

#include "graphics/frame/fast_path_table.h"
#include "graphics/frame/operation.h"
#include "graphics/frame/overlay_blend.h"
#include "graphics/frame/pixel_view.h"
#include "host_binding/rb_abi.h"

namespace tvq {

// Writes every pixel of `target` (the source's size): the overlay blended in
// where it covers the source at `at`, weighted by `weight` (0..256) and, when
// `overlayMask` is not null, by the mask's level at the overlay position. A
// mask of another size than the overlay is not used.
void compositePixels(const PixelView& source, const PixelView& overlay,
                     const PixelView* overlayMask, const PixelView& target, OverlayPlacement at,
                     uint32_t weight);

using CompositeLoop = void (*)(const PixelView& source, const PixelView& overlay,
                               const PixelView* overlayMask, const PixelView& target,
                               OverlayPlacement at, uint32_t weight);
// Entries name the formats of the source, the overlay (as `second`) and the
// target; the overlay's mask is read at any depth.
const FastPathTable<CompositeLoop, 4>& compositeLoops();

// The fraction of an overlay as a weight out of 256: checked to lie in
// 0.0..1.0 (OverlayFractionOutOfBounds, NaN included), then truncated.
bool overlayWeight(Operation& op, double fraction, uint32_t& weight);

// "TVQ_Composite(extends p as picture, overlay as picture, overlay_fraction
// as double, left as integer, top as integer) as picture"
RbPicture compositeMethod(RbPicture p, RbPicture overlay, double fraction, int32_t left,
                          int32_t top);

}  // namespace tvq

#endif
