// TVQ_Trim, on pictures and on client pictures, through the host.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "geometry_fixture.h"

namespace tvqtest {
namespace {

using rbhost::fromColor;

constexpr const char* kTrim =
    "TVQ_Trim(extends p as picture, trim_rect as TVQ_Rectangle, frame_color as color) as picture";
constexpr const char* kTrimClient =
    "TVQ_Trim(extends cp as TVQ_ClientPicture, trim_rect as TVQ_Rectangle, frame_color as color) "
    "as TVQ_ClientPicture";

constexpr uint32_t kFrame = 0x336699;
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

class TrimTest : public GeometryTest {
 protected:
  RbPicture trim(RbPicture p, RbObject rect) {
    return adopt(host.call<RbPicture>(kTrim, p, rect, kFrame | 0xAB000000u));
  }
  RbObject trimClient(RbObject cp, RbObject rect) {
    return adoptClient(host.call<RbObject>(kTrimClient, cp, rect, kFrame));
  }

  // Result (c, r) is source (left + c, top + r) where that is inside the
  // source, the frame colour elsewhere.
  void expectTrimmed(RbPicture source, RbPicture result, int32_t left, int32_t top, int32_t width,
                     int32_t height) {
    const int32_t depth = resultDepthOf(host.depth(source));
    ASSERT_EQ(host.depth(result), depth);
    ASSERT_EQ(host.width(result), width);
    ASSERT_EQ(host.height(result), height);
    for (int32_t r = 0; r < height; ++r)
      for (int32_t c = 0; c < width; ++c) {
        const int64_t x = int64_t{left} + c, y = int64_t{top} + r;
        const bool inside = x >= 0 && y >= 0 && x < host.width(source) && y < host.height(source);
        const Rgb expected =
            inside ? readColor(source, static_cast<int32_t>(x), static_cast<int32_t>(y))
                   : fromColor(kFrame);
        EXPECT_EQ(host.pixel(result, c, r), heldAtDepth(expected, depth)) << c << ", " << r;
        if (depth == 32 && !inside) {
          EXPECT_EQ(host.rawPixel(result, c, r) >> 24, 0u) << "frame fourth byte";
        }
      }
  }
};

TEST_F(TrimTest, AreasInAndAroundTheSource) {
  struct Case {
    const char* what;
    bool whole;
    RectArgument rect;
  };
  const Case cases[] = {
      {"nil: the whole source", true, {0, 0, 5, 3}},
      {"over the top-left corner", false, {-2, -2, 4, 4}},
      {"inside", false, {1, 1, 3, 2}},
      {"past the right and bottom", false, {3, 1, 4, 5}},
      {"wholly outside", false, {7, -9, 2, 3}},
      {"left + width beyond the largest integer", false, {kMax - 1, 0, 3, 2}},
      {"top far below", false, {0, std::numeric_limits<int32_t>::min(), 2, 2}},
  };
  for (PictureStorage storage : kStorages) {
    host.options().newPictureStorage = storage;
    for (int32_t depth : kAllDepths) {
      for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.what) + ", " + std::to_string(depth) + " bits");
        RbPicture p = patternPicture(5, 3, depth, storage);
        RbPicture result = trim(p, c.whole ? nullptr : rectangle(c.rect));
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(lastError(), 0);
        expectNothingHeld();
        expectTrimmed(p, result, c.rect.left, c.rect.top, c.rect.width, c.rect.height);
        RbPicture mask = host.mask(result, false);
        EXPECT_EQ(mask, nullptr) << "no mask carried over";
        host.release(mask);
      }
    }
  }
}

// The result of the client-picture form takes the form of its source.
TEST_F(TrimTest, ClientPictureInPictureForm) {
  for (int32_t depth : {8, 24, 32}) {
    SCOPED_TRACE(std::to_string(depth) + " bits");
    RbPicture p = patternPicture(5, 3, depth);
    RbObject cp = clientOf(p);
    RbObject result = trimClient(cp, rectangle({-1, 1, 4, 3}));
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(lastError(), 0);
    expectNothingHeld();
    RbPicture pic = picOf(result);
    ASSERT_NE(pic, nullptr) << "picture form";
    expectTrimmed(p, pic, -1, 1, 4, 3);
  }
}

TEST_F(TrimTest, ChecksInOrder) {
  struct Case {
    const char* what;
    bool nilSource, sourceLockFails;
    RectArgument rect;
    bool noResult;
    int32_t code;
  };
  const Case cases[] = {
      {"nil source", true, true, {0, 0, 0, 0}, false, 2},
      {"source lock", false, true, {0, 0, 0, 0}, false, 3},
      {"width 0", false, false, {0, 0, 0, 2}, true, 38},
      {"height -1", false, false, {0, 0, 2, -1}, false, 38},
      {"no result", false, false, {0, 0, 2, 2}, true, 5},
  };
  for (bool client : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (client ? ", client picture" : ""));
      RbPicture p = patternPicture(4, 3, 24);
      RbObject cp = clientOf(p);
      if (c.sourceLockFails) host.failLocksOf(p);
      if (c.noResult) host.failNewPictureAfter(0);
      RbObject rect = rectangle(c.rect);
      if (client) {
        EXPECT_EQ(trimClient(c.nilSource ? nullptr : cp, rect), nullptr);
      } else {
        EXPECT_EQ(trim(c.nilSource ? nullptr : p, rect), nullptr);
      }
      host.failNewPictureAfter(std::nullopt);
      host.failLocksOf(p, false);
      EXPECT_EQ(lastError(), c.code);
      expectNothingHeld();
    }
  }
  // An empty client picture has nothing to lock.
  EXPECT_EQ(trimClient(clientOf(nullptr), nullptr), nullptr);
  EXPECT_EQ(lastError(), 3);
}

}  // namespace
}  // namespace tvqtest
