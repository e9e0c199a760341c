// The screen's device context, its capabilities and its system palette.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/win32.h"

namespace {

TEST(Screen, DeviceContextOfTheWholeScreen) {
  HDC dc = GetDC(nullptr);
  ASSERT_NE(dc, nullptr);
  const int bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
  EXPECT_GT(bits, 0);
  std::vector<PALETTEENTRY> entries(256);
  const UINT read = GetSystemPaletteEntries(dc, 0, 256, entries.data());
  EXPECT_LE(read, 256u);
  if ((GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) == 0) {
    EXPECT_EQ(read, 0u);
  }
  EXPECT_EQ(ReleaseDC(nullptr, dc), 1);
}

#ifndef _WIN32
// What only the emulation promises: the display it models.
class EmulatedScreen : public ::testing::Test {
 protected:
  ~EmulatedScreen() override { unsetenv("RB_EMULATED_SCREEN_BITS"); }
  void useBits(const char* bits) { setenv("RB_EMULATED_SCREEN_BITS", bits, 1); }
};

TEST_F(EmulatedScreen, PaletteDevicesOfOneFourAndEightBits) {
  struct Case {
    const char* bits;
    int depth;
    UINT size;
    PALETTEENTRY first, ninth, last;
  };
  const std::vector<Case> cases = {
      {"1", 1, 2, {0, 0, 0, 0}, {0, 0, 0, 0}, {255, 255, 255, 0}},
      {"4", 4, 16, {0, 0, 0, 0}, {128, 128, 128, 0}, {255, 255, 255, 0}},
      {"8", 8, 256, {0, 0, 0, 0}, {192, 220, 192, 0}, {255, 255, 255, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    useBits(c.bits);
    HDC dc = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), c.depth);
    EXPECT_EQ(GetDeviceCaps(dc, SIZEPALETTE), int(c.size));
    EXPECT_EQ(GetDeviceCaps(dc, RASTERCAPS), RC_PALETTE);
    EXPECT_EQ(GetSystemPaletteEntries(dc, 0, 0, nullptr), c.size);
    std::vector<PALETTEENTRY> e(300, PALETTEENTRY{1, 2, 3, 4});
    EXPECT_EQ(GetSystemPaletteEntries(dc, 0, 300, e.data()), c.size);
    auto same = [](PALETTEENTRY a, PALETTEENTRY b) {
      return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue &&
             a.peFlags == b.peFlags;
    };
    EXPECT_TRUE(same(e[0], c.first));
    if (c.size > 8) {
      EXPECT_TRUE(same(e[8], c.ninth));
    }
    EXPECT_TRUE(same(e[c.size - 1], c.last));
    EXPECT_EQ(e[c.size].peFlags, 4);  // nothing written past the palette
    EXPECT_EQ(GetSystemPaletteEntries(dc, c.size - 1, 5, e.data()), 1u);
    EXPECT_EQ(GetSystemPaletteEntries(dc, c.size, 5, e.data()), 0u);
    ReleaseDC(nullptr, dc);
  }
}

TEST_F(EmulatedScreen, DeeperDisplaysHaveNoPalette) {
  for (const char* bits : {"16", "24", "32", "7", ""}) {
    useBits(bits);
    HDC dc = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, RASTERCAPS), 0);
    PALETTEENTRY e[4];
    EXPECT_EQ(GetSystemPaletteEntries(dc, 0, 4, e), 0u);
    ReleaseDC(nullptr, dc);
  }
}

TEST_F(EmulatedScreen, OtherWindowsAndHandlesAreRefused) {
  EXPECT_EQ(GetDC(reinterpret_cast<HWND>(uintptr_t{16})), nullptr);
  HDC memory = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(memory, BITSPIXEL), 0);
  EXPECT_EQ(ReleaseDC(nullptr, memory), 0);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(SelectObject(screen, nullptr), nullptr);  // not a memory DC
  EXPECT_FALSE(DeleteDC(screen));
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
  DeleteDC(memory);
}
#endif

}  // namespace
