// TVQ_AdjustGamma and TVQ_AdjustGammaWithMask through the host.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "color_fixture.h"

namespace tvqtest {
namespace {

constexpr const char* kGamma =
    "TVQ_AdjustGamma(rect as TVQ_Rectangle, center as color, red_factor as double, "
    "green_factor as double, blue_factor as double) as picture";
constexpr const char* kGammaWithMask =
    "TVQ_AdjustGammaWithMask(mask as picture, center as color, red_factor as double, "
    "green_factor as double, blue_factor as double) as picture";

struct Factors {
  double red, green, blue;
};

class GammaTest : public ColorOperationTest {
 protected:
  ColorCall selection(uint32_t center, Factors f) {
    return [=, this](RbPicture p, RbObject rect, RbPicture) {
      return host.call<RbPicture>(kGamma, p, rect, center, f.red, f.green, f.blue);
    };
  }
  ColorCall masked(uint32_t center, Factors f) {
    return [=, this](RbPicture p, RbObject, RbPicture mask) {
      return host.call<RbPicture>(kGammaWithMask, p, mask, center, f.red, f.green, f.blue);
    };
  }
  // One grey channel value through the curve of centre K and one factor.
  uint32_t curve(uint8_t k, double factor, uint8_t c) {
    const uint32_t grey = uint32_t{k} * 0x010101u;
    return onePixel(selection(grey, {factor, factor, factor}), 24, uint32_t{c} * 0x010101u) & 0xFF;
  }
};

TEST_F(GammaTest, TwoSegmentsMeetAtTheKnee) {
  struct Case {
    const char* what;
    uint8_t k;
    double factor;
    uint8_t in, out;
  };
  const Case cases[] = {
      {"K 128, factor 0.5: below the knee", 128, 0.5, 100, 50},
      {"at the knee", 128, 0.5, 128, 64},
      // s = 385, b = -32897: (200 × 385 - 32897) / 256 = 172.3.
      {"above the knee", 128, 0.5, 200, 172},
      {"the upper segment ends one step short", 128, 0.5, 255, 254},
      {"K 129, factor 2: doubled below", 129, 2.0, 100, 200},
      {"clamped at the knee", 129, 2.0, 129, 255},
      {"nearly flat above", 129, 2.0, 200, 255},
      {"centre 0: unchanged whatever the factor", 0, 7.5, 77, 77},
      {"centre 255, factor 0.5 halves", 255, 0.5, 255, 127},
      {"factor 1 is the identity", 90, 1.0, 201, 201},
      // K 254, factor 255: K × 255 × (f - 256) is beyond 32 bits.
      {"large intermediates", 254, 255.0, 255, 255},
      {"large intermediates below the knee", 254, 255.0, 1, 255},
      // s = 421, b = -42116: (200 × 421 - 42116) / 256 = 164.4.
      {"factor 0 above the knee", 100, 0.0, 200, 164},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(curve(c.k, c.factor, c.in), c.out);
    EXPECT_EQ(lastError(), 0);
  }
}

TEST_F(GammaTest, EachChannelHasItsOwnCurve) {
  // Red: K 128, 0.5 halves 100; green: K 255, factor 2 doubles 100;
  // blue: factor 1 keeps 100.
  EXPECT_EQ(onePixel(selection(0x80FF10, {0.5, 2.0, 1.0}), 24, 0x646464), 0x32C864u);
}

TEST_F(GammaTest, EveryDepthAndRowPadding) {
  const uint32_t center = 0x6090C0;
  const Factors f{0.6, 1.8, 3.0};
  // The curves as the pixels read them, taken one value at a time through
  // a 1 x 1 picture.
  Rgb table[256];
  for (int32_t v = 0; v < 256; ++v) {
    const uint32_t raw = onePixel(selection(center, f), 24, static_cast<uint32_t>(v) * 0x010101u);
    table[v] = {static_cast<uint8_t>(raw >> 16), static_cast<uint8_t>(raw >> 8),
                static_cast<uint8_t>(raw)};
  }
  auto adjusted = [&](Rgb c) {
    return Rgb{table[c.red].red, table[c.green].green, table[c.blue].blue};
  };
  sweepSelection(selection(center, f), adjusted);
  sweepMask(masked(center, f),
            [&](Rgb c, uint8_t level) { return blend255(adjusted(c), c, level); });
}

TEST_F(GammaTest, MaskBlendsByLevelsOf255) {
  // A = 50 for red 100 (K 128, factor 0.5); level 128: (128 × 50 + 127 × 100) / 255 = 74.9.
  EXPECT_EQ(onePixel(masked(0x808080, {0.5, 1.0, 1.0}), 24, 0x640000, maskOfLevel(1, 1, 128)),
            0x4A0000u);
  EXPECT_EQ(onePixel(masked(0x808080, {0.5, 1.0, 1.0}), 24, 0x640000, maskOfLevel(1, 1, 0)),
            0x640000u);
  // Level 0 writes through the writer: a 32-bit pixel loses its fourth byte.
  EXPECT_EQ(onePixel(masked(0x808080, {0.5, 1.0, 1.0}), 32, 0xAB640000, maskOfLevel(1, 1, 0)),
            0x00640000u);
}

TEST_F(GammaTest, ChecksInOrder) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* what;
    Arrangement a;
    Factors factors;
    int32_t selectionCode, maskCode;
  };
  const Factors ok{0.5, 2.0, 1.0};
  const Case cases[] = {
      {"nil source first", {.nilSource = true, .nilMask = true}, {-1, -1, -1}, 2, 2},
      {"nil mask before the factors", {.nilMask = true}, {-1, 0, 0}, 39, 7},
      {"negative red", {.sourceLockFails = true}, {-1, 300, 300}, 39, 39},
      {"green above 255", {}, {1, 255.5, 300}, 40, 40},
      {"NaN blue", {}, {1, 1, nan}, 41, 41},
      {"255 is accepted", {}, {255, 255, 255}, 0, 0},
      {"source lock", {.sourceLockFails = true, .emptyRect = true}, ok, 3, 3},
      {"selection, then mask", {.emptyRect = true, .maskLockFails = true}, ok, 37, 8},
      {"mask size", {.maskWidth = 1}, ok, 0, 9},
      {"no result", {.noResult = true}, ok, 5, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    expectCode(c.a, c.selectionCode, selection(0x808080, c.factors));
    expectCode(c.a, c.maskCode, masked(0x808080, c.factors));
  }
}

}  // namespace
}  // namespace tvqtest
