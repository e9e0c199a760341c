// TVQ_CrawlingAnts through the host.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "geometry_fixture.h"

namespace tvqtest {
namespace {

using rbhost::fromColor;

constexpr const char* kCrawlingAnts =
    "TVQ_CrawlingAnts(extends p as picture, rect as TVQ_Rectangle, ant_color as color, "
    "shadow_color as color, ant_size as integer, ant_state as integer) as picture";

constexpr uint32_t kAnt = 0xF0A020;
constexpr uint32_t kShadow = 0x1040C0;

class CrawlingAntsTest : public GeometryTest {
 protected:
  RbPicture ants(RbPicture p, RbObject rect, int32_t size, int32_t state) {
    return adopt(
        host.call<RbPicture>(kCrawlingAnts, p, rect, kAnt | 0xFF000000u, kShadow, size, state));
  }

  // `grid` rows in memory order: 'A' ant colour, 'S' shadow colour, '.' the
  // source pixel at the result depth.
  void expectGrid(RbPicture source, RbPicture result, const std::vector<std::string>& grid) {
    const int32_t depth = resultDepthOf(host.depth(source));
    ASSERT_EQ(host.depth(result), depth);
    for (int32_t y = 0; y < static_cast<int32_t>(grid.size()); ++y)
      for (int32_t x = 0; x < static_cast<int32_t>(grid[y].size()); ++x) {
        const char k = grid[y][x];
        const Rgb expected = k == 'A'   ? heldAtDepth(fromColor(kAnt), depth)
                             : k == 'S' ? heldAtDepth(fromColor(kShadow), depth)
                                        : heldAtDepth(readColor(source, x, y), depth);
        EXPECT_EQ(host.pixel(result, x, y), expected) << "'" << k << "' at " << x << ", " << y;
        if (depth == 32 && k != '.') {
          EXPECT_EQ(host.rawPixel(result, x, y) >> 24, 0u);
        }
      }
  }
};

// The dash pattern worked out by hand from the two phase counters: the top
// row then the right column on one, the left column then the bottom row on
// the other, the later run's colour kept at each corner.
TEST_F(CrawlingAntsTest, BothPhasesAroundThePicture) {
  struct Case {
    const char* what;
    int32_t state;
    std::vector<std::string> grid;
  };
  const Case cases[] = {
      {"phase 0", 0, {"ASSAASSA", "S......S", "S......S", "A......A", "SSAASSAA"}},
      {"phase 1: one pixel further",
       1,
       {"AASSAASA", "A......A", "S......S", "S......S", "ASSAASSA"}},
  };
  for (int32_t depth : {24, 32, 16, 8, 1}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + ", " + std::to_string(depth) + " bits");
      RbPicture p = patternPicture(8, 5, depth);
      RbPicture result = ants(p, nullptr, 2, c.state);
      ASSERT_NE(result, nullptr);
      EXPECT_EQ(lastError(), 0);
      expectNothingHeld();
      expectGrid(p, result, c.grid);
    }
  }
}

TEST_F(CrawlingAntsTest, RectanglesInsideThePicture) {
  struct Case {
    const char* what;
    RectArgument rect;
    int32_t size, state;
    std::vector<std::string> grid;
  };
  const Case cases[] = {
      // Runs 1 and 4 both draw the only row; run 4's colours stay.
      {"one row high", {1, 1, 3, 1}, 1, 0, {"......", ".SAS..", "......"}},
      {"clipped at the right and bottom", {3, 0, 9, 9}, 1, 1, {"...SAA", "...A.S", "...ASA"}},
      // The largest size: counters count in 64 bits, the whole outline is
      // ant colour.
      {"largest ant size",
       {0, 0, 6, 3},
       std::numeric_limits<int32_t>::max(),
       std::numeric_limits<int32_t>::max() - 1,
       {"AAAAAA", "A....A", "AAAAAA"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RbPicture p = patternPicture(6, 3, 24);
    RbPicture result = ants(p, rectangle(c.rect), c.size, c.state);
    ASSERT_NE(result, nullptr);
    expectNothingHeld();
    expectGrid(p, result, c.grid);
  }
}

TEST_F(CrawlingAntsTest, ChecksInOrder) {
  struct Case {
    const char* what;
    bool nilSource, sourceLockFails, emptyRect;
    int32_t size, state;
    bool noResult;
    int32_t code;
  };
  const Case cases[] = {
      {"nil source", true, true, true, 0, 9, false, 2},
      {"source lock", false, true, true, 0, 9, false, 3},
      {"empty rectangle", false, false, true, 2, 0, false, 37},
      {"ant size 0", false, false, false, 0, 0, false, 45},
      {"ant size after the rectangle", false, false, true, 0, 0, false, 45},
      {"state not checked without a size", false, false, false, -1, 99, false, 45},
      {"ant state 4 of size 2", false, false, false, 2, 4, false, 46},
      {"ant state -1", false, false, true, 2, -1, false, 46},
      {"no result", false, false, false, 2, 3, true, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RbPicture p = patternPicture(4, 3, 24);
    if (c.sourceLockFails) host.failLocksOf(p);
    if (c.noResult) host.failNewPictureAfter(0);
    RbObject rect = c.emptyRect ? rectangle({0, 5, 2, 2}) : rectangle({1, 1, 2, 2});
    EXPECT_EQ(ants(c.nilSource ? nullptr : p, rect, c.size, c.state), nullptr);
    host.failNewPictureAfter(std::nullopt);
    EXPECT_EQ(lastError(), c.code);
    expectNothingHeld();
  }
}

}  // namespace
}  // namespace tvqtest
