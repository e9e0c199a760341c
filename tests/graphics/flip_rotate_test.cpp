// TVQ_FlipRotate through the host.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "operation_fixture.h"

namespace tvqtest {
namespace {

constexpr const char* kFlipRotate =
    "TVQ_FlipRotate(extends p as picture, flip_h as boolean, flip_v as boolean, rotation as "
    "integer) as picture";

// Where result pixel (x, y) comes from in a w x h source, for each of the
// eight symmetries, by name.
struct SourceOf {
  const char* name;
  int32_t (*x)(int32_t x, int32_t y, int32_t w, int32_t h);
  int32_t (*y)(int32_t x, int32_t y, int32_t w, int32_t h);
  bool exchanged;
};
const SourceOf kCopy{"copy", [](int32_t x, int32_t, int32_t, int32_t) { return x; },
                     [](int32_t, int32_t y, int32_t, int32_t) { return y; }, false};
const SourceOf kMirrorColumns{"mirror columns",
                              [](int32_t x, int32_t, int32_t w, int32_t) { return w - 1 - x; },
                              [](int32_t, int32_t y, int32_t, int32_t) { return y; }, false};
const SourceOf kMirrorRows{"mirror rows", [](int32_t x, int32_t, int32_t, int32_t) { return x; },
                           [](int32_t, int32_t y, int32_t, int32_t h) { return h - 1 - y; }, false};
const SourceOf kHalfTurn{"half turn",
                         [](int32_t x, int32_t, int32_t w, int32_t) { return w - 1 - x; },
                         [](int32_t, int32_t y, int32_t, int32_t h) { return h - 1 - y; }, false};
const SourceOf kQuarterTurn{"quarter turn", [](int32_t, int32_t y, int32_t, int32_t) { return y; },
                            [](int32_t x, int32_t, int32_t, int32_t h) { return h - 1 - x; }, true};
const SourceOf kThreeQuarterTurn{"three-quarter turn",
                                 [](int32_t, int32_t y, int32_t w, int32_t) { return w - 1 - y; },
                                 [](int32_t x, int32_t, int32_t, int32_t) { return x; }, true};
const SourceOf kTranspose{"transpose", [](int32_t, int32_t y, int32_t, int32_t) { return y; },
                          [](int32_t x, int32_t, int32_t, int32_t) { return x; }, true};
const SourceOf kAntiTranspose{
    "anti-transpose", [](int32_t, int32_t y, int32_t w, int32_t) { return w - 1 - y; },
    [](int32_t x, int32_t, int32_t, int32_t h) { return h - 1 - x; }, true};

// One call of each symmetry.
struct Combination {
  int32_t rotation;
  bool flipH, flipV;
  const SourceOf* symmetry;
};
const Combination kOnePerSymmetry[] = {
    {0, false, false, &kCopy},        {0, true, false, &kMirrorColumns},
    {0, false, true, &kMirrorRows},   {2, false, false, &kHalfTurn},
    {1, false, false, &kQuarterTurn}, {3, false, false, &kThreeQuarterTurn},
    {1, false, true, &kTranspose},    {1, true, false, &kAntiTranspose},
};

class FlipRotateTest : public OperationTest {
 protected:
  RbPicture flipRotate(RbPicture p, bool flipH, bool flipV, int32_t rotation) {
    return adopt(host.call<RbPicture>(kFlipRotate, p, flipH, flipV, rotation));
  }

  // The colour a flip reads: a 1-bit pixel is black when its bit is set and
  // white when clear; 2- and 4-bit pixels read as black.
  Rgb flipColor(RbPicture p, int32_t x, int32_t y) {
    if (host.depth(p) == 1) return host.rawPixel(p, x, y) != 0 ? Rgb{} : Rgb{255, 255, 255};
    return readColor(p, x, y);
  }

  void expectNothingHeld() {
    const rbhost::Audit now = host.audit();
    EXPECT_EQ(now.descriptionLocks, 0);
    EXPECT_EQ(now.globalMemoryLocks, 0);
    EXPECT_TRUE(now.violations.empty());
  }

