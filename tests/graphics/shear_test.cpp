// TVQ_ShearVertical and TVQ_ShearHorizontal through the host.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "geometry_fixture.h"

namespace tvqtest {
namespace {

constexpr const char* kVertical =
    "TVQ_ShearVertical(width as integer, height as integer, shear as double) as picture";
constexpr const char* kVerticalFramed =
    "TVQ_ShearVertical(width as integer, height as integer, shear as double, frame_color as "
    "color) as picture";
constexpr const char* kHorizontal =
    "TVQ_ShearHorizontal(width as integer, height as integer, shear as double) as picture";
constexpr const char* kHorizontalFramed =
    "TVQ_ShearHorizontal(width as integer, height as integer, shear as double, frame_color as "
    "color) as picture";

constexpr uint32_t kFrame = 0x0A0A0A;
using Grid = std::vector<std::vector<int32_t>>;  // grey levels, rows in memory order

class ShearTest : public GeometryTest {
 protected:
  RbPicture framed(bool vertical, RbPicture p, int32_t width, int32_t height, double shear,
                   uint32_t frame = kFrame) {
    return adopt(host.call<RbPicture>(vertical ? kVerticalFramed : kHorizontalFramed, p, width,
                                      height, shear, frame));
  }
  RbPicture masked(bool vertical, RbPicture p, int32_t width, int32_t height, double shear) {
    return adopt(host.call<RbPicture>(vertical ? kVertical : kHorizontal, p, width, height, shear));
  }
  RbPicture greyPicture(const Grid& g, int32_t depth = 24) {
    RbPicture p = picture(static_cast<int32_t>(g[0].size()), static_cast<int32_t>(g.size()), depth);
    for (size_t y = 0; y < g.size(); ++y)
      for (size_t x = 0; x < g[y].size(); ++x) {
        const auto v = static_cast<uint8_t>(g[y][x]);
        host.setPixel(p, static_cast<int32_t>(x), static_cast<int32_t>(y), {v, v, v});
      }
    return p;
  }
  void expectGrey(RbPicture p, const Grid& g) {
    ASSERT_EQ(host.height(p), static_cast<int32_t>(g.size()));
    ASSERT_EQ(host.width(p), static_cast<int32_t>(g[0].size()));
    for (size_t y = 0; y < g.size(); ++y)
      for (size_t x = 0; x < g[y].size(); ++x) {
        const auto v = static_cast<uint8_t>(g[y][x]);
        EXPECT_EQ(host.pixel(p, static_cast<int32_t>(x), static_cast<int32_t>(y)), (Rgb{v, v, v}))
            << "at " << x << ", " << y;
      }
  }
  static Grid transposed(const Grid& g) {
    Grid t(g[0].size(), std::vector<int32_t>(g.size()));
    for (size_t y = 0; y < g.size(); ++y)
      for (size_t x = 0; x < g[y].size(); ++x) t[x][y] = g[y][x];
    return t;
  }
};

// Shear 0.5 on 4 x 2 into 4 x 4, worked out by hand: columns 0 and 2 start
// on a row, 1 and 3 are half-and-half blends (Cw 32768, Dw 32767), the last
// blend against the frame shifted by 16. The horizontal shear is the same
// with rows and columns exchanged.
TEST_F(ShearTest, HalfPixelSteps) {
  const Grid source{{20, 50, 80, 110}, {120, 150, 180, 210}};
  const Grid expected{{10, 10, 10, 59}, {10, 29, 80, 159}, {20, 99, 180, 109}, {120, 79, 10, 10}};
  for (int32_t depth : {24, 32}) {
    SCOPED_TRACE(std::to_string(depth) + " bits");
    RbPicture vertical = framed(true, greyPicture(source, depth), 4, 4, 0.5);
    ASSERT_NE(vertical, nullptr);
    EXPECT_EQ(lastError(), 0);
    expectNothingHeld();
    expectGrey(vertical, expected);
    RbPicture horizontal = framed(false, greyPicture(transposed(source), depth), 4, 4, 0.5);
    ASSERT_NE(horizontal, nullptr);
    expectGrey(horizontal, transposed(expected));
  }
}

TEST_F(ShearTest, WholePixelShiftsAndPlacement) {
  // Shear 1 on 10 x 10 into 10 x 20: column x starts 10 - x rows down.
  Grid source(10, std::vector<int32_t>(10));
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 10; ++x) source[y][x] = 20 + 7 * x + 13 * y;
  Grid expected(20, std::vector<int32_t>(10, 10));
  for (int32_t x = 0; x < 10; ++x)
    for (int32_t y = 0; y < 10; ++y) expected[y + 10 - x][x] = source[y][x];
  expectGrey(framed(true, greyPicture(source), 10, 20, 1.0), expected);
  // Shear -1: the other way round, column x starts x rows down.
  Grid other(20, std::vector<int32_t>(10, 10));
  for (int32_t x = 0; x < 10; ++x)
    for (int32_t y = 0; y < 10; ++y) other[y + x][x] = source[y][x];
  expectGrey(framed(true, greyPicture(source), 10, 20, -1.0), other);
  // Shear 0 into the same size copies exactly.
  expectGrey(framed(true, greyPicture(source), 10, 10, 0.0), source);
  expectGrey(framed(false, greyPicture(source), 10, 10, 0.0), source);
  // A narrower result crops both sides, the odd pixel on the far side; a
  // wider one centres the picture between frame columns.
  const Grid wide{{1, 2, 3, 4, 5}};
  expectGrey(framed(true, greyPicture(wide), 2, 1, 0.0), {{2, 3}});
  expectGrey(framed(true, greyPicture(wide), 8, 1, 0.0), {{10, 1, 2, 3, 4, 5, 10, 10}});
  // Taller: centred between frame rows.
  expectGrey(framed(true, greyPicture({{30}, {40}}), 1, 5, 0.0), {{10}, {30}, {40}, {10}, {10}});
}

// Without a frame colour the outside is grey 136 under mask level 255, the
// sheared edges partly transparent; a source without a mask is given one.
TEST_F(ShearTest, TransparentOutside) {
  for (int32_t maskDepth : {8, 32}) {
    SCOPED_TRACE(std::to_string(maskDepth) + "-bit masks");
    host.options().maskDepth = maskDepth;
    RbPicture p = greyPicture({{20, 50, 80, 110}, {120, 150, 180, 210}});
    RbPicture result = masked(true, p, 4, 4, 0.5);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(lastError(), 0);
    expectNothingHeld();
    RbPicture sourceMask = adopt(host.mask(p, false));
    EXPECT_NE(sourceMask, nullptr) << "the source was given a mask";
    RbPicture mask = adopt(host.mask(result, false));
    ASSERT_NE(mask, nullptr);
    // Column 1 (k 1, Cw 32768): row 0 outside; row 1 starts from source row
    // 0's own colour at level 255; row 3 keeps row 1's colour, its level
    // blended with 255.
    expectGrey(
        result,
        {{136, 136, 136, 110}, {136, 50, 80, 159}, {20, 99, 180, 210}, {120, 150, 136, 136}});
    const auto level = [&](int32_t x, int32_t y) { return host.pixel(mask, x, y).blue; };
    EXPECT_EQ(level(0, 0), 255);
    EXPECT_EQ(level(0, 2), 0) << "inside, opaque";
    EXPECT_EQ(level(1, 1), 127) << "(32767 x 0 + 32768 x 255) / 65535";
    EXPECT_EQ(level(1, 3), 127) << "(32767 x 255 + 32768 x 0) / 65535";
    EXPECT_EQ(level(2, 3), 255);
  }
}

TEST_F(ShearTest, ChecksAndSilentFailures) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* what;
    bool nilSource, sourceLockFails;
    int32_t width, height;
    double shear;
    int32_t noResultAfter;
    int32_t code;
  };
  const Case cases[] = {
      {"nil source", true, false, 4, 4, 0.0, -1, 2},
      {"shear 1.5", false, false, 4, 4, 1.5, -1, 32},
      {"nil source and shear 2", true, false, 4, 4, 2.0, -1, 32},
      {"NaN shear", false, false, 4, 4, nan, -1, 32},
      {"infinite shear", false, false, 4, 4, -std::numeric_limits<double>::infinity(), -1, 32},
      {"width 0: nil, no code", false, false, 0, 4, 0.5, -1, 0},
      {"height 65536: nil, no code", false, false, 4, 65536, 0.5, -1, 0},
      {"source lock: no code", false, true, 4, 4, 0.5, -1, 0},
      {"no result: no code", false, false, 4, 4, 0.5, 0, 0},
  };
  for (bool vertical : {true, false}) {
    for (bool withFrame : {true, false}) {
      for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.what) + (vertical ? ", vertical" : ", horizontal") +
                     (withFrame ? ", framed" : ", masked"));
        RbPicture p = patternPicture(3, 2, 24);
        if (c.sourceLockFails) host.failLocksOf(p);
        if (c.noResultAfter >= 0) host.failNewPictureAfter(c.noResultAfter);
        RbPicture source = c.nilSource ? nullptr : p;
        RbPicture result = withFrame ? framed(vertical, source, c.width, c.height, c.shear)
                                     : masked(vertical, source, c.width, c.height, c.shear);
        host.failNewPictureAfter(std::nullopt);
        host.failLocksOf(p, false);
        EXPECT_EQ(result, nullptr);
        EXPECT_EQ(lastError(), c.code);
        expectNothingHeld();
      }
    }
  }
}

