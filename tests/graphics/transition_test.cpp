// TVQ_Transition through the host.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "operation_fixture.h"

namespace tvqtest {
namespace {

constexpr const char* kTransition =
    "TVQ_Transition(extends p as picture, overlay_a as picture, overlay_b as picture, "
    "overlay_a_fraction as double) as picture";

uint8_t mixed(uint32_t s, uint32_t a, uint32_t b, double f) {
  const uint32_t wa = static_cast<uint32_t>(f * 256), wb = static_cast<uint32_t>((1 - f) * 256);
  const uint32_t m1 = (s * wb + a * wa) >> 8, m2 = (s * wa + b * wb) >> 8;
  return static_cast<uint8_t>((wa * m1 + wb * m2) >> 8);
}

class TransitionTest : public OperationTest {
 protected:
  RbPicture transition(RbPicture p, RbPicture a, RbPicture b, double f) {
    return adopt(host.call<RbPicture>(kTransition, p, a, b, f));
  }
};

TEST_F(TransitionTest, FractionsBetweenTheOverlays) {
  struct Case {
    const char* what;
    double f;
    uint32_t s, a, b, expected;
  };
  const Case cases[] = {
      {"1 gives overlay a", 1.0, 0x123456, 0xABCDEF, 0x000000, 0xABCDEF},
      {"0 gives overlay b", 0.0, 0x123456, 0xFFFFFF, 0x654321, 0x654321},
      // (128 × 100 + 128 × 150) >> 8 = 125.
      {"a half", 0.5, 0xC8C8C8, 0x000000, 0x646464, 0x7D7D7D},
      // A = 76, B = 179: the weights add up to 255.
      {"weights truncated apart", 0.3, 0xFF0000, 0x00FF00, 0x0000FF, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RbPicture p = filled(2, 2, 24, c.s);
    RbPicture result = transition(p, filled(2, 2, 24, c.a), filled(2, 2, 24, c.b), c.f);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(lastError(), 0);
    const uint32_t expected = c.expected != 0 ? c.expected
                                              : (uint32_t{mixed(0xFF, 0, 0, c.f)} << 16) |
                                                    (uint32_t{mixed(0, 0xFF, 0, c.f)} << 8) |
                                                    mixed(0, 0, 0xFF, c.f);
    EXPECT_EQ(host.rawPixel(result, 1, 1), expected);
  }
}

TEST_F(TransitionTest, EachPictureReadAtItsOwnDepth) {
  const double f = 0.7;
  for (PictureStorage storage : kStorages) {
    host.options().newPictureStorage = storage;
    for (int32_t depth : kAllDepths) {
      for (int32_t overlayDepth : {8, 16, 24, 32}) {
        SCOPED_TRACE(std::to_string(depth) + "-bit source, " + std::to_string(overlayDepth) +
                     "-bit overlays");
        RbPicture p = patternPicture(5, 3, depth, storage);
        RbPicture a = patternPicture(5, 3, overlayDepth, storage);
        RbPicture b = filled(5, 3, 24, 0x203040, storage);
        RbPicture result = transition(p, a, b, f);
        ASSERT_NE(result, nullptr);
        ASSERT_EQ(host.depth(result), resultDepthOf(depth));
        for (int32_t y = 0; y < 3; ++y)
          for (int32_t x = 0; x < 5; ++x) {
            const Rgb s = readColor(p, x, y), va = readColor(a, x, y), vb = readColor(b, x, y);
            const Rgb expected{mixed(s.red, va.red, vb.red, f),
                               mixed(s.green, va.green, vb.green, f),
                               mixed(s.blue, va.blue, vb.blue, f)};
            EXPECT_EQ(host.pixel(result, x, y), heldAtDepth(expected, resultDepthOf(depth)))
                << "at " << x << ", " << y;
          }
        if (depth == 32) {
          EXPECT_EQ(host.rawPixel(result, 2, 1) >> 24, 0u) << "fourth byte";
        }
      }
    }
  }
}

TEST_F(TransitionTest, ChecksInOrder) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* what;
    bool nilSource, nilA, nilB;
    double f;
    bool sourceLockFails, aLockFails, bLockFails;
    int32_t aWidth, bWidth;
    bool noResult;
    int32_t code;
  };
  const Case cases[] = {
      {"nil source", true, true, true, 2.0, false, false, false, 4, 4, false, 2},
      {"nil overlay a", false, true, true, 2.0, true, false, false, 4, 4, false, 12},
      {"nil overlay b", false, false, true, 2.0, true, false, false, 4, 4, false, 12},
      {"fraction above 1", false, false, false, 1.0001, true, false, false, 4, 4, false, 14},
      {"fraction below 0", false, false, false, -0.0001, false, false, false, 4, 4, false, 14},
      {"NaN fraction", false, false, false, nan, false, false, false, 4, 4, false, 14},
      {"source lock", false, false, false, 0.5, true, true, false, 5, 4, false, 3},
      {"overlay a lock", false, false, false, 0.5, false, true, false, 5, 4, false, 13},
      {"overlay b lock before the sizes", false, false, false, 0.5, false, false, true, 5, 4, false,
       13},
      {"overlay a wrong size", false, false, false, 0.5, false, false, false, 3, 4, true, 16},
      {"overlay b one pixel wider", false, false, false, 0.5, false, false, false, 4, 5, true, 16},
      {"no result", false, false, false, 0.5, false, false, false, 4, 4, true, 5},
      {"both ends of the range", false, false, false, 1.0, false, false, false, 4, 4, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RbPicture p = patternPicture(4, 3, 24);
    RbPicture a = picture(c.aWidth, 3, 24);
    RbPicture b = picture(c.bWidth, 3, 32);
    if (c.sourceLockFails) host.failLocksOf(p);
    if (c.aLockFails) host.failLocksOf(a);
    if (c.bLockFails) host.failLocksOf(b);
    if (c.noResult) host.failNewPictureAfter(0);
    RbPicture result =
        transition(c.nilSource ? nullptr : p, c.nilA ? nullptr : a, c.nilB ? nullptr : b, c.f);
    host.failNewPictureAfter(std::nullopt);
    EXPECT_EQ(lastError(), c.code);
    EXPECT_EQ(result != nullptr, c.code == 0);
    EXPECT_EQ(host.audit().descriptionLocks, 0);
  }
}

}  // namespace
}  // namespace tvqtest
