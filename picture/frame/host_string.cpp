#include "picture/frame/host_string.h"

#include "host_binding/host_services.h"

namespace zrw {

RbString buildBinaryString(const void* bytes, int64_t length) {
  if (bytes == nullptr || length <= 0 || length > INT32_MAX) return nullptr;
  RbString s = host::realBuildString(static_cast<const char*>(bytes), static_cast<int32_t>(length));
  if (s != nullptr) host::realSetStringEncoding(s, kBinaryStringEncoding);
  return s;
}

}  // namespace zrw
