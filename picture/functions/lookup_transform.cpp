#include "picture/functions/lookup_transform.h"

#include <cstring>
#include <optional>

#include "host_binding/host_services.h"
#include "picture/frame/bgra32.h"
#include "picture/frame/picture_operation.h"

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
  for (int32_t y = 0; y < source.height; ++y) {
    const uint8_t* in = source.row(y);
    uint8_t* out = result.row(y);
    for (int32_t x = 0; x < source.width; ++x, in += 4, out += 4)
      bgra32::storeRgb(out, tables.red[in[bgra32::kRed]], tables.green[in[bgra32::kGreen]],
                       tables.blue[in[bgra32::kBlue]]);
  }
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
