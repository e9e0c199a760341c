// TVQ_AdjustHSV, TVQ_AdjustHSVWithMask and TVQ_GetAverageHSV, called through
// the host as a program calls them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "operation_fixture.h"

namespace tvqtest {
namespace {

constexpr const char* kAdjustHsv =
    "TVQ_AdjustHSV(rect as TVQ_Rectangle, hue_degrees as double, saturation_factor as double, "
    "brightness_factor as double, negative as boolean) as picture";
constexpr const char* kAdjustHsvWithMask =
    "TVQ_AdjustHSVWithMask(mask as picture, hue_degrees as double, saturation_factor as double, "
    "brightness_factor as double) as picture";
constexpr const char* kGetAverageHsv =
    "TVQ_GetAverageHSV(rect as TVQ_Rectangle, ByRef hue_degrees as double, ByRef saturation as "
    "double, ByRef brightness as double)";

const RbObject kWholePicture = nullptr;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Hsv {
  double hue, saturation, brightness;
};

class HsvAdjustTest : public OperationTest {
 protected:
  RbPicture adjust(RbPicture p, RbObject rect, Hsv a, bool negative = false) {
    return adopt(host.call<RbPicture>(kAdjustHsv, p, rect, a.hue, a.saturation, a.brightness,
                                      RbBoolean{negative}));
  }
  RbPicture adjustWithMask(RbPicture p, RbPicture mask, Hsv a) {
    return adopt(
        host.call<RbPicture>(kAdjustHsvWithMask, p, mask, a.hue, a.saturation, a.brightness));
  }
  // The three outputs, starting from `start`.
  Hsv average(RbPicture p, RbObject rect, Hsv start = {7, 7, 7}) {
    Hsv out = start;
    host.call<void>(kGetAverageHsv, p, rect, &out.hue, &out.saturation, &out.brightness);
    return out;
  }
};

constexpr Hsv kUnchanged{0, 1, 1};

struct ColorCase {
  const char* what;
  Rgb source;
  Hsv adjustment;
  Rgb expected;
};

TEST_F(HsvAdjustTest, PixelsGoThroughTheIntegerModelAndBack) {
  const ColorCase cases[] = {
      {"red turned by 120 degrees is green", {255, 0, 0}, {120, 1, 1}, {0, 255, 0}},
      {"by 60 degrees, yellow", {255, 0, 0}, {60, 1, 1}, {255, 255, 0}},
      {"by -60 degrees, magenta", {255, 0, 0}, {-60, 1, 1}, {255, 0, 255}},
      {"by 359.999 degrees", {255, 0, 0}, {359.999, 1, 1}, {255, 0, 0}},
      {"by 180 degrees, cyan", {255, 0, 0}, {180, 1, 1}, {0, 255, 255}},
      // S' truncated and capped at 1023, q, t and p truncated.
      {"no change is not exactly the identity", {200, 100, 50}, kUnchanged, {200, 99, 50}},
      {"saturation 0 gives grey", {200, 100, 50}, {0, 0, 1}, {200, 200, 200}},
      {"half brightness", {200, 100, 50}, {0, 1, 0.5}, {100, 49, 25}},
      {"brightness capped at 255", {200, 100, 50}, {0, 1, 999.999}, {255, 127, 63}},
      {"saturation capped below 1024", {200, 100, 50}, {0, 999.999, 1}, {200, 66, 0}},
      {"grey stays grey under a turn", {90, 90, 90}, {200, 5, 1.5}, {135, 135, 135}},
      {"black stays black", {0, 0, 0}, {0, 1, 999}, {0, 0, 0}},
      // Ties between channels: the case order decides the formula.
      {"red and blue tied", {200, 50, 200}, {30, 1, 1}, {200, 50, 125}},
      {"green and blue tied", {50, 200, 200}, {-30, 1, 1}, {50, 200, 125}},
      {"red and green tied", {200, 200, 50}, {1, 1, 1}, {197, 200, 50}},
      // floor(-1 * 1024 / 60) = -18; -17 steps would leave red at 255.
      {"minus one degree", {255, 0, 251}, {-1, 1, 1}, {254, 0, 255}},
      {"one degree", {255, 0, 0}, {1, 1, 1}, {255, 4, 0}},
  };
  for (const ColorCase& c : cases) {
    SCOPED_TRACE(c.what);
    RbPicture source = picture(2, 1, 24);
    host.setPixel(source, 0, 0, c.source);
    host.setPixel(source, 1, 0, c.source);
    RbPicture result = adjust(source, kWholePicture, c.adjustment);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(lastError(), 0);
    EXPECT_EQ(host.pixel(result, 0, 0), c.expected);
    // With the mask at 255 the adjusted colour, within the mask's bounds.
    if (c.adjustment.saturation < 10 && c.adjustment.brightness < 10) {
      RbPicture mask = filled(2, 1, 8, 255);
      RbPicture weighted = adjustWithMask(source, mask, c.adjustment);
      ASSERT_NE(weighted, nullptr);
      EXPECT_EQ(host.pixel(weighted, 1, 0), c.expected);
    }
  }
}

struct DepthCase {
  const char* what;
  int32_t depth;
  uint32_t raw;               // palette index up to 8 bits
  uint32_t expected;          // raw result, red turned to green
  uint32_t expectedNegative;  // the same with `negative`
  uint32_t expectedMasked;    // by a mask of level 128
};

TEST_F(HsvAdjustTest, EveryDepthWritesAtTheResultDepth) {
  const DepthCase cases[] = {
      // 248 red (16-bit 31) turned by 120 degrees: green 248.
      {"16-bit, bit 15 dropped", 16, 0xFC00, 0x03E0, 0x7C1F, 0x3DE0},
      {"24-bit", 24, 0xFF0000, 0x00FF00, 0xFF00FF, 0x7F8000},
      {"32-bit, fourth byte 0", 32, 0xABFF0000, 0x0000FF00, 0x00FF00FF, 0x007F8000},
      {"8-bit palette red, in 5 bits", 8, 3, 0x03E0, 0x7C1F, 0x3E00},
      {"1-bit reads as black", 1, 1, 0x0000, 0x7FFF, 0x0000},
  };
  for (PictureStorage storage : kStorages) {
    host.options().newPictureStorage = storage;
    for (const DepthCase& c : cases) {
      SCOPED_TRACE(std::string(c.what) + ", storage " + std::to_string(int(storage)));
      RbPicture source = filled(3, 2, c.depth, c.raw, storage);
      if (c.depth == 8) {
        std::vector<Rgb> palette(256);
        palette[3] = {255, 0, 0};
        host.setPalette(source, palette);
      }
      const std::vector<uint8_t> before = bytesOf(source);
      RbPicture mask = filled(3, 2, 8, 128, storage);
      RbPicture result = adjust(source, kWholePicture, {120, 1, 1});
      RbPicture negative = adjust(source, kWholePicture, {120, 1, 1}, true);
      RbPicture weighted = adjustWithMask(source, mask, {120, 1, 1});
      ASSERT_NE(result, nullptr);
      ASSERT_NE(negative, nullptr);
      ASSERT_NE(weighted, nullptr);
      for (RbPicture r : {result, negative, weighted}) {
        EXPECT_EQ(host.depth(r), resultDepthOf(c.depth));
        EXPECT_EQ(host.storage(r), storage);
      }
      for (int32_t y = 0; y < 2; ++y) {
        for (int32_t x = 0; x < 3; ++x) {
          SCOPED_TRACE("at " + std::to_string(x) + ", " + std::to_string(y));
          EXPECT_EQ(host.rawPixel(result, x, y), c.expected);
          EXPECT_EQ(host.rawPixel(negative, x, y), c.expectedNegative);
          EXPECT_EQ(host.rawPixel(weighted, x, y), c.expectedMasked);
        }
      }
      EXPECT_EQ(bytesOf(source), before);
    }
  }
}

TEST_F(HsvAdjustTest, NegativeCoversTheWholeResult) {
  // Selection: columns 1 and 2 of row 1 of a 4 x 3 picture; outside it the
  // copy is negated too, and a 32-bit pixel loses its fourth byte there.
  const struct {
    int32_t depth;
    uint32_t raw;
    uint32_t outside, inside;        // without `negative`
    uint32_t negOutside, negInside;  // with it
  } cases[] = {
      {16, 0xFC00, 0x7C00, 0x03E0, 0x03FF, 0x7C1F},
      {24, 0xFF0000, 0xFF0000, 0x00FF00, 0x00FFFF, 0xFF00FF},
      {32, 0xABFF0000, 0xABFF0000, 0x0000FF00, 0x0000FFFF, 0x00FF00FF},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.depth) + " bits");
    RbPicture source = filled(4, 3, c.depth, c.raw);
    RbObject rect = rectangle({1, 1, 2, 1});
    RbPicture plain = adjust(source, rect, {120, 1, 1});
    RbPicture negative = adjust(source, rect, {120, 1, 1}, true);
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(negative, nullptr);
    for (int32_t y = 0; y < 3; ++y) {
      for (int32_t x = 0; x < 4; ++x) {
        const bool inside = y == 1 && (x == 1 || x == 2);
        EXPECT_EQ(host.rawPixel(plain, x, y), inside ? c.inside : c.outside) << x << ", " << y;
        EXPECT_EQ(host.rawPixel(negative, x, y), inside ? c.negInside : c.negOutside)
            << x << ", " << y;
      }
    }
  }
}

