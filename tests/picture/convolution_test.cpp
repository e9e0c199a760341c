// PictureConvolutionZRW: the two passes, their ranges, the channel mask and
// the tap counts it refuses.
#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <vector>

#include "class_fixture.h"

namespace zrwtest {
namespace {

const char* const kRun = "Run(channels as integer) as boolean";
const char* const kHor = "Hor(index as integer) as double";
const char* const kVer = "Ver(index as integer) as double";

class ConvolutionTest : public ClassTest {
 protected:
  RbObject convolution(RbPicture source, const std::vector<double>& hor,
                       const std::vector<double>& ver) {
    RbObject o = make("PictureConvolutionZRW");
    setSource(o, source);
    set<int32_t>(o, "ValueCount", int32_t(hor.size()));
    for (size_t i = 0; i < hor.size(); ++i) assign(o, kHor, int32_t(i), hor[i]);
    for (size_t i = 0; i < ver.size(); ++i) assign(o, kVer, int32_t(i), ver[i]);
    return o;
  }
  // Every pixel of the result: kUnwritten's colour where not written.
  void expectResult(RbObject o,
                    const std::function<std::optional<Rgb>(int32_t, int32_t)>& expected) {
    RbPicture r = destination(o);
    ASSERT_NE(r, nullptr);
    for (int32_t y = 0; y < host.height(r); ++y)
      for (int32_t x = 0; x < host.width(r); ++x) {
        const std::optional<Rgb> e = expected(x, y);
        if (e)
          EXPECT_EQ(at(r, x, y), *e) << x << ", " << y;
        else
          EXPECT_EQ(rawAt(r, x, y), kUnwritten) << x << ", " << y;
      }
  }
  void finish(RbObject o, RbPicture source) {
    destroy(o);
    host.release(source);
    EXPECT_TRUE(auditWith(0));
  }
};

const Rgb kBlack{0, 0, 0};

TEST_F(ConvolutionTest, CentreTapsCopyTheInnerRowsWithBlackSideColumns) {
  const int32_t w = 6, h = 5;
  for (int32_t channels : {7, 0, 1, 8, -1}) {
    SCOPED_TRACE(channels);
    RbPicture source = patternPicture(w, h);
    RbObject o = convolution(source, {0, 1, 0}, {0, 1, 0});
    EXPECT_EQ(get<int32_t>(o, "ValueCount"), 3);
    ASSERT_TRUE(call<bool>(o, kRun, channels));
    expectResult(o, [&](int32_t x, int32_t y) -> std::optional<Rgb> {
      if (y < 1 || y > h - 2) return std::nullopt;
      if (x < 1 || x > w - 2) return kBlack;
      return patternColor(x, y);
    });
    finish(o, source);
  }
}

TEST_F(ConvolutionTest, HorizontalThenVerticalOnTheChosenChannels) {
  // Red filtered with (1/4, 1/2, 1/4) both ways; green and blue copied.
  //   rows of red 10 20 30 / 0 100 50 / 255 255 255 give, across,
  //   20, 62 (62.5 truncated) and 255; down, 5 + 31 + 63.75 = 99.75 -> 99.
  RbPicture source = pictureShowing(3, 3,
                                    {{10, 1, 2},
                                     {20, 3, 4},
                                     {30, 5, 6},  //
                                     {0, 7, 8},
                                     {100, 9, 10},
                                     {50, 11, 12},  //
                                     {255, 13, 14},
                                     {255, 15, 16},
                                     {255, 17, 18}});
  RbObject o = convolution(source, {0.25, 0.5, 0.25}, {0.25, 0.5, 0.25});
  ASSERT_TRUE(call<bool>(o, kRun, int32_t{1}));
  expectResult(o, [&](int32_t x, int32_t y) -> std::optional<Rgb> {
    if (y != 1) return std::nullopt;
    if (x != 1) return kBlack;
    return Rgb{99, 9, 10};
  });
  finish(o, source);
}

TEST_F(ConvolutionTest, EvenCountsReachOneFurtherBack) {
  // Four taps: half 2, columns 2 .. W - 4 and rows 2 .. H - 4; tap 0 reads two
  // to the left, tap 2 the centre.
  const int32_t w = 7, h = 6;
  RbPicture source = patternPicture(w, h);
  RbObject o = convolution(source, {1, 0, 0, 0}, {0, 0, 1, 0});
  ASSERT_TRUE(call<bool>(o, kRun, int32_t{7}));
  expectResult(o, [&](int32_t x, int32_t y) -> std::optional<Rgb> {
    if (y != 2) return std::nullopt;
    if (x < 2 || x > 3) return kBlack;
    return patternColor(x - 2, y);
  });
  finish(o, source);
}

TEST_F(ConvolutionTest, FiveTapsStopAtWidthLessFour) {
  const int32_t w = 9, h = 7;
  RbPicture source = patternPicture(w, h);
  RbObject o = convolution(source, {0, 0, 0, 0, 1}, {1, 0, 0, 0, 0});
  ASSERT_TRUE(call<bool>(o, kRun, int32_t{7}));
  expectResult(o, [&](int32_t x, int32_t y) -> std::optional<Rgb> {
    if (y < 2 || y > h - 4) return std::nullopt;
    if (x < 2 || x > w - 4) return kBlack;
    return patternColor(x + 2, y - 2);
  });
  finish(o, source);
}

TEST_F(ConvolutionTest, OneTapCoversEveryPixelAndNoMore) {
  // Half 0: the bound W - 0 would be one column past the end.
  for (auto [w, h] : std::vector<std::pair<int32_t, int32_t>>{{5, 4}, {1, 1}, {1, 3}, {4, 1}}) {
    RbPicture source = patternPicture(w, h);
    RbObject o = convolution(source, {2.0}, {0.5});
    ASSERT_TRUE(call<bool>(o, kRun, int32_t{7}));
    expectResult(o, [&](int32_t x, int32_t y) -> std::optional<Rgb> {
      const Rgb c = patternColor(x, y);
      auto twiceHalved = [](uint8_t v) { return uint8_t(std::min(2 * v, 255) / 2); };
      return Rgb{twiceHalved(c.red), twiceHalved(c.green), twiceHalved(c.blue)};
    });
    finish(o, source);
  }
}

TEST_F(ConvolutionTest, SumsAreLimitedAndNaNGivesZero) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    std::vector<double> hor;
    uint8_t level, expected;
  };
  for (const Case& c : std::vector<Case>{{{1, 1, 1}, 100, 255},
                                         {{-1, 0.5, 0}, 100, 0},
                                         {{0, inf, 0}, 1, 255},
                                         {{0, inf, 0}, 0, 0},  // inf * 0 is NaN
                                         {{inf, -inf, 0}, 9, 0},
                                         {{0, 1e300, 0}, 3, 255}}) {
    RbPicture source = pictureShowing(3, 3, std::vector<Rgb>(9, grey(c.level)));
    RbObject o = convolution(source, c.hor, {0, 1, 0});
    ASSERT_TRUE(call<bool>(o, kRun, int32_t{7}));
    EXPECT_EQ(at(destination(o), 1, 1), grey(c.expected));
    finish(o, source);
  }
}

