// TVQ_AdjustRGB with a rectangle, TVQ_AdjustRGB_InPlace and
// TVQ_AdjustRGBWithMask, called through the host as a program calls them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "operation_fixture.h"

namespace tvqtest {
namespace {

constexpr const char* kAdjustRgb =
    "TVQ_AdjustRGB(rect as TVQ_Rectangle, red_delta as integer, green_delta as integer, "
    "blue_delta as integer) as picture";
constexpr const char* kAdjustRgbInPlace =
    "TVQ_AdjustRGB_InPlace(rect as TVQ_Rectangle, red_delta as integer, green_delta as integer, "
    "blue_delta as integer)";
constexpr const char* kAdjustRgbWithMask =
    "TVQ_AdjustRGBWithMask(mask as picture, red_delta as integer, green_delta as integer, "
    "blue_delta as integer) as picture";

const RbObject kWholePicture = nullptr;

struct Deltas {
  int32_t red, green, blue;
};

uint8_t clampChannel(int32_t v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

Rgb offsetColor(Rgb c, Deltas d) {
  return {clampChannel(c.red + d.red), clampChannel(c.green + d.green),
          clampChannel(c.blue + d.blue)};
}

class RgbOffsetsTest : public OperationTest {
 protected:
  RbPicture adjust(RbPicture p, RbObject rect, Deltas d) {
    return adopt(host.call<RbPicture>(kAdjustRgb, p, rect, d.red, d.green, d.blue));
  }
  void adjustInPlace(RbPicture p, RbObject rect, Deltas d) {
    host.call<void>(kAdjustRgbInPlace, p, rect, d.red, d.green, d.blue);
  }
  RbPicture adjustWithMask(RbPicture p, RbPicture mask, Deltas d) {
    return adopt(host.call<RbPicture>(kAdjustRgbWithMask, p, mask, d.red, d.green, d.blue));
  }

  void expectNothingLocked() {
    const rbhost::Audit now = host.audit();
    EXPECT_EQ(now.descriptionLocks, 0);
    EXPECT_EQ(now.globalMemoryLocks, 0);
    EXPECT_TRUE(now.violations.empty());
  }
};

struct PixelCase {
  const char* what;
  int32_t depth;
  uint32_t raw;  // the palette index up to 8 bits
  Deltas deltas;
  uint32_t expected;  // raw pixel of the result, at max(depth, 16) bits
};

// Palette entry 3 of the 8-bit cases.
constexpr Rgb kPaletteEntry{100, 150, 200};

TEST_F(RgbOffsetsTest, OffsetsClampAndConvertToTheResultDepth) {
  const PixelCase cases[] = {
      // 110, 130, 255 (clamped from 260) kept to 5 bits: 13, 16, 31.
      {"8-bit palette colour, blue clamped", 8, 3, {10, -20, 60}, 0x361F},
      {"8-bit palette colour without offset: its 5-bit form", 8, 3, {0, 0, 0}, 0x3259},
      {"1-bit reads as black", 1, 1, {10, 20, 30}, 0x0443},
      {"4-bit reads as black", 4, 3, {255, 0, 8}, 0x7C01},
      // 248, 0, 128 with bit 15 set: 258 -> 255, 8, -1 -> 0.
      {"16-bit: both clamps, bit 15 dropped", 16, 0xFC10, {10, 8, -129}, 0x7C20},
      {"16-bit: 31 reads as 248 and is written back", 16, 0x7FFF, {0, 0, 0}, 0x7FFF},
      {"24-bit: both clamps", 24, 0x10F080, {-20, 20, 255}, 0x00FFFF},
      {"24-bit: small offsets", 24, 0x123456, {1, -1, 0}, 0x133356},
      {"24-bit: the extreme offsets", 24, 0x00FF80, {255, -255, -255}, 0xFF0000},
      {"32-bit: fourth byte of a changed pixel is 0", 32, 0xAB102030, {5, -255, 255}, 0x001500FF},
      {"32-bit: even without an offset", 32, 0xAB102030, {0, 0, 0}, 0x00102030},
  };
  for (PictureStorage sourceStorage : kStorages) {
    for (PictureStorage resultStorage : kStorages) {
      host.options().newPictureStorage = resultStorage;
      for (const PixelCase& c : cases) {
        SCOPED_TRACE(std::string(c.what) + ", storage " + std::to_string(int(sourceStorage)) +
                     " -> " + std::to_string(int(resultStorage)));
        RbPicture source = filled(3, 2, c.depth, c.raw, sourceStorage);
        if (c.depth == 8) {
          std::vector<Rgb> palette(256);
          palette[3] = kPaletteEntry;
          host.setPalette(source, palette);
        }
        const std::vector<uint8_t> before = bytesOf(source);
        RbPicture result = adjust(source, kWholePicture, c.deltas);
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(lastError(), 0);
        EXPECT_EQ(host.depth(result), resultDepthOf(c.depth));
        EXPECT_EQ(host.storage(result), resultStorage);
        for (int32_t y = 0; y < 2; ++y)
          for (int32_t x = 0; x < 3; ++x)
            EXPECT_EQ(host.rawPixel(result, x, y), c.expected) << "at " << x << ", " << y;
        EXPECT_EQ(bytesOf(source), before) << "the source changed";
        EXPECT_EQ(host.referenceCount(toObject(result)), 1);
      }
    }
  }
}

// Inclusive bounds of a selection.
struct Bounds {
  int32_t left, top, right, bottom;
};

struct SelectionCase {
  const char* what;
  std::optional<RectArgument> rect;  // nullopt: nil rectangle
  std::optional<Bounds> selected;    // nullopt: empty, code 37
};

TEST_F(RgbOffsetsTest, OnlyTheClippedSelectionChanges) {
  // On a 6 x 5 picture; rows count in memory order.
  const SelectionCase cases[] = {
      {"inside", RectArgument{1, 1, 3, 2}, Bounds{1, 1, 3, 2}},
      {"nil rectangle: everything", std::nullopt, Bounds{0, 0, 5, 4}},
      {"negative left keeps the part inside", RectArgument{-2, 0, 4, 5}, Bounds{0, 0, 1, 4}},
      {"negative top", RectArgument{2, -3, 1, 4}, Bounds{2, 0, 2, 0}},
      {"larger than the picture", RectArgument{-10, -10, 100, 100}, Bounds{0, 0, 5, 4}},
      {"last pixel only", RectArgument{5, 4, 1, 1}, Bounds{5, 4, 5, 4}},
      {"beyond the bottom edge", RectArgument{0, 3, 6, 10}, Bounds{0, 3, 5, 4}},
      {"wholly left of the picture", RectArgument{-10, 0, 5, 3}, std::nullopt},
      {"wholly above the picture", RectArgument{0, -3, 6, 3}, std::nullopt},
      {"starting right of the last column", RectArgument{6, 0, 1, 1}, std::nullopt},
      {"starting below the last row", RectArgument{0, 5, 1, 1}, std::nullopt},
      {"zero width", RectArgument{2, 2, 0, 3}, std::nullopt},
      {"negative height", RectArgument{2, 2, 3, -1}, std::nullopt},
  };
  const Deltas deltas{1, 2, 3};
  for (const SelectionCase& c : cases) {
    SCOPED_TRACE(c.what);
    for (bool inPlace : {false, true}) {
      SCOPED_TRACE(inPlace ? "in place" : "new picture");
      RbPicture source = patternPicture(6, 5, 24);
      const std::vector<uint8_t> before = bytesOf(source);
      RbObject rect = c.rect ? rectangle(*c.rect) : kWholePicture;
      RbPicture changed = source;
      if (inPlace) {
        adjustInPlace(source, rect, deltas);
      } else {
        changed = adjust(source, rect, deltas);
      }
      expectNothingLocked();
      if (!c.selected) {
        EXPECT_EQ(lastError(), 37);
        if (!inPlace) {
          EXPECT_EQ(changed, nullptr);
        }
        EXPECT_EQ(bytesOf(source), before);
        continue;
      }
      EXPECT_EQ(lastError(), 0);
      ASSERT_NE(changed, nullptr);
      const Bounds& s = *c.selected;
      for (int32_t y = 0; y < 5; ++y) {
        for (int32_t x = 0; x < 6; ++x) {
          const bool inside = x >= s.left && x <= s.right && y >= s.top && y <= s.bottom;
          const Rgb original = patternColor(x, y);
          EXPECT_EQ(host.pixel(changed, x, y), inside ? offsetColor(original, deltas) : original)
              << "at " << x << ", " << y;
        }
      }
    }
  }
}

// Which checks fail, and the code each method must report: the first
// failure in the order source, mask, red, green, blue, source lock,
// selection or mask, result.
struct Arrangement {
  bool nilSource = false;
  bool nilMask = false;
  Deltas deltas{0, 0, 0};
  bool sourceLockFails = false;
  bool emptyRect = false;
  bool maskLockFails = false;
  int32_t maskWidth = 4;  // the source is 4 x 3
  int32_t maskHeight = 3;
  bool noResult = false;
};

struct ErrorCase {
  const char* what;
  Arrangement a;
  int32_t adjustCode, inPlaceCode, maskCode;
};

TEST_F(RgbOffsetsTest, FirstFailedCheckNamesTheError) {
  const ErrorCase cases[] = {
      {"nil source before everything",
       {.nilSource = true,
        .nilMask = true,
        .deltas = {256, 256, 256},
        .sourceLockFails = true,
        .emptyRect = true},
       2,
       2,
       2},
      {"nil mask before the offsets",
       {.nilMask = true, .deltas = {256, 0, 0}, .sourceLockFails = true},
       39,
       39,
       7},
      {"red before green and blue",
       {.deltas = {256, -256, 256}, .sourceLockFails = true},
       39,
       39,
       39},
      {"red below the range", {.deltas = {-256, 0, 0}}, 39, 39, 39},
      {"green before blue", {.deltas = {-255, -256, 300}}, 40, 40, 40},
      {"blue, before the source is locked",
       {.deltas = {255, 255, -256}, .sourceLockFails = true},
       41,
       41,
       41},
      {"source lock before selection, mask and result",
       {.sourceLockFails = true, .emptyRect = true, .maskLockFails = true, .noResult = true},
       3,
       3,
       3},
      {"selection or mask lock before the result",
       {.emptyRect = true, .maskLockFails = true, .noResult = true},
       37,
       37,
       8},
      {"mask one column narrower", {.maskWidth = 3, .noResult = true}, 5, 0, 9},
      {"mask one row shorter", {.maskHeight = 2}, 0, 0, 9},
      {"no result picture", {.noResult = true}, 5, 0, 5},
      // After all those failures: success clears the code.
      {"offsets at the limits", {.deltas = {-255, 255, -255}}, 0, 0, 0},
  };
  enum Method { kAdjust, kInPlace, kMask };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.what);
    for (Method method : {kAdjust, kInPlace, kMask}) {
      SCOPED_TRACE(method == kAdjust    ? "TVQ_AdjustRGB"
                   : method == kInPlace ? "in place"
                                        : "with mask");
      const Arrangement& a = c.a;
      RbPicture source = patternPicture(4, 3, 24);
      RbPicture mask = picture(a.maskWidth, a.maskHeight, 8);
      RbObject rect = a.emptyRect ? rectangle({4, 0, 2, 2}) : rectangle({1, 1, 2, 1});
      if (a.sourceLockFails) host.failLocksOf(source);
      if (a.maskLockFails) host.failLocksOf(mask);
      if (a.noResult) host.failNewPictureAfter(0);
      const std::vector<uint8_t> before = bytesOf(source);
      RbPicture arg = a.nilSource ? nullptr : source;
      RbPicture maskArg = a.nilMask ? nullptr : mask;

      RbPicture result = nullptr;
      int32_t expected = 0;
      switch (method) {
        case kAdjust:
          result = adjust(arg, rect, a.deltas);
          expected = c.adjustCode;
          break;
        case kInPlace:
          adjustInPlace(arg, rect, a.deltas);
          expected = c.inPlaceCode;
          break;
        case kMask:
          result = adjustWithMask(arg, maskArg, a.deltas);
          expected = c.maskCode;
          break;
      }
      host.failNewPictureAfter(std::nullopt);
      EXPECT_EQ(lastError(), expected);
      if (method != kInPlace) {
        EXPECT_EQ(result != nullptr, expected == 0);
      }
      if (expected != 0) {
        EXPECT_EQ(bytesOf(source), before) << "a failed call changed the source";
      }
      expectNothingLocked();
    }
  }
}

struct EdgeByteCase {
  int32_t depth;
  uint32_t raw;        // every pixel of the 4 x 3 picture
  uint32_t rewritten;  // a pixel read and written back unchanged
  uint32_t offset;     // a selected pixel after the offset {8, 0, -8}
};

TEST_F(RgbOffsetsTest, PixelsOutsideTheSelectionAreCopiedOrLeftAlone) {
  // Selection: columns 1 and 2 of row 1.
  const EdgeByteCase cases[] = {
      // Red 80, green 160, blue 0, bit 15 set: red 88, blue clamped.
      {16, 0xAA80, 0x2A80, 0x2E80},
      {24, 0x102030, 0x102030, 0x182028},
      // The fourth byte survives a copy and goes with an offset.
      {32, 0xAB102030, 0xAB102030, 0x00182028},
  };
  const Deltas deltas{8, 0, -8};
  for (PictureStorage storage : kStorages) {
    for (const EdgeByteCase& c : cases) {
      SCOPED_TRACE(std::to_string(c.depth) + " bits, storage " + std::to_string(int(storage)));
      RbObject rect = rectangle({1, 1, 2, 1});
      RbPicture source = filled(4, 3, c.depth, c.raw, storage);
      RbPicture result = adjust(source, rect, deltas);
      ASSERT_NE(result, nullptr);
      RbPicture inPlace = filled(4, 3, c.depth, c.raw, storage);
      adjustInPlace(inPlace, rect, deltas);
      EXPECT_EQ(lastError(), 0);
      for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < 4; ++x) {
          SCOPED_TRACE("at " + std::to_string(x) + ", " + std::to_string(y));
          const bool selectedRow = y == 1;
          const bool inside = selectedRow && (x == 1 || x == 2);
          // The new picture is written everywhere; in place, only the
          // selected row is written, its other pixels written back.
          EXPECT_EQ(host.rawPixel(result, x, y), inside ? c.offset : c.rewritten);
          EXPECT_EQ(host.rawPixel(inPlace, x, y),
                    inside ? c.offset : (selectedRow ? c.rewritten : c.raw));
        }
      }
    }
  }
}