TEST_F(HsvAdjustTest, MaskLevelBlendsAdjustedAndSourceColours) {
  // Red turned to green, by levels: (m A + (255 - m) C) / 255.
  const struct {
    int32_t maskDepth;
    uint32_t maskRaw;
    Rgb expected;
  } cases[] = {
      {8, 0, {255, 0, 0}},
      {8, 1, {254, 1, 0}},
      {8, 128, {127, 128, 0}},
      {8, 255, {0, 255, 0}},
      {24, 0xFFFF40, {191, 64, 0}},  // only blue counts
      {32, 0xFF000080, {127, 128, 0}},
      {1, 1, {255, 0, 0}},  // reads as level 0
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.maskDepth) + " bits, level " + std::to_string(c.maskRaw));
    RbPicture source = filled(2, 2, 32, 0x55FF0000);
    RbPicture mask = filled(2, 2, c.maskDepth, c.maskRaw);
    RbPicture result = adjustWithMask(source, mask, {120, 1, 1});
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(host.rawPixel(result, 1, 1), toColor(c.expected));
  }
}

struct Arrangement {
  bool nilSource = false;
  bool nilMask = false;
  Hsv adjustment = kUnchanged;
  bool sourceLockFails = false;
  bool emptyRect = false;
  bool maskLockFails = false;
  int32_t maskWidth = 4;  // the source is 4 x 3
  bool noResult = false;
};

