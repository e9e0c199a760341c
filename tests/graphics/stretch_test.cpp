// TVQ_Stretch, on pictures and on client pictures, through the host.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "geometry_fixture.h"

namespace tvqtest {
namespace {

constexpr const char* kStretch =
    "TVQ_Stretch(extends p as picture, width as integer, height as integer) as picture";
constexpr const char* kStretchClient =
    "TVQ_Stretch(extends cp as TVQ_ClientPicture, width as integer, height as integer, as_picture "
    "as boolean) as TVQ_ClientPicture";
constexpr const char* kTrimClient =
    "TVQ_Trim(extends cp as TVQ_ClientPicture, trim_rect as TVQ_Rectangle, frame_color as color) "
    "as TVQ_ClientPicture";

using Grid = std::vector<std::vector<int32_t>>;

class StretchTest : public GeometryTest {
 protected:
  RbPicture stretch(RbPicture p, int32_t width, int32_t height) {
    return adopt(host.call<RbPicture>(kStretch, p, width, height));
  }
  RbObject stretchClient(RbObject cp, int32_t width, int32_t height, bool asPicture) {
    return adoptClient(host.call<RbObject>(kStretchClient, cp, width, height, asPicture));
  }

  // A picture whose pixel (x, y) has red and green grid[y][x] and blue 7.
  RbPicture gridPicture(const Grid& grid, int32_t depth) {
    RbPicture p =
        picture(static_cast<int32_t>(grid[0].size()), static_cast<int32_t>(grid.size()), depth);
    for (size_t y = 0; y < grid.size(); ++y)
      for (size_t x = 0; x < grid[y].size(); ++x) {
        const auto v = static_cast<uint8_t>(grid[y][x]);
        host.setPixel(p, static_cast<int32_t>(x), static_cast<int32_t>(y), {v, v, 7});
      }
    return p;
  }
  void expectGrid(RbPicture result, const Grid& grid) {
    ASSERT_EQ(host.height(result), static_cast<int32_t>(grid.size()));
    ASSERT_EQ(host.width(result), static_cast<int32_t>(grid[0].size()));
    for (size_t y = 0; y < grid.size(); ++y)
      for (size_t x = 0; x < grid[y].size(); ++x) {
        const auto v = static_cast<uint8_t>(grid[y][x]);
        EXPECT_EQ(host.pixel(result, static_cast<int32_t>(x), static_cast<int32_t>(y)),
                  (Rgb{v, v, 7}))
            << "at " << x << ", " << y;
      }
  }
};

// Worked out by hand from the weights: 3 to 2 supplies 21845 units a sample
// and takes 32767, 2 to 3 supplies 49152 and takes 32768.
TEST_F(StretchTest, AreaMeansWorkedOutByHand) {
  struct Case {
    const char* what;
    Grid source;
    int32_t width, height;
    Grid expected;
  };
  const Case cases[] = {
      {"a row of 2 to 3", {{10, 21}}, 3, 1, {{10, 15, 21}}},
      {"a column of 2 to 3", {{10}, {21}}, 1, 3, {{10}, {15}, {21}}},
      {"halving: 10.5 truncated", {{10, 11, 20, 30}}, 2, 1, {{10, 25}}},
      {"3 x 2 to 2 x 3: both passes, row order kept",
       {{0, 96, 255}, {30, 60, 90}},
       2,
       3,
       {{31, 201}, {35, 140}, {39, 79}}},
      {"same size: an exact copy", {{1, 2, 250}, {77, 0, 255}}, 3, 2, {{1, 2, 250}, {77, 0, 255}}},
  };
  for (int32_t depth : {24, 32}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + ", " + std::to_string(depth) + " bits");
      RbPicture p = gridPicture(c.source, depth);
      if (depth == 32) host.setRawPixel(p, 0, 0, host.rawPixel(p, 0, 0) | 0xC0000000u);
      RbPicture result = stretch(p, c.width, c.height);
      ASSERT_NE(result, nullptr);
      EXPECT_EQ(lastError(), 0);
      expectNothingHeld();
      EXPECT_EQ(host.depth(result), depth);
      expectGrid(result, c.expected);
      if (depth == 32) {
        for (int32_t y = 0; y < c.height; ++y)
          for (int32_t x = 0; x < c.width; ++x) EXPECT_EQ(host.rawPixel(result, x, y) >> 24, 0u);
      }
    }
  }
}

