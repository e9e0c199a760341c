// The registry: empty. The predefined root keys exist (they need no opening
// on Windows either) but hold nothing, so no key ever opens and no handle is
// ever issued; anything that is not a root key is an invalid handle.
#include <cstdint>

#include "platform/win32.h"

namespace {

// HKEY_CLASSES_ROOT through HKEY_CURRENT_USER_LOCAL_SETTINGS.
bool IsPredefinedKey(HKEY key) {
  const uintptr_t value = reinterpret_cast<uintptr_t>(key);
  return value >= 0x80000000u && value <= 0x80000007u;
}

}  // namespace

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, HKEY* result) {
  (void)subKey;
  (void)options;
  (void)access;
  if (result != nullptr) *result = nullptr;
  return IsPredefinedKey(key) ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_HANDLE;
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD dataSize) {
  (void)valueName;
  (void)reserved;
  (void)type;
  (void)data;
  (void)dataSize;
  return IsPredefinedKey(key) ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_HANDLE;
}

LSTATUS RegCloseKey(HKEY key) {
  return IsPredefinedKey(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