TEST_F(RgbOffsetsTest, InPlaceLeavesPicturesOfEightBitsAndFewerAsTheyWere) {
  for (PictureStorage storage : kStorages) {
    for (int32_t depth : {1, 2, 4, 8}) {
      SCOPED_TRACE(std::to_string(depth) + " bits, storage " + std::to_string(int(storage)));
      RbPicture p = patternPicture(5, 3, depth, storage);
      const std::vector<uint8_t> before = bytesOf(p);
      const std::vector<Rgb> palette = host.palette(p);
      adjustInPlace(p, kWholePicture, {256, 0, 0});
      ASSERT_EQ(lastError(), 39);
      adjustInPlace(p, kWholePicture, {50, -50, 50});
      EXPECT_EQ(lastError(), 0);
      EXPECT_EQ(bytesOf(p), before);
      EXPECT_EQ(host.palette(p), palette);
      expectNothingLocked();
    }
  }
}

struct MaskCase {
  const char* what;
  int32_t maskDepth;
  uint32_t maskRaw;
  std::optional<Rgb> maskPaletteEntry;  // replaces entry maskRaw of the grey ramp
  int32_t sourceDepth;
  uint32_t sourceRaw;
  Deltas deltas;
  uint32_t expected;  // raw result pixel
};

TEST_F(RgbOffsetsTest, MaskLevelWeightsTheOffset) {
  const MaskCase cases[] = {
      // (C (255 - m) + m (C + D)) / 255 at m = 128: red 0 -> 50, green 200
      // -> 149 (truncated), blue 10 -> -118 -> 0.
      {"level 128", 8, 128, std::nullopt, 24, 0x00C80A, {100, -100, -255}, 0x329500},
      {"level 0 keeps the colour", 8, 0, std::nullopt, 24, 0x25C8FF, {255, -255, 100}, 0x25C8FF},
      {"level 255 applies the whole offset",
       8,
       255,
       std::nullopt,
       24,
       0x0A141E,
       {5, -30, 250},
       0x0F00FF},
      {"8-bit mask level is the blue of its palette entry",
       8,
       7,
       Rgb{255, 255, 64},
       24,
       0x640000,
       {255, 0, 0},
       0xA40000},
      {"24-bit mask: only blue counts",
       24,
       0xFF0040,
       std::nullopt,
       24,
       0x640000,
       {255, 0, 0},
       0xA40000},
      {"16-bit mask: blue 16 is level 128",
       16,
       0x7FF0,
       std::nullopt,
       24,
       0x000000,
       {100, 0, 0},
       0x320000},
      {"32-bit mask: fourth byte ignored",
       32,
       0xFF000080,
       std::nullopt,
       24,
       0x000000,
       {100, 0, 0},
       0x320000},
      {"1-bit mask reads as level 0", 1, 1, std::nullopt, 24, 0x123456, {255, 255, 255}, 0x123456},
      {"32-bit source at level 0 loses its fourth byte",
       8,
       0,
       std::nullopt,
       32,
       0xAB102030,
       {9, 9, 9},
       0x00102030},
      {"16-bit source", 8, 255, std::nullopt, 16, 0x2A80, {8, 0, -8}, 0x2E80},
  };
  for (PictureStorage storage : kStorages) {
    for (const MaskCase& c : cases) {
      SCOPED_TRACE(std::string(c.what) + ", storage " + std::to_string(int(storage)));
      RbPicture source = filled(2, 2, c.sourceDepth, c.sourceRaw, storage);
      RbPicture mask = filled(2, 2, c.maskDepth, c.maskRaw, storage);
      if (c.maskPaletteEntry) {
        std::vector<Rgb> palette = host.palette(mask);
        palette[c.maskRaw] = *c.maskPaletteEntry;
        host.setPalette(mask, palette);
      }
      RbPicture result = adjustWithMask(source, mask, c.deltas);
      ASSERT_NE(result, nullptr);
      EXPECT_EQ(lastError(), 0);
      EXPECT_EQ(host.depth(result), resultDepthOf(c.sourceDepth));
      for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 2; ++x)
          EXPECT_EQ(host.rawPixel(result, x, y), c.expected) << "at " << x << ", " << y;
    }
  }
}

