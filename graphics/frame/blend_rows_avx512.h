// The byte-by-byte blends of blend_rows.h, 64 bytes at a time with AVX-512
// byte and word instructions. Run only where hasAvx512BytePermutes() says so.
//
// Each function handles the longest prefix of the row it can do in whole
// vectors and answers how many bytes that was (a multiple of 64, so a
// 32-bit row's prefix ends on a pixel); the caller finishes the row with the
// portable loop.
#ifndef TVQ_FRAME_BLEND_ROWS_AVX512_H
#define TVQ_FRAME_BLEND_ROWS_AVX512_H

#include <cstddef>
#include <cstdint>

namespace tvq {

size_t blendByteRowAvx512(const uint8_t* over, const uint8_t* source, uint8_t* out, size_t bytes,
                          uint32_t w, bool clearFourth);
size_t transitionByteRowAvx512(const uint8_t* source, const uint8_t* a, const uint8_t* b,
                               uint8_t* out, size_t bytes, uint32_t wa, uint32_t wb,
                               bool clearFourth);

}  // namespace tvq

#endif