  // Every result pixel against the source pixel the symmetry names, by
  // `same(resultX, resultY, sourceX, sourceY)`.
  template <typename Same>
  void expectMapped(RbPicture source, RbPicture result, const SourceOf& s, Same same) {
    const int32_t w = host.width(source), h = host.height(source);
    ASSERT_EQ(host.width(result), s.exchanged ? h : w);
    ASSERT_EQ(host.height(result), s.exchanged ? w : h);
    for (int32_t y = 0; y < host.height(result); ++y)
      for (int32_t x = 0; x < host.width(result); ++x) {
        same(x, y, s.x(x, y, w, h), s.y(x, y, w, h));
      }
  }
};

// A 3 x 2 picture with pixel i = 3y + x holding (i + 1) × 0x111111: every
// one of the sixteen calls against a table worked out by hand, so a turn
// the wrong way or a row order flipped shows.
TEST_F(FlipRotateTest, SixteenCallsOnASmallPicture) {
  using Grid = std::vector<std::vector<int32_t>>;
  const Grid copy{{0, 1, 2}, {3, 4, 5}};
  const Grid mirrorColumns{{2, 1, 0}, {5, 4, 3}};
  const Grid mirrorRows{{3, 4, 5}, {0, 1, 2}};
  const Grid halfTurn{{5, 4, 3}, {2, 1, 0}};
  const Grid quarterTurn{{3, 0}, {4, 1}, {5, 2}};
  const Grid threeQuarterTurn{{2, 5}, {1, 4}, {0, 3}};
  const Grid transpose{{0, 3}, {1, 4}, {2, 5}};
  const Grid antiTranspose{{5, 2}, {4, 1}, {3, 0}};
  struct Case {
    int32_t rotation;
    bool flipH, flipV;
    const Grid& expected;
  };
  const Case cases[] = {
      {0, false, false, copy},
      {0, true, false, mirrorColumns},
      {0, false, true, mirrorRows},
      {0, true, true, halfTurn},
      {1, false, false, quarterTurn},
      {1, true, true, threeQuarterTurn},
      {1, false, true, transpose},
      {1, true, false, antiTranspose},
      {2, false, false, halfTurn},
      {2, true, true, copy},
      {2, true, false, mirrorRows},
      {2, false, true, mirrorColumns},
      {3, false, false, threeQuarterTurn},
      {3, true, true, quarterTurn},
      {3, true, false, transpose},
      {3, false, true, antiTranspose},
  };
  for (int32_t depth : {24, 32}) {
    RbPicture p = picture(3, 2, depth);
    for (int32_t i = 0; i < 6; ++i) host.setRawPixel(p, i % 3, i / 3, uint32_t(i + 1) * 0x111111);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::to_string(depth) + " bits, rotation " + std::to_string(c.rotation) +
                   (c.flipH ? ", flip_h" : "") + (c.flipV ? ", flip_v" : ""));
      RbPicture result = flipRotate(p, c.flipH, c.flipV, c.rotation);
      ASSERT_NE(result, nullptr);
      EXPECT_EQ(lastError(), 0);
      ASSERT_EQ(host.height(result), static_cast<int32_t>(c.expected.size()));
      ASSERT_EQ(host.width(result), static_cast<int32_t>(c.expected[0].size()));
      for (int32_t y = 0; y < host.height(result); ++y)
        for (int32_t x = 0; x < host.width(result); ++x) {
          EXPECT_EQ(host.rawPixel(result, x, y), uint32_t(c.expected[y][x] + 1) * 0x111111)
              << "at " << x << ", " << y;
        }
      expectNothingHeld();
    }
  }
}

// Every depth, both storages, each symmetry once, on sizes whose rows end
// in padding (and, at 1 bit, inside a byte): colours converted to the
// result depth, 1-bit pictures kept as bits, 2- and 4-bit pictures black.
TEST_F(FlipRotateTest, EveryDepthEverySymmetry) {
  for (PictureStorage storage : kStorages) {
    host.options().newPictureStorage = storage;
    for (int32_t depth : kAllDepths) {
      const int32_t width = depth == 1 ? 11 : 5, height = depth == 1 ? 10 : 3;
      RbPicture p = patternPicture(width, height, depth, storage);
      if (depth == 1) {
        for (int32_t y = 0; y < height; ++y)
          for (int32_t x = 0; x < width; ++x) host.setRawPixel(p, x, y, (x * 7 + y * 3) % 5 < 2);
      }
      for (const Combination& c : kOnePerSymmetry) {
        SCOPED_TRACE(std::to_string(depth) + "-bit source, " + c.symmetry->name);
        RbPicture result = flipRotate(p, c.flipH, c.flipV, c.rotation);
        ASSERT_NE(result, nullptr);
        expectNothingHeld();
        if (depth == 1) {
          ASSERT_EQ(host.depth(result), 1);
          expectMapped(p, result, *c.symmetry, [&](int32_t x, int32_t y, int32_t sx, int32_t sy) {
            EXPECT_EQ(host.rawPixel(result, x, y), host.rawPixel(p, sx, sy))
                << "at " << x << ", " << y;
          });
          continue;
        }
        const int32_t resultDepth = resultDepthOf(depth);
        ASSERT_EQ(host.depth(result), resultDepth);
        expectMapped(p, result, *c.symmetry, [&](int32_t x, int32_t y, int32_t sx, int32_t sy) {
          EXPECT_EQ(host.pixel(result, x, y), heldAtDepth(readColor(p, sx, sy), resultDepth))
              << "at " << x << ", " << y;
          if (resultDepth == 32) {
            EXPECT_EQ(host.rawPixel(result, x, y) >> 24, 0u) << "fourth byte";
          }
        });
      }
    }
  }
}

