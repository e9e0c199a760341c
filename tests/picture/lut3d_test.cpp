// PictureLut3DZRW: tables whose interpolation is exact, the grid's edges,
// and entries outside the table.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <vector>

#include "class_fixture.h"

namespace zrwtest {
namespace {

const char* const kTable =
    "Table(r as integer, g as integer, b as integer, x as integer) as double";

// Output x at node (r, g, b), on the 0..255 scale.
using NodeValue = std::function<double(int32_t r, int32_t g, int32_t b, int32_t x)>;

class Lut3DTest : public ClassTest {
 protected:
  RbObject lutWith(const NodeValue& node, int32_t nodes = 18) {
    RbObject o = make("PictureLut3DZRW");
    for (int32_t r = 0; r < nodes; ++r)
      for (int32_t g = 0; g < nodes; ++g)
        for (int32_t b = 0; b < nodes; ++b)
          for (int32_t x = 0; x < 3; ++x) assign(o, kTable, r, g, b, x, node(r, g, b, x));
    return o;
  }
  Rgb mapped(RbObject o, Rgb in) {
    RbPicture source = pictureShowing(1, 1, {in});
    setSource(o, source);
    EXPECT_TRUE(call<bool>(o, "Run as boolean"));
    const Rgb out = at(destination(o), 0, 0);
    close(o);
    host.release(source);
    return out;
  }
};

// 256 x 256 colours: every value of red and green, blue mixed from both.
std::vector<Rgb> manyColours() {
  std::vector<Rgb> colors;
  for (int32_t y = 0; y < 256; ++y)
    for (int32_t x = 0; x < 256; ++x)
      colors.push_back({uint8_t(x), uint8_t(y), uint8_t(x * 7 + y * 13)});
  return colors;
}

TEST_F(Lut3DTest, LinearTablesAreReproducedExactly) {
  // Tetrahedral interpolation of a table sampled from a linear map gives the
  // map itself: bit for bit, as every weight is whole seventeenths.
  struct Case {
    const char* what;
    NodeValue node;
    std::function<Rgb(Rgb)> expected;
  };
  const std::vector<Case> cases = {
      {"identity",
       [](int32_t r, int32_t g, int32_t b, int32_t x) {
         return 17.0 * (x == 0 ? r : x == 1 ? g : b);
       },
       [](Rgb c) { return c; }},
      {"channels rotated",
       [](int32_t r, int32_t g, int32_t b, int32_t x) {
         return 17.0 * (x == 0 ? g : x == 1 ? b : r);
       },
       [](Rgb c) {
         return Rgb{c.green, c.blue, c.red};
       }},
      {"negative",
       [](int32_t r, int32_t g, int32_t b, int32_t x) {
         return 255 - 17.0 * (x == 0 ? r : x == 1 ? g : b);
       },
       [](Rgb c) {
         return Rgb{uint8_t(255 - c.red), uint8_t(255 - c.green), uint8_t(255 - c.blue)};
       }},
      {"mixed, truncated",
       [](int32_t r, int32_t g, int32_t, int32_t x) {
         return x == 0 ? 0.5 * 17 * r + 0.25 * 17 * g : 0.0;
       },
       [](Rgb c) {
         return Rgb{uint8_t((2 * c.red + c.green) / 4), 0, 0};
       }},
      {"limited",
       [](int32_t r, int32_t, int32_t, int32_t x) { return x == 0 ? 34.0 * r - 100 : 0.0; },
       [](Rgb c) {
         return Rgb{uint8_t(std::clamp(2 * c.red - 100, 0, 255)), 0, 0};
       }},
  };
  const std::vector<Rgb> colors = manyColours();
  RbPicture source = pictureShowing(256, 256, colors);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RbObject o = lutWith(c.node);
    setSource(o, source);
    ASSERT_TRUE(call<bool>(o, "Run as boolean"));
    const std::vector<Rgb> out = shown(destination(o));
    size_t wrong = 0;
    for (size_t i = 0; i < colors.size(); ++i)
      if (out[i] != c.expected(colors[i]) && ++wrong <= 5)
        ADD_FAILURE() << colors[i] << " became " << out[i] << ", not " << c.expected(colors[i]);
    EXPECT_EQ(wrong, 0u);
    destroy(o);
  }
  host.release(source);
  EXPECT_TRUE(auditWith(0));
}

TEST_F(Lut3DTest, CornersOfOneCellWeighedInSeventeenths) {
  // (39, 61, 19) lies 5, 10 and 2 seventeenths above node (2, 3, 1): green
  // farthest, then red, then blue, so the corners are (2,3,1), (2,4,1),
  // (3,4,1), (3,4,2) with weights 7, 5, 3 and 2:
  // (7 * 17 + 5 * 34 + 3 * 51 + 2 * 68) / 17 = 34, and 40 for 20 more on each.
  RbObject o = make("PictureLut3DZRW");
  const int32_t corners[4][3] = {{2, 3, 1}, {2, 4, 1}, {3, 4, 1}, {3, 4, 2}};
  for (int32_t i = 0; i < 4; ++i) {
    assign(o, kTable, corners[i][0], corners[i][1], corners[i][2], 0, 17.0 * (i + 1));
    assign(o, kTable, corners[i][0], corners[i][1], corners[i][2], 2, 17.0 * (i + 1) + 20);
  }
  EXPECT_EQ(mapped(o, {39, 61, 19}), (Rgb{34, 0, 54}));
  // (36, 53, 24): 2, 2 and 7 above node (2, 3, 1); blue first, then red and
  // green tied: corners (2,3,1), (2,3,2), (3,3,2), (3,4,2) weighing 10, 5,
  // 0 and 2. Only (2,3,1) and (3,4,2) are set: (10 * 17 + 2 * 68) / 17 = 18.
  EXPECT_EQ(mapped(o, {36, 53, 24}).red, 18);
  destroy(o);
  EXPECT_TRUE(auditWith(0));
}

TEST_F(Lut3DTest, GridEdges) {
  RbObject o = make("PictureLut3DZRW");
  EXPECT_EQ(mapped(o, {200, 100, 50}), (Rgb{0, 0, 0}));  // an all-zero table
  // White takes node (15, 15, 15); nodes 16 and 17 never take part.
  assign(o, kTable, 15, 15, 15, 0, 10.0);
  assign(o, kTable, 15, 15, 15, 1, 20.0);
  assign(o, kTable, 15, 15, 15, 2, 30.0);
  for (int32_t x = 0; x < 3; ++x) {
    assign(o, kTable, 16, 15, 15, x, 99.0);
    assign(o, kTable, 17, 17, 17, x, 99.0);
  }
  EXPECT_EQ(call<double>(o, kTable, 17, 17, 17, 2), 99.0);
  EXPECT_EQ(mapped(o, {255, 255, 255}), (Rgb{10, 20, 30}));
  // 254 lies 16 seventeenths above node 14, below node 15.
  EXPECT_EQ(mapped(o, {254, 254, 254}), (Rgb{9, 18, 28}));  // 160/17, 320/17, 480/17
  destroy(o);
  EXPECT_TRUE(auditWith(0));
}

TEST_F(Lut3DTest, OutputsBeyondTheScale) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  RbObject o = lutWith([&](int32_t, int32_t, int32_t, int32_t x) {
    return x == 0 ? inf : x == 1 ? -5.0 : nan;
  });
  // (18, 40, 100) weighs its four corners 2, 9, 5 and 1 seventeenths; NaN
  // gives 0.
  EXPECT_EQ(mapped(o, {18, 40, 100}), (Rgb{255, 0, 0}));
  // On a node the other corners weigh 0, and 0 times infinity is NaN.
  EXPECT_EQ(mapped(o, {0, 0, 0}), (Rgb{0, 0, 0}));
  destroy(o);
  EXPECT_TRUE(auditWith(0));
}

TEST_F(Lut3DTest, EntriesOutsideTheTableReadZeroAndIgnoreWrites) {
  RbObject o = make("PictureLut3DZRW");
  assign(o, kTable, 17, 0, 17, 2, 1.5);
  for (auto [r, g, b, x] : std::vector<std::array<int32_t, 4>>{{18, 0, 0, 0},
                                                               {0, 18, 0, 0},
                                                               {0, 0, 18, 0},
                                                               {0, 0, 0, 3},
                                                               {-1, 0, 0, 0},
                                                               {0, 0, 0, -1}}) {
    assign(o, kTable, r, g, b, x, 7.0);
    EXPECT_EQ(call<double>(o, kTable, r, g, b, x), 0.0);
  }
  EXPECT_EQ(call<double>(o, kTable, 17, 0, 17, 2), 1.5);
  EXPECT_EQ(call<double>(o, kTable, 0, 0, 0, 0), 0.0);
  destroy(o);
}

}  // namespace
}  // namespace zrwtest
