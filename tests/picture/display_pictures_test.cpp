// Screenshots, desktop painting, bitmap handles and graphics worlds through
// the host; every GDI object and DC given back after each call.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "function_fixture.h"
#include "platform/win32.h"

#ifndef _WIN32
#include "platform/virtual_display.h"
#endif

namespace zrwtest {
namespace {

constexpr const char* kScreenshot = "ScreenshotZRW as picture";
constexpr const char* kScreenshotRect =
    "ScreenshotRectZRW(left as integer, top as integer, width as integer, height as integer) as "
    "picture";
constexpr const char* kScreenshotDisplay = "ScreenshotDisplayZRW(index as integer) as picture";
constexpr const char* kFromGWorld =
    "BuildPictureWithGWorldHandleZRW(handle as integer, ByPassOwernerShip as boolean) as picture";

class DisplayPicturesTest : public PictureFunctionTest {
 protected:
  void TearDown() override {
    for (RbPicture p : owned_) host.release(p);
    EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
#ifndef _WIN32
    platform::ResetVirtualDisplay();
#endif
  }
  RbPicture own(RbPicture p) {
    if (p != nullptr) owned_.push_back(p);
    return p;
  }
  RbPicture screenshotRect(int32_t left, int32_t top, int32_t width, int32_t height) {
    return own(host.call<RbPicture>(kScreenshotRect, left, top, width, height));
  }
  int32_t displayWidth() const {
    RECT r{};
    GetWindowRect(GetDesktopWindow(), &r);
    return r.right - r.left;
  }
  int32_t displayHeight() const {
    RECT r{};
    GetWindowRect(GetDesktopWindow(), &r);
    return r.bottom - r.top;
  }
#ifndef _WIN32
  static Rgb shownAt(int32_t x, int32_t y) {
    return {uint8_t(x * 9 % 256), uint8_t(y * 13 % 256), uint8_t((x * 3 + y * 5) % 256)};
  }
  void showPattern(int32_t width, int32_t height, int bits) {
    std::vector<uint32_t> colors;
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) colors.push_back(rbhost::toColor(shownAt(x, y)));
    ASSERT_TRUE(platform::SetVirtualDisplay(width, height, bits, colors.data()));
  }
  // The display's colours in the rectangle, row by row from the top.
  static std::vector<Rgb> displayed(int32_t left, int32_t top, int32_t width, int32_t height) {
    std::vector<Rgb> colors;
    for (int32_t y = top; y < top + height; ++y)
      for (int32_t x = left; x < left + width; ++x)
        colors.push_back(rbhost::fromColor(platform::VirtualDisplayPixel(x, y)));
    return colors;
  }
#endif
  RbGraphics graphicsOf(RbPicture p) {
    auto getter =
        reinterpret_cast<RbGraphics (*)(RbPicture)>(host.resolver()("pluginPictureGraphicsGetter"));
    return getter(p);
  }

