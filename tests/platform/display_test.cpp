// The display and the calls that move pixels between it, device-dependent
// bitmaps and DIBs. What holds on Windows too runs there; what only the
// emulation promises (the display's pixels, its counts) is left out there.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/win32.h"

#ifndef _WIN32
#include "platform/virtual_display.h"
#endif

namespace {

BITMAPINFO header32(LONG width, LONG height) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  return info;
}

TEST(Display, DesktopWindowAndDisplayDcAgree) {
  RECT desktop{};
  ASSERT_TRUE(GetWindowRect(GetDesktopWindow(), &desktop));
  HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  ASSERT_NE(display, nullptr);
  EXPECT_EQ(GetDeviceCaps(display, HORZRES), desktop.right - desktop.left);
  EXPECT_EQ(GetDeviceCaps(display, VERTRES), desktop.bottom - desktop.top);
  EXPECT_GT(GetDeviceCaps(display, BITSPIXEL), 0);
  EXPECT_TRUE(DeleteDC(display));
}

TEST(Display, IsRectEmpty) {
  struct Case {
    RECT r;
    BOOL empty;
  };
  const Case cases[] = {{{0, 0, 1, 1}, FALSE},
                        {{0, 0, 0, 1}, TRUE},
                        {{0, 0, 1, 0}, TRUE},
                        {{5, 5, 4, 9}, TRUE},
                        {{-3, -3, -1, -1}, FALSE}};
  for (const Case& c : cases) EXPECT_EQ(IsRectEmpty(&c.r) != 0, c.empty != 0);
}

