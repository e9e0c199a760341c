// PictureMatrixZRW and PictureMatrix3DZRW: their arithmetic, worked out by
// hand on small pictures.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <vector>

#include "class_fixture.h"

namespace zrwtest {
namespace {

const char* const kMatrix = "Matrix(x as integer, y as integer) as integer";
const char* const kMatrix3D = "Matrix(x as integer, y as integer) as double";
const char* const kRunRgb = "RunRGB(red as boolean, green as boolean, blue as boolean) as boolean";

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

class MatrixTest : public ClassTest {
 protected:
  RbObject filterWith(RbPicture source) {
    RbObject o = make("PictureMatrixZRW");
    setSource(o, source);
    return o;
  }
  void fill(RbObject o, int32_t value) {
    for (int32_t y = 0; y < 5; ++y)
      for (int32_t x = 0; x < 5; ++x) assign(o, kMatrix, x, y, value);
  }
  // The one computed pixel of a 5 x 5 picture.
  Rgb centre(RbObject o) { return at(destination(o), 2, 2); }
  void finish(RbObject o, RbPicture source) {
    destroy(o);
    host.release(source);
    EXPECT_TRUE(auditWith(0));
  }
};

TEST_F(MatrixTest, EachTapReadsItsOwnNeighbour) {
  // One lit pixel at (3, 3) of a 7 x 7 picture, weights k + 5j + 1 at
  // Matrix(k, j): the result at (x, y) meets the lit pixel through the tap
  // k = 5 - x, j = 5 - y alone, so a mirrored or transposed walk shows.
  std::vector<Rgb> colors(49, Rgb{0, 0, 0});
  colors[3 * 7 + 3] = {10, 1, 0};
  RbPicture source = pictureShowing(7, 7, colors);
  RbObject o = filterWith(source);
  for (int32_t j = 0; j < 5; ++j)
    for (int32_t k = 0; k < 5; ++k) assign(o, kMatrix, k, j, k + 5 * j + 1);
  ASSERT_TRUE(call<bool>(o, "Run as boolean"));
  for (int32_t y = 2; y <= 4; ++y)
    for (int32_t x = 2; x <= 4; ++x) {
      const int32_t w = (5 - x) + 5 * (5 - y) + 1;
      EXPECT_EQ(at(destination(o), x, y), (Rgb{uint8_t(10 * w), uint8_t(w), 0})) << x << ", " << y;
    }
  finish(o, source);
}

TEST_F(MatrixTest, SumsDisplacementAndScaleFactor) {
  struct Case {
    const char* what;
    int32_t fillWith;  // every entry, before the centre
    int32_t centreWeight;
    int32_t displacement;
    double scaleFactor;
    uint8_t level;  // of every source pixel, all channels
    uint8_t expected;
  };
  const std::vector<Case> cases = {
      {"centre 2, scale 0.5", 0, 2, 0, 0.5, 101, 101},
      {"centre 2, scale 0.3", 0, 2, 0, 0.3, 101, 60},  // truncate(202 * 0.3)
      {"scale 1.0 exactly clamps", 0, 3, 0, 1.0, 100, 255},
      {"all 255: only the displacement", 255, 255, 77, 1.0, 200, 77},
      {"all 255, negative displacement", 255, 255, -5, 1.0, 200, 0},
      {"all 255, large displacement", 255, 255, 300, 1.0, 200, 255},
      {"254 takes part", 0, 254, -254 * 100 + 9, 1.0, 100, 9},
      {"negative weights take part", -1, 24, 0, 1.0, 50, 0},  // 24 * 50 - 24 * 50
      {"edge filter on a flat picture", -1, 24, 128, 1.0, 90, 128},
      {"displacement 2^31 - 1 does not wrap", 0, 1, INT_MAX, 1.0, 255, 255},
      {"displacement -2^31 does not wrap", 0, 1, INT_MIN, 1.0, 255, 0},
      {"sum beyond 32 bits, negated", INT_MIN, INT_MIN, 0, -1.0, 1, 255},
      {"sum beyond 32 bits", INT_MIN, INT_MIN, 0, 1.0, 1, 0},
      {"scale factor displaces after the sum", 0, 1, 10, 2.0, 20, 60},
      {"negative scale", 0, 1, 0, -0.5, 100, 0},
      {"infinite scale", 0, 1, 0, kInf, 1, 255},
      {"infinite scale times 0", 0, 1, 0, kInf, 0, 0},
      {"NaN scale gives 0", 0, 1, 0, kNaN, 200, 0},
      {"huge scale", 0, 1, 0, 1e300, 1, 255},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RbPicture source = pictureShowing(5, 5, std::vector<Rgb>(25, grey(c.level)));
    RbObject o = filterWith(source);
    fill(o, c.fillWith);
    assign(o, kMatrix, 2, 2, c.centreWeight);
    set<int32_t>(o, "Displacement", c.displacement);
    set<double>(o, "ScaleFactor", c.scaleFactor);
    ASSERT_TRUE(call<bool>(o, "Run as boolean"));
    EXPECT_EQ(centre(o), grey(c.expected));
    finish(o, source);
  }
}

TEST_F(MatrixTest, ScaleFactorStartsAtOneAndIsKept) {
  RbObject o = make("PictureMatrixZRW");
  EXPECT_EQ(get<double>(o, "ScaleFactor"), 1.0);
  set<double>(o, "ScaleFactor", -2.5);
  EXPECT_EQ(get<double>(o, "ScaleFactor"), -2.5);
  destroy(o);
}

TEST_F(MatrixTest, RunRgbFiltersTheChosenChannelsAndWritesZeroForTheOthers) {
  RbPicture source = pictureShowing(5, 5, std::vector<Rgb>(25, Rgb{10, 20, 30}));
  struct Case {
    bool red, green, blue;
    Rgb expected;
  };
  for (const Case& c : std::vector<Case>{{false, true, false, {0, 40, 0}},
                                         {true, false, true, {20, 0, 60}},
                                         {true, true, true, {20, 40, 60}}}) {
    RbObject o = filterWith(source);
    assign(o, kMatrix, 2, 2, int32_t{2});
    ASSERT_TRUE(call<bool>(o, kRunRgb, c.red, c.green, c.blue));
    EXPECT_EQ(centre(o), c.expected);
    destroy(o);
  }
  // None chosen: false at once, and the earlier result stays.
  RbObject o = filterWith(source);
  ASSERT_TRUE(call<bool>(o, "Run as boolean"));
  RbPicture earlier = destination(o);
  EXPECT_FALSE(call<bool>(o, kRunRgb, false, false, false));
  EXPECT_EQ(destination(o), earlier);
  finish(o, source);
}

TEST_F(MatrixTest, EntriesOutsideTheMatrixReadZeroAndIgnoreWrites) {
  RbObject o = make("PictureMatrixZRW");
  assign(o, kMatrix, 4, 4, int32_t{9});
  for (auto [x, y] : std::vector<std::pair<int32_t, int32_t>>{
           {5, 0}, {0, 5}, {-1, 0}, {0, -1}, {INT_MIN, INT_MAX}}) {
    assign(o, kMatrix, x, y, int32_t{7});
    EXPECT_EQ(call<int32_t>(o, kMatrix, x, y), 0);
  }
  EXPECT_EQ(call<int32_t>(o, kMatrix, 4, 4), 9);
  EXPECT_EQ(call<int32_t>(o, kMatrix, 0, 0), 0);
  destroy(o);
}

class ColourMatrixTest : public ClassTest {
 protected:
  // The colour a 1 x 1 picture of `in` becomes under the entries given as
  // (x, y, value).
  Rgb transformed(Rgb in, const std::vector<std::tuple<int32_t, int32_t, double>>& entries) {
    RbPicture source = pictureShowing(1, 1, {in});
    RbObject o = make("PictureMatrix3DZRW");
    setSource(o, source);
    for (auto [x, y, v] : entries) assign(o, kMatrix3D, x, y, v);
    EXPECT_TRUE(call<bool>(o, "Run as boolean"));
    const Rgb out = at(destination(o), 0, 0);
    destroy(o);
    host.release(source);
    EXPECT_TRUE(auditWith(0));
    return out;
  }
};

TEST_F(ColourMatrixTest, WeightsOffsetsAndLimits) {
  using Entries = std::vector<std::tuple<int32_t, int32_t, double>>;
  const Entries identity = {{0, 0, 1.0}, {1, 1, 1.0}, {2, 2, 1.0}};
  auto with = [&identity](Entries more) {
    Entries all = identity;
    all.insert(all.end(), more.begin(), more.end());
    return all;
  };
  struct Case {
    const char* what;
    Entries entries;
    Rgb in, expected;
  };
  const std::vector<Case> cases = {
      {"identity", identity, {1, 128, 255}, {1, 128, 255}},
      {"all zero", {}, {1, 128, 255}, {0, 0, 0}},
      {"red and green swapped",
       {{1, 0, 1.0}, {0, 1, 1.0}, {2, 2, 1.0}},
       {10, 20, 30},
       {20, 10, 30}},
      {"input offset of red before weighting", with({{3, 0, -10.0}}), {15, 5, 5}, {5, 5, 5}},
      {"input offset below 0 limits", with({{3, 0, -10.0}}), {5, 5, 5}, {0, 5, 5}},
      {"input offset scaled by its weight",
       {{0, 0, 0.5}, {1, 1, 1.0}, {2, 2, 1.0}, {3, 0, 10.0}},
       {30, 5, 5},
       {20, 5, 5}},
      {"output offsets",
       with({{0, 3, 0.9}, {1, 3, -0.5}, {2, 3, 300.0}}),
       {10, 10, 10},
       {10, 9, 255}},
      {"weighted sum truncates",
       {{0, 0, 0.5}, {1, 0, 0.25}, {2, 0, 0.25}},
       {101, 50, 3},
       {63, 0, 0}},
      {"negative sums are 0",
       {{0, 0, -1.0}, {1, 1, -0.001}, {2, 2, 1.0}},
       {10, 10, 10},
       {0, 0, 10}},
      {"row 4 and column 4 take no part",
       with({{4, 0, 9.0}, {0, 4, 9.0}, {4, 4, 9.0}}),
       {10, 20, 30},
       {10, 20, 30}},
      {"infinite weight", {{0, 0, kInf}, {1, 1, -kInf}}, {1, 1, 1}, {255, 0, 0}},
      {"infinity minus infinity is NaN, gives 0",
       {{0, 0, kInf}, {1, 0, -kInf}},
       {1, 1, 0},
       {0, 0, 0}},
      {"NaN gives 0", with({{0, 3, kNaN}}), {100, 100, 100}, {0, 100, 100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(transformed(c.in, c.entries), c.expected);
  }
}

TEST_F(ColourMatrixTest, EntriesOutsideTheMatrixReadZeroAndIgnoreWrites) {
  RbObject o = make("PictureMatrix3DZRW");
  assign(o, kMatrix3D, 4, 0, 2.5);
  for (auto [x, y] : std::vector<std::pair<int32_t, int32_t>>{{5, 0}, {0, 5}, {-1, 2}}) {
    assign(o, kMatrix3D, x, y, 7.0);
    EXPECT_EQ(call<double>(o, kMatrix3D, x, y), 0.0);
  }
  EXPECT_EQ(call<double>(o, kMatrix3D, 4, 0), 2.5);
  destroy(o);
}

}  // namespace
}  // namespace zrwtest