struct ErrorCase {
  const char* what;
  Arrangement a;
  int32_t adjustCode, maskCode;
};

TEST_F(HsvAdjustTest, FirstFailedCheckNamesTheError) {
  const ErrorCase cases[] = {
      {"nil source before everything",
       {.nilSource = true, .nilMask = true, .adjustment = {360, -1, -1}, .sourceLockFails = true},
       2,
       2},
      {"nil mask before the bounds",
       {.nilMask = true, .adjustment = {360, 1, 1}, .sourceLockFails = true},
       42,
       7},
      {"hue 360 refused", {.adjustment = {360, -1, -1}}, 42, 42},
      {"hue -360 refused", {.adjustment = {-360, 1, 1}}, 42, 42},
      {"NaN hue", {.adjustment = {kNaN, 1, 1}}, 42, 42},
      {"infinite hue", {.adjustment = {-kInf, 1, 1}}, 42, 42},
      {"saturation before brightness", {.adjustment = {0, -0.001, -1}}, 43, 43},
      {"saturation 10 fits the rectangle form only", {.adjustment = {0, 10, 1}}, 0, 43},
      {"saturation 1000", {.adjustment = {0, 1000, 1}}, 43, 43},
      {"NaN saturation", {.adjustment = {0, kNaN, 1}}, 43, 43},
      {"brightness 10 fits the rectangle form only", {.adjustment = {0, 1, 10}}, 0, 44},
      {"brightness 1e300", {.adjustment = {0, 1, 1e300}}, 44, 44},
      {"NaN brightness", {.adjustment = {0, 1, kNaN}}, 44, 44},
      {"bounds before the source lock",
       {.adjustment = {0, 1, -1}, .sourceLockFails = true},
       44,
       44},
      {"source lock before selection, mask and result",
       {.sourceLockFails = true, .emptyRect = true, .maskLockFails = true, .noResult = true},
       3,
       3},
      {"selection or mask lock before the result",
       {.emptyRect = true, .maskLockFails = true, .noResult = true},
       37,
       8},
      {"mask of another size", {.maskWidth = 5}, 0, 9},
      {"no result picture", {.noResult = true}, 5, 5},
      {"the largest factors each form takes", {.adjustment = {-359.999, 9.999, 9.999}}, 0, 0},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.what);
    for (bool masked : {false, true}) {
      SCOPED_TRACE(masked ? "with mask" : "rectangle");
      const Arrangement& a = c.a;
      RbPicture source = patternPicture(4, 3, 24);
      RbPicture mask = picture(a.maskWidth, 3, 8);
      RbObject rect = a.emptyRect ? rectangle({-3, 0, 3, 3}) : rectangle({1, 1, 2, 1});
      if (a.sourceLockFails) host.failLocksOf(source);
      if (a.maskLockFails) host.failLocksOf(mask);
      if (a.noResult) host.failNewPictureAfter(0);
      const std::vector<uint8_t> before = bytesOf(source);
      RbPicture arg = a.nilSource ? nullptr : source;
      RbPicture result = masked ? adjustWithMask(arg, a.nilMask ? nullptr : mask, a.adjustment)
                                : adjust(arg, rect, a.adjustment, true);
      host.failNewPictureAfter(std::nullopt);
      const int32_t expected = masked ? c.maskCode : c.adjustCode;
      EXPECT_EQ(lastError(), expected);
      EXPECT_EQ(result != nullptr, expected == 0);
      EXPECT_EQ(bytesOf(source), before);
      const rbhost::Audit now = host.audit();
      EXPECT_EQ(now.descriptionLocks, 0);
      EXPECT_EQ(now.globalMemoryLocks, 0);
    }
  }
}