// Every depth and width 1 to 9 (each a different row padding), against
// the colours the host reads back.
TEST_F(RgbOffsetsTest, EveryDepthAndRowPadding) {
  const Deltas deltas{37, -45, 90};
  for (PictureStorage storage : kStorages) {
    host.options().newPictureStorage = storage;
    for (int32_t depth : kAllDepths) {
      for (int32_t width = 1; width <= 9; ++width) {
        SCOPED_TRACE(std::to_string(width) + " pixels of " + std::to_string(depth) +
                     " bits, storage " + std::to_string(int(storage)));
        const int32_t height = 4;
        // Columns width/3 .. width-2 (or the one column), rows 1 and 2.
        const RectArgument r{width / 3, 1, std::max(1, width - width / 3 - 1), 2};
        auto inside = [&](int32_t x, int32_t y) {
          return x >= r.left && x < r.left + r.width && y >= 1 && y <= 2;
        };
        RbObject rect = rectangle(r);
        RbPicture source = patternPicture(width, height, depth, storage);
        RbPicture inPlace = patternPicture(width, height, depth, storage);
        // Levels 0 and 255 in a pattern, so the mask picks pixels.
        RbPicture mask = picture(width, height, 8, storage);
        auto masked = [](int32_t x, int32_t y) { return (x + 2 * y) % 3 == 0; };
        for (int32_t y = 0; y < height; ++y)
          for (int32_t x = 0; x < width; ++x) host.setRawPixel(mask, x, y, masked(x, y) ? 255 : 0);

        RbPicture result = adjust(source, rect, deltas);
        RbPicture weighted = adjustWithMask(source, mask, deltas);
        adjustInPlace(inPlace, rect, deltas);
        ASSERT_NE(result, nullptr);
        ASSERT_NE(weighted, nullptr);
        const int32_t resultDepth = resultDepthOf(depth);
        const bool writable = depth >= 16;
        for (int32_t y = 0; y < height; ++y) {
          for (int32_t x = 0; x < width; ++x) {
            SCOPED_TRACE("at " + std::to_string(x) + ", " + std::to_string(y));
            const Rgb original = readColor(source, x, y);
            const Rgb offset = offsetColor(original, deltas);
            EXPECT_EQ(host.pixel(result, x, y),
                      heldAtDepth(inside(x, y) ? offset : original, resultDepth));
            EXPECT_EQ(host.pixel(weighted, x, y),
                      heldAtDepth(masked(x, y) ? offset : original, resultDepth));
            if (writable) {
              EXPECT_EQ(host.pixel(inPlace, x, y),
                        heldAtDepth(inside(x, y) ? offset : original, depth));
            }
          }
        }
        if (!writable) {
          EXPECT_EQ(bytesOf(inPlace), bytesOf(source));
        }
      }
    }
  }
}

}  // namespace
}  // namespace tvqtest