// A DIB turned into a device bitmap and read back unchanged (on displays of
// 24 bits and more, which hold every colour).
TEST(DeviceBitmap, CreateDIBitmapThenGetDIBitsRoundTrips) {
  HDC screen = GetDC(nullptr);
  ASSERT_NE(screen, nullptr);
  const uint32_t pixels[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xFFFFFF, 0x000000};
  BITMAPINFO info = header32(3, -2);
  HBITMAP bitmap = CreateDIBitmap(screen, &info.bmiHeader, CBM_INIT, pixels, &info, DIB_RGB_COLORS);
  ASSERT_NE(bitmap, nullptr);
  BITMAP bm{};
  ASSERT_EQ(GetObjectA(bitmap, sizeof bm, &bm), int(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 3);
  EXPECT_EQ(bm.bmHeight, 2);
  EXPECT_EQ(bm.bmBitsPixel, GetDeviceCaps(screen, BITSPIXEL));
  EXPECT_EQ(bm.bmBits, nullptr);

  BITMAPINFO query = header32(3, 2);
  query.bmiHeader.biSizeImage = 0;
  EXPECT_NE(GetDIBits(screen, bitmap, 0, 2, nullptr, &query, DIB_RGB_COLORS), 0);
  EXPECT_EQ(query.bmiHeader.biSizeImage, 24u);

  if (GetDeviceCaps(screen, BITSPIXEL) >= 24) {
    BITMAPINFO back = header32(3, -2);
    uint32_t read[6] = {};
    ASSERT_EQ(GetDIBits(screen, bitmap, 0, 2, read, &back, DIB_RGB_COLORS), 2);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(read[i] & 0xFFFFFF, pixels[i]) << i;
    // Bottom-up, from the second scan line: only the top row.
    BITMAPINFO bottomUp = header32(3, 2);
    uint32_t top[3] = {};
    ASSERT_EQ(GetDIBits(screen, bitmap, 1, 5, top, &bottomUp, DIB_RGB_COLORS), 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(top[i] & 0xFFFFFF, pixels[i]) << i;
  }
  EXPECT_TRUE(DeleteObject(bitmap));
  ReleaseDC(nullptr, screen);
}

TEST(DeviceBitmap, CompatibleBitmapsTakeTheirDcsFormat) {
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP fromScreen = CreateCompatibleBitmap(screen, 4, 3);
  HBITMAP fromMemory = CreateCompatibleBitmap(memory, 4, 3);  // its 1-bit placeholder
  HBITMAP empty = CreateCompatibleBitmap(screen, 0, 5);
  ASSERT_NE(fromScreen, nullptr);
  ASSERT_NE(fromMemory, nullptr);
  ASSERT_NE(empty, nullptr);
  BITMAP bm{};
  GetObjectA(fromScreen, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, GetDeviceCaps(screen, BITSPIXEL));
  GetObjectA(fromMemory, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  GetObjectA(empty, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmHeight, 1);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  EXPECT_TRUE(DeleteObject(fromScreen));
  EXPECT_TRUE(DeleteObject(fromMemory));
  // Windows may hand out its stock 1 x 1 bitmap here, which deleting ignores.
  DeleteObject(empty);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

TEST(Palette, SelectAndRealize) {
  HDC screen = GetDC(nullptr);
  std::vector<uint8_t> storage(sizeof(LOGPALETTE) + 3 * sizeof(PALETTEENTRY));
  auto* logical = reinterpret_cast<LOGPALETTE*>(storage.data());
  logical->palVersion = 0x300;
  logical->palNumEntries = 3;
  HPALETTE palette = CreatePalette(logical);
  ASSERT_NE(palette, nullptr);
  HPALETTE stock = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
  ASSERT_NE(stock, nullptr);
  HPALETTE previous = SelectPalette(screen, palette, FALSE);
  EXPECT_EQ(previous, stock);
  EXPECT_NE(RealizePalette(screen), 0xFFFFFFFFu);
  EXPECT_EQ(SelectPalette(screen, previous, FALSE), palette);
  EXPECT_TRUE(DeleteObject(palette));
  ReleaseDC(nullptr, screen);
}

#ifndef _WIN32
class VirtualDisplay : public ::testing::Test {
 protected:
  ~VirtualDisplay() override { platform::ResetVirtualDisplay(); }
  static uint32_t at(int32_t x, int32_t y) { return uint32_t(x) << 16 | uint32_t(y) << 8 | 0x5A; }
  void show(int32_t width, int32_t height, int bits = 32) {
    std::vector<uint32_t> colors;
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) colors.push_back(at(x, y));
    ASSERT_TRUE(platform::SetVirtualDisplay(width, height, bits, colors.data()));
  }
};

TEST_F(VirtualDisplay, SizesAndDepthsItAccepts) {
  EXPECT_FALSE(platform::SetVirtualDisplay(0, 10, 32, nullptr));
  EXPECT_FALSE(platform::SetVirtualDisplay(10, platform::kMaxDisplaySide + 1, 32, nullptr));
  EXPECT_FALSE(platform::SetVirtualDisplay(10, 10, 15, nullptr));
  EXPECT_TRUE(platform::SetVirtualDisplay(7, 5, 16, nullptr));
  RECT r{};
  GetWindowRect(GetDesktopWindow(), &r);
  EXPECT_EQ(r.right, 7);
  EXPECT_EQ(r.bottom, 5);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 16);
  EXPECT_EQ(GetDeviceCaps(screen, HORZRES), 7);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(platform::VirtualDisplayPixel(3, 3), 0u);  // black without colours
}

// Source pixels off the display read black; what falls off the target is
// not drawn.
TEST_F(VirtualDisplay, BitBltClipsBothWays) {
  show(6, 4);
  HDC display = CreateDCA("display", nullptr, nullptr, nullptr);
  HDC memory = CreateCompatibleDC(display);
  HBITMAP bitmap = CreateCompatibleBitmap(display, 4, 4);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  EXPECT_FALSE(BitBlt(memory, 0, 0, 4, 4, display, 0, 0, 0x00EE0086));  // not SRCCOPY
  ASSERT_TRUE(BitBlt(memory, -1, 1, 10, 10, display, 4, 0, SRCCOPY));
  SelectObject(memory, previous);
  BITMAPINFO info = header32(4, -4);
  uint32_t read[16] = {};
  ASSERT_EQ(GetDIBits(display, bitmap, 0, 4, read, &info, DIB_RGB_COLORS), 4);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) {
      const int32_t sx = x + 1 + 4, sy = y - 1;  // target (x, y) came from here
      const uint32_t want = y == 0 ? 0 : sx < 6 ? at(sx, sy) : 0;
      EXPECT_EQ(read[y * 4 + x], want) << x << "," << y;
    }
  DeleteObject(bitmap);
  DeleteDC(memory);
  DeleteDC(display);
}

TEST_F(VirtualDisplay, PaletteDisplaysShowTheirNearestColour) {
  show(3, 1, 4);
  EXPECT_EQ(platform::VirtualDisplayPixel(0, 0), 0x000080u);  // (0, 0, 0x5A): nearest navy
  const uint32_t colors[2] = {0x0F1F3F, 0xFFFFFF};
  ASSERT_TRUE(platform::SetVirtualDisplay(2, 1, 16, colors));
  // 5-6-5, each channel widened again by its high bits: 0x0F -> 00001 ->
  // 0x08, 0x1F -> 000111 -> 0x1C, 0x3F -> 00111 -> 0x39.
  EXPECT_EQ(platform::VirtualDisplayPixel(0, 0), 0x081C39u);
  EXPECT_EQ(platform::VirtualDisplayPixel(1, 0), 0xFFFFFFu);
}

TEST_F(VirtualDisplay, CountsObjectsAndDcsOfEveryKind) {
  const platform::GdiCounts before = platform::CountGdiObjects();
  HDC screen = GetDC(nullptr);
  HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 2, 2);
  PALETTEENTRY entry{};
  LOGPALETTE logical{0x300, 1, {entry}};
  HPALETTE palette = CreatePalette(&logical);
  platform::GdiCounts now = platform::CountGdiObjects();
  EXPECT_EQ(now.objects - before.objects, 2);
  EXPECT_EQ(now.deviceContexts - before.deviceContexts, 3);
  SelectPalette(memory, palette, FALSE);
  EXPECT_FALSE(DeleteObject(palette));  // selected
  EXPECT_FALSE(DeleteDC(screen));       // goes back with ReleaseDC
  DeleteDC(memory);
  EXPECT_TRUE(DeleteObject(palette));
  EXPECT_TRUE(DeleteObject(bitmap));
  DeleteDC(display);
  ReleaseDC(nullptr, screen);
  now = platform::CountGdiObjects();
  EXPECT_EQ(now.objects, before.objects);
  EXPECT_EQ(now.deviceContexts, before.deviceContexts);
}

TEST_F(VirtualDisplay, PaintDesktopFillsWhatTheDcDrawsOn) {
  platform::SetDesktopColor(0x102030);
  HDC memory = CreateCompatibleDC(nullptr);
  EXPECT_FALSE(PaintDesktop(memory));  // its placeholder: no pixels
  BITMAPINFO info = header32(2, 2);
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, section);
  EXPECT_TRUE(PaintDesktop(memory));
  const auto* words = static_cast<const uint32_t*>(bits);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(words[i], 0x102030u);
  SelectObject(memory, previous);
  DeleteObject(section);
  DeleteDC(memory);
}

// Handles fit in a program's 32-bit integer and come back from it.
TEST_F(VirtualDisplay, HandlesFitInThirtyTwoBits) {
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(memory, 1, 1);
  for (const void* handle : {static_cast<const void*>(memory), static_cast<const void*>(bitmap)})
    EXPECT_LT(reinterpret_cast<uintptr_t>(handle), uintptr_t{1} << 31);
  DeleteObject(bitmap);
  DeleteDC(memory);
}
#endif

}  // namespace
