// TVQ_AdjustContrast, TVQ_AdjustContrastWithMask and TVQ_GetAverageContrast
// through the host.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "color_fixture.h"

namespace tvqtest {
namespace {

constexpr const char* kContrast =
    "TVQ_AdjustContrast(extends p as picture, rect as TVQ_Rectangle, center as color, "
    "red_factor as double, green_factor as double, blue_factor as double) as picture";
constexpr const char* kContrastWithMask =
    "TVQ_AdjustContrastWithMask(extends p as picture, mask as picture, center as color, "
    "red_factor as double, green_factor as double, blue_factor as double) as picture";
constexpr const char* kAverageContrast =
    "TVQ_GetAverageContrast(extends p as picture, rect as TVQ_Rectangle, center as color, "
    "ByRef red_contrast as integer, ByRef green_contrast as integer, ByRef blue_contrast as "
    "integer)";

struct Factors {
  double red, green, blue;
};

// A = (((C - K) trunc(f × 256)) >> 8) + K, clamped.
uint8_t contrastChannel(uint8_t c, uint8_t k, double factor) {
  const int32_t f = static_cast<int32_t>(factor * 256);
  return clampChannel(static_cast<int32_t>(std::floor((c - k) * f / 256.0)) + k);
}

class ContrastTest : public ColorOperationTest {
 protected:
  ColorCall selection(uint32_t center, Factors f) {
    return [=, this](RbPicture p, RbObject rect, RbPicture) {
      return host.call<RbPicture>(kContrast, p, rect, center, f.red, f.green, f.blue);
    };
  }
  ColorCall masked(uint32_t center, Factors f) {
    return [=, this](RbPicture p, RbObject, RbPicture mask) {
      return host.call<RbPicture>(kContrastWithMask, p, mask, center, f.red, f.green, f.blue);
    };
  }
  ColorCall average(uint32_t center, int32_t* r, int32_t* g, int32_t* b) {
    return [=, this](RbPicture p, RbObject rect, RbPicture) {
      host.call<void>(kAverageContrast, p, rect, center, r, g, b);
      return nullptr;
    };
  }
};

TEST_F(ContrastTest, ChannelsMoveAboutTheCentre) {
  struct Case {
    const char* what;
    uint32_t center;
    Factors factors;
    uint32_t raw;       // 24-bit source pixel
    uint32_t expected;  // 24-bit result
  };
  const Case cases[] = {
      // Factor 2 about 128: 200 -> 272 clamped, 60 -> -8 clamped, 127 -> 126.
      {"factor 2 about mid-grey", 0x808080, {2.0, 2.0, 2.0}, 0xC83C7F, 0xFF007E},
      {"factor 1 is a copy", 0x123456, {1.0, 1.0, 1.0}, 0xC83C7F, 0xC83C7F},
      {"factor 0 gives the centre", 0x123456, {0.0, 0.0, 0.0}, 0xC83C7F, 0x123456},
      {"0.003 truncates to 0: the centre", 0x00FF80, {0.003, 0.003, 0.003}, 0xFF0010, 0x00FF80},
      // f = 1: (255 × 1) >> 8 = 0.
      {"0.004 is one step", 0x000000, {0.004, 0.004, 0.004}, 0xFFFFFF, 0x000000},
      // (-1 × 128) >> 8 = -1: the shift rounds down.
      {"negative products round down", 0x808080, {0.5, 0.5, 0.5}, 0x7F7F7F, 0x7F7F7F},
      {"each channel its own factor and centre", 0x204060, {0.5, 1.0, 3.0}, 0x404070, 0x304090},
      {"the centre's top byte is ignored", 0xFF808080, {2.0, 2.0, 2.0}, 0xC83C7F, 0xFF007E},
      {"factor 255 is accepted", 0x808080, {255.0, 255.0, 255.0}, 0x817F80, 0xFF0080},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(onePixel(selection(c.center, c.factors), 24, c.raw), c.expected);
    // Through a mask of level 255 (weight 256) the result is the same.
    EXPECT_EQ(onePixel(masked(c.center, c.factors), 24, c.raw, maskOfLevel(1, 1, 255)), c.expected);
    EXPECT_EQ(lastError(), 0);
  }
}

TEST_F(ContrastTest, EveryDepthAndRowPadding) {
  const uint32_t center = 0x70A050;
  const Factors f{1.7, 0.4, 2.6};
  auto adjusted = [&](Rgb c) {
    return Rgb{contrastChannel(c.red, 0x70, f.red), contrastChannel(c.green, 0xA0, f.green),
               contrastChannel(c.blue, 0x50, f.blue)};
  };
  sweepSelection(selection(center, f), adjusted);
  sweepMask(masked(center, f), [&](Rgb c, uint8_t level) {
    const int32_t w = level < 128 ? level : level + 1;
    const Rgb a = adjusted(c);
    auto mix = [&](uint8_t av, uint8_t cv) { return clampChannel((w * av + (256 - w) * cv) >> 8); };
    return Rgb{mix(a.red, c.red), mix(a.green, c.green), mix(a.blue, c.blue)};
  });
}

TEST_F(ContrastTest, MaskLevelBecomesA256StepWeight) {
  // Red 200 towards A = 255 (factor 2 about 64), by w / 256.
  struct Case {
    uint8_t level;
    uint32_t red;
  };
  const Case cases[] = {
      {0, 200},    // w = 0: untouched
      {1, 200},    // w = 1: (255 + 255 × 200) >> 8 = 200.2
      {127, 227},  // w = 127: (127 × 255 + 129 × 200) >> 8 = 227.3
      {128, 227},  // w = 129: (129 × 255 + 127 × 200) >> 8 = 227.7
      {200, 243},  // w = 201: (201 × 255 + 55 × 200) >> 8 = 243.2
      {255, 255},  // w = 256: A itself
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("level " + std::to_string(c.level));
    const uint32_t raw =
        onePixel(masked(0x404040, {2.0, 1.0, 1.0}), 24, 0xC84040, maskOfLevel(1, 1, c.level));
    EXPECT_EQ(raw >> 16, c.red);
    EXPECT_EQ(raw & 0xFFFF, 0x4040u);
  }
}

TEST_F(ContrastTest, UnchangedPixelsKeepTheirStoredBitsAtOneDepth) {
  // Row 1, columns 1 and 2 selected on a 4 x 3 picture.
  struct Case {
    int32_t depth;
    uint32_t raw;
    uint32_t changed;  // a selected pixel, factor 2 about 0x404040
  };
  const Case cases[] = {
      // 16 bits: red 80, green 160, blue 0 with bit 15 set. A copied pixel
      // keeps bit 15; a changed one is written without it.
      {16, 0xAA80, 0x33E0},
      {24, 0x102030, 0x000020},
      // A changed 32-bit pixel gets fourth byte 0; a copied one keeps it.
      {32, 0xAB102030, 0x00000020},
  };
  for (PictureStorage storage : kStorages) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::to_string(c.depth) + " bits, storage " + std::to_string(int(storage)));
      RbPicture source = filled(4, 3, c.depth, c.raw, storage);
      RbPicture result =
          adopt(selection(0x404040, {2.0, 2.0, 2.0})(source, rectangle({1, 1, 2, 1}), nullptr));
      ASSERT_NE(result, nullptr);
      for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 4; ++x) {
          const bool inside = y == 1 && (x == 1 || x == 2);
          EXPECT_EQ(host.rawPixel(result, x, y), inside ? c.changed : c.raw)
              << "at " << x << ", " << y;
        }
    }
  }
}

