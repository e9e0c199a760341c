// What the QuickTime tests share: where the stand-in library lies, picture
// data in its format, and a look at what it was asked to do.
#ifndef TESTS_PICTURE_QUICKTIME_FIXTURE_H
#define TESTS_PICTURE_QUICKTIME_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32.h"
#include "rbhost/host.h"

namespace qttest {

constexpr const char* kDeclaration = "BuildPictureWithPicHandleDataZRW(data as string) as picture";

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// The folder of this test program, with its separator.
inline std::string programFolder() {
  char path[4096];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  const std::string program(path, length < sizeof path ? length : 0);
  return program.substr(0, program.find_last_of("/\\") + 1);
}

// bin/quicktime/<name>, without a separator at the end.
inline std::string standInFolder(const char* name) {
  return programFolder() + "quicktime" + kSeparator + name;
}
inline std::string standInPath(const char* name) {
  return standInFolder(name) + kSeparator + "QuickTime.qts";
}

// 24-bit picture data of the stand-in: rows from the top, pixels 0xRRGGBB.
inline std::string pictureData24(uint16_t width, uint16_t height,
                                 const std::vector<uint32_t>& pixels) {
  std::string data = "SPIC";
  for (uint16_t v : {width, height}) data += {char(v & 0xFF), char(v >> 8)};
  data += char(24);
  for (uint32_t c : pixels) data += {char(c >> 16), char(c >> 8), char(c)};
  return data;
}

// A 3 x 2 picture of six different colours, and its data.
inline const std::vector<uint32_t> kColors = {0x102030, 0xFF0000, 0x00FF80,
                                              0x0000FF, 0xFFFFFF, 0x7F3F1F};
inline std::string sampleData() { return pictureData24(3, 2, kColors); }

// True when `p` is the 3 x 2 sample picture.
inline ::testing::AssertionResult IsSamplePicture(rbhost::Host& host, RbPicture p) {
  if (p == nullptr) return ::testing::AssertionFailure() << "nil picture";
  if (host.width(p) != 3 || host.height(p) != 2)
    return ::testing::AssertionFailure() << host.width(p) << " x " << host.height(p);
  for (int i = 0; i < 6; ++i) {
    const rbhost::Rgb shown = host.pixel(p, i % 3, 1 - i / 3);  // memory row 0 is the bottom
    const uint32_t c = kColors[size_t(i)];
    if (shown != rbhost::Rgb{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)})
      return ::testing::AssertionFailure() << "pixel " << i;
  }
  return ::testing::AssertionSuccess();
}

// The stand-in at `path`, loaded by the test itself (one more reference).
class StandIn {
 public:
  explicit StandIn(const std::string& path) : module_(LoadLibraryA(path.c_str())) {}
  ~StandIn() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  StandIn(const StandIn&) = delete;
  StandIn& operator=(const StandIn&) = delete;

  bool loaded() const { return module_ != nullptr; }
  std::vector<uint32_t> calls() const {
    std::vector<uint32_t> selectors(64);
    const int32_t count = find<int32_t(uint32_t*, int32_t)>("quicktime_standin_calls")(
        selectors.data(), int32_t(selectors.size()));
    selectors.resize(size_t(count));
    return selectors;
  }
  std::pair<uintptr_t, uintptr_t> world() const {
    uintptr_t port = 0, device = 0;
    find<void(uintptr_t*, uintptr_t*)>("quicktime_standin_world")(&port, &device);
    return {port, device};
  }
  // 0: the last handle made; 1: the last DIB made; 2: the last handle disposed of.
  HGLOBAL handle(int32_t which) const {
    return static_cast<HGLOBAL>(find<void*(int32_t)>("quicktime_standin_handle")(which));
  }
  void reset() const { find<void()>("quicktime_standin_reset")(); }

 private:
  template <typename Function>
  Function* find(const char* name) const {
    return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
  }
  HMODULE module_;
};

// The graphics world the stand-in starts with.
constexpr std::pair<uintptr_t, uintptr_t> kInitialWorld = {0x5000, 0x6000};

// The calls of one successful or failed conversion, in order.
inline const std::vector<uint32_t> kConversionCalls = {0x0015005D, 0x001C0006, 0x0017000F,
                                                       0x001E0060, 0x001C0007};

inline RbPicture buildPicture(rbhost::Host& host, const std::string& data) {
  RbString s = host.newString(data, 0);
  RbPicture p = host.call<RbPicture, RbString>(kDeclaration, s);
  host.release(s);
  return p;
}

}  // namespace qttest

#endif
