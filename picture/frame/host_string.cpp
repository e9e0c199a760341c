#include "picture/frame/host_string.h"

#include "host_binding/host_services.h"

namespace zrw {

RbString buildBinaryString(const void* bytes, int64_t length) {
  if (bytes == nullptr || length <= 0 || length > INT32_MAX) return nullptr;
  RbString s = host::realBuildString(static_cast<const char*>(bytes), static_cast<int32_t>(length));
  if (s != nullptr) host::realSetStringEncoding(s, kBinaryStringEncoding);
  return s;
}

RbString newBinaryString(int64_t length, uint8_t** storage) {
  *storage = nullptr;
  if (length <= 0 || length > INT32_MAX) return nullptr;
  RbString s = host::realBuildString(nullptr, static_cast<int32_t>(length));
  if (s == nullptr) return nullptr;
  int32_t held = 0;
  const char* bytes = host::stringGetBytes(s, &held);
  if (bytes == nullptr || held != length) {
    host::release(s);
    return nullptr;
  }
  host::realSetStringEncoding(s, kBinaryStringEncoding);
  // The string is new and this call holds its only reference: nobody else
  // sees the bytes change.
  *storage = reinterpret_cast<uint8_t*>(const_cast<char*>(bytes));
  return s;
}

}  // namespace zrw
