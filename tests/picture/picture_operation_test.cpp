#include "picture/frame/picture_operation.h"

#include "frame_fixture.h"
#include "picture/frame/bgra32.h"

namespace zrwtest {
namespace {

namespace bgra32 = zrw::bgra32;

class PictureOperationTest : public FrameTest {};

RbPicture invert(RbPicture picture) {
  return zrw::mapRows(picture, [](const uint8_t* in, uint8_t* out, int32_t width) {
    for (int32_t x = 0; x < width; ++x, in += 4, out += 4)
      bgra32::storeRgb(out, 255 - in[bgra32::kRed], 255 - in[bgra32::kGreen],
                       255 - in[bgra32::kBlue]);
  });
}

// Result (x, y) = source (y, x), both counted from the top-left corner.
RbPicture transpose(RbPicture picture) {
  return zrw::fromSource(
      picture,
      [](int32_t w, int32_t h) {
        return zrw::PictureSize{h, w};
      },
      [](zrw::SourceRows in, zrw::ResultRows out) {
        for (int32_t y = 0; y < out.height; ++y)
          for (int32_t x = 0; x < out.width; ++x)
            bgra32::store(bgra32::at(out.row(y), x), bgra32::load(bgra32::at(in.row(x), y)));
      });
}

TEST_F(PictureOperationTest, RowKernelMakesA32BitResultOfTheSourceSize) {
  for (int32_t depth : {32, 24, 8}) {
    RbPicture source = patternPicture(5, 3, depth);
    const rbhost::Audit before = host.audit();
    RbPicture result = invert(source);
    ASSERT_NE(result, nullptr) << depth;
    EXPECT_EQ(host.depth(result), 32);
    ASSERT_EQ(host.width(result), 5);
    ASSERT_EQ(host.height(result), 3);
    for (int32_t y = 0; y < 3; ++y) {
      for (int32_t x = 0; x < 5; ++x) {
        const Rgb in = shown(source, x, y);
        EXPECT_EQ(host.rawPixel(result, x, 2 - y),
                  rbhost::toColor(
                      {uint8_t(255 - in.red), uint8_t(255 - in.green), uint8_t(255 - in.blue)}))
            << depth << " bits, x " << x << " y " << y;
      }
    }
    host.release(result);
    EXPECT_TRUE(rbtest::AuditUnchanged(host, before)) << depth;
    host.release(source);
  }
}

TEST_F(PictureOperationTest, PictureKernelGetsResultOfTheSizeItAsks) {
  RbPicture source = patternPicture(4, 2, 32);
  host.setRawPixel(source, 3, 1, 0x5A010203);  // top-right, fourth byte kept by store()
  const rbhost::Audit before = host.audit();
  RbPicture result = transpose(source);
  ASSERT_NE(result, nullptr);
  ASSERT_EQ(host.width(result), 2);
  ASSERT_EQ(host.height(result), 4);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 2; ++x)
      EXPECT_EQ(host.rawPixel(result, x, 3 - y), host.rawPixel(source, y, 1 - x))
          << "x " << x << " y " << y;
  EXPECT_EQ(host.rawPixel(result, 0, 0), 0x5A010203u);
  host.release(result);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, before));
  host.release(source);
}

// When either picture is missing, the operation gives nil and leaves
// nothing behind; the kernel never runs.
TEST_F(PictureOperationTest, FailureGivesNilAndReleasesTheSource) {
  struct Case {
    const char* what;
    int32_t depth;
    void (*arrange)(rbhost::Host&);
    zrw::PictureSize size;
  };
  const Case cases[] = {
      {"stored source, no result", 32, [](rbhost::Host& h) { h.failNewPictureAfter(0); }, {2, 2}},
      {"converted source, no result",
       24,
       [](rbhost::Host& h) { h.failNewPictureAfter(1); },
       {2, 2}},
      {"empty result", 32, [](rbhost::Host&) {}, {0, 2}},
      {"result not a packed bitmap",
       32,
       [](rbhost::Host& h) { h.options().newPictureStorage = PictureStorage::DibSection; },
       {2, 2}},
  };
  for (const Case& c : cases) {
    RbPicture source = patternPicture(2, 2, c.depth);
    c.arrange(host);
    const rbhost::Audit before = host.audit();
    bool ran = false;
    RbPicture result = zrw::fromSource(
        source, [&c](int32_t, int32_t) { return c.size; },
        [&ran](zrw::SourceRows, zrw::ResultRows) { ran = true; });
    EXPECT_EQ(result, nullptr) << c.what;
    EXPECT_FALSE(ran) << c.what;
    EXPECT_TRUE(rbtest::AuditUnchanged(host, before)) << c.what;
    host.failNewPictureAfter(std::nullopt);
    host.options().newPictureStorage = PictureStorage::GlobalDib;
    host.release(source);
  }
  EXPECT_EQ(invert(nullptr), nullptr);
}

}  // namespace
}  // namespace zrwtest
