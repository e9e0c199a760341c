// TVQ_Threshold and TVQ_ThresholdWithMask through the host.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "color_fixture.h"

namespace tvqtest {
namespace {

constexpr const char* kThreshold =
    "TVQ_Threshold(extends p as picture, rect as TVQ_Rectangle, darker as boolean, "
    "and_threshold as boolean, threshold as color, target as color) as picture";
constexpr const char* kThresholdWithMask =
    "TVQ_ThresholdWithMask(extends p as picture, mask as picture, darker as boolean, "
    "and_threshold as boolean, threshold as color, target as color) as picture";

struct PixelTest {
  bool darker, all;
  uint32_t threshold, target;
};

bool passes(Rgb c, PixelTest t) {
  const int32_t tr = (t.threshold >> 16) & 0xFF, tg = (t.threshold >> 8) & 0xFF,
                tb = t.threshold & 0xFF;
  auto side = [&](int32_t v, int32_t limit) { return t.darker ? v <= limit : v >= limit; };
  const bool r = side(c.red, tr), g = side(c.green, tg), b = side(c.blue, tb);
  return t.all ? r && g && b : r || g || b;
}

Rgb colorOf(uint32_t c) {
  return {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)};
}

class ThresholdTest : public ColorOperationTest {
 protected:
  ColorCall selection(PixelTest t) {
    return [=, this](RbPicture p, RbObject rect, RbPicture) {
      return host.call<RbPicture>(kThreshold, p, rect, t.darker, t.all, t.threshold, t.target);
    };
  }
  ColorCall masked(PixelTest t) {
    return [=, this](RbPicture p, RbObject, RbPicture mask) {
      return host.call<RbPicture>(kThresholdWithMask, p, mask, t.darker, t.all, t.threshold,
                                  t.target);
    };
  }
};

TEST_F(ThresholdTest, TheFourCombinations) {
  struct Case {
    const char* what;
    PixelTest test;
    uint32_t raw;
    bool passes;
  };
  const uint32_t t = 0x808080, target = 0x0000FF;
  const Case cases[] = {
      {"all darker: equal passes", {true, true, t, target}, 0x808080, true},
      {"all darker: one channel above fails", {true, true, t, target}, 0x810000, false},
      {"any darker: one channel below passes", {true, false, t, target}, 0x810000, true},
      {"any darker: all above fails", {true, false, t, target}, 0x818181, false},
      {"all lighter: equal passes", {false, true, t, target}, 0x808080, true},
      {"all lighter: one below fails", {false, true, t, target}, 0xFFFF7F, false},
      {"any lighter: one above passes", {false, false, t, target}, 0x000081, true},
      {"any lighter: all below fails", {false, false, t, target}, 0x7F7F7F, false},
      {"threshold 0, lighter, all: everything", {false, true, 0x000000, target}, 0x000000, true},
      {"threshold white, darker: everything", {true, false, 0xFFFFFF, target}, 0xFFFFFF, true},
      {"the threshold's top byte is ignored", {true, true, 0xFF000000, target}, 0x000000, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(onePixel(selection(c.test), 24, c.raw), c.passes ? target : c.raw);
    EXPECT_EQ(lastError(), 0);
  }
}

TEST_F(ThresholdTest, TargetIsWrittenWithoutItsTopByte) {
  const PixelTest t{false, true, 0x000000, 0xFF00FF00};
  EXPECT_EQ(onePixel(selection(t), 32, 0xAB123456), 0x0000FF00u);
  EXPECT_EQ(onePixel(selection(t), 24, 0x123456), 0x00FF00u);
  // A failing pixel is copied whole: the fourth byte stays.
  const PixelTest none{true, true, 0x000000, 0x00FF00};
  EXPECT_EQ(onePixel(selection(none), 32, 0xAB123456), 0xAB123456u);
}

TEST_F(ThresholdTest, EveryDepthAndRowPadding) {
  const PixelTest t{true, false, 0x70A060, 0x3366CC};
  auto replaced = [&](Rgb c) { return passes(c, t) ? colorOf(t.target) : c; };
  sweepSelection(selection(t), replaced);
  sweepMask(masked(t), [&](Rgb c, uint8_t level) { return blend255(replaced(c), c, level); });
}

TEST_F(ThresholdTest, MaskBlendsTowardTheTarget) {
  const PixelTest t{false, true, 0x000000, 0x000000};
  // (0 × 128 + 200 × 127) / 255 = 99.6.
  EXPECT_EQ(onePixel(masked(t), 24, 0xC8C8C8, maskOfLevel(1, 1, 128)), 0x636363u);
  EXPECT_EQ(onePixel(masked(t), 24, 0xC8C8C8, maskOfLevel(1, 1, 255)), 0x000000u);
  // A pixel that fails comes out with its colour at every level.
  const PixelTest never{true, true, 0x000000, 0xFFFFFF};
  EXPECT_EQ(onePixel(masked(never), 24, 0xC8C8C8, maskOfLevel(1, 1, 200)), 0xC8C8C8u);
}

TEST_F(ThresholdTest, ChecksInOrder) {
  struct Case {
    const char* what;
    Arrangement a;
    int32_t selectionCode, maskCode;
  };
  const Case cases[] = {
      {"nil source first", {.nilSource = true, .nilMask = true, .sourceLockFails = true}, 2, 2},
      {"nil mask", {.nilMask = true, .sourceLockFails = true}, 3, 7},
      {"source lock", {.sourceLockFails = true, .emptyRect = true}, 3, 3},
      {"selection, then mask", {.emptyRect = true, .maskLockFails = true}, 37, 8},
      {"mask size", {.maskWidth = 3}, 0, 9},
      {"no result", {.noResult = true}, 5, 5},
  };
  const PixelTest t{true, true, 0x808080, 0};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    expectCode(c.a, c.selectionCode, selection(t));
    expectCode(c.a, c.maskCode, masked(t));
  }
}

}  // namespace
}  // namespace tvqtest
