// The picture lock against real host pictures: geometry, the reader and the
// writer at every depth and in both storage kinds, masks, failures.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "frame_fixture.h"
#include "graphics/frame/picture_lock.h"
#include "graphics/frame/pixel_access.h"

namespace tvqtest {
namespace {

using tvq::PictureLock;
using tvq::PixelReader;
using tvq::PixelValue;
using tvq::PixelView;
using tvq::PixelWriter;

std::string describe(PictureStorage storage, int32_t depth, int32_t width) {
  std::ostringstream s;
  s << (storage == PictureStorage::GlobalDib ? "packed" : "section") << ", " << depth
    << " bits, width " << width;
  return s.str();
}

// What the reader must produce for the host's pixel: the colour for 8 bits
// and more (through the palette at 8), the fourth byte too at 32, black
// below 8 bits whatever the picture shows.
PixelValue expectedRead(const rbhost::Host& host, RbPicture p, int32_t x, int32_t y) {
  const int32_t depth = host.depth(p);
  if (depth < 8) return 0;
  PixelValue v = rbhost::toColor(host.pixel(p, x, y));
  if (depth == 32) v |= host.rawPixel(p, x, y) & 0xFF000000u;
  return v;
}

// What the writer must leave in memory for value v: the raw value as the
// host reports it, or `before` where the depth is never written.
uint32_t expectedRaw(int32_t depth, PixelValue v, uint32_t before) {
  switch (depth) {
    case 32:
      return v;
    case 24:
      return v & 0xFFFFFFu;
    case 16:
      return ((uint32_t{tvq::redOf(v)} >> 3) << 10) | ((uint32_t{tvq::greenOf(v)} >> 3) << 5) |
             (uint32_t{tvq::blueOf(v)} >> 3);
    default:
      return before;
  }
}

PixelValue valueToWrite(int32_t x, int32_t y) {
  return rbhost::toColor(patternColor(x, y)) | (static_cast<uint32_t>(16 * x + y + 1) << 24);
}

class PictureLockTest : public FrameTest {};

TEST_F(PictureLockTest, ReaderSeesTheHostsColoursAtEveryDepthAndRowLength) {
  constexpr int32_t kHeight = 3;
  for (PictureStorage storage : kStorages) {
    for (int32_t depth : kDepths) {
      for (int32_t width = 1; width <= 9; ++width) {
        SCOPED_TRACE(describe(storage, depth, width));
        RbPicture p = patternPicture(width, kHeight, depth, storage);
        if (depth == 32) {
          for (int32_t x = 0; x < width; ++x)
            host.setRawPixel(p, x, 1, host.rawPixel(p, x, 1) | (0x80u + x) << 24);
        }
        PictureLock lock;
        ASSERT_TRUE(lock.lock(p));
        const PixelView& view = lock.view();
        EXPECT_EQ(view.width, width);
        EXPECT_EQ(view.height, kHeight);
        EXPECT_EQ(view.depth, depth);
        EXPECT_EQ(view.rowBytes, host.rowBytes(p));
        for (int32_t y = 0; y < kHeight; ++y) {
          PixelReader in(view, y);
          for (int32_t x = 0; x < width; ++x)
            ASSERT_EQ(in.next(), expectedRead(host, p, x, y)) << "at " << x << ", " << y;
        }
      }
    }
  }
}

TEST_F(PictureLockTest, WriterStoresEachDepthsLayoutAndReadsBack) {
  constexpr int32_t kHeight = 3;
  for (PictureStorage storage : kStorages) {
    for (int32_t depth : kDepths) {
      for (int32_t width = 1; width <= 9; ++width) {
        SCOPED_TRACE(describe(storage, depth, width));
        RbPicture p = patternPicture(width, kHeight, depth, storage);
        std::vector<uint32_t> before;
        for (int32_t y = 0; y < kHeight; ++y)
          for (int32_t x = 0; x < width; ++x) before.push_back(host.rawPixel(p, x, y));

        PictureLock lock;
        ASSERT_TRUE(lock.lock(p));
        for (int32_t y = 0; y < kHeight; ++y) {
          PixelWriter out(lock.view(), y);
          for (int32_t x = 0; x < width; ++x) out.put(valueToWrite(x, y));
        }
        for (int32_t y = 0; y < kHeight; ++y) {
          PixelReader in(lock.view(), y);
          for (int32_t x = 0; x < width; ++x) {
            const uint32_t old = before[static_cast<size_t>(y * width + x)];
            ASSERT_EQ(host.rawPixel(p, x, y), expectedRaw(depth, valueToWrite(x, y), old))
                << "at " << x << ", " << y;
            ASSERT_EQ(in.next(), expectedRead(host, p, x, y)) << "at " << x << ", " << y;
          }
        }
      }
    }
  }
}

TEST_F(PictureLockTest, FiveBitChannelsReadAs248AndWriteBackTheSameWord) {
  for (PictureStorage storage : kStorages) {
    RbPicture p = picture(3, 1, 16, storage);
    host.setRawPixel(p, 0, 0, 0x7FFF);
    host.setRawPixel(p, 1, 0, 0x0421);  // 1, 1, 1
    host.setRawPixel(p, 2, 0, 0xFC00);  // the unused top bit, and red 31
    PictureLock lock;
    ASSERT_TRUE(lock.lock(p));
    PixelReader in(lock.view(), 0);
    const PixelValue read[] = {in.next(), in.next(), in.next()};
    EXPECT_EQ(read[0], 0xF8F8F8u);
    EXPECT_EQ(read[1], 0x080808u);
    EXPECT_EQ(read[2], 0xF80000u);
    PixelWriter out(lock.view(), 0);
    for (PixelValue v : read) out.put(v);
    EXPECT_EQ(host.rawPixel(p, 0, 0), 0x7FFFu);
    EXPECT_EQ(host.rawPixel(p, 1, 0), 0x0421u);
    EXPECT_EQ(host.rawPixel(p, 2, 0), 0x7C00u);
  }
}

TEST_F(PictureLockTest, OneBitPictureReadsBlackWhereItShowsWhite) {
  RbPicture p = picture(9, 2, 1);
  for (int32_t x = 0; x < 9; ++x) host.setPixel(p, x, 0, {255, 255, 255});
  ASSERT_EQ(host.pixel(p, 4, 0), (Rgb{255, 255, 255}));
  PictureLock lock;
  ASSERT_TRUE(lock.lock(p));
  PixelReader in(lock.view(), 0);
  for (int32_t x = 0; x < 9; ++x) EXPECT_EQ(in.next(), 0u);
}

TEST_F(PictureLockTest, OwnMaskReadsAndWritesGreyLevelsAndDropsItsReference) {
  for (PictureStorage storage : kStorages) {
    RbPicture p = picture(4, 2, 24, storage);
    RbPicture mask = host.mask(p, true);
    host.setRawPixel(mask, 0, 0, 0);
    host.setRawPixel(mask, 1, 0, 128);
    host.setRawPixel(mask, 2, 0, 255);
    const int64_t references = host.referenceCount(toObject(mask));
    {
      PictureLock lock;
      ASSERT_TRUE(lock.lockMaskOf(p));
      EXPECT_EQ(lock.picture(), mask);
      EXPECT_EQ(host.referenceCount(toObject(mask)), references + 1);
      PixelReader in(lock.view(), 0);
      EXPECT_EQ(in.next(), 0x000000u);
      EXPECT_EQ(in.next(), 0x808080u);
      EXPECT_EQ(in.next(), 0xFFFFFFu);
      PixelWriter out(lock.view(), 1);
      out.put(0x00123456);  // a level is the blue channel
      EXPECT_EQ(host.rawPixel(mask, 0, 1), 0x56u);
    }
    EXPECT_EQ(host.referenceCount(toObject(mask)), references);
    host.release(mask);
  }
}

TEST_F(PictureLockTest, MaskIsCreatedWhenThePictureHasNone) {
  RbPicture p = picture(2, 2, 32);
  {
    PictureLock lock;
    ASSERT_TRUE(lock.lockMaskOf(p));
    EXPECT_EQ(lock.view().width, 2);
  }
  RbPicture mask = host.mask(p, false);
  EXPECT_NE(mask, nullptr);
  host.release(mask);
}

TEST_F(PictureLockTest, FailedLockStillGivesTheDescriptionBack) {
  for (PictureStorage storage : kStorages) {
    RbPicture p = picture(3, 3, 24, storage);
    host.failLocksOf(p);
    {
      PictureLock lock;
      EXPECT_FALSE(lock.lock(p));
      EXPECT_FALSE(lock.locked());
    }
    EXPECT_EQ(host.audit().descriptionLocks, 0);
    EXPECT_TRUE(host.audit().violations.empty());
  }
  PictureLock nothing;
  EXPECT_FALSE(nothing.lock(nullptr));
  EXPECT_FALSE(nothing.lockMaskOf(nullptr));
}

TEST_F(PictureLockTest, RelockingReleasesThePreviousPicture) {
  RbPicture first = picture(2, 2, 24);
  RbPicture second = picture(3, 1, 16, PictureStorage::DibSection);
  PictureLock lock;
  ASSERT_TRUE(lock.lock(first));
  ASSERT_TRUE(lock.lock(second));
  EXPECT_EQ(lock.view().width, 3);
  EXPECT_EQ(host.audit().descriptionLocks, 1);
}

}  // namespace
}  // namespace tvqtest
