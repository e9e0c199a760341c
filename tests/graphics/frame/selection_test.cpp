// Clipping a rectangle argument to a picture.
#include <gtest/gtest.h>

#include <climits>
#include <optional>

#include "frame_fixture.h"
#include "graphics/frame/selection.h"

namespace tvqtest {
namespace {

using tvq::RectangleData;
using tvq::Selection;

struct ClipCase {
  const char* what;
  std::optional<RectangleData> rect;  // nullopt: no rectangle
  std::optional<Selection> expected;  // nullopt: empty selection
};

class SelectionTest : public FrameTest {};

TEST_F(SelectionTest, ClipsToTheTenByEightPicture) {
  const ClipCase cases[] = {
      {"no rectangle", std::nullopt, Selection{0, 0, 9, 7}},
      {"inside", RectangleData{2, 3, 4, 2}, Selection{2, 3, 5, 4}},
      {"single corner pixel", RectangleData{9, 7, 1, 1}, Selection{9, 7, 9, 7}},
      {"negative left and top", RectangleData{-5, -5, 8, 8}, Selection{0, 0, 2, 2}},
      {"larger than the picture", RectangleData{5, 4, 100, 100}, Selection{5, 4, 9, 7}},
      {"far edge past 32 bits", RectangleData{3, 2, INT32_MAX, INT32_MAX}, Selection{3, 2, 9, 7}},
      {"entirely left", RectangleData{-10, 0, 5, 5}, std::nullopt},
      {"entirely above", RectangleData{0, -10, 5, 5}, std::nullopt},
      {"entirely right", RectangleData{10, 0, 5, 5}, std::nullopt},
      {"entirely below", RectangleData{0, 8, 5, 5}, std::nullopt},
      {"zero width", RectangleData{0, 0, 0, 5}, std::nullopt},
      {"negative height", RectangleData{0, 0, 5, -3}, std::nullopt},
      {"left at the largest integer", RectangleData{INT32_MAX, 0, INT32_MAX, 1}, std::nullopt},
      // Wrapped to 32 bits this far edge would land inside the picture.
      {"far edge below the smallest integer", RectangleData{INT32_MIN, 0, -1, 1}, std::nullopt},
      {"far edge just left of the picture", RectangleData{INT32_MIN, 0, INT32_MAX, 1},
       std::nullopt},
  };
  for (const ClipCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::optional<Selection> got = tvq::clipSelection(10, 8, c.rect ? &*c.rect : nullptr);
    ASSERT_EQ(got.has_value(), c.expected.has_value());
    if (!got) continue;
    EXPECT_EQ(got->left, c.expected->left);
    EXPECT_EQ(got->top, c.expected->top);
    EXPECT_EQ(got->right, c.expected->right);
    EXPECT_EQ(got->bottom, c.expected->bottom);
  }
}

}  // namespace
}  // namespace tvqtest
