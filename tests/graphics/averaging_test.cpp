// TVQ_AverageRGB, TVQ_AverageRGBWithMask and TVQ_GetAverageRGB through the
// host.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "color_fixture.h"

namespace tvqtest {
namespace {

constexpr const char* kAverage =
    "TVQ_AverageRGB(rect as TVQ_Rectangle, center as color, red_weight as double, "
    "green_weight as double, blue_weight as double) as picture";
constexpr const char* kAverageWithMask =
    "TVQ_AverageRGBWithMask(mask as picture, center as color, red_weight as double, "
    "green_weight as double, blue_weight as double) as picture";
constexpr const char* kGetAverage =
    "TVQ_GetAverageRGB(rect as TVQ_Rectangle, ByRef red as integer, ByRef green as integer, "
    "ByRef blue as integer)";

struct Weights {
  double red, green, blue;
};

// (256 C + trunc(w × 256) K) / (trunc(w × 256) + 256).
uint8_t meanChannel(uint8_t c, uint8_t k, double weight) {
  const int32_t w = static_cast<int32_t>(weight * 256);
  return static_cast<uint8_t>((256 * c + w * k) / (w + 256));
}

class AveragingTest : public ColorOperationTest {
 protected:
  ColorCall selection(uint32_t center, Weights w) {
    return [=, this](RbPicture p, RbObject rect, RbPicture) {
      return host.call<RbPicture>(kAverage, p, rect, center, w.red, w.green, w.blue);
    };
  }
  ColorCall masked(uint32_t center, Weights w) {
    return [=, this](RbPicture p, RbObject, RbPicture mask) {
      return host.call<RbPicture>(kAverageWithMask, p, mask, center, w.red, w.green, w.blue);
    };
  }
  ColorCall mean(int32_t* r, int32_t* g, int32_t* b) {
    return [=, this](RbPicture p, RbObject rect, RbPicture) {
      host.call<void>(kGetAverage, p, rect, r, g, b);
      return nullptr;
    };
  }
};

TEST_F(AveragingTest, PixelsMoveTowardTheCentre) {
  struct Case {
    const char* what;
    uint32_t center;
    Weights weights;
    uint32_t raw, expected;
  };
  const Case cases[] = {
      {"weight 0 is a copy", 0xFFFFFF, {0, 0, 0}, 0x123456, 0x123456},
      {"weight 1: the midpoint, rounded down", 0x00FF00, {1, 1, 1}, 0xFF00FF, 0x7F7F7F},
      // (0 × 256 + 255 × 65280) / 65536 = 254.0
      {"weight 255 stops one short", 0xFFFFFF, {255, 255, 255}, 0x000000, 0xFEFEFE},
      {"each channel its own weight", 0x000000, {1, 3, 0.5}, 0xC8C8C8, 0x643285},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(onePixel(selection(c.center, c.weights), 24, c.raw), c.expected);
    EXPECT_EQ(onePixel(masked(c.center, c.weights), 24, c.raw, maskOfLevel(1, 1, 255)), c.expected);
  }
}

TEST_F(AveragingTest, EveryDepthAndRowPadding) {
  const uint32_t center = 0xE01080;
  const Weights w{0.7, 2.5, 40.0};
  auto adjusted = [&](Rgb c) {
    return Rgb{meanChannel(c.red, 0xE0, w.red), meanChannel(c.green, 0x10, w.green),
               meanChannel(c.blue, 0x80, w.blue)};
  };
  sweepSelection(selection(center, w), adjusted);
  sweepMask(masked(center, w),
            [&](Rgb c, uint8_t level) { return blend255(adjusted(c), c, level); });
}

TEST_F(AveragingTest, ChecksInOrder) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* what;
    Arrangement a;
    Weights weights;
    int32_t selectionCode, maskCode, meanCode;
  };
  const Weights ok{1, 1, 1};
  const Case cases[] = {
      {"nil source first", {.nilSource = true, .nilMask = true}, {-1, -1, -1}, 2, 2, 2},
      {"nil mask before the weights", {.nilMask = true}, {-1, 0, 0}, 39, 7, 0},
      {"red", {.sourceLockFails = true}, {-0.0001, 0, 0}, 39, 39, 3},
      {"green", {}, {0, 255.0001, -1}, 40, 40, 0},
      {"blue NaN", {}, {0, 0, nan}, 41, 41, 0},
      {"source lock", {.sourceLockFails = true, .emptyRect = true}, ok, 3, 3, 3},
      {"selection", {.emptyRect = true, .noResult = true}, ok, 37, 5, 37},
      {"mask of another depth and size", {.maskHeight = 1, .maskDepth = 32}, ok, 0, 9, 0},
      {"no result", {.noResult = true}, ok, 5, 5, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    expectCode(c.a, c.selectionCode, selection(0x808080, c.weights));
    expectCode(c.a, c.maskCode, masked(0x808080, c.weights));
    int32_t r = -7, g = -7, b = -7;
    expectCode(c.a, c.meanCode, mean(&r, &g, &b), false);
    if (c.meanCode != 0) {
      EXPECT_EQ(r, -7);
      EXPECT_EQ(b, -7);
    }
  }
}

TEST_F(AveragingTest, MeanColourOfTheSelection) {
  RbPicture p = picture(2, 1, 24);
  host.setRawPixel(p, 0, 0, 0x000000);
  host.setRawPixel(p, 1, 0, 0xFFFFFF);
  int32_t r = -1, g = -1, b = -1;
  mean(&r, &g, &b)(p, nullptr, nullptr);
  EXPECT_EQ(lastError(), 0);
  EXPECT_EQ(r, 127);
  EXPECT_EQ(g, 127);
  EXPECT_EQ(b, 127);

  // Only red passed: the others untouched.
  g = b = -1;
  mean(&r, nullptr, nullptr)(p, rectangle({1, 0, 1, 1}), nullptr);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(g, -1);
  EXPECT_EQ(b, -1);

  // An 8-bit picture reads through its palette; a 16-bit one as 5-bit steps.
  RbPicture indexed = filled(3, 2, 8, 4);
  std::vector<Rgb> palette(256);
  palette[4] = {10, 20, 30};
  host.setPalette(indexed, palette);
  mean(&r, &g, &b)(indexed, nullptr, nullptr);
  EXPECT_EQ(r, 10);
  EXPECT_EQ(g, 20);
  EXPECT_EQ(b, 30);
  mean(&r, &g, &b)(filled(2, 2, 16, 0xFFFF), nullptr, nullptr);
  EXPECT_EQ(r, 248);
}

TEST_F(AveragingTest, MeanOfALargeSelectionDoesNotOverflow) {
  RbPicture white = picture(3000, 3000, 24);
  for (int32_t y = 0; y < 3000; ++y) std::fill_n(host.row(white, y), host.rowBytes(white), 0xFF);
  int32_t r = 0, g = 0, b = 0;
  mean(&r, &g, &b)(white, nullptr, nullptr);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(g, 255);
  EXPECT_EQ(b, 255);
}

}  // namespace
}  // namespace tvqtest
