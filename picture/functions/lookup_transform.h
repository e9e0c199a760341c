// Lookup transformation: "TransformColorsZRW(red as memoryblock, blue as
// memoryblock, green as memoryblock) as picture", an extension method of
// Picture. Each block's first 256 bytes are a table: a channel of value v
// becomes byte v of its channel's table. Fourth byte 0.
//
// Nil when a block is nil, when the host does not report a block to hold at
// least 256 bytes (a shorter table would be read past its end), when the
// picture cannot be opened or the result cannot be created.
#ifndef PICTURE_FUNCTIONS_LOOKUP_TRANSFORM_H
#define PICTURE_FUNCTIONS_LOOKUP_TRANSFORM_H

#include <array>
#include <cstdint>

#include "host_binding/rb_abi.h"
#include "picture/frame/pixel_rows.h"

namespace zrw {

struct LookupTables {
  std::array<uint8_t, 256> red, green, blue;
};

void lookUpRows(SourceRows source, ResultRows result, const LookupTables& tables);

RbPicture transformColors(RbPicture picture, RbMemoryBlock red, RbMemoryBlock blue,
                          RbMemoryBlock green);

}  // namespace zrw

#endif