// Every depth and width 1 to 9 (each a different row padding): a turn by
// 180 degrees with saturation 0 maps each colour to the grey of its largest
// channel, which the test can tell from the colour alone.
TEST_F(HsvAdjustTest, EveryDepthAndRowPadding) {
  for (PictureStorage storage : kStorages) {
    host.options().newPictureStorage = storage;
    for (int32_t depth : kAllDepths) {
      for (int32_t width = 1; width <= 9; ++width) {
        SCOPED_TRACE(std::to_string(width) + " pixels of " + std::to_string(depth) +
                     " bits, storage " + std::to_string(int(storage)));
        const int32_t height = 4;
        const RectArgument r{width / 3, 1, std::max(1, width - width / 3 - 1), 2};
        auto inside = [&](int32_t x, int32_t y) {
          return x >= r.left && x < r.left + r.width && y >= 1 && y <= 2;
        };
        RbPicture source = patternPicture(width, height, depth, storage);
        RbPicture mask = picture(width, height, 8, storage);
        auto masked = [](int32_t x, int32_t y) { return (x + 2 * y) % 3 == 0; };
        for (int32_t y = 0; y < height; ++y)
          for (int32_t x = 0; x < width; ++x) host.setRawPixel(mask, x, y, masked(x, y) ? 255 : 0);
        const Hsv greying{180, 0, 1};
        RbPicture result = adjust(source, rectangle(r), greying);
        RbPicture negative = adjust(source, rectangle(r), greying, true);
        RbPicture weighted = adjustWithMask(source, mask, greying);
        ASSERT_NE(result, nullptr);
        ASSERT_NE(negative, nullptr);
        ASSERT_NE(weighted, nullptr);
        const int32_t resultDepth = resultDepthOf(depth);
        for (int32_t y = 0; y < height; ++y) {
          for (int32_t x = 0; x < width; ++x) {
            SCOPED_TRACE("at " + std::to_string(x) + ", " + std::to_string(y));
            const Rgb original = readColor(source, x, y);
            const uint8_t v = std::max({original.red, original.green, original.blue});
            const Rgb grey{v, v, v};
            const Rgb expected = heldAtDepth(inside(x, y) ? grey : original, resultDepth);
            EXPECT_EQ(host.pixel(result, x, y), expected);
            const Rgb held = heldAtDepth(inside(x, y) ? grey : original, 24);
            const Rgb inverted{uint8_t(255 - held.red), uint8_t(255 - held.green),
                               uint8_t(255 - held.blue)};
            EXPECT_EQ(host.pixel(negative, x, y), heldAtDepth(inverted, resultDepth));
            EXPECT_EQ(host.pixel(weighted, x, y),
                      heldAtDepth(masked(x, y) ? grey : original, resultDepth));
          }
        }
      }
    }
  }
}

