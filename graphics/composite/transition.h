// One frame of a cross-fade from overlay_a to overlay_b by way of the source:
// each overlay is mixed with the source, then the two mixtures are mixed,
// with 8.8 weights A = trunc(f × 256) and B = trunc((1 - f) × 256).
#ifndef TVQ_COMPOSITE_TRANSITION_H
#define TVQ_COMPOSITE_TRANSITION_H

#include <cstdint>

#include "graphics/frame/fast_path_table.h"
#include "graphics/frame/pixel_view.h"
#include "host_binding/rb_abi.h"

namespace tvq {

struct TransitionWeights {
  int32_t a = 0;  // weight of overlay_a, 0..256
  int32_t b = 0;  // weight of overlay_b, 0..256
};

// Writes every pixel of `target` from the pixels of `source`, `a` and `b` at
// the same place, each read at its own depth; fourth byte 0.
void transitionPixels(const PixelView& source, const PixelView& a, const PixelView& b,
                      const PixelView& target, TransitionWeights weights);

using TransitionLoop = void (*)(const PixelView& source, const PixelView& a, const PixelView& b,
                                const PixelView& target, TransitionWeights weights);
// Entries name the formats of the source, of both overlays (as `second`) and
// of the target.
const FastPathTable<TransitionLoop, 4>& transitionLoops();

// "TVQ_Transition(extends p as picture, overlay_a as picture, overlay_b as
// picture, overlay_a_fraction as double) as picture"
RbPicture transitionMethod(RbPicture p, RbPicture overlayA, RbPicture overlayB, double fraction);

}  // namespace tvq

#endif
