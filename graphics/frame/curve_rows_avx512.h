// Curve lookups of whole rows with AVX-512 byte and word permutes: a 256-entry
// table is four registers, looked up 64 bytes at a time. Run only where
// hasAvx512BytePermutes() says so.
//
// Each function handles the longest prefix of the row it can do in whole
// vectors and answers how many pixels that was; the caller finishes the row
// with the portable loop.
#ifndef TVQ_FRAME_CURVE_ROWS_AVX512_H
#define TVQ_FRAME_CURVE_ROWS_AVX512_H

#include <cstdint>

#include "graphics/frame/channel_curves.h"

namespace tvq {

int32_t curveRowsBgrx32Avx512(const uint8_t* from, uint8_t* to, int32_t count,
                              const ClampedCurves& curves);
int32_t curveRowsBgr24Avx512(const uint8_t* from, uint8_t* to, int32_t count,
                             const ClampedCurves& curves);
int32_t curveRowsRgb555Avx512(const uint8_t* from, uint8_t* to, int32_t count,
                              const ClampedCurves& curves);

}  // namespace tvq

#endif