TEST_F(ContrastTest, LevelZeroCopiesThePixelWholeWhenSourceAndMaskShareTheDepth) {
  struct Case {
    const char* what;
    int32_t depth;
    uint32_t raw;
    int32_t maskDepth;
    uint32_t expected;
  };
  const Case cases[] = {
      {"16-bit source, 16-bit mask: bit 15 kept", 16, 0xAA80, 16, 0xAA80},
      {"16-bit source, 8-bit mask: written through the writer", 16, 0xAA80, 8, 0x2A80},
      {"32-bit source: fourth byte kept", 32, 0xAB102030, 32, 0xAB102030},
      {"32-bit source, 8-bit mask: fourth byte kept", 32, 0xAB102030, 8, 0xAB102030},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(onePixel(masked(0x808080, {3.0, 3.0, 3.0}), c.depth, c.raw,
                       maskOfLevel(1, 1, 0, c.maskDepth)),
              c.expected);
  }
}

TEST_F(ContrastTest, ChecksInOrder) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* what;
    Arrangement a;
    Factors factors;
    int32_t selectionCode, maskCode, averageCode;
  };
  const Factors ok{1.5, 1.5, 1.5};
  const Case cases[] = {
      {"nil source first",
       {.nilSource = true, .nilMask = true, .sourceLockFails = true},
       {-1, -1, -1},
       2,
       2,
       2},
      {"nil mask before the factors", {.nilMask = true}, {-1, 0, 0}, 39, 7, 0},
      {"red below 0", {.sourceLockFails = true}, {-0.0001, 300, 300}, 39, 39, 3},
      {"red above 255", {}, {255.0001, 1, 1}, 39, 39, 0},
      {"NaN is out of bounds", {}, {1, nan, 1}, 40, 40, 0},
      {"infinity too", {}, {1, 1, std::numeric_limits<double>::infinity()}, 41, 41, 0},
      {"source lock after the factors", {.sourceLockFails = true, .emptyRect = true}, ok, 3, 3, 3},
      {"empty selection before the result", {.emptyRect = true, .noResult = true}, ok, 37, 5, 37},
      {"mask lock", {.maskLockFails = true}, ok, 0, 8, 0},
      {"mask size", {.maskWidth = 5}, ok, 0, 9, 0},
      {"mask of another height at 16 bits", {.maskHeight = 2, .maskDepth = 16}, ok, 0, 9, 0},
      {"no result", {.noResult = true}, ok, 5, 5, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    expectCode(c.a, c.selectionCode, selection(0x808080, c.factors));
    expectCode(c.a, c.maskCode, masked(0x808080, c.factors));
    int32_t r = -7, g = -7, b = -7;
    expectCode(c.a, c.averageCode, average(0x808080, &r, &g, &b), false);
    if (c.averageCode != 0) {
      EXPECT_EQ(r, -7);
      EXPECT_EQ(g, -7);
      EXPECT_EQ(b, -7);
    }
  }
}