// A 1-bit or 8-bit source gives a 16-bit result: black, or palette colours
// in 5 bits, framed.
TEST_F(ShearTest, SubSixteenBitSources) {
  for (int32_t depth : {1, 8}) {
    RbPicture p = patternPicture(3, 2, depth);
    RbPicture result = framed(true, p, 3, 4, 0.0, 0xFFFFFF);
    ASSERT_NE(result, nullptr);
    ASSERT_EQ(host.depth(result), 16);
    EXPECT_EQ(host.pixel(result, 1, 0), (Rgb{248, 248, 248}));
    EXPECT_EQ(host.pixel(result, 1, 1), heldAtDepth(readColor(p, 1, 0), 16));
  }
}

// Random sizes and shears, odd values included, both directions and both
// outsides: every call returns a picture of the size asked or nil, and the
// host sees no access outside its pictures (run under the sanitizers).
TEST_F(ShearTest, RandomShearsStayInBounds) {
  std::mt19937 rng(11);
  auto between = [&](int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
  };
  const double odd[] = {std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity(),
                        1.0,
                        -1.0,
                        1e300,
                        -0.0,
                        std::nextafter(1.0, 0.0),
                        std::numeric_limits<double>::denorm_min()};
  for (int32_t i = 0; i < 400; ++i) {
    const int32_t w = between(1, 40), h = between(1, 40);
    const int32_t width = between(0, 80), height = between(0, 80);
    const double shear = between(0, 3) == 0 ? odd[between(0, 8)]
                                            : std::uniform_real_distribution<double>(-1, 1)(rng);
    const bool vertical = between(0, 1) == 0, withFrame = between(0, 1) == 0;
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + " to " + std::to_string(width) +
                 " x " + std::to_string(height) + ", shear " + std::to_string(shear));
    RbPicture p = patternPicture(w, h, kAllDepths[between(0, 6)]);
    RbPicture result = withFrame ? framed(vertical, p, width, height, shear)
                                 : masked(vertical, p, width, height, shear);
    const bool fits = width >= 1 && height >= 1 && shear >= -1.0 && shear <= 1.0;
    EXPECT_EQ(result != nullptr, fits);
    expectNothingHeld();
    if (HasFailure()) return;
  }
}

}  // namespace
}  // namespace tvqtest
