#include "host_binding/host_entry.h"

namespace host_binding {
namespace {
RbResolver storedResolver = nullptr;
}

void setResolver(RbResolver r) { storedResolver = r; }

RbResolver resolver() { return storedResolver; }

void* resolve(const char* name) {
  if (storedResolver == nullptr || name == nullptr) return nullptr;
  return storedResolver(name);
}

}  // namespace host_binding