TEST_F(ContrastTest, AverageIsTheMeanDistanceFromTheCentre) {
  RbPicture black = filled(1, 1, 24, 0x000000);
  int32_t r = -1, g = -1, b = -1;
  average(0xFF8000, &r, &g, &b)(black, nullptr, nullptr);
  EXPECT_EQ(lastError(), 0);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(g, 128);
  EXPECT_EQ(b, 0);

  // Two pixels 10 and 21 away: the mean 15.5 rounds down. Only the
  // references passed are written.
  RbPicture two = picture(2, 1, 32);
  host.setRawPixel(two, 0, 0, 0xFF0A0000);
  host.setRawPixel(two, 1, 0, 0x00150000);
  r = g = b = -1;
  average(0x000000, &r, nullptr, &b)(two, nullptr, nullptr);
  EXPECT_EQ(r, 15);
  EXPECT_EQ(b, 0);

  // Only the selection counts; rows in memory order.
  RbPicture p = filled(3, 3, 24, 0x000000);
  host.setRawPixel(p, 2, 0, 0x646464);
  average(0x000000, &r, &g, &b)(p, rectangle({2, 0, 5, 1}), nullptr);
  EXPECT_EQ(r, 100);
}

TEST_F(ContrastTest, AverageOfALargeSelectionDoesNotOverflow) {
  // 3000 x 3000 pixels all 255 from centre 0: the sum of one channel is
  // beyond 32 bits.
  RbPicture white = picture(3000, 3000, 32);
  for (int32_t y = 0; y < 3000; ++y) std::fill_n(host.row(white, y), host.rowBytes(white), 0xFF);
  int32_t r = 0, g = 0, b = 0;
  average(0x000000, &r, &g, &b)(white, nullptr, nullptr);
  EXPECT_EQ(lastError(), 0);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(g, 255);
  EXPECT_EQ(b, 255);
}

}  // namespace
}  // namespace tvqtest
