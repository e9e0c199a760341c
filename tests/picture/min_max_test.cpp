// PictureMinMaxZRW: the extremes, their first positions, the start values
// and which of the 24 properties each Find method writes.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "class_fixture.h"

namespace zrwtest {
namespace {

const char* const kGroups[4] = {"Red", "Green", "Blue", "Sum"};
const char* const kFields[6] = {"MaxX", "MaxY", "Max", "MinX", "MinY", "Min"};

using Values = std::array<int32_t, 24>;  // in the order of the properties

class MinMaxTest : public ClassTest {
 protected:
  Values read(RbObject o) {
    Values v{};
    for (int g = 0; g < 4; ++g)
      for (int f = 0; f < 6; ++f)
        v[size_t(6 * g + f)] = get<int32_t>(o, std::string(kGroups[g]) + kFields[f]);
    return v;
  }
  void write(RbObject o, int32_t value) {
    for (int g = 0; g < 4; ++g)
      for (int f = 0; f < 6; ++f) set<int32_t>(o, std::string(kGroups[g]) + kFields[f], value);
  }
  // Group g of the values: MaxX, MaxY, Max, MinX, MinY, Min.
  static std::array<int32_t, 6> group(const Values& v, int g) {
    return {v[size_t(6 * g)],     v[size_t(6 * g + 1)], v[size_t(6 * g + 2)],
            v[size_t(6 * g + 3)], v[size_t(6 * g + 4)], v[size_t(6 * g + 5)]};
  }
  Values findAll(RbPicture p, bool* opened = nullptr) {
    RbObject o = make("PictureMinMaxZRW");
    const bool ok = call<bool>(o, "FindAll(p as picture) as boolean", p);
    if (opened != nullptr) *opened = ok;
    const Values v = read(o);
    destroy(o);
    return v;
  }
};

TEST_F(MinMaxTest, ExtremesAndTheFirstPixelHoldingThem) {
  using Group = std::array<int32_t, 6>;
  struct Case {
    const char* what;
    int32_t width, height;
    std::vector<Rgb> colors;
    std::array<Group, 4> expected;  // red, green, blue, sum
  };
  const std::vector<Case> cases = {
      {"ties go to the first pixel",
       3,
       1,
       {{10, 0, 0}, {200, 0, 0}, {200, 0, 0}},
       {{{1, 0, 200, 0, 0, 10},
         {-1, -1, 0, 0, 0, 0},
         {-1, -1, 0, 0, 0, 0},
         {1, 0, 200, 0, 0, 10}}}},
      {"a flat grey: SumMin never starts above 255",
       2,
       2,
       std::vector<Rgb>(4, grey(100)),
       {{{0, 0, 100, 0, 0, 100},
         {0, 0, 100, 0, 0, 100},
         {0, 0, 100, 0, 0, 100},
         {0, 0, 300, -1, -1, 255}}}},
      {"0 and 255 everywhere keep the start values",
       2,
       1,
       {{0, 255, 0}, {0, 255, 0}},
       {{{-1, -1, 0, 0, 0, 0},
         {0, 0, 255, -1, -1, 255},
         {-1, -1, 0, 0, 0, 0},
         {0, 0, 255, -1, -1, 255}}}},
      {"rows count from the top",
       3,
       3,
       {{5, 9, 1},
        {5, 9, 1},
        {5, 9, 1},  //
        {5, 9, 1},
        {6, 9, 1},
        {5, 2, 1},  //
        {4, 9, 1},
        {6, 9, 200},
        {5, 2, 1}},  //
       {{{1, 1, 6, 0, 2, 4}, {0, 0, 9, 2, 1, 2}, {1, 2, 200, 0, 0, 1}, {1, 2, 215, 2, 1, 8}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (int32_t depth : {32, 24}) {
      RbPicture p = pictureShowing(c.width, c.height, c.colors, depth);
      bool opened = false;
      const Values v = findAll(p, &opened);
      EXPECT_TRUE(opened);
      for (int g = 0; g < 4; ++g) EXPECT_EQ(group(v, g), c.expected[size_t(g)]) << kGroups[g];
      host.release(p);
    }
  }
  EXPECT_TRUE(auditWith(0));
}

TEST_F(MinMaxTest, EachMethodWritesItsOwnPropertiesOnly) {
  struct Case {
    const char* declaration;
    unsigned groups;  // bit g: group g
    bool maxima, minima;
  };
  const std::vector<Case> cases = {
      {"FindAll(p as picture) as boolean", 0xF, true, true},
      {"FindMaxAll(p as picture) as boolean", 0xF, true, true},
      {"FindMinAll(p as picture) as boolean", 0xF, false, true},
      {"FindRed(p as picture) as boolean", 1, true, true},
      {"FindMaxRed(p as picture) as boolean", 1, true, true},
      {"FindGreen(p as picture) as boolean", 2, true, true},
      {"FindMaxGreen(p as picture) as boolean", 2, true, true},
      {"FindBlue(p as picture) as boolean", 4, true, true},
      {"FindMaxBlue(p as picture) as boolean", 4, true, true},
      {"FindSum(p as picture) as boolean", 8, true, true},
      {"FindMaxSum(p as picture) as boolean", 8, true, true},
      {"FindMinRed(p as picture) as boolean", 1, false, true},
      {"FindMinGreen(p as picture) as boolean", 2, false, true},
      {"FindMinBlue(p as picture) as boolean", 4, false, true},
      {"FindMinSum(p as picture) as boolean", 8, false, true},
  };
  RbPicture p = patternPicture(4, 3);
  const Values all = findAll(p);
  const int32_t untouched = 12345;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.declaration);
    for (RbPicture picture : {p, RbPicture{nullptr}}) {
      RbObject o = make("PictureMinMaxZRW");
      write(o, untouched);
      EXPECT_EQ(call<bool>(o, c.declaration, picture), picture != nullptr);
      const Values v = read(o);
      for (size_t i = 0; i < 24; ++i) {
        const int g = int(i / 6);
        const bool isMax = i % 6 < 3;
        const bool written = (c.groups & (1u << g)) && (isMax ? c.maxima : c.minima);
        // A picture that cannot be read gives the start values.
        const int32_t start = i % 3 != 2 ? -1 : isMax ? 0 : 255;
        const int32_t expected = !written ? untouched : picture != nullptr ? all[i] : start;
        EXPECT_EQ(v[i], expected) << kGroups[g] << kFields[i % 6];
      }
      destroy(o);
    }
  }
  host.release(p);
  EXPECT_TRUE(auditWith(0));
}

TEST_F(MinMaxTest, UnreadablePicturesGiveFalseAndTheStartValues) {
  RbPicture p = patternPicture(3, 3);
  host.failLocksOf(p);
  bool opened = true;
  const Values v = findAll(p, &opened);
  EXPECT_FALSE(opened);
  for (int g = 0; g < 4; ++g)
    EXPECT_EQ(group(v, g), (std::array<int32_t, 6>{-1, -1, 0, -1, -1, 255}));
  host.failLocksOf(p, false);
  host.release(p);
  EXPECT_TRUE(auditWith(0));
}

TEST_F(MinMaxTest, EveryDepthFindsWhatIts32BitCopyShows) {
  for (int32_t depth : {1, 2, 4, 8, 16, 24}) {
    SCOPED_TRACE(depth);
    RbPicture stored = patternPicture(6, 5, depth);
    RbPicture copy = pictureShowing(6, 5, shown(stored));
    EXPECT_EQ(findAll(stored), findAll(copy));
    host.release(stored);
    host.release(copy);
  }
  EXPECT_TRUE(auditWith(0));
}

TEST_F(MinMaxTest, NewInstancesReadZeroAndCloseChangesNothing) {
  RbObject o = make("PictureMinMaxZRW");
  EXPECT_EQ(read(o), Values{});
  set<int32_t>(o, "BlueMinY", 7);
  close(o);
  EXPECT_EQ(get<int32_t>(o, "BlueMinY"), 7);
  destroy(o);
  EXPECT_TRUE(auditWith(0));
}

}  // namespace
}  // namespace zrwtest
