// PictureSepiaZRW: fixed-point luminance plus tints, worked out by hand.
#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <vector>

#include "class_fixture.h"

namespace zrwtest {
namespace {

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

class SepiaTest : public ClassTest {};

TEST_F(SepiaTest, DefaultsAreTheLumaWeightsAndNoTint) {
  RbObject o = make("PictureSepiaZRW");
  EXPECT_EQ(get<double>(o, "FactorRed"), 0.299);
  EXPECT_EQ(get<double>(o, "FactorGreen"), 0.587);
  EXPECT_EQ(get<double>(o, "FactorBlue"), 0.114);
  for (const char* tint : {"SepiaRed", "SepiaGreen", "SepiaBlue"})
    EXPECT_EQ(get<int32_t>(o, tint), 0);
  set<double>(o, "FactorBlue", -0.5);
  EXPECT_EQ(get<double>(o, "FactorBlue"), -0.5);
  EXPECT_EQ(get<double>(o, "FactorGreen"), 0.587);
  destroy(o);
}

TEST_F(SepiaTest, LuminancePlusTint) {
  struct Case {
    const char* what;
    double red, green, blue;  // factors
    int32_t tintRed, tintGreen, tintBlue;
    Rgb in, expected;
  };
  const double r0 = 0.299, g0 = 0.587, b0 = 0.114;
  const std::vector<Case> cases = {
      {"white: the weights 306 + 601 + 116 add up to 1023",
       r0,
       g0,
       b0,
       0,
       0,
       0,
       {255, 255, 255},
       {254, 254, 254}},
      {"black with tints", r0, g0, b0, 40, 20, -20, {0, 0, 0}, {40, 20, 0}},
      // (100 * 306 + 50 * 601 + 200 * 116) / 1024 = 83850 / 1024 = 81.9
      {"a colour, truncated", r0, g0, b0, 40, 20, -20, {100, 50, 200}, {121, 101, 61}},
      {"red alone", 1, 0, 0, 3, 0, -3, {77, 200, 9}, {80, 77, 74}},
      {"factors truncate to 1/1024", 0.0009, 1, 0, 0, 0, 0, {255, 10, 0}, {10, 10, 10}},
      {"negative luminance is limited after the tint", -1, 0, 0, 50, 0, 0, {30, 0, 0}, {20, 0, 0}},
      {"negative luminance truncates toward zero", -0.001, 0, 0, 0, 1, 0, {255, 0, 0}, {0, 1, 0}},
      {"tints do not wrap", r0, g0, b0, INT_MAX, INT_MIN, 0, {255, 255, 255}, {255, 0, 254}},
      {"huge factor saturates", 1e300, 0, 0, 0, 0, 0, {1, 0, 0}, {255, 255, 255}},
      {"infinite factors", kInf, -kInf, 0, 0, 0, 0, {1, 1, 0}, {0, 0, 0}},
      {"NaN weighs 0", kNaN, 1, 0, 0, 0, 0, {200, 30, 0}, {30, 30, 30}},
      {"sums beyond 32 bits cancel exactly", 2e6, -2e6, 0, 5, 5, 5, {255, 255, 0}, {5, 5, 5}},
      {"sums beyond 32 bits", 2e6, 2e6, 2e6, 0, 0, -300, {255, 255, 255}, {255, 255, 255}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RbPicture source = pictureShowing(1, 1, {c.in});
    RbObject o = make("PictureSepiaZRW");
    setSource(o, source);
    set<double>(o, "FactorRed", c.red);
    set<double>(o, "FactorGreen", c.green);
    set<double>(o, "FactorBlue", c.blue);
    set<int32_t>(o, "SepiaRed", c.tintRed);
    set<int32_t>(o, "SepiaGreen", c.tintGreen);
    set<int32_t>(o, "SepiaBlue", c.tintBlue);
    ASSERT_TRUE(call<bool>(o, "Run as boolean"));
    EXPECT_EQ(at(destination(o), 0, 0), c.expected);
    EXPECT_EQ(rawAt(destination(o), 0, 0) >> 24, 0u);
    destroy(o);
    host.release(source);
  }
  EXPECT_TRUE(auditWith(0));
}

}  // namespace
}  // namespace zrwtest
