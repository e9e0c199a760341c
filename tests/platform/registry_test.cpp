#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/win32.h"

namespace {

// The registry holds nothing here: callers must take their fall-back path,
// and a key they never got must not look opened.
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

// Values written under a key of the current user's that only this test uses
// (the name differs per run, so parallel runs on one registry keep apart);
// the key and everything under it go again afterwards.
class RegistryValueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    keyPath = "Software\\RbPlatformRegistryTest" +
              std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  }
  void TearDown() override {
    if (key != nullptr) {
      EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, (keyPath + "\\Inner").c_str());
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, keyPath.c_str()), ERROR_SUCCESS);
    HKEY gone = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &gone),
              ERROR_FILE_NOT_FOUND);
  }
  void setString(HKEY where, const char* name, const std::string& text) {
    ASSERT_EQ(RegSetValueExA(where, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)),
              ERROR_SUCCESS);
  }

  std::string keyPath;
  HKEY key = nullptr;
};

TEST_F(RegistryValueTest, StringReadsBackWithItsTerminatorCounted) {
  const std::string folder = "C:\\Program Files\\Some Folder\\";
  setString(key, "Library folder", folder);

  // Another handle, opened read-only by the path in another case.
  std::string otherCase = keyPath;
  for (char& c : otherCase) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  HKEY reader = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, otherCase.c_str(), 0, KEY_READ, &reader),
            ERROR_SUCCESS);
  const DWORD stored = static_cast<DWORD>(folder.size() + 1);

  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExA(reader, "LIBRARY FOLDER", nullptr, &type, nullptr, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  // Windows' ANSI call may ask for more than it then uses (room for the
  // text as stored, in UTF-16); the emulation asks for exactly the bytes.
#ifdef _WIN32
  EXPECT_GE(size, stored);
#else
  EXPECT_EQ(size, stored);
#endif

  char buffer[64];
  std::memset(buffer, 'x', sizeof buffer);
  size = stored;
  ASSERT_EQ(RegQueryValueExA(reader, "Library folder", nullptr, &type,
                             reinterpret_cast<LPBYTE>(buffer), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, stored);
  EXPECT_STREQ(buffer, folder.c_str());

  // One byte short: nothing usable, and the size that is needed.
  size = stored - 1;
  EXPECT_EQ(RegQueryValueExA(reader, "Library folder", nullptr, nullptr,
                             reinterpret_cast<LPBYTE>(buffer), &size),
            ERROR_MORE_DATA);
#ifdef _WIN32
  EXPECT_GE(size, stored);
#else
  EXPECT_EQ(size, stored);
#endif

  EXPECT_EQ(RegQueryValueExA(reader, "Other", nullptr, nullptr, nullptr, &size),
            ERROR_FILE_NOT_FOUND);
  // Read-only handles cannot change anything.
  EXPECT_EQ(RegSetValueExA(reader, "Other", 0, REG_SZ, reinterpret_cast<const BYTE*>("a"), 2),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteValueA(reader, "Library folder"), ERROR_ACCESS_DENIED);

  // Rewriting replaces; deleting removes.
  setString(key, "library folder", "D:\\");
  size = sizeof buffer;
  EXPECT_EQ(RegQueryValueExA(reader, "Library folder", nullptr, nullptr,
                             reinterpret_cast<LPBYTE>(buffer), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 4u);
  EXPECT_STREQ(buffer, "D:\\");
  EXPECT_EQ(RegDeleteValueA(key, "Library folder"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key, "Library folder"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExA(reader, "Library folder", nullptr, nullptr, nullptr, &size),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCloseKey(reader), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(reader), ERROR_INVALID_HANDLE);
}

// The same path under the other root is another key.
TEST_F(RegistryValueTest, RootsAreSeparateTrees) {
  setString(key, "Value", "user");
  HKEY machine = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &machine),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(machine, nullptr);
}

TEST_F(RegistryValueTest, SubkeysOpenRelativeToTheirParentAndKeepItFromDeletion) {
  HKEY inner = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(key, "Inner", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                            &inner, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  setString(inner, "Value", "inner");
  EXPECT_EQ(RegCloseKey(inner), ERROR_SUCCESS);

  char buffer[16] = {};
  DWORD size = sizeof buffer;
  HKEY reopened = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (keyPath + "\\inner").c_str(), 0, KEY_READ, &reopened),
            ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(reopened, "Value", nullptr, nullptr, reinterpret_cast<LPBYTE>(buffer),
                             &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(buffer, "inner");
  // Values belong to their own key only.
  EXPECT_EQ(RegQueryValueExA(key, "Value", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);

  // A key with a subkey stays; once the subkey is gone, handles to it say so.
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, keyPath.c_str()), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(key, "Inner"), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(reopened, "Value", nullptr, nullptr, nullptr, &size),
            ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(reopened), ERROR_SUCCESS);
}

// Each plug-in carries its own copy of the emulation; all see one registry,
// as all modules of a Windows process do.
TEST_F(RegistryValueTest, EveryCopyOfTheEmulationSeesTheSameValues) {
  char self[4096];
  const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
  ASSERT_GT(length, 0u);
  const std::string program(self, length < sizeof self ? length : 0);
  HMODULE module = LoadLibraryA(
      (program.substr(0, program.find_last_of("/\\") + 1) + PLATFORM_TEST_MODULE_NAME).c_str());
  ASSERT_NE(module, nullptr);
  using Read = LSTATUS(HKEY, LPCSTR, LPCSTR, char*, DWORD);
  auto* read = reinterpret_cast<Read*>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, "platform_test_module_read_string")));
  ASSERT_NE(read, nullptr);

  setString(key, "Shared", "seen");
  char buffer[16] = {};
  EXPECT_EQ(read(HKEY_CURRENT_USER, keyPath.c_str(), "Shared", buffer, sizeof buffer),
            ERROR_SUCCESS);
  EXPECT_STREQ(buffer, "seen");
  EXPECT_EQ(read(HKEY_CURRENT_USER, keyPath.c_str(), "Shared", buffer, 2), ERROR_MORE_DATA);
  EXPECT_TRUE(FreeLibrary(module));
}

}  // namespace
