// TVQ_FreeRotateDirect through the host.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "geometry_fixture.h"

namespace tvqtest {
namespace {

constexpr const char* kDirect =
    "TVQ_FreeRotateDirect(rotation as double, frame_color as color) as picture";
constexpr const char* kFlipRotate =
    "TVQ_FlipRotate(extends p as picture, flip_h as boolean, flip_v as boolean, rotation as "
    "integer) as picture";

constexpr uint32_t kFrame = 0x204060;
constexpr uint32_t kInside = 0xC0A080;

class RotateDirectTest : public GeometryTest {
 protected:
  RbPicture direct(RbPicture p, double rotation, uint32_t frame = kFrame) {
    return adopt(host.call<RbPicture>(kDirect, p, rotation, frame));
  }
};

// Whole quarter turns are the quarter-turned picture itself.
TEST_F(RotateDirectTest, WholeQuarterTurns) {
  for (int32_t q = 0; q < 4; ++q) {
    for (int32_t depth : {8, 24, 32}) {
      SCOPED_TRACE(std::to_string(q) + " quarter turns, " + std::to_string(depth) + " bits");
      RbPicture p = patternPicture(5, 3, depth);
      RbPicture result = direct(p, 90.0 * q);
      ASSERT_NE(result, nullptr);
      EXPECT_EQ(lastError(), 0);
      expectNothingHeld();
      EXPECT_EQ(bytesOf(result),
                bytesOf(adopt(host.call<RbPicture>(kFlipRotate, p, false, false, q))));
    }
  }
}

// A picture of one colour turned by angles in between: the bounding size,
// the frame colour exactly at the corners, the picture's colour at the
// centre, and along the edges blends that lie between the two.
TEST_F(RotateDirectTest, TurnedBetweenQuarterTurns) {
  struct Case {
    int32_t width, height;
    double rotation;
    int32_t resultWidth, resultHeight;
    bool cornersOutside;  // else the box is too tight for its corners to be clear
  };
  const Case cases[] = {
      {100, 50, 30, 112, 94, true},
      {100, 50, 89.9, 51, 101, false},  // no quarter turn and 89.9 degrees
      {40, 20, 135, 43, 43, true},
      {7, 3, 10, 8, 5, false},
  };
  for (int32_t depth : {24, 32, 16}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::to_string(c.rotation) + " degrees, " + std::to_string(depth) + " bits");
      RbPicture p = filled(c.width, c.height, depth, 0);
      for (int32_t y = 0; y < c.height; ++y)
        for (int32_t x = 0; x < c.width; ++x) host.setPixel(p, x, y, rbhost::fromColor(kInside));
      RbPicture result = direct(p, c.rotation);
      ASSERT_NE(result, nullptr);
      EXPECT_EQ(lastError(), 0);
      expectNothingHeld();
      ASSERT_EQ(host.depth(result), depth);
      ASSERT_EQ(host.width(result), c.resultWidth);
      ASSERT_EQ(host.height(result), c.resultHeight);
      const Rgb frame = heldAtDepth(rbhost::fromColor(kFrame), depth);
      const Rgb inside = heldAtDepth(rbhost::fromColor(kInside), depth);
      if (c.cornersOutside) {
        EXPECT_EQ(host.pixel(result, 0, 0), frame);
        EXPECT_EQ(host.pixel(result, c.resultWidth - 1, c.resultHeight - 1), frame);
      }
      EXPECT_EQ(host.pixel(result, c.resultWidth / 2, c.resultHeight / 2), inside);
      int32_t blends = 0;
      for (int32_t y = 0; y < c.resultHeight; ++y)
        for (int32_t x = 0; x < c.resultWidth; ++x) {
          const Rgb v = host.pixel(result, x, y);
          EXPECT_TRUE(v.red >= frame.red && v.red <= inside.red && v.green >= frame.green &&
                      v.green <= inside.green && v.blue >= frame.blue && v.blue <= inside.blue)
              << "at " << x << ", " << y;
          if (!(v == frame) && !(v == inside)) ++blends;
        }
      EXPECT_GT(blends, 0) << "the edges are anti-aliased";
    }
  }
}

// The turn's sense is the quarter turn's: a point right of the centre
// moves to higher row numbers. A bright patch at the right end of the
// middle rows of 100 x 50, turned 30 degrees, lands about (39, 22) from the
// centre of the 112 x 94 result.
TEST_F(RotateDirectTest, TurnsTheQuarterTurnsWay) {
  RbPicture p = filled(100, 50, 24, 0x000000);
  for (int32_t y = 20; y < 30; ++y)
    for (int32_t x = 88; x < 100; ++x) host.setRawPixel(p, x, y, 0xFFFFFF);
  RbPicture result = direct(p, 30);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(host.rawPixel(result, 56 + 38, 47 + 21), 0xFFFFFFu);
  EXPECT_NE(host.rawPixel(result, 56 + 38, 47 - 21), 0xFFFFFFu);
}

TEST_F(RotateDirectTest, Checks) {
  struct Case {
    const char* what;
    bool nilSource, sourceLockFails;
    double rotation;
    int32_t noResultAfter;
    int32_t code;
  };
  const Case cases[] = {
      {"nil source", true, false, 10, -1, 2},
      {"360", false, false, 360, -1, 30},
      {"nil source and NaN", true, false, std::numeric_limits<double>::quiet_NaN(), -1, 30},
      {"negative", false, false, -0.5, -1, 30},
      {"source lock, from the quarter turn", false, true, 10, -1, 3},
      {"no quarter-turned picture", false, false, 100, 0, 5},
      {"no result", false, false, 100, 1, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RbPicture p = patternPicture(6, 4, 24);
    if (c.sourceLockFails) host.failLocksOf(p);
    if (c.noResultAfter >= 0) host.failNewPictureAfter(c.noResultAfter);
    EXPECT_EQ(direct(c.nilSource ? nullptr : p, c.rotation), nullptr);
    host.failNewPictureAfter(std::nullopt);
    host.failLocksOf(p, false);
    EXPECT_EQ(lastError(), c.code);
    expectNothingHeld();
  }
}

// Random sizes and angles, odd values included: a picture or nil, never an
// access outside the pictures (run under the sanitizers).
TEST_F(RotateDirectTest, RandomAnglesStayInBounds) {
  std::mt19937 rng(3);
  auto between = [&](int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
  };
  const double odd[] = {std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity(),
                        -1e300,
                        -0.0,
                        std::nextafter(360.0, 0.0),
                        std::nextafter(90.0, 0.0),
                        0.000001,
                        std::numeric_limits<double>::denorm_min()};
  for (int32_t i = 0; i < 300; ++i) {
    const int32_t w = between(1, 40), h = between(1, 40);
    const double rotation = between(0, 3) == 0
                                ? odd[between(0, 8)]
                                : std::uniform_real_distribution<double>(-10, 370)(rng);
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + ", " + std::to_string(rotation));
    RbPicture p = patternPicture(w, h, kAllDepths[between(0, 6)]);
    RbPicture result = direct(p, rotation);
    EXPECT_EQ(result != nullptr, rotation >= 0 && rotation < 360);
    expectNothingHeld();
    if (HasFailure()) return;
  }
}

}  // namespace
}  // namespace tvqtest
