// Stretching by area averaging: every result pixel the weighted mean of the
// source pixels its footprint covers, in fixed point with 15 fraction bits.
// A horizontal pass changes the width into an intermediate picture, a
// vertical pass then the height into the result; a mask goes the same way.
#ifndef TVQ_GEOMETRY_STRETCH_H
#define TVQ_GEOMETRY_STRETCH_H

#include <cstddef>
#include <cstdint>

#include "graphics/frame/fast_path_table.h"
#include "graphics/frame/pixel_view.h"
#include "graphics/frame/sse2_available.h"
#include "host_binding/rb_abi.h"

namespace tvq {

// The weights of one line of n samples resampled to m: every source sample
// supplies `supply` units, every result sample takes `demand`. Both stay
// within 32 bits for m below kLargestStretchSide + 1 and n at most 32768 m.
struct StretchWeights {
  int32_t supply = 0;
  int32_t demand = 0;
};
constexpr int32_t kLargestStretchSide = 65535;
// Nothing for sizes the arithmetic cannot take (a side of 0, a result side
// beyond kLargestStretchSide, a reduction by more than 32768).
bool stretchWeightsFor(int32_t n, int32_t m, StretchWeights& weights);

// Resamples every row of `in` to the width of `out` (rows in common only),
// reading a 1-bit pixel as black when set; writes at `out`'s depth, a 1-bit
// pixel set only where all three channels are 0.
void stretchRows(const PixelView& in, const PixelView& out);
// Resamples every column of `in` to the height of `out` (columns in common
// only), at any depth as stretchRows.
void stretchColumns(const PixelView& in, const PixelView& out);

using StretchLoop = void (*)(const PixelView& in, const PixelView& out, StretchWeights weights);
// Fast entries name the formats of the picture read and the picture written.
// The SSE2 loops come first where the build may use SSE2, the portable ones
// after them.
inline constexpr size_t kStretchRowFastLoops = TVQ_SSE2_AVAILABLE ? 4 : 2;
inline constexpr size_t kStretchColumnFastLoops = TVQ_SSE2_AVAILABLE ? 4 : 2;
const FastPathTable<StretchLoop, kStretchRowFastLoops>& stretchRowLoops();
const FastPathTable<StretchLoop, kStretchColumnFastLoops>& stretchColumnLoops();

// "TVQ_Stretch(extends p as picture, width as integer, height as integer) as
// picture"
RbPicture stretchMethod(RbPicture p, int32_t width, int32_t height);

// "TVQ_Stretch(extends cp as TVQ_ClientPicture, width as integer, height as
// integer, as_picture as boolean) as TVQ_ClientPicture"
RbObject stretchClientMethod(RbObject cp, int32_t width, int32_t height, RbBoolean asPicture);

}  // namespace tvq

#endif
