#include <gtest/gtest.h>

#include <cstdint>

#include "platform/win32.h"

namespace {

// The registry is empty: callers must take their fall-back path, and a key
// they never got must not look opened.
TEST(RegistryTest, NoKeyOpensAndNoValueIsFound) {
  for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    HKEY key = reinterpret_cast<HKEY>(uintptr_t{0x1234});
    EXPECT_EQ(RegOpenKeyExA(root, "Software\\Anything", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    DWORD size = 4;
    BYTE data[4] = {};
    EXPECT_EQ(RegQueryValueExA(root, "Value", nullptr, nullptr, data, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(root), ERROR_SUCCESS);
  }
}

TEST(RegistryTest, KeysItNeverIssuedAreInvalid) {
  const HKEY notIssued[] = {nullptr, reinterpret_cast<HKEY>(uintptr_t{0x1234})};
  for (HKEY key : notIssued) {
    HKEY sub = key;
    EXPECT_EQ(RegOpenKeyExA(key, "Sub", 0, KEY_QUERY_VALUE, &sub), ERROR_INVALID_HANDLE);
    EXPECT_EQ(sub, nullptr);
    EXPECT_EQ(RegQueryValueExA(key, "Value", nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  }
}

}  // namespace
