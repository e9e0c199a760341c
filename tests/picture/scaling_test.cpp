// Scaling by area averaging and by interpolation, called through the host.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "function_fixture.h"

namespace zrwtest {
namespace {

const char* const kScale =
    "ScaleZRW(width as integer, height as integer, AntiAlias as boolean) as picture";

// Red levels of a 4 x 4 picture, row by row from the top; green is 255 - red
// and blue 7, and every fourth byte 0xEE.
const std::vector<uint32_t> kRed4x4 = {0,  10, 20,  30,  40,  50,  60,  70,
                                       80, 90, 100, 110, 120, 130, 140, 151};

uint32_t level(uint32_t red) { return (red << 16) | ((255 - red) << 8) | 7; }

struct ScaleCase {
  int32_t width, height;
  bool antiAlias;
  std::vector<uint32_t> expected;  // row by row from the top, fourth byte 0
};

class ScalingTest : public PictureFunctionTest {
 protected:
  RbPicture fourByFour() {
    std::vector<uint32_t> v;
    for (uint32_t red : kRed4x4) v.push_back(0xEE000000u | level(red));
    return pictureOfValues(4, 4, v);
  }
};

TEST_F(ScalingTest, AveragesBoxesAsWorkedOutByHand) {
  const std::vector<ScaleCase> cases = {
      // 2 x 2 blocks; green of the last is (155 + 145 + 115 + 104) / 4 = 129.75.
      {2, 2, false, {level(25), level(45), level(105), 0x007D8107}},
      // Boxes of 2 x 2 starting at columns and rows 0, 1 and 2.
      {3,
       3,
       false,
       {level(25), level(35), level(45), level(65), level(75), level(85), level(105), level(115),
        0x007D8107}},
      // The whole picture: red 1201 / 16, green 2879 / 16.
      {1, 1, false, {0x004BB307}},
      // Enlarging without interpolation repeats pixels; the height does not
      // grow here, so AntiAlias changes nothing.
      {8, 4, true, {level(0),   level(0),   level(10),  level(10),  level(20),  level(20),
                    level(30),  level(30),  level(40),  level(40),  level(50),  level(50),
                    level(60),  level(60),  level(70),  level(70),  level(80),  level(80),
                    level(90),  level(90),  level(100), level(100), level(110), level(110),
                    level(120), level(120), level(130), level(130), level(140), level(140),
                    level(151), level(151)}},
      // Whole columns; the last one's green is 659 / 4.
      {4, 1, false, {0x003CC307, 0x0046B907, 0x0050AF07, 0x005AA407}},
  };
  RbPicture source = fourByFour();
  for (const ScaleCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    RbPicture result = host.call<RbPicture>(kScale, source, c.width, c.height, c.antiAlias);
    ASSERT_NE(result, nullptr);
    ASSERT_EQ(host.width(result), c.width);
    ASSERT_EQ(host.height(result), c.height);
    EXPECT_EQ(values(result), c.expected);
    host.release(result);
  }
  host.release(source);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

// 2 x 2 to 4 x 4: columns and rows sample at 0, 1/2, 1 and 3/2; the last
// tap of the far column and row lies outside and is left out, so those
// halve. All four bytes are filtered.
TEST_F(ScalingTest, InterpolatesEveryByteAsWorkedOutByHand) {
  RbPicture source = pictureOfValues(2, 2, {0x28C86400, 0x506432FF, 0x00000000, 0xC814283C});
  RbPicture result = host.call<RbPicture>(kScale, source, int32_t{4}, int32_t{4}, true);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(values(result),
            (std::vector<uint32_t>{0x28C86400, 0x3C964B80, 0x506432FF, 0x28321980,  //
                                   0x14643200, 0x5050304F, 0x8C3C2D9E, 0x461E174F,  //
                                   0x00000000, 0x640A141E, 0xC814283C, 0x640A141E,  //
                                   0x00000000, 0x32050A0F, 0x640A141E, 0x32050A0F}));
  host.release(result);
  host.release(source);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

TEST_F(ScalingTest, RefusesSizesThatAreNotPositiveOrTooLarge) {
  RbPicture source = fourByFour();
  for (auto [width, height] :
       {std::pair{0, 4}, {4, 0}, {-1, 4}, {4, INT32_MIN}, {INT32_MAX, 2}, {40000, 40000}}) {
    EXPECT_EQ(host.call<RbPicture>(kScale, source, width, height, false), nullptr)
        << width << " x " << height;
    EXPECT_EQ(host.call<RbPicture>(kScale, source, width, height, true), nullptr);
  }
  host.release(source);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

}  // namespace
}  // namespace zrwtest