// At 16 bits the means are of 5-bit channels widened by 8, written back in
// 5 bits.
TEST_F(StretchTest, SixteenBits) {
  RbPicture p = picture(2, 1, 16);
  host.setPixel(p, 0, 0, {8, 248, 0});
  host.setPixel(p, 1, 0, {24, 0, 16});
  RbPicture result = stretch(p, 3, 1);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(host.depth(result), 16);
  EXPECT_EQ(host.pixel(result, 1, 0), (Rgb{16, 120, 8}));
}

// A 1-bit result pixel is black only where every source pixel it covers is.
TEST_F(StretchTest, OneBitPictures) {
  struct Case {
    const char* what;
    std::vector<uint32_t> bits;  // one row, 1 = black
    int32_t width;
    std::vector<uint32_t> expected;
  };
  const Case cases[] = {
      {"halved", {1, 1, 0, 1, 1, 1, 0, 0, 1, 1}, 5, {1, 0, 1, 0, 1}},
      {"2 to 3", {1, 0}, 3, {1, 0, 0}},
      {"across a byte", {1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1}, 11, {1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RbPicture p = picture(static_cast<int32_t>(c.bits.size()), 2, 1);
    for (int32_t y = 0; y < 2; ++y)
      for (size_t x = 0; x < c.bits.size(); ++x)
        host.setRawPixel(p, static_cast<int32_t>(x), y, c.bits[x]);
    RbPicture result = stretch(p, c.width, 2);
    ASSERT_NE(result, nullptr);
    expectNothingHeld();
    ASSERT_EQ(host.depth(result), 1);
    for (int32_t y = 0; y < 2; ++y)
      for (int32_t x = 0; x < c.width; ++x)
        EXPECT_EQ(host.rawPixel(result, x, y), c.expected[x]) << x << ", " << y;
  }
}

// The mask goes the same way, through an intermediate of at least 16 bits:
// an 8-bit level keeps its top 5 bits on the way.
TEST_F(StretchTest, MaskStretchedWithThePicture) {
  struct Case {
    int32_t maskDepth;
    std::vector<uint32_t> raw;  // the source mask's raw pixels, one row of 2
    std::vector<uint32_t> expected;
  };
  const Case cases[] = {
      {8, {0, 201}, {0, 96, 200}},
      {1, {1, 0}, {1, 0, 0}},
      {24, {0x000000, 0xC8C8C8}, {0x000000, 0x646464, 0xC8C8C8}},
      {32, {0xFF000000, 0x00C8C8C8}, {0x000000, 0x646464, 0xC8C8C8}},
      {16, {0x0000, 0x6318}, {0x0000, 0x318C, 0x6318}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.maskDepth) + "-bit mask");
    host.options().maskDepth = c.maskDepth;
    RbPicture p = gridPicture({{10, 21}, {10, 21}}, 24);
    RbPicture mask = adopt(host.mask(p, true));
    for (int32_t y = 0; y < 2; ++y)
      for (int32_t x = 0; x < 2; ++x) host.setRawPixel(mask, x, y, c.raw[x]);
    RbPicture result = stretch(p, 3, 1);
    ASSERT_NE(result, nullptr);
    expectNothingHeld();
    expectGrid(result, {{10, 15, 21}});
    RbPicture resultMask = adopt(host.mask(result, false));
    ASSERT_NE(resultMask, nullptr);
    for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(host.rawPixel(resultMask, x, 0), c.expected[x]) << x;
  }
}

TEST_F(StretchTest, ChecksInOrder) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  struct Case {
    const char* what;
    bool nilSource, sourceLockFails;
    int32_t sourceWidth, sourceHeight, sourceDepth;
    int32_t width, height;
    int32_t noResultAfter;  // -1: pictures are made
    int32_t code;
  };
  const Case cases[] = {
      {"nil source", true, false, 4, 3, 24, 2, 2, -1, 2},
      {"width and height 0 on nil: the height's code", true, false, 4, 3, 24, 0, 0, -1, 34},
      {"width 0", false, true, 4, 3, 24, 0, 2, -1, 33},
      {"height -1", false, false, 4, 3, 24, 2, -1, -1, 34},
      {"a result side of 65536", false, false, 4, 3, 24, 65536, 2, -1, 33},
      {"the largest height", false, false, 4, 3, 24, 2, kMax, -1, 34},
      {"source lock", false, true, 4, 3, 24, 2, 2, -1, 3},
      {"a reduction beyond 32768 across", false, false, 32769, 1, 24, 1, 1, -1, 33},
      {"a reduction beyond 32768 down", false, false, 1, 32769, 24, 1, 1, -1, 34},
      {"8-bit picture: no result", false, false, 4, 3, 8, 2, 2, -1, 5},
      {"no result", false, false, 4, 3, 24, 2, 2, 0, 5},
      {"no intermediate", false, false, 4, 3, 24, 2, 2, 1, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RbPicture p = patternPicture(c.sourceWidth, c.sourceHeight, c.sourceDepth);
    if (c.sourceLockFails) host.failLocksOf(p);
    if (c.noResultAfter >= 0) host.failNewPictureAfter(c.noResultAfter);
    EXPECT_EQ(stretch(c.nilSource ? nullptr : p, c.width, c.height), nullptr);
    host.failNewPictureAfter(std::nullopt);
    EXPECT_EQ(lastError(), c.code);
    expectNothingHeld();
  }
  // The largest reduction allowed.
  EXPECT_NE(stretch(patternPicture(32768, 1, 24), 1, 1), nullptr);
  EXPECT_EQ(lastError(), 0);
}

// The client-picture form: a buffer or a picture as asked, a mask when the
// source has one; a trim of a buffer gives a buffer.
TEST_F(StretchTest, ClientPictures) {
  RbPicture p = gridPicture({{0, 96, 255}, {30, 60, 90}}, 24);
  RbPicture mask = adopt(host.mask(p, true));
  host.setRawPixel(mask, 2, 1, 0x80);
  RbObject cp = clientOf(p);
  for (bool asPicture : {false, true}) {
    SCOPED_TRACE(asPicture ? "picture form" : "buffer form");
    RbObject result = stretchClient(cp, 2, 3, asPicture);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(lastError(), 0);
    expectNothingHeld();
    EXPECT_EQ(picOf(result) != nullptr, asPicture);
    EXPECT_TRUE(host.getProperty<bool>(result, "hasMask"));
    RbPicture back = pictureOf(result);
    ASSERT_NE(back, nullptr);
    expectGrid(back, {{31, 201}, {35, 140}, {39, 79}});
    RbPicture backMask = adopt(host.mask(back, false));
    ASSERT_NE(backMask, nullptr) << "the mask came along";

    RbObject trimmed = adoptClient(host.call<RbObject>(kTrimClient, result, RbObject{nullptr}, 0u));
    ASSERT_NE(trimmed, nullptr);
    EXPECT_EQ(picOf(trimmed) != nullptr, asPicture) << "the trim keeps the source's form";
    expectGrid(pictureOf(trimmed), {{31, 201}, {35, 140}, {39, 79}});
  }
  EXPECT_EQ(stretchClient(RbObject{nullptr}, 2, 2, false), nullptr);
  EXPECT_EQ(lastError(), 2);
  EXPECT_EQ(stretchClient(clientOf(nullptr), 2, 2, false), nullptr);
  EXPECT_EQ(lastError(), 3);
  EXPECT_EQ(stretchClient(cp, 2, 0, true), nullptr);
  EXPECT_EQ(lastError(), 34);
}

// Random sizes, depths and masks, sizes out of range included: every call
// either makes a result of the size asked or fails with a code, and the host
// sees no access outside its pictures (run under the sanitizers).
TEST_F(StretchTest, RandomSizesStayInBounds) {
  std::mt19937 rng(7);
  auto between = [&](int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
  };
  const int32_t odd[] = {
      0,     -1,   std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(),
      65535, 65536};
  const int32_t depths[] = {1, 16, 24, 32, 8};
  for (int32_t i = 0; i < 300; ++i) {
    const int32_t w = between(1, 40), h = between(1, 40);
    const int32_t depth = depths[between(0, 4)];
    int32_t width = between(1, 80), height = between(1, 80);
    if (between(0, 9) == 0) {
      width = odd[between(0, 5)];
      if (width >= 65535) height = between(1, 3);
    } else if (between(0, 9) == 0) {
      height = odd[between(0, 5)];
      if (height >= 65535) width = between(1, 3);
    }
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + " at " + std::to_string(depth) +
                 " to " + std::to_string(width) + " x " + std::to_string(height));
    host.options().maskDepth = depths[between(0, 3)];
    RbPicture p = patternPicture(w, h, depth);
    if (between(0, 1) == 0) adopt(host.mask(p, true));
    RbPicture result = stretch(p, width, height);
    const bool fits = width >= 1 && height >= 1 && width < 65536 && height < 65536 && depth != 8;
    EXPECT_EQ(result != nullptr, fits) << "code " << lastError();
    if (result != nullptr) {
      EXPECT_EQ(host.width(result), width);
      EXPECT_EQ(host.height(result), height);
    }
    expectNothingHeld();
    if (HasFailure()) return;
  }
}

}  // namespace
}  // namespace tvqtest