struct AverageCase {
  const char* what;
  std::vector<Rgb> pixels;  // a 1-row picture
  Hsv expected;
};

TEST_F(HsvAdjustTest, AverageHsvOfASelection) {
  const AverageCase cases[] = {
      {"white", {{255, 255, 255}, {255, 255, 255}}, {-1.0, 0.0, 0.99609375}},
      {"pure red", {{255, 0, 0}}, {0.0, 1.0, 0.99609375}},
      {"red and blue: the hue of (127, 0, 127)",
       {{255, 0, 0}, {0, 0, 255}},
       {300.0, 1.0, 0.99609375}},
      {"black", {{0, 0, 0}}, {-1.0, 0.0, 0.0}},
      // Average colour (150, 25, 100): (25 - 100) / 125 * 60 = -36, so 324.
      // Saturations 1 and 0.5 average to 0.75; brightness (200 + 100) / 512.
      {"a hue below 0 gets 360 added",
       {{200, 0, 100}, {100, 50, 100}},
       {324.0, 0.75, 300.0 / 512.0}},
  };
  for (const AverageCase& c : cases) {
    SCOPED_TRACE(c.what);
    const int32_t width = static_cast<int32_t>(c.pixels.size());
    for (int32_t depth : {24, 32}) {
      RbPicture p = picture(width, 1, depth);
      for (int32_t x = 0; x < width; ++x) host.setPixel(p, x, 0, c.pixels[size_t(x)]);
      const Hsv got = average(p, kWholePicture);
      EXPECT_EQ(lastError(), 0);
      EXPECT_DOUBLE_EQ(got.hue, c.expected.hue);
      EXPECT_DOUBLE_EQ(got.saturation, c.expected.saturation);
      EXPECT_DOUBLE_EQ(got.brightness, c.expected.brightness);
    }
  }
}

TEST_F(HsvAdjustTest, AverageHsvReadsOnlyTheSelectionAndReportsFailures) {
  // Red in the selection, blue around it.
  RbPicture p = filled(4, 3, 16, 0x001F);
  host.setRawPixel(p, 1, 1, 0x7C00);
  host.setRawPixel(p, 2, 1, 0x7C00);
  const Hsv got = average(p, rectangle({1, 1, 2, 1}));
  EXPECT_EQ(lastError(), 0);
  EXPECT_EQ(got.hue, 0.0);
  EXPECT_EQ(got.saturation, 1.0);
  EXPECT_EQ(got.brightness, 248.0 / 256.0);

  // Failures write nothing.
  const Hsv untouched{7, 7, 7};
  const Hsv empty = average(p, rectangle({4, 0, 2, 2}));
  EXPECT_EQ(lastError(), 37);
  EXPECT_EQ(empty.hue, untouched.hue);
  EXPECT_EQ(empty.saturation, untouched.saturation);
  EXPECT_EQ(empty.brightness, untouched.brightness);
  const Hsv nil = average(nullptr, kWholePicture);
  EXPECT_EQ(lastError(), 2);
  EXPECT_EQ(nil.hue, untouched.hue);
  host.failLocksOf(p);
  const Hsv unlocked = average(p, kWholePicture);
  EXPECT_EQ(lastError(), 3);
  EXPECT_EQ(unlocked.brightness, untouched.brightness);
  host.failLocksOf(p, false);

  // Nil references are skipped: only the brightness is asked for.
  double brightness = -1;
  host.call<void>(kGetAverageHsv, p, RbObject{nullptr}, static_cast<double*>(nullptr),
                  static_cast<double*>(nullptr), &brightness);
  EXPECT_EQ(lastError(), 0);
  EXPECT_DOUBLE_EQ(brightness, (2 * 248.0 + 10 * 248.0) / 12.0 / 256.0);
  const rbhost::Audit now = host.audit();
  EXPECT_EQ(now.descriptionLocks, 0);
  EXPECT_EQ(now.globalMemoryLocks, 0);
}

}  // namespace
}  // namespace tvqtest