// A 16-bit pixel keeps its colour bits; bit 15 is not carried.
TEST_F(FlipRotateTest, SixteenBitTopBitDropped) {
  RbPicture p = filled(2, 3, 16, 0xFFFF);
  RbPicture result = flipRotate(p, false, false, 1);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(host.rawPixel(result, 2, 1), 0x7FFFu);
}

// The picture's mask goes through the same symmetry into the result's mask,
// whatever depth the host gives masks.
TEST_F(FlipRotateTest, MaskTurnedWithThePicture) {
  for (int32_t maskDepth : {1, 8, 16, 24, 32}) {
    host.options().maskDepth = maskDepth;
    for (int32_t depth : {1, 8, 24, 32}) {
      SCOPED_TRACE(std::to_string(depth) + "-bit picture, " + std::to_string(maskDepth) +
                   "-bit masks");
      RbPicture p = patternPicture(7, 3, depth);
      RbPicture mask = adopt(host.mask(p, true));
      ASSERT_EQ(host.depth(mask), maskDepth);
      for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 7; ++x) {
          if (maskDepth == 1) {
            host.setRawPixel(mask, x, y, (x + 2 * y) % 3 == 0);
          } else if (maskDepth == 8) {
            host.setRawPixel(mask, x, y, uint32_t(x * 30 + y * 7));
          } else {
            const uint8_t g = static_cast<uint8_t>(x * 30 + y * 7);
            host.setPixel(mask, x, y, {g, g, g});
          }
        }
      for (const Combination& c : {kOnePerSymmetry[1], kOnePerSymmetry[4], kOnePerSymmetry[7]}) {
        SCOPED_TRACE(c.symmetry->name);
        RbPicture result = flipRotate(p, c.flipH, c.flipV, c.rotation);
        ASSERT_NE(result, nullptr);
        expectNothingHeld();
        EXPECT_EQ(host.depth(result), depth < 16 ? 16 : depth) << "1-bit with a mask: 16 bits";
        expectMapped(p, result, *c.symmetry, [&](int32_t x, int32_t y, int32_t sx, int32_t sy) {
          EXPECT_EQ(host.pixel(result, x, y),
                    heldAtDepth(flipColor(p, sx, sy), resultDepthOf(depth)));
        });
        RbPicture resultMask = adopt(host.mask(result, false));
        ASSERT_NE(resultMask, nullptr);
        expectMapped(mask, resultMask, *c.symmetry,
                     [&](int32_t x, int32_t y, int32_t sx, int32_t sy) {
                       EXPECT_EQ(host.rawPixel(resultMask, x, y), host.rawPixel(mask, sx, sy))
                           << "mask at " << x << ", " << y;
                     });
      }
    }
  }
}

TEST_F(FlipRotateTest, ChecksInOrder) {
  struct Case {
    const char* what;
    bool nilSource;
    int32_t rotation;
    bool sourceLockFails, maskLockFails;
    int32_t noResultAfter;  // -1: pictures are made
    int32_t code;
  };
  const Case cases[] = {
      {"nil source", true, 0, false, false, -1, 2},
      {"rotation checked after the source", true, 7, false, false, -1, 30},
      {"rotation 4", false, 4, true, false, -1, 30},
      {"rotation -1", false, -1, false, false, -1, 30},
      {"source lock", false, 3, true, true, -1, 3},
      {"mask lock", false, 3, false, true, 0, 8},
      {"no result", false, 1, false, false, 0, 5},
  };
  for (bool masked : {false, true}) {
    for (const Case& c : cases) {
      if (c.maskLockFails && !c.sourceLockFails && !masked) continue;
      SCOPED_TRACE(std::string(c.what) + (masked ? ", masked" : ""));
      RbPicture p = patternPicture(4, 3, 24);
      RbPicture mask = masked ? adopt(host.mask(p, true)) : nullptr;
      if (c.sourceLockFails) host.failLocksOf(p);
      if (c.maskLockFails && mask != nullptr) host.failLocksOf(mask);
      if (c.noResultAfter >= 0) host.failNewPictureAfter(c.noResultAfter);
      const std::vector<uint8_t> before = bytesOf(p);
      RbPicture result = flipRotate(c.nilSource ? nullptr : p, false, false, c.rotation);
      host.failNewPictureAfter(std::nullopt);
      host.failLocksOf(p, false);
      if (mask != nullptr) host.failLocksOf(mask, false);
      EXPECT_EQ(result, nullptr);
      EXPECT_EQ(lastError(), c.code);
      EXPECT_EQ(bytesOf(p), before);
      expectNothingHeld();
    }
  }
  // A successful call clears an earlier code.
  RbPicture result = flipRotate(patternPicture(2, 2, 16), false, false, 0);
  EXPECT_NE(result, nullptr);
  EXPECT_EQ(lastError(), 0);
}

}  // namespace
}  // namespace tvqtest
