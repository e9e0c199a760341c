#include "picture/frame/result_buffer.h"

#include "frame_fixture.h"
#include "picture/frame/bgra32.h"

namespace zrwtest {
namespace {

using zrw::ResultBuffer;

class ResultBufferTest : public FrameTest {};

TEST_F(ResultBufferTest, FinishHandsBackA32BitPictureWithWhatWasWritten) {
  for (int32_t width : {1, 3, 5}) {
    const int32_t height = 3;
    const rbhost::Audit before = host.audit();
    RbPicture picture = nullptr;
    {
      ResultBuffer result;
      ASSERT_TRUE(result.create(width, height));
      EXPECT_EQ(result.rowBytes(), size_t(4 * width));
      for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
          zrw::bgra32::store(zrw::bgra32::at(result.row(y), x),
                             0x11000000u * uint32_t(y + 1) + rbhost::toColor(patternColor(x, y)));
      picture = result.finish();
      EXPECT_FALSE(result.holdsPicture());
      EXPECT_EQ(result.finish(), nullptr);
    }
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(host.width(picture), width);
    EXPECT_EQ(host.height(picture), height);
    EXPECT_EQ(host.depth(picture), 32);
    EXPECT_EQ(host.referenceCount(toObject(picture)), 1);
    // Row 0 of the buffer is the top row, the last in memory.
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x)
        EXPECT_EQ(host.rawPixel(picture, x, height - 1 - y),
                  0x11000000u * uint32_t(y + 1) + rbhost::toColor(patternColor(x, y)))
            << width << " wide, x " << x << " y " << y;
    host.release(picture);
    EXPECT_TRUE(rbtest::AuditUnchanged(host, before));
  }
}

TEST_F(ResultBufferTest, RefusesSizesThatCannotBeAPicture) {
  struct Size {
    int32_t width, height;
  };
  const Size sizes[] = {{0, 1},       {1, 0},         {0, 0},
                        {-1, 5},      {5, -1},        {INT32_MIN, 1},
                        {1 << 29, 1}, {65536, 65536}, {INT32_MAX, INT32_MAX}};
  const rbhost::Audit before = host.audit();
  for (Size s : sizes) {
    ResultBuffer result;
    EXPECT_FALSE(result.create(s.width, s.height)) << s.width << " x " << s.height;
    EXPECT_FALSE(result.holdsPicture());
    EXPECT_EQ(result.finish(), nullptr);
  }
  EXPECT_TRUE(rbtest::AuditUnchanged(host, before));
}

TEST_F(ResultBufferTest, AHalfBuiltResultIsThrownAway) {
  const rbhost::Audit before = host.audit();
  {
    ResultBuffer result;
    ASSERT_TRUE(result.create(4, 4));
    EXPECT_EQ(host.audit().liveObjects, before.liveObjects + 1);
    result.abandon();
    EXPECT_FALSE(result.holdsPicture());
    EXPECT_TRUE(rbtest::AuditUnchanged(host, before));
    result.abandon();
    ASSERT_TRUE(result.create(2, 2));
    ASSERT_TRUE(result.create(3, 3));  // the first picture goes
    EXPECT_EQ(host.audit().liveObjects, before.liveObjects + 1);
  }  // and the destructor abandons the second
  EXPECT_TRUE(rbtest::AuditUnchanged(host, before));
}

TEST_F(ResultBufferTest, FailsWhenTheHostGivesNoUsablePicture) {
  struct Case {
    const char* what;
    void (*arrange)(rbhost::Host&);
  };
  const Case cases[] = {
      {"no new picture", [](rbhost::Host& h) { h.failNewPictureAfter(0); }},
      {"a DIB section instead of a packed bitmap",
       [](rbhost::Host& h) { h.options().newPictureStorage = PictureStorage::DibSection; }},
  };
  for (const Case& c : cases) {
    c.arrange(host);
    const rbhost::Audit before = host.audit();
    {
      ResultBuffer result;
      EXPECT_FALSE(result.create(3, 2)) << c.what;
      EXPECT_EQ(result.finish(), nullptr) << c.what;
    }
    EXPECT_TRUE(rbtest::AuditUnchanged(host, before)) << c.what;
    host.failNewPictureAfter(std::nullopt);
    host.options().newPictureStorage = PictureStorage::GlobalDib;
  }
}

}  // namespace
}  // namespace zrwtest
