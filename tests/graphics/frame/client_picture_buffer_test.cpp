// The buffer form of TVQ_ClientPicture: its layout, a picture lock bound to
// its pixels and mask, and the way back to a host picture with its mask.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "frame_fixture.h"
#include "graphics/classes/client_picture.h"
#include "graphics/frame/picture_lock.h"
#include "graphics/frame/pixel_access.h"

namespace tvqtest {
namespace {

using tvq::ClientPictureData;

class ClientBufferTest : public FrameTest {
 protected:
  void TearDown() override {
    tvq::emptyClientPicture(client);
    FrameTest::TearDown();
  }
  ClientPictureData client{};
};

TEST_F(ClientBufferTest, RowsAreSixteenByteMultiplesFromASixteenByteBoundary) {
  struct Case {
    int32_t width, height, depth, rowBytes;
  };
  const Case cases[] = {{16, 2, 24, 80}, {2, 3, 24, 48},  {1, 1, 32, 64},
                        {5, 7, 16, 32},  {17, 1, 16, 64}, {33, 2, 32, 192}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " pixels at " + std::to_string(c.depth));
    ASSERT_TRUE(tvq::fillBufferForm(client, c.width, c.height, c.depth, true));
    EXPECT_EQ(client.rowBytes, c.rowBytes);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(client.pixels) % 16, 0u);
    EXPECT_GE(client.pixels, client.bufferBlock);
    EXPECT_EQ(client.hasMask, 1);
    EXPECT_EQ(client.maskDepth, 8);
    EXPECT_EQ(client.maskRowBytes, c.width);
    EXPECT_EQ(client.pic, nullptr);
    tvq::emptyClientPicture(client);
  }
}

TEST_F(ClientBufferTest, RefusedShapesAllocateNothing) {
  EXPECT_FALSE(tvq::fillBufferForm(client, 4, 4, 8, false));
  EXPECT_FALSE(tvq::fillBufferForm(client, 0, 4, 32, false));
  EXPECT_FALSE(tvq::fillBufferForm(client, 4, -1, 32, false));
  // 2^31 bytes and more: refused before any allocation, never wrapped.
  EXPECT_FALSE(tvq::fillBufferForm(client, 65536, 65536, 32, false));
  EXPECT_FALSE(tvq::fillBufferForm(client, INT32_MAX, 1, 16, false));
  EXPECT_EQ(client.bufferBlock, nullptr);
}

TEST_F(ClientBufferTest, BackToAPictureWithItsPixelsAndMask) {
  for (int32_t depth : {16, 24, 32}) {
    for (int32_t maskDepth : {8, 16, 32}) {
      SCOPED_TRACE(std::to_string(depth) + " bits, host masks of " + std::to_string(maskDepth));
      host.options().maskDepth = maskDepth;
      ASSERT_TRUE(tvq::fillBufferForm(client, 5, 3, depth, true));
      // Written through a lock bound to the buffers, as kernels write.
      {
        tvq::PictureLock pixels, levels;
        ASSERT_TRUE(pixels.lockBuffer(*tvq::clientPictureView(client, false)));
        ASSERT_TRUE(levels.lockBuffer(*tvq::clientPictureView(client, true)));
        EXPECT_EQ(levels.view().format, tvq::PixelFormat::Grey8);
        for (int32_t y = 0; y < 3; ++y)
          for (int32_t x = 0; x < 5; ++x) {
            const Rgb c = patternColor(x, y);
            tvq::writePixel(pixels.view(), pixels.view().at(x, y),
                            tvq::makePixel(c.red, c.green, c.blue) | 0xAB000000u);
            tvq::writePixel(levels.view(), levels.view().at(x, y),
                            static_cast<uint8_t>(40 * x + 17 * y));
          }
      }
      if (depth == 16) client.pixels[1] |= 0x80;  // bit 15 of pixel (0, 0)
      const rbhost::Audit before = host.audit();
      RbPicture p = tvq::pictureFromClient(client);
      ASSERT_NE(p, nullptr);
      EXPECT_EQ(host.depth(p), depth);
      EXPECT_EQ(host.width(p), 5);
      EXPECT_EQ(host.height(p), 3);
      for (int32_t y = 0; y < 3; ++y) {
        const uint8_t* from = client.pixels + y * client.rowBytes;
        const uint8_t* to = host.row(p, y);
        EXPECT_TRUE(std::equal(from, from + 5 * depth / 8, to)) << "row " << y;
      }
      RbPicture mask = host.mask(p, false);
      ASSERT_NE(mask, nullptr);
      EXPECT_EQ(host.depth(mask), maskDepth);
      for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x) {
          const uint32_t g = static_cast<uint8_t>(40 * x + 17 * y);
          const uint32_t expected = maskDepth == 32   ? g * 0x010101u
                                    : maskDepth == 16 ? (g >> 3) * 0x421u
                                                      : g;
          EXPECT_EQ(host.rawPixel(mask, x, y), expected) << "at " << x << ", " << y;
        }
      host.release(mask);
      host.release(p);
      EXPECT_EQ(host.audit().descriptionLocks, before.descriptionLocks);
      tvq::emptyClientPicture(client);
    }
  }
}

TEST_F(ClientBufferTest, NewPictureRefusedGivesNil) {
  ASSERT_TRUE(tvq::fillBufferForm(client, 2, 2, 24, false));
  host.failNewPictureAfter(0);
  EXPECT_EQ(tvq::pictureFromClient(client), nullptr);
  host.failNewPictureAfter(std::nullopt);
}

TEST_F(ClientBufferTest, EmptyOrPictureFormHasNoBufferView) {
  EXPECT_FALSE(tvq::clientPictureView(client, false));
  ASSERT_TRUE(tvq::fillBufferForm(client, 2, 2, 24, false));
  EXPECT_TRUE(tvq::clientPictureView(client, false));
  EXPECT_FALSE(tvq::clientPictureView(client, true)) << "no mask buffer";
  tvq::PictureLock lock;
  EXPECT_FALSE(lock.lockBuffer(tvq::PixelView{}));
}

}  // namespace
}  // namespace tvqtest
