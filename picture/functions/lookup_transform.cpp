#include "picture/functions/lookup_transform.h"

#include <cstring>
#include <optional>

#include "host_binding/host_services.h"
#include "picture/frame/picture_operation.h"
#include "picture/frame/pixel_words.h"

namespace zrw {
namespace {

// The table a block holds, copied out; false when the block cannot be seen
// to hold one.
bool readTable(RbMemoryBlock block, std::array<uint8_t, 256>& table) {
  const std::optional<int32_t> size = host::memoryBlockSize(block);
  if (!size || *size < static_cast<int32_t>(table.size())) return false;
  const void* bytes = host::memoryBlockGetPtr(block);
  if (bytes == nullptr) return false;
  std::memcpy(table.data(), bytes, table.size());
  return true;
}

}  // namespace

void lookUpRows(SourceRows source, ResultRows result, const LookupTables& tables) {
  mapPixelValues(source, result, [&tables](uint32_t pixel) {
    return (uint32_t{tables.red[(pixel >> 16) & 0xFF]} << 16) |
           (uint32_t{tables.green[(pixel >> 8) & 0xFF]} << 8) | tables.blue[pixel & 0xFF];
  });
}

RbPicture transformColors(RbPicture picture, RbMemoryBlock red, RbMemoryBlock blue,
                          RbMemoryBlock green) {
  LookupTables tables;
  if (!readTable(red, tables.red) || !readTable(green, tables.green) ||
      !readTable(blue, tables.blue))
    return nullptr;
  return fromSource(picture, SameSize{},
                    [&tables](SourceRows in, ResultRows out) { lookUpRows(in, out, tables); });
}

}  // namespace zrw
