// TVQ_ScreenCapture through the host: the whole desktop, whatever the
// rectangle, as a 24-bit picture; every GDI object and DC given back.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "operation_fixture.h"
#include "platform/win32.h"

#ifndef _WIN32
#include "platform/virtual_display.h"
#endif

namespace tvqtest {
namespace {

constexpr const char* kCapture =
    "TVQ_ScreenCapture(extends s as screen, capture_rect as TVQ_Rectangle) as picture";

class ScreenCaptureTest : public OperationTest {
 protected:
  RbPicture capture(RbObject rect) {
    RbPicture p = host.call<RbPicture>(kCapture, static_cast<RbObject>(nullptr), rect);
    if (p != nullptr) adopt(p);
    return p;
  }
#ifndef _WIN32
  ~ScreenCaptureTest() override { platform::ResetVirtualDisplay(); }
  // A display whose every pixel tells where it is.
  static uint32_t shown(int32_t x, int32_t y) {
    return uint32_t(x * 7 % 251) << 16 | uint32_t(y * 5 % 253) << 8 | uint32_t((x + y) % 256);
  }
  void showPattern(int32_t width, int32_t height, int bits) {
    std::vector<uint32_t> colors(size_t(width) * size_t(height));
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x)
        colors[size_t(y) * size_t(width) + size_t(x)] = shown(x, y);
    ASSERT_TRUE(platform::SetVirtualDisplay(width, height, bits, colors.data()));
  }
#endif
};

// Wherever the desktop is, the picture is its size, 24 bits deep, with rows
// of whole 32-bit words (4100 bytes for 1366 pixels).
TEST_F(ScreenCaptureTest, AsLargeAsTheDesktopWhateverTheRectangle) {
#ifndef _WIN32
  showPattern(1366, 20, 32);
#endif
  RECT desktop{};
  ASSERT_TRUE(GetWindowRect(GetDesktopWindow(), &desktop));
  const int32_t width = desktop.right - desktop.left, height = desktop.bottom - desktop.top;
  for (RbObject rect : {static_cast<RbObject>(nullptr), rectangle({10, 10, 5, 5}),
                        rectangle({-50, -50, 100000, 100000})}) {
    RbPicture p = capture(rect);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(host.width(p), width);
    EXPECT_EQ(host.height(p), height);
    EXPECT_EQ(host.depth(p), 24);
    EXPECT_EQ(host.rowBytes(p), (width * 24 + 31) / 32 * 4);
    EXPECT_EQ(lastError(), 0);
  }
#ifndef _WIN32
  EXPECT_EQ(host.rowBytes(capture(nullptr)), 4100);
#endif
}

#ifndef _WIN32
// What the display shows, pixel for pixel, top row on top; a 16-bit display
// gives the colours it can show.
TEST_F(ScreenCaptureTest, CopiesWhatTheDisplayShows) {
  for (int bits : {32, 24, 16}) {
    SCOPED_TRACE(bits);
    showPattern(13, 7, bits);
    RbPicture p = capture(nullptr);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(host.width(p), 13);
    ASSERT_EQ(host.height(p), 7);
    for (int32_t y = 0; y < 7; ++y)
      for (int32_t x = 0; x < 13; ++x) {
        const uint32_t want = platform::VirtualDisplayPixel(x, y);
        if (bits >= 24) {
          ASSERT_EQ(want, shown(x, y));
        }
        // Memory rows count from the bottom of the picture.
        ASSERT_EQ(rbhost::toColor(host.pixel(p, x, 6 - y)), want) << x << "," << y;
      }
  }
}

// Windows that give no picture give nil, with no error code and nothing
// left behind.
TEST_F(ScreenCaptureTest, NilWhenTheHostMakesNoPicture) {
  showPattern(4, 4, 32);
  host.failNewPictureAfter(0);
  EXPECT_EQ(capture(nullptr), nullptr);
  EXPECT_EQ(lastError(), 0);
}
#endif

}  // namespace
}  // namespace tvqtest
