// Curves that only add a constant to each channel (a saturating offset), as
// byte-saturating SSE2 arithmetic: no table lookups. SSE2 is the baseline of
// every build this runs on; elsewhere the functions do nothing.
//
// Each handles the longest prefix of the row it can do in whole vectors and
// answers how many pixels that was; the caller finishes the row with the
// portable loop.
#ifndef TVQ_FRAME_CURVE_ROWS_SSE2_H
#define TVQ_FRAME_CURVE_ROWS_SSE2_H

#include <cstdint>

#include "graphics/frame/channel_curves.h"

namespace tvq {

// Both need curves.offsets.
int32_t offsetRowsBgrx32Sse2(const uint8_t* from, uint8_t* to, int32_t count,
                             const ClampedCurves& curves);
int32_t offsetRowsBgr24Sse2(const uint8_t* from, uint8_t* to, int32_t count,
                            const ClampedCurves& curves);

}  // namespace tvq

#endif
