// TVQ_FreeRotateByShear, framed and transparent, through the host.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "geometry_fixture.h"

namespace tvqtest {
namespace {

constexpr const char* kByShear = "TVQ_FreeRotateByShear(rotation as double) as picture";
constexpr const char* kByShearFramed =
    "TVQ_FreeRotateByShear(rotation as double, frame_color as color) as picture";
constexpr const char* kFlipRotate =
    "TVQ_FlipRotate(extends p as picture, flip_h as boolean, flip_v as boolean, rotation as "
    "integer) as picture";

constexpr uint32_t kFrame = 0x336699;

class RotateByShearTest : public GeometryTest {
 protected:
  RbPicture framed(RbPicture p, double rotation) {
    return adopt(host.call<RbPicture>(kByShearFramed, p, rotation, kFrame));
  }
  RbPicture transparent(RbPicture p, double rotation) {
    return adopt(host.call<RbPicture>(kByShear, p, rotation));
  }
  RbPicture quarterTurns(RbPicture p, int32_t q) {
    return adopt(host.call<RbPicture>(kFlipRotate, p, false, false, q));
  }
  void expectSamePixels(RbPicture a, RbPicture b) {
    ASSERT_EQ(host.width(a), host.width(b));
    ASSERT_EQ(host.height(a), host.height(b));
    for (int32_t y = 0; y < host.height(a); ++y)
      for (int32_t x = 0; x < host.width(a); ++x)
        EXPECT_EQ(host.pixel(a, x, y), host.pixel(b, x, y)) << "at " << x << ", " << y;
  }
};

// Angles that are whole quarter turns come out as exact quarter turns: the
// three shears of 0 degrees copy.
TEST_F(RotateByShearTest, WholeQuarterTurnsAreExact) {
  struct Case {
    double rotation;
    int32_t quarterTurns;
  };
  const Case cases[] = {{0, 0}, {90, 1}, {180, 2}, {270, 3}};
  for (int32_t depth : {24, 32, 16, 8}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::to_string(c.rotation) + " degrees, " + std::to_string(depth) + " bits");
      RbPicture p = patternPicture(5, 3, depth);
      RbPicture result = framed(p, c.rotation);
      ASSERT_NE(result, nullptr);
      EXPECT_EQ(lastError(), 0);
      expectNothingHeld();
      EXPECT_EQ(host.depth(result), resultDepthOf(depth));
      expectSamePixels(result, quarterTurns(p, c.quarterTurns));
    }
  }
}

// The result holds the turned rectangle: 100 x 50 by 30 degrees is 112 x
// 94; 45 degrees is a quarter turn and -45; 359.999 turns back by 0.001.
TEST_F(RotateByShearTest, BoundingSizes) {
  struct Case {
    int32_t width, height;
    double rotation;
    int32_t resultWidth, resultHeight;
    bool cornerOutside;
  };
  const Case cases[] = {
      {100, 50, 30, 112, 94, true},  {100, 50, 44.9, 107, 107, true},
      {100, 50, 45, 107, 107, true}, {100, 50, 359.999, 101, 51, false},
      {100, 50, 120, 94, 112, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.rotation) + " degrees");
    RbPicture result = framed(filled(c.width, c.height, 24, 0x808080), c.rotation);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(host.width(result), c.resultWidth);
    EXPECT_EQ(host.height(result), c.resultHeight);
    // The corners are outside the turned picture, the centre inside it.
    if (c.cornerOutside) {
      EXPECT_EQ(host.rawPixel(result, 0, 0), kFrame);
    }
    EXPECT_EQ(host.rawPixel(result, c.resultWidth / 2, c.resultHeight / 2), 0x808080u);
  }
}

// Mask intermediates take the source mask's own depth: an 8-bit mask (the
// host's kind, given to a source that had none) cannot be one, and the
// transparent form gives nil with code 0, the source keeping its new mask.
TEST_F(RotateByShearTest, TransparentFormRefusesAnEightBitMask) {
  host.options().maskDepth = 8;
  RbPicture p = filled(40, 20, 24, 0x808080);
  EXPECT_EQ(transparent(p, 30), nullptr);
  EXPECT_EQ(lastError(), 0);
  expectNothingHeld();
  RbPicture sourceMask = adopt(host.mask(p, false));
  EXPECT_NE(sourceMask, nullptr) << "the source was given a mask";
}

