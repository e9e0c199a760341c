// Result strings of raw bytes.
#ifndef PICTURE_FRAME_HOST_STRING_H
#define PICTURE_FRAME_HOST_STRING_H

#include <cstdint>

#include "host_binding/rb_abi.h"

namespace zrw {

// The string encoding that tells the host the bytes are binary data, not text.
inline constexpr uint32_t kBinaryStringEncoding = 0xFFFF;

// A host string holding a copy of `length` bytes, marked as binary data. Nil
// when `bytes` is null, `length` is not positive or longer than a host string
// can be, or the host cannot build it. The caller owns the reference.
RbString buildBinaryString(const void* bytes, int64_t length);

}  // namespace zrw

#endif
