#include "graphics/frame/method_table.h"

#include <memory>
#include <new>
#include <vector>

namespace tvq {
namespace {

// Owner of every converted table; released only when the library itself is
// unloaded, together with the class records that point into it.
std::vector<std::unique_ptr<RbShortMethodRecord[]>>& convertedTables() {
  static std::vector<std::unique_ptr<RbShortMethodRecord[]>> tables;
  return tables;
}

}  // namespace

RbShortMethodRecord* shortMethodTable(const RbMethodRecord* methods, size_t count) {
  try {
    auto table = std::make_unique<RbShortMethodRecord[]>(count);
    for (size_t i = 0; i < count; ++i) {
      table[i] = {methods[i].function, methods[i].setter, methods[i].declaration};
    }
    convertedTables().push_back(std::move(table));
    return convertedTables().back().get();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace tvq