// Without a frame colour the outside is transparent through the result's
// mask, and a source without a mask is given one.
TEST_F(RotateByShearTest, TransparentOutside) {
  for (int32_t maskDepth : {16, 24, 32}) {
    SCOPED_TRACE(std::to_string(maskDepth) + "-bit masks");
    host.options().maskDepth = maskDepth;
    RbPicture p = filled(40, 20, 24, 0x808080);
    RbPicture result = transparent(p, 30);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(lastError(), 0);
    expectNothingHeld();
    RbPicture sourceMask = adopt(host.mask(p, false));
    EXPECT_NE(sourceMask, nullptr) << "the source was given a mask";
    RbPicture mask = adopt(host.mask(result, false));
    ASSERT_NE(mask, nullptr);
    const int32_t w = host.width(result), h = host.height(result);
    EXPECT_GE(host.pixel(mask, 0, 0).blue, 248) << "corner transparent (5 bits at 16)";
    EXPECT_EQ(host.pixel(mask, w / 2, h / 2).blue, 0) << "centre opaque";
    EXPECT_EQ(host.pixel(result, w / 2, h / 2), (Rgb{128, 128, 128}));
  }
}

// The turn's sense is the quarter turn's: a bright patch at the right end of
// the middle rows of 100 x 50, turned 30 degrees, lands about (39, 22) from
// the centre of the 112 x 94 result.
TEST_F(RotateByShearTest, TurnsTheQuarterTurnsWay) {
  RbPicture p = filled(100, 50, 24, 0x000000);
  for (int32_t y = 20; y < 30; ++y)
    for (int32_t x = 88; x < 100; ++x) host.setRawPixel(p, x, y, 0xFFFFFF);
  RbPicture result = framed(p, 30);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(host.rawPixel(result, 56 + 38, 47 + 21), 0xFFFFFFu);
  EXPECT_NE(host.rawPixel(result, 56 + 38, 47 - 21), 0xFFFFFFu);
}

TEST_F(RotateByShearTest, ChecksAndSilentFailures) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
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
      {"nil source and -1", true, false, -1, -1, 30},
      {"NaN", false, false, nan, -1, 30},
      {"infinity", false, false, std::numeric_limits<double>::infinity(), -1, 30},
      {"source lock: no code", false, true, 10, -1, 0},
      {"no first intermediate: no code", false, false, 10, 0, 0},
      {"no result: no code", false, false, 10, 3, 0},
  };
  for (bool withFrame : {true, false}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (withFrame ? ", framed" : ", transparent"));
      RbPicture p = patternPicture(6, 4, 24);
      if (c.sourceLockFails) host.failLocksOf(p);
      if (c.noResultAfter >= 0) host.failNewPictureAfter(c.noResultAfter * (withFrame ? 1 : 2));
      RbPicture source = c.nilSource ? nullptr : p;
      RbPicture result = withFrame ? framed(source, c.rotation) : transparent(source, c.rotation);
      host.failNewPictureAfter(std::nullopt);
      host.failLocksOf(p, false);
      EXPECT_EQ(result, nullptr);
      EXPECT_EQ(lastError(), c.code);
      expectNothingHeld();
    }
  }
}

// Random sizes and angles, odd values included: a picture or nil, never an
// access outside the pictures (run under the sanitizers).
TEST_F(RotateByShearTest, RandomAnglesStayInBounds) {
  std::mt19937 rng(5);
  auto between = [&](int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
  };
  const double odd[] = {std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity(),
                        1e300,
                        -0.0,
                        std::nextafter(360.0, 0.0),
                        315.0,
                        44.99999999,
                        std::numeric_limits<double>::denorm_min()};
  for (int32_t i = 0; i < 300; ++i) {
    const int32_t w = between(1, 40), h = between(1, 40);
    const double rotation = between(0, 3) == 0
                                ? odd[between(0, 8)]
                                : std::uniform_real_distribution<double>(-10, 370)(rng);
    const bool withFrame = between(0, 1) == 0;
    // The depth of the mask the host gives the source (see above: 8 bits
    // makes the transparent form give nil).
    const int32_t maskDepth = std::array{1, 8, 16, 24, 32}[between(0, 4)];
    host.options().maskDepth = maskDepth;
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + ", " + std::to_string(rotation) +
                 ", masks of " + std::to_string(maskDepth) + " bits");
    RbPicture p = patternPicture(w, h, kAllDepths[between(0, 6)]);
    RbPicture result = withFrame ? framed(p, rotation) : transparent(p, rotation);
    EXPECT_EQ(result != nullptr, rotation >= 0 && rotation < 360 && (withFrame || maskDepth != 8));
    expectNothingHeld();
    if (HasFailure()) return;
  }
}

}  // namespace
}  // namespace tvqtest
