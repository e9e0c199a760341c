#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win32.h"

namespace {

// The test module is built beside this program.
std::string ModuleBesideThisProgram() {
  char self[4096];
  const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
  const std::string program(self, length < sizeof self ? length : 0);
  return program.substr(0, program.find_last_of("/\\") + 1) + PLATFORM_TEST_MODULE_NAME;
}

const std::string kModulePath = ModuleBesideThisProgram();

// Loads the test module, which carries its own copy of the emulation.
class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module = LoadLibraryA(kModulePath.c_str());
    ASSERT_NE(module, nullptr) << kModulePath;
  }
  void TearDown() override {
    if (module != nullptr) {
      EXPECT_TRUE(FreeLibrary(module));
    }
  }

  template <typename Function>
  Function* Find(const char* name) {
    FARPROC found = GetProcAddress(module, name);
    EXPECT_NE(found, nullptr) << name;
    // Through void(*)(), the one function type any other converts to quietly.
    return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(found));
  }

  HMODULE module = nullptr;
};

TEST_F(ModuleTest, FindsExportsAndNothingElse) {
  EXPECT_NE(GetProcAddress(module, "platform_test_module_global_flags"), nullptr);
  EXPECT_EQ(GetProcAddress(module, "platform_test_module_absent"), nullptr);
  EXPECT_EQ(GetProcAddress(module, nullptr), nullptr);
  // An ordinal on Windows; must not be read as text.
  EXPECT_EQ(GetProcAddress(module, reinterpret_cast<LPCSTR>(uintptr_t{7})), nullptr);
}

TEST_F(ModuleTest, NamesTheFileItWasLoadedFrom) {
  char path[4096];
  EXPECT_EQ(GetModuleFileNameA(module, path, sizeof path), kModulePath.size());
  EXPECT_EQ(path, kModulePath);

  // Cut to the buffer and reported as filling it, so that a caller can tell.
  // Current Windows and the emulation terminate the cut name; wine, like
  // Windows XP, fills the buffer to the last byte instead.
  char shortPath[6];
  std::memset(shortPath, 'x', sizeof shortPath);
  EXPECT_EQ(GetModuleFileNameA(module, shortPath, sizeof shortPath), sizeof shortPath);
  EXPECT_EQ(std::string(shortPath, sizeof shortPath - 1),
            kModulePath.substr(0, sizeof shortPath - 1));
#ifndef _WIN32
  EXPECT_EQ(shortPath[sizeof shortPath - 1], '\0');
#endif
  EXPECT_EQ(GetModuleFileNameA(module, shortPath, 0), 0u);
}

// Finding a loaded module must not keep it loaded: once freed it is gone.
TEST_F(ModuleTest, ModuleHandleFindsOnlyLoadedModulesWithoutHoldingThem) {
  EXPECT_EQ(GetModuleHandleA(kModulePath.c_str()), module);
  EXPECT_EQ(GetModuleHandleA(kModulePath.c_str()), module);
  ASSERT_TRUE(FreeLibrary(module));
  module = nullptr;
  EXPECT_EQ(GetModuleHandleA(kModulePath.c_str()), nullptr);
}

// A path built the Windows way, and a bare file name in another case, name
// the module loaded by its path.
TEST_F(ModuleTest, BackslashPathsAndBareFileNamesFindTheModule) {
  std::string windowsPath = kModulePath;
  for (char& c : windowsPath)
    if (c == '/') c = '\\';
  EXPECT_EQ(GetModuleHandleA(windowsPath.c_str()), module);
  HMODULE again = LoadLibraryA(windowsPath.c_str());
  EXPECT_EQ(again, module);
  EXPECT_TRUE(FreeLibrary(again));

  std::string fileName = kModulePath.substr(kModulePath.find_last_of("/\\") + 1);
  for (char& c : fileName) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(GetModuleHandleA(fileName.c_str()), module);
  ASSERT_TRUE(FreeLibrary(module));
  module = nullptr;
  EXPECT_EQ(GetModuleHandleA(fileName.c_str()), nullptr);
}

