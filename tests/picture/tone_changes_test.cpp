// Brightness, contrast and custom tone changes, called through the host.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "function_fixture.h"

namespace zrwtest {
namespace {

const char* const kAbsoluteRgb =
    "ChangeBrightnessAbsoluteZRW(r as double, g as double, b as double) as picture";
const char* const kAbsolute = "ChangeBrightnessAbsoluteZRW(x as double) as picture";
const char* const kLinearRgb =
    "ChangeBrightnessLinearZRW(r as double, g as double, b as double) as picture";
const char* const kLinear = "ChangeBrightnessLinearZRW(x as double) as picture";
const char* const kContrastRgb =
    "ChangeContrastZRW(xr as double, xg as double, xb as double) as picture";
const char* const kContrast = "ChangeContrastZRW(x as double) as picture";
const char* const kCustom = "ChangeCustomZRW(a as double, b as double) as picture";

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kMax = std::numeric_limits<double>::max();

struct ToneCall {
  const char* declaration;
  std::vector<double> args;
};

std::string describe(const ToneCall& c) {
  std::ostringstream s;
  s << c.declaration << " with";
  for (double a : c.args) s << " " << a;
  return s.str();
}

class ToneChangesTest : public PictureFunctionTest {
 protected:
  RbPicture change(const ToneCall& c, RbPicture source) {
    switch (c.args.size()) {
      case 1:
        return host.call<RbPicture>(c.declaration, source, c.args[0]);
      case 2:
        return host.call<RbPicture>(c.declaration, source, c.args[0], c.args[1]);
      default:
        return host.call<RbPicture>(c.declaration, source, c.args[0], c.args[1], c.args[2]);
    }
  }
};

struct ToneCase {
  ToneCall call;
  std::vector<std::pair<Rgb, Rgb>> pixels;  // source colour -> result colour
};

std::pair<Rgb, Rgb> greyTo(uint8_t in, uint8_t out) { return {grey(in), grey(out)}; }

// Worked out by hand from the curves; the comments give the unrounded value.
const std::vector<ToneCase>& handComputed() {
  static const std::vector<ToneCase> cases = {
      // Absolute: truncated toward zero, then clamped.
      {{kAbsolute, {-10.5}},
       {greyTo(5, 0), greyTo(100, 89), greyTo(10, 0) /* -0.5 */, greyTo(12, 1), greyTo(255, 244)}},
      {{kAbsolute, {10.7}}, {greyTo(0, 10), greyTo(244, 254), greyTo(245, 255), greyTo(250, 255)}},
      {{kAbsolute, {0.0}}, {greyTo(0, 0), greyTo(77, 77), greyTo(255, 255)}},
      {{kAbsoluteRgb, {255, 0, 0}}, {{{0, 77, 200}, {255, 77, 200}}, {{255, 3, 0}, {255, 3, 0}}}},
      {{kAbsoluteRgb, {-20, 30.9, -0.1}},
       {{{10, 250, 128}, {0, 255, 127}}, {{100, 100, 100}, {80, 130, 99}}}},
      // Limits: infinities act as the largest finite value.
      {{kAbsolute, {kInf}}, {greyTo(0, 255), greyTo(255, 255)}},
      {{kAbsolute, {-kInf}}, {greyTo(0, 0), greyTo(255, 0)}},
      {{kAbsolute, {1e300}}, {greyTo(0, 255), greyTo(128, 255)}},

      // Linear: offset + slope * v, truncated, no clamp.
      {{kLinear, {51}},
       {greyTo(0, 51), greyTo(255, 255), greyTo(100, 131) /* 51 + 0.8 * 100 */, greyTo(50, 91)}},
      {{kLinear, {-51}}, {greyTo(255, 204), greyTo(100, 80), greyTo(0, 0)}},
      {{kLinear, {0}}, {greyTo(0, 0), greyTo(99, 99), greyTo(255, 255)}},
      {{kLinear, {255}}, {greyTo(0, 255), greyTo(100, 255), greyTo(255, 255)}},
      {{kLinear, {-255}}, {greyTo(0, 0), greyTo(100, 0), greyTo(255, 0)}},
      // Beyond +-255 the low eight bits of the truncated value are kept.
      {{kLinear, {300}}, {greyTo(0, 44) /* 300 */, greyTo(100, 26) /* 282.35 */, greyTo(255, 255)}},
      {{kLinear, {-300}}, {greyTo(0, 0), greyTo(100, 239) /* -17.6 */, greyTo(255, 211) /* -45 */}},
      {{kLinearRgb, {51, -51, 0}}, {{{100, 100, 100}, {131, 80, 100}}}},
      // The largest values keep no low bits.
      {{kLinear, {kInf}}, {greyTo(0, 0), greyTo(100, 0), greyTo(255, 0)}},
      {{kLinear, {-kInf}}, {greyTo(0, 0), greyTo(100, 0), greyTo(255, 0)}},

      // Contrast about 127: clamped, then truncated.
      {{kContrast, {1.0}},
       {greyTo(200, 255), greyTo(100, 73), greyTo(127, 127), greyTo(140, 153), greyTo(0, 0)}},
      {{kContrast, {-1.0}}, {greyTo(0, 127), greyTo(100, 127), greyTo(255, 127)}},
      {{kContrast, {0.0}}, {greyTo(0, 0), greyTo(128, 128), greyTo(255, 255)}},
      {{kContrast, {-0.5}}, {greyTo(0, 63), greyTo(128, 127), greyTo(255, 191)}},
      // A negative factor mirrors about 127.
      {{kContrast, {-2.0}}, {greyTo(0, 254), greyTo(100, 154), greyTo(255, 0)}},
      {{kContrastRgb, {1, -1, 0}}, {{{200, 10, 33}, {255, 127, 33}}}},
      {{kContrast, {kInf}}, {greyTo(0, 0), greyTo(126, 0), greyTo(127, 127), greyTo(128, 255)}},
      {{kContrast, {-kInf}}, {greyTo(0, 255), greyTo(127, 127), greyTo(255, 0)}},

      // Custom b + a * v: clamped, then truncated.
      {{kCustom, {-1, 255}}, {{{0, 100, 255}, {255, 155, 0}}, {{7, 8, 9}, {248, 247, 246}}}},
      {{kCustom, {0.5, 10.9}}, {greyTo(0, 10), greyTo(100, 60), greyTo(255, 138)}},
      {{kCustom, {2, -300}}, {greyTo(100, 0), greyTo(200, 100), greyTo(255, 210)}},
      {{kCustom, {1.5, 0}}, {greyTo(169, 253), greyTo(170, 255), greyTo(200, 255)}},
      {{kCustom, {kInf, 0}}, {greyTo(0, 0), greyTo(1, 255)}},
      {{kCustom, {-kInf, kInf}}, {greyTo(0, 255), greyTo(1, 0), greyTo(2, 0)}},
      {{kCustom, {kMax, -kMax}}, {greyTo(0, 0), greyTo(1, 0), greyTo(2, 255)}},
      {{kCustom, {0, -kInf}}, {greyTo(0, 0), greyTo(255, 0)}},
  };
  return cases;
}

// Each case's pixels are laid out over two rows, so that a result walked
// from the wrong end shows as well as a wrong value.
TEST_F(ToneChangesTest, MapsEveryChannelAsWorkedOutByHand) {
  for (const ToneCase& c : handComputed()) {
    SCOPED_TRACE(describe(c.call));
    const int32_t width = static_cast<int32_t>((c.pixels.size() + 1) / 2);
    std::vector<Rgb> in, expected;
    for (size_t i = 0; i < 2 * static_cast<size_t>(width); ++i) {
      const auto& [from, to] = c.pixels[i < c.pixels.size() ? i : 0];
      in.push_back(from);
      expected.push_back(to);
    }
    RbPicture source = pictureShowing(width, 2, in);
    RbPicture result = change(c.call, source);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(host.depth(result), 32);
    ASSERT_EQ(host.width(result), width);
    ASSERT_EQ(host.height(result), 2);
    EXPECT_EQ(shown(result), expected);
    host.release(result);
    host.release(source);
  }
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

// The result is a new picture with fourth bytes 0; the source keeps its own.
TEST_F(ToneChangesTest, LeavesTheSourceAloneAndClearsTheFourthByte) {
  RbPicture source = patternPicture(3, 2);
  for (int32_t row = 0; row < 2; ++row)
    for (int32_t x = 0; x < 3; ++x)
      host.setRawPixel(source, x, row, host.rawPixel(source, x, row) | 0xAB000000u);
  const std::vector<Rgb> before = shown(source);
  RbPicture result = host.call<RbPicture>(kCustom, source, 1.0, 0.0);
  ASSERT_NE(result, nullptr);
  EXPECT_NE(result, source);
  EXPECT_EQ(shown(result), before);
  EXPECT_EQ(fourthBytes(result), std::vector<uint8_t>(6, 0));
  EXPECT_EQ(shown(source), before);
  EXPECT_EQ(fourthBytes(source), std::vector<uint8_t>(6, 0xAB));
  host.release(result);
  host.release(source);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

// A parameter that is not a number has no picture to describe: nil, and
// nothing taken.
TEST_F(ToneChangesTest, RefusesANaNParameterInAnyPosition) {
  const std::vector<ToneCall> calls = {
      {kAbsolute, {kNaN}},          {kLinear, {kNaN}},
      {kContrast, {kNaN}},          {kAbsoluteRgb, {kNaN, 0, 0}},
      {kAbsoluteRgb, {0, 0, kNaN}}, {kLinearRgb, {0, kNaN, 0}},
      {kContrastRgb, {0, 0, kNaN}}, {kCustom, {kNaN, 0}},
      {kCustom, {1, kNaN}},
  };
  RbPicture source = patternPicture(2, 2);
  for (const ToneCall& c : calls) EXPECT_EQ(change(c, source), nullptr) << describe(c);
  host.release(source);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

const std::vector<ToneCall>& everyForm() {
  static const std::vector<ToneCall> calls = {
      {kAbsoluteRgb, {10, -20, 30}},
      {kLinearRgb, {-40, 50, 255}},
      {kAbsolute, {-7.5}},
      {kLinear, {33}},
      {kCustom, {-1.5, 300}},
      {kContrast, {0.7}},
      {kContrastRgb, {1.5, -0.5, -3}},
  };
  return calls;
}

TEST_F(ToneChangesTest, GivesNilWhenTheSourceCannotBeReadOrTheResultMade) {
  RbPicture unlockable = patternPicture(2, 2);
  host.failLocksOf(unlockable);
  RbPicture stored32 = patternPicture(2, 2);
  RbPicture stored24 = patternPicture(2, 2, 24);
  for (const ToneCall& c : everyForm()) {
    SCOPED_TRACE(describe(c));
    EXPECT_EQ(change(c, nullptr), nullptr);
    EXPECT_EQ(change(c, unlockable), nullptr);
    host.failNewPictureAfter(0);  // no result picture
    EXPECT_EQ(change(c, stored32), nullptr);
    host.failNewPictureAfter(1);  // the 32-bit copy of the source, but no result
    EXPECT_EQ(change(c, stored24), nullptr);
    host.failNewPictureAfter(std::nullopt);
    EXPECT_TRUE(rbtest::AuditUnchanged(host, host.audit()));
  }
  host.release(unlockable);
  host.release(stored32);
  host.release(stored24);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

class ToneChangesStorageTest : public ToneChangesTest,
                               public ::testing::WithParamInterface<StoredAs> {};

// However the source is stored, the result is what the 32-bit picture showing
// the same colours gives.
TEST_P(ToneChangesStorageTest, MatchesThe32BitEquivalent) {
  const int32_t width = 5, height = 3;  // odd width: rows of other depths are padded
  RbPicture source = patternPicture(width, height, GetParam().depth, GetParam().storage);
  RbPicture equivalent = pictureShowing(width, height, shown(source));
  for (const ToneCall& c : everyForm()) {
    SCOPED_TRACE(describe(c));
    RbPicture result = change(c, source);
    RbPicture expected = change(c, equivalent);
    ASSERT_NE(result, nullptr);
    ASSERT_NE(expected, nullptr);
    EXPECT_EQ(host.depth(result), 32);
    EXPECT_EQ(shown(result), shown(expected));
    EXPECT_EQ(fourthBytes(result), std::vector<uint8_t>(width * height, 0));
    host.release(result);
    host.release(expected);
  }
  host.release(source);
  host.release(equivalent);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

INSTANTIATE_TEST_SUITE_P(Storages, ToneChangesStorageTest, everyStorage(), storageName);

}  // namespace
}  // namespace zrwtest