TEST_F(ConvolutionTest, TapCountsWithoutWeightsAreRefused) {
  for (int32_t count : {0, -1, 21, INT_MAX, INT_MIN}) {
    SCOPED_TRACE(count);
    RbPicture source = patternPicture(5, 5);
    RbObject o = convolution(source, {0, 1, 0}, {0, 1, 0});
    ASSERT_TRUE(call<bool>(o, kRun, int32_t{7}));  // an earlier result, dropped
    set<int32_t>(o, "ValueCount", count);
    EXPECT_FALSE(call<bool>(o, kRun, int32_t{7}));
    EXPECT_EQ(destination(o), nullptr);
    finish(o, source);
  }
  // Twenty is the most there are: half 10, so of a 45 x 30 picture the
  // columns 10 .. 25 of row 10; the last horizontal tap reads nine to the
  // right, the first vertical one ten rows up.
  RbPicture source = patternPicture(45, 30);
  std::vector<double> hor(20, 0.0), ver(20, 0.0);
  hor[19] = 1;
  ver[0] = 1;
  RbObject o = convolution(source, hor, ver);
  ASSERT_TRUE(call<bool>(o, kRun, int32_t{7}));
  expectResult(o, [&](int32_t x, int32_t y) -> std::optional<Rgb> {
    if (y != 10) return std::nullopt;
    if (x < 10 || x > 25) return kBlack;
    return at(source, x + 9, 0);
  });
  finish(o, source);
}

TEST_F(ConvolutionTest, WeightsOutsideTheTwentyReadZeroAndIgnoreWrites) {
  RbObject o = make("PictureConvolutionZRW");
  for (const char* weights : {kHor, kVer}) {
    assign(o, weights, 19, 0.5);
    for (int32_t i : {20, -1, INT_MAX, INT_MIN}) {
      assign(o, weights, i, 9.0);
      EXPECT_EQ(call<double>(o, weights, i), 0.0);
    }
    EXPECT_EQ(call<double>(o, weights, 19), 0.5);
  }
  assign(o, kHor, 0, 1.5);
  EXPECT_EQ(call<double>(o, kVer, 0), 0.0);  // the two sets are apart
  destroy(o);
}

}  // namespace
}  // namespace zrwtest