  std::vector<RbPicture> owned_;
};

// The whole display and its parts, clipped to it; nothing for an empty
// rectangle or one off the display.
TEST_F(DisplayPicturesTest, ScreenshotsAreTheDisplayClippedToIt) {
#ifndef _WIN32
  showPattern(200, 150, 32);
#endif
  RbPicture whole = own(host.call<RbPicture>(kScreenshot));
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(host.width(whole), displayWidth());
  EXPECT_EQ(host.height(whole), displayHeight());
  EXPECT_EQ(host.depth(whole), 24);  // a 32-bit display gives a 24-bit DIB

  RbPicture display0 = own(host.call<RbPicture>(kScreenshotDisplay, int32_t{0}));
  ASSERT_NE(display0, nullptr);
  EXPECT_EQ(host.width(display0), displayWidth());
  for (int32_t index : {1, -1, 2})
    EXPECT_EQ(host.call<RbPicture>(kScreenshotDisplay, index), nullptr);

  struct Case {
    int32_t left, top, width, height;
    int32_t wantWidth, wantHeight;  // 0: nil
  };
  const int32_t w = displayWidth(), h = displayHeight();
  const Case cases[] = {
      {-10, -10, 110, 110, 100, 100},  // the 100 x 100 at the top left
      {0, 0, 0, 10, 0, 0},             // empty
      {5, 5, 10, -3, 0, 0},            // negative size
      {w - 20, h - 10, 100, 100, 20, 10},
      {w, 0, 10, 10, 0, 0},  // right of the display
      {INT32_MAX - 5, 0, 100, 10, 0, 0},
      {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0, 0},  // ends above and left of it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.left << "," << c.top << " " << c.width << "x" << c.height);
    RbPicture p = screenshotRect(c.left, c.top, c.width, c.height);
    if (c.wantWidth == 0) {
      EXPECT_EQ(p, nullptr);
      continue;
    }
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(host.width(p), c.wantWidth);
    EXPECT_EQ(host.height(p), c.wantHeight);
#ifndef _WIN32
    EXPECT_EQ(shown(p),
              displayed(std::max(c.left, 0), std::max(c.top, 0), c.wantWidth, c.wantHeight));
#endif
  }
}

#ifndef _WIN32
// Pixel for pixel at every display depth: deep displays give 24-bit
// pictures, palette displays pictures of their own depth and colours.
TEST_F(DisplayPicturesTest, ScreenshotsShowWhatTheDisplayShows) {
  struct Case {
    int bits;
    int32_t depth;
  };
  for (const Case& c :
       {Case{32, 24}, Case{24, 24}, Case{16, 24}, Case{8, 8}, Case{4, 4}, Case{1, 1}}) {
    SCOPED_TRACE(c.bits);
    showPattern(9, 5, c.bits);
    RbPicture p = own(host.call<RbPicture>(kScreenshot));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(host.depth(p), c.depth);
    EXPECT_EQ(shown(p), displayed(0, 0, 9, 5));
  }
}

TEST_F(DisplayPicturesTest, PaintDesktopPaintsThePicturesGraphics) {
  platform::SetDesktopColor(0x3A6EA5);
  for (PictureStorage storage : {PictureStorage::GlobalDib, PictureStorage::DibSection}) {
    for (int32_t depth : {32, 24, 16}) {
      SCOPED_TRACE(depth);
      RbPicture p = own(patternPicture(5, 3, depth, storage));
      host.call<void>("PaintDesktopZRW", reinterpret_cast<RbObject>(graphicsOf(p)));
      EXPECT_EQ(shown(p),
                std::vector<Rgb>(15, depth == 16 ? Rgb{0x38, 0x68, 0xA0} : Rgb{0x3A, 0x6E, 0xA5}));
    }
  }
  host.call<void>("PaintDesktopZRW", static_cast<RbObject>(nullptr));  // nothing happens
}
#endif

TEST_F(DisplayPicturesTest, StorageKindAndHandle) {
  RbPicture packed = own(patternPicture(3, 2, 32, PictureStorage::GlobalDib));
  RbPicture section = own(patternPicture(3, 2, 32, PictureStorage::DibSection));
  EXPECT_EQ(host.call<int32_t>("DataTypeZRW as integer", packed), 5);
  EXPECT_EQ(host.call<int32_t>("DataTypeZRW as integer", section), 7);
  EXPECT_EQ(host.call<int32_t>("DataTypeZRW as integer", static_cast<RbPicture>(nullptr)), -1);
  EXPECT_NE(host.call<int32_t>("DataHandleZRW as integer", packed), 0);
  EXPECT_EQ(host.call<int32_t>("DataHandleZRW as integer", static_cast<RbPicture>(nullptr)), -1);
  EXPECT_EQ(host.call<RbPicture>("PicHandleZRW as picture", packed), nullptr);
  EXPECT_EQ(host.call<RbString>("PicHandleDataZRW as string", packed), nullptr);
}

// The caller's bitmap holds the picture's colours as the screen shows them;
// deleting it by its integer leaves nothing behind.
TEST_F(DisplayPicturesTest, MakeHBitmapGivesTheCallerABitmapOfThePicture) {
  const std::vector<Rgb> colors = {{255, 0, 0},     {0, 255, 0}, {0, 0, 255},
                                   {255, 255, 255}, {0, 0, 0},   {128, 64, 32}};
  for (int32_t depth : {32, 24, 8}) {
    SCOPED_TRACE(depth);
    RbPicture p = own(pictureShowing(3, 2, colors, depth, PictureStorage::GlobalDib));
    const int32_t handle = host.call<int32_t>("MakeHBITMAPZRW as integer", p);
    ASSERT_NE(handle, 0);
    auto bitmap = reinterpret_cast<HBITMAP>(static_cast<uintptr_t>(static_cast<uint32_t>(handle)));
    BITMAP bm{};
    ASSERT_NE(GetObjectA(bitmap, sizeof bm, &bm), 0);
    EXPECT_EQ(bm.bmWidth, 3);
    EXPECT_EQ(bm.bmHeight, 2);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(bm.bmBitsPixel * bm.bmPlanes,
              GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES));
    if (GetDeviceCaps(screen, BITSPIXEL) >= 24) {
      BITMAPINFO info{};
      info.bmiHeader = {sizeof(BITMAPINFOHEADER), 3, -2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
      uint32_t words[6] = {};
      ASSERT_EQ(GetDIBits(screen, bitmap, 0, 2, words, &info, DIB_RGB_COLORS), 2);
      for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(words[i] & 0xFFFFFF, rbhost::toColor(colors[i])) << i;
    }
    ReleaseDC(nullptr, screen);
    EXPECT_TRUE(DeleteObject(bitmap));
  }
  RbPicture section = own(patternPicture(3, 2, 32, PictureStorage::DibSection));
  EXPECT_EQ(host.call<int32_t>("MakeHBITMAPZRW as integer", section), 0);
  EXPECT_EQ(host.call<int32_t>("MakeHBITMAPZRW as integer", static_cast<RbPicture>(nullptr)), 0);
}

TEST_F(DisplayPicturesTest, PicturesOfGraphicsWorlds) {
  RbPicture source = own(patternPicture(4, 3, 24));
  const uintptr_t kept = host.newGWorld(source);
  RbPicture p = own(host.call<RbPicture>(kFromGWorld, int32_t(kept), RbBoolean{1}));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(shown(p), shown(source));
  EXPECT_TRUE(host.gworldAlive(kept));  // bypassing ownership: still the caller's

  const uintptr_t given = host.newGWorld(source);
  EXPECT_NE(own(host.call<RbPicture>(kFromGWorld, int32_t(given), RbBoolean{0})), nullptr);
  EXPECT_FALSE(host.gworldAlive(given));  // the host took it over

  EXPECT_EQ(host.call<RbPicture>(kFromGWorld, int32_t{0}, RbBoolean{1}), nullptr);
  for (int32_t stray : {int32_t(given), 12345, -1})  // a world given away, and numbers
    EXPECT_EQ(host.call<RbPicture>(kFromGWorld, stray, RbBoolean{0}), nullptr);
}

}  // namespace
}  // namespace zrwtest
