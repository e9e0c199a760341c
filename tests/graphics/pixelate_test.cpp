// TVQ_Pixelate through the host.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "geometry_fixture.h"

namespace tvqtest {
namespace {

constexpr const char* kPixelate =
    "TVQ_Pixelate(extends p as picture, rect as TVQ_Rectangle, pixelation as integer) as picture";

// Half-open ranges [first, end) of columns or rows.
using Spans = std::vector<std::pair<int32_t, int32_t>>;

class PixelateTest : public GeometryTest {
 protected:
  RbPicture pixelate(RbPicture p, RbObject rect, int32_t n) {
    return adopt(host.call<RbPicture>(kPixelate, p, rect, n));
  }

  // Every pixel of `result`: in a block (a column span by a row span) the
  // mean of the source's pixels there at the result depth, elsewhere the
  // source's own.
  void expectBlocks(RbPicture source, RbPicture result, const Spans& columns, const Spans& rows) {
    const int32_t depth = resultDepthOf(host.depth(source));
    auto spanOf = [](const Spans& spans, int32_t v) -> const std::pair<int32_t, int32_t>* {
      for (const auto& s : spans)
        if (v >= s.first && v < s.second) return &s;
      return nullptr;
    };
    for (int32_t y = 0; y < host.height(source); ++y)
      for (int32_t x = 0; x < host.width(source); ++x) {
        const auto* cs = spanOf(columns, x);
        const auto* rs = spanOf(rows, y);
        if (cs == nullptr || rs == nullptr) {
          EXPECT_EQ(host.pixel(result, x, y), heldAtDepth(readColor(source, x, y), depth))
              << "outside the blocks at " << x << ", " << y;
          continue;
        }
        uint32_t r = 0, g = 0, b = 0, n = 0;
        for (int32_t by = rs->first; by < rs->second; ++by)
          for (int32_t bx = cs->first; bx < cs->second; ++bx) {
            const Rgb c = heldAtDepth(readColor(source, bx, by), depth);
            r += c.red;
            g += c.green;
            b += c.blue;
            ++n;
          }
        const Rgb mean{static_cast<uint8_t>(r / n), static_cast<uint8_t>(g / n),
                       static_cast<uint8_t>(b / n)};
        EXPECT_EQ(host.pixel(result, x, y), heldAtDepth(mean, depth)) << "at " << x << ", " << y;
        if (depth == 32) {
          EXPECT_EQ(host.rawPixel(result, x, y) >> 24, 0u) << "block fourth byte";
        }
      }
  }
};

TEST_F(PixelateTest, BlocksLaidOutFromTheSelection) {
  struct Case {
    const char* what;
    int32_t width, height;
    bool whole;
    RectArgument rect;
    int32_t n;
    Spans columns, rows;
  };
  const Case cases[] = {
      {"10 x 10 by 4: last blocks 2 wide",
       10,
       10,
       true,
       {},
       4,
       {{0, 4}, {4, 8}, {8, 10}},
       {{0, 4}, {4, 8}, {8, 10}}},
      {"5 x 5 by 2: nothing starts at the last index",
       5,
       5,
       true,
       {},
       2,
       {{0, 2}, {2, 4}},
       {{0, 2}, {2, 4}}},
      {"block reaches past a 3 x 3 selection", 6, 5, false, {0, 0, 3, 3}, 4, {{0, 4}}, {{0, 4}}},
      {"from an inner corner", 8, 6, false, {1, 1, 6, 4}, 3, {{1, 4}, {4, 7}}, {{1, 4}}},
      {"one row high: no blocks", 6, 4, false, {1, 2, 4, 1}, 2, {}, {}},
      {"by 1: a copy", 4, 3, true, {}, 1, {}, {}},
      {"a block larger than any picture",
       5,
       4,
       false,
       {2, 1, 9, 9},
       std::numeric_limits<int32_t>::max(),
       {{2, 5}},
       {{1, 4}}},
  };
  for (const Case& c : cases) {
    for (int32_t depth : {24, 32, 16, 8, 1}) {
      SCOPED_TRACE(std::string(c.what) + ", " + std::to_string(depth) + " bits");
      RbPicture p = patternPicture(c.width, c.height, depth);
      RbPicture result = pixelate(p, c.whole ? nullptr : rectangle(c.rect), c.n);
      ASSERT_NE(result, nullptr);
      EXPECT_EQ(lastError(), 0);
      expectNothingHeld();
      ASSERT_EQ(host.depth(result), resultDepthOf(depth));
      ASSERT_EQ(host.width(result), c.width);
      ASSERT_EQ(host.height(result), c.height);
      expectBlocks(p, result, c.columns, c.rows);
    }
  }
}

TEST_F(PixelateTest, ChecksInOrder) {
  struct Case {
    const char* what;
    bool nilSource, sourceLockFails, emptyRect;
    int32_t n;
    bool noResult;
    int32_t code;
  };
  const Case cases[] = {
      {"nil source", true, true, true, 0, false, 2},
      {"source lock", false, true, true, 0, false, 3},
      {"selection before pixelation", false, false, true, 0, false, 37},
      {"pixelation 0", false, false, false, 0, true, 29},
      {"pixelation -5", false, false, false, -5, false, 29},
      {"no result", false, false, false, 2, true, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RbPicture p = patternPicture(4, 3, 24);
    if (c.sourceLockFails) host.failLocksOf(p);
    if (c.noResult) host.failNewPictureAfter(0);
    RbObject rect = c.emptyRect ? rectangle({4, 0, 2, 2}) : rectangle({1, 1, 2, 2});
    EXPECT_EQ(pixelate(c.nilSource ? nullptr : p, rect, c.n), nullptr);
    host.failNewPictureAfter(std::nullopt);
    EXPECT_EQ(lastError(), c.code);
    expectNothingHeld();
  }
}

}  // namespace
}  // namespace tvqtest