// Each plug-in has its own copy of the emulation, so every handle must mean
// the same to every copy: nothing may live in one copy's private state.
TEST_F(ModuleTest, HandlesCrossBetweenCopiesOfTheEmulation) {
  auto* moduleAlloc = Find<HGLOBAL(SIZE_T)>("platform_test_module_global_alloc");
  auto* moduleLock = Find<LPVOID(HGLOBAL)>("platform_test_module_global_lock");
  auto* moduleUnlock = Find<BOOL(HGLOBAL)>("platform_test_module_global_unlock");
  auto* moduleFlags = Find<UINT(HGLOBAL)>("platform_test_module_global_flags");
  auto* moduleSelectNewDib =
      Find<HBITMAP(LONG, LONG, RGBQUAD, HDC*)>("platform_test_module_select_new_dib");
  auto* moduleDelete = Find<BOOL(HGDIOBJ)>("platform_test_module_delete_object");
  ASSERT_FALSE(::testing::Test::HasFailure());

  HGLOBAL ours = GlobalAlloc(GHND, 8);
  void* address = GlobalLock(ours);
  EXPECT_EQ(moduleFlags(ours), 1u);
  EXPECT_EQ(moduleLock(ours), address);
  EXPECT_TRUE(moduleUnlock(ours));
  EXPECT_FALSE(GlobalUnlock(ours));
  EXPECT_EQ(moduleFlags(ours), 0u);
  EXPECT_EQ(GlobalFree(ours), nullptr);

  HGLOBAL theirs = moduleAlloc(24);
  ASSERT_NE(theirs, nullptr);
  EXPECT_EQ(GlobalSize(theirs), 24u);
  ASSERT_NE(GlobalLock(theirs), nullptr);
  EXPECT_FALSE(moduleUnlock(theirs));
  EXPECT_EQ(GlobalFree(theirs), nullptr);

  HDC dc = nullptr;
  HBITMAP bitmap = moduleSelectNewDib(6, -2, RGBQUAD{1, 2, 3, 0}, &dc);
  ASSERT_NE(bitmap, nullptr);
  ASSERT_NE(dc, nullptr);
  DIBSECTION ds = {};
  EXPECT_EQ(GetObjectA(bitmap, sizeof ds, &ds), static_cast<int>(sizeof ds));
  EXPECT_EQ(ds.dsBm.bmWidthBytes, 8);
  RGBQUAD color = {};
  EXPECT_EQ(GetDIBColorTable(dc, 0, 1, &color), 1u);
  EXPECT_EQ(color.rgbRed, 3);
#ifndef _WIN32
  EXPECT_FALSE(moduleDelete(bitmap));  // still selected (wine deletes it once released)
#endif
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_TRUE(moduleDelete(bitmap));
}

TEST(MainProgramTest, IsFoundAndNamedWithoutLoading) {
  HMODULE self = GetModuleHandleA(nullptr);
  ASSERT_NE(self, nullptr);
  char viaHandle[4096];
  char viaNull[4096];
  const DWORD length = GetModuleFileNameA(self, viaHandle, sizeof viaHandle);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(GetModuleFileNameA(nullptr, viaNull, sizeof viaNull), length);
  EXPECT_STREQ(viaHandle, viaNull);
#ifdef _WIN32
  EXPECT_TRUE(std::string(viaNull).ends_with("\\platform_tests.exe")) << viaNull;
#else
  EXPECT_TRUE(std::string(viaNull).ends_with("/platform_tests")) << viaNull;
#endif
}

TEST(ModuleFailureTest, MissingModulesFailCleanly) {
  EXPECT_EQ(LoadLibraryA("/nonexistent/platform_test_missing.so"), nullptr);
  EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
  EXPECT_EQ(LoadLibraryA(""), nullptr);
  EXPECT_EQ(GetModuleHandleA("platform_test_missing.so"), nullptr);
  EXPECT_EQ(GetModuleHandleA(kModulePath.c_str()), nullptr);  // not loaded here
  EXPECT_FALSE(FreeLibrary(nullptr));
  char path[16] = "untouched";
  EXPECT_EQ(GetModuleFileNameA(nullptr, path, 0), 0u);
#ifndef _WIN32
  // The emulation refuses a null buffer; Windows writes through it.
  EXPECT_EQ(GetModuleFileNameA(nullptr, nullptr, sizeof path), 0u);
#endif
  EXPECT_STREQ(path, "untouched");
}

TEST(SystemDirectoryTest, AsksForRoomInsteadOfCutting) {
  char small[4] = "abc";
  const UINT needed = GetSystemDirectoryA(small, sizeof small);
  EXPECT_STREQ(small, "abc");
  ASSERT_GT(needed, sizeof small);
  std::string buffer(needed, 'x');
  EXPECT_EQ(GetSystemDirectoryA(buffer.data(), needed), needed - 1);
#ifdef _WIN32
  EXPECT_TRUE(std::string(buffer.c_str()).ends_with("\\system32")) << buffer.c_str();
#else
  EXPECT_EQ(buffer.c_str(), std::string("/usr/lib"));
#endif
}

#ifndef _WIN32
// The emulation lets a test choose the folder (Windows' cannot be moved).
TEST(SystemDirectoryTest, EmulationTakesTheFolderFromTheEnvironment) {
  ASSERT_EQ(setenv("RB_EMULATED_SYSTEM_DIRECTORY", "/tmp/some system", 1), 0);
  char buffer[MAX_PATH];
  EXPECT_EQ(GetSystemDirectoryA(buffer, sizeof buffer), 16u);
  EXPECT_STREQ(buffer, "/tmp/some system");
  ASSERT_EQ(setenv("RB_EMULATED_SYSTEM_DIRECTORY", "", 1), 0);
  EXPECT_EQ(GetSystemDirectoryA(buffer, sizeof buffer), 8u);
  EXPECT_STREQ(buffer, "/usr/lib");
  unsetenv("RB_EMULATED_SYSTEM_DIRECTORY");
}
#endif

}  // namespace
