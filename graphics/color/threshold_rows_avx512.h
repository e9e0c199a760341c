// Threshold rows with AVX-512: the channel comparisons of 16 (32-bit) or 21
// (24-bit) pixels at once, joined per pixel in the comparison mask. Run only
// where hasAvx512BytePermutes() says so; each answers how many pixels of the
// row it did, and the caller finishes the row with the portable loop.
#ifndef TVQ_COLOR_THRESHOLD_ROWS_AVX512_H
#define TVQ_COLOR_THRESHOLD_ROWS_AVX512_H

#include <cstdint>

#include "graphics/color/threshold.h"

namespace tvq {

int32_t thresholdRowsBgrx32Avx512(const uint8_t* from, uint8_t* to, int32_t count,
                                  const ThresholdRule& rule);
int32_t thresholdRowsBgr24Avx512(const uint8_t* from, uint8_t* to, int32_t count,
                                 const ThresholdRule& rule);

}  // namespace tvq

#endif
