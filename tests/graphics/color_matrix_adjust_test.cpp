// The colour-matrix forms of TVQ_AdjustRGB and TVQ_AdjustRGBWithMask, called
// through the host as a program calls them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "operation_fixture.h"

namespace tvqtest {
namespace {

constexpr const char* kAdjustRgb =
    "TVQ_AdjustRGB(rect as TVQ_Rectangle, cm as TVQ_ColorMatrix) as picture";
constexpr const char* kAdjustRgbWithMask =
    "TVQ_AdjustRGBWithMask(mask as picture, cm as TVQ_ColorMatrix) as picture";

const RbObject kWholePicture = nullptr;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Row by row: element (i, j) says how much input channel i gives output j.
using Elements = std::array<double, 9>;
constexpr Elements kIdentity = {1, 0, 0, 0, 1, 0, 0, 0, 1};
constexpr Elements kSwapRedBlue = {0, 0, 1, 0, 1, 0, 1, 0, 0};
constexpr double kThird = 1.0 / 3.0;
constexpr Elements kThirds = {kThird, kThird, kThird, kThird, kThird,
                              kThird, kThird, kThird, kThird};

class ColorMatrixAdjustTest : public OperationTest {
 protected:
  RbObject matrix(const Elements& e) {
    RbObject m = host.newInstance("TVQ_ColorMatrix");
    matrices_.push_back(m);
    for (int32_t i = 0; i < 3; ++i)
      for (int32_t j = 0; j < 3; ++j)
        host.callSetter("TVQ_ColorMatrix", "Value(i as integer, j as integer) as double", m, i, j,
                        e[size_t(i * 3 + j)]);
    return m;
  }
  RbPicture adjust(RbPicture p, RbObject rect, RbObject cm) {
    return adopt(host.call<RbPicture>(kAdjustRgb, p, rect, cm));
  }
  RbPicture adjustWithMask(RbPicture p, RbPicture mask, RbObject cm) {
    return adopt(host.call<RbPicture>(kAdjustRgbWithMask, p, mask, cm));
  }
  void TearDown() override {
    for (RbObject m : matrices_) host.release(m);
    OperationTest::TearDown();
  }

 private:
  std::vector<RbObject> matrices_;
};

struct PixelCase {
  const char* what;
  int32_t depth;
  uint32_t raw;  // palette index up to 8 bits
  Elements matrix;
  uint32_t expected;        // raw result pixel, rectangle form
  uint32_t expectedMasked;  // raw result pixel, mask level 128
};

// Palette entry 3 of the 8-bit cases.
constexpr Rgb kPaletteEntry{255, 0, 0};

TEST_F(ColorMatrixAdjustTest, ProductsClampAndConvertToTheResultDepth) {
  const PixelCase cases[] = {
      {"identity: a copy at 24 bits", 24, 0x123456, kIdentity, 0x123456, 0x123456},
      {"identity: a 32-bit pixel written with fourth byte 0", 32, 0xAB123456, kIdentity, 0x00123456,
       0x00123456},
      {"identity: a 16-bit pixel without bit 15", 16, 0xFC10, kIdentity, 0x7C10, 0x7C10},
      {"identity: an 8-bit palette colour in 5 bits", 8, 3, kIdentity, 0x7C00, 0x7C00},
      {"1-bit reads as black", 1, 1, kThirds, 0x0000, 0x0000},
      // k = trunc(341.33) = 341 and 255 * 341 / 1024 = 84 per channel; by the
      // mask (84 * 128 + 255 * 127) / 255 = 169 red, 42 green and blue.
      {"thirds of pure red", 24, 0xFF0000, kThirds, 0x545454, 0xA92A2A},
      {"thirds of pure red at 32 bits", 32, 0x77FF0000, kThirds, 0x00545454, 0x00A92A2A},
      {"thirds of an 8-bit red, in 5 bits", 8, 3, kThirds, 0x294A, 0x54A5},
      {"red and blue swapped", 24, 0x102030, kSwapRedBlue, 0x302010, 0x20201F},
      // -200 clamps to 0; by the mask (-200 * 128 + 200 * 127) / 255 = -0.78
      // truncates to 0.
      {"negative red clamps", 24, 0xC80000, {-1, 0, 0, 0, 1, 0, 0, 0, 1}, 0x000000, 0x000000},
      // 400 clamps to 255; by the mask (400 * 128 + 200 * 127) / 255 = 300,
      // clamped after the blend.
      {"doubled red clamps after the blend",
       24,
       0xC80000,
       {2, 0, 0, 0, 1, 0, 0, 0, 1},
       0xFF0000,
       0xFF0000},
      // 0.0001 * 1024 truncates to 0; -0.5 to -512: (100 * -512) / 1024 = -50.
      {"truncated elements",
       24,
       0x646464,
       {0.0001, 0, 0, 0.5, -0.5, 0, 0, 0, 1},
       0x320064,
       0x4A1864},
  };
  for (PictureStorage storage : kStorages) {
    host.options().newPictureStorage = storage;
    for (const PixelCase& c : cases) {
      SCOPED_TRACE(std::string(c.what) + ", storage " + std::to_string(int(storage)));
      RbPicture source = filled(3, 2, c.depth, c.raw, storage);
      if (c.depth == 8) {
        std::vector<Rgb> palette(256);
        palette[3] = kPaletteEntry;
        host.setPalette(source, palette);
      }
      RbPicture mask = filled(3, 2, 8, 128, storage);
      const std::vector<uint8_t> before = bytesOf(source);
      RbObject cm = matrix(c.matrix);
      RbPicture result = adjust(source, kWholePicture, cm);
      ASSERT_NE(result, nullptr);
      EXPECT_EQ(lastError(), 0);
      RbPicture weighted = adjustWithMask(source, mask, cm);
      ASSERT_NE(weighted, nullptr);
      EXPECT_EQ(lastError(), 0);
      for (RbPicture r : {result, weighted}) {
        EXPECT_EQ(host.depth(r), resultDepthOf(c.depth));
        EXPECT_EQ(host.referenceCount(toObject(r)), 1);
      }
      for (int32_t y = 0; y < 2; ++y) {
        for (int32_t x = 0; x < 3; ++x) {
          EXPECT_EQ(host.rawPixel(result, x, y), c.expected) << "at " << x << ", " << y;
          EXPECT_EQ(host.rawPixel(weighted, x, y), c.expectedMasked) << "at " << x << ", " << y;
        }
      }
      EXPECT_EQ(bytesOf(source), before) << "the source changed";
    }
  }
}

struct WideCase {
  const char* what;
  Elements matrix;
  uint32_t source;
  uint32_t expected;        // rectangle form
  uint32_t expectedMasked;  // mask level 1
};

// Elements beyond +-2,700 make sums that 32 bits cannot hold: the results
// are those of exact arithmetic. Elements whose fixed-point form is beyond
// 32 bits count as the nearest 32-bit value, NaN as 0.
TEST_F(ColorMatrixAdjustTest, LargeAndNonFiniteElementsGiveTheExactResult) {
  const WideCase cases[] = {
      // 3 * 255 * 3,072,000 is past 2^31; a 32-bit sum would turn negative.
      {"3000 in every row of red",
       {3000, 0, 0, 3000, 0, 0, 3000, 0, 0},
       0xFFFFFF,
       0xFF0000,
       0xFFFEFE},
      {"-3000 in every row of red",
       {-3000, 0, 0, -3000, 0, 0, -3000, 0, 0},
       0xFFFFFF,
       0x000000,
       0x00FEFE},
      // Within range the two forms agree with 32-bit arithmetic: 2700 gives
      // k = 2,764,800 and 255 * k * 3 / 1024 = 2,065,500, past 255.
      {"2700 in every row of green",
       {0, 2700, 0, 0, 2700, 0, 0, 2700, 0},
       0x010101,
       0x00FF00,
       0x002000},
      {"1e300 held at the 32-bit end",
       {1e300, 0, 0, 0, 1, 0, 0, 0, 1},
       0x010203,
       0xFF0203,
       0xFF0203},
      {"-1e300 and +inf against each other",
       {-1e300, 0, 0, kInf, 1, 0, 0, 0, 1},
       0x020103,
       0x000103,
       0x000103},
      {"-inf", {-kInf, 0, 0, 0, 1, 0, 0, 0, 1}, 0x0A0B0C, 0x000B0C, 0x000B0C},
      {"NaN counts as 0", {1, 0, 0, 0, kNaN, 0, 0, 0, 1}, 0x0A0B0C, 0x0A000C, 0x0A0A0C},
  };
  // Level 1: (A + 254 C) / 255. For -3000: A = -2,295,000, so red is 0 and
  // the others (0 + 254 * 255) / 255 = 254; for NaN, green
  // (0 + 254 * 11) / 255 = 10.
  for (const WideCase& c : cases) {
    SCOPED_TRACE(c.what);
    for (int32_t depth : {24, 32}) {
      RbPicture source = filled(2, 2, depth, c.source);
      RbPicture mask = filled(2, 2, 8, 1);
      RbObject cm = matrix(c.matrix);
      RbPicture result = adjust(source, kWholePicture, cm);
      RbPicture weighted = adjustWithMask(source, mask, cm);
      ASSERT_NE(result, nullptr);
      ASSERT_NE(weighted, nullptr);
      EXPECT_EQ(host.rawPixel(result, 1, 1), c.expected) << depth << " bits";
      EXPECT_EQ(host.rawPixel(weighted, 1, 1), c.expectedMasked) << depth << " bits";
    }
  }
}

// Which checks fail, and the code each form must report.
struct Arrangement {
  bool nilSource = false;
  bool nilMask = false;
  bool nilMatrix = false;
  bool sourceLockFails = false;
  bool emptyRect = false;
  bool maskLockFails = false;
  int32_t maskWidth = 4;  // the source is 4 x 3
  bool noResult = false;
};

struct ErrorCase {
  const char* what;
  Arrangement a;
  int32_t adjustCode, maskCode;
};

TEST_F(ColorMatrixAdjustTest, NilMatrixWinsOverEveryOtherFailure) {
  const ErrorCase cases[] = {
      {"nil matrix, nil source and nil mask",
       {.nilSource = true, .nilMask = true, .nilMatrix = true, .sourceLockFails = true},
       23,
       23},
      {"nil matrix and nil mask", {.nilMask = true, .nilMatrix = true}, 23, 23},
      {"nil matrix alone", {.nilMatrix = true, .emptyRect = true, .noResult = true}, 23, 23},
      {"nil source before the mask", {.nilSource = true, .nilMask = true}, 2, 2},
      {"nil mask before the source lock", {.nilMask = true, .sourceLockFails = true}, 3, 7},
      {"source lock before selection, mask and result",
       {.sourceLockFails = true, .emptyRect = true, .maskLockFails = true, .noResult = true},
       3,
       3},
      {"selection or mask lock before the result",
       {.emptyRect = true, .maskLockFails = true, .noResult = true},
       37,
       8},
      {"mask of another size", {.maskWidth = 3}, 0, 9},
      {"no result picture", {.noResult = true}, 5, 5},
      {"nothing wrong", {}, 0, 0},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.what);
    for (bool masked : {false, true}) {
      SCOPED_TRACE(masked ? "with mask" : "rectangle");
      const Arrangement& a = c.a;
      RbPicture source = patternPicture(4, 3, 24);
      RbPicture mask = picture(a.maskWidth, 3, 8);
      RbObject rect = a.emptyRect ? rectangle({0, -5, 4, 2}) : rectangle({1, 1, 2, 1});
      RbObject cm = a.nilMatrix ? nullptr : matrix(kSwapRedBlue);
      if (a.sourceLockFails) host.failLocksOf(source);
      if (a.maskLockFails) host.failLocksOf(mask);
      if (a.noResult) host.failNewPictureAfter(0);
      const std::vector<uint8_t> before = bytesOf(source);
      RbPicture arg = a.nilSource ? nullptr : source;
      RbPicture result =
          masked ? adjustWithMask(arg, a.nilMask ? nullptr : mask, cm) : adjust(arg, rect, cm);
      host.failNewPictureAfter(std::nullopt);
      const int32_t expected = masked ? c.maskCode : c.adjustCode;
      EXPECT_EQ(lastError(), expected);
      EXPECT_EQ(result != nullptr, expected == 0);
      EXPECT_EQ(bytesOf(source), before);
      const rbhost::Audit now = host.audit();
      EXPECT_EQ(now.descriptionLocks, 0);
      EXPECT_EQ(now.globalMemoryLocks, 0);
    }
  }
}

TEST_F(ColorMatrixAdjustTest, PixelsOutsideTheSelectionAreCopied) {
  // Selection: columns 1 and 2 of row 1 of a 4 x 3 picture.
  const struct {
    int32_t depth;
    uint32_t raw;
    uint32_t copied;
    uint32_t swapped;
  } cases[] = {
      {16, 0x848A, 0x048A, 0x2881},  // bit 15 goes with the copy
      {24, 0x102030, 0x102030, 0x302010},
      {32, 0xAB102030, 0xAB102030, 0x00302010},  // the fourth byte stays outside
  };
  for (PictureStorage storage : kStorages) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::to_string(c.depth) + " bits, storage " + std::to_string(int(storage)));
      RbPicture result = adjust(filled(4, 3, c.depth, c.raw, storage), rectangle({1, 1, 2, 1}),
                                matrix(kSwapRedBlue));
      ASSERT_NE(result, nullptr);
      for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 4; ++x)
          EXPECT_EQ(host.rawPixel(result, x, y),
                    y == 1 && (x == 1 || x == 2) ? c.swapped : c.copied)
              << "at " << x << ", " << y;
    }
  }
}

Rgb swapScaled(Rgb c) {
  // Red from blue at 0.5 (k 512), green kept, blue from red plus green at
  // 0.25 (k 256).
  return {static_cast<uint8_t>(c.blue * 512 / 1024), c.green,
          static_cast<uint8_t>(std::min(255, (c.red * 1024 + c.green * 256) / 1024))};
}

// Every depth and width 1 to 9 (each a different row padding), against
// the colours the host reads back.
TEST_F(ColorMatrixAdjustTest, EveryDepthAndRowPadding) {
  const Elements e = {0, 0, 1, 0, 1, 0.25, 0.5, 0, 0};
  for (PictureStorage storage : kStorages) {
    host.options().newPictureStorage = storage;
    for (int32_t depth : kAllDepths) {
      for (int32_t width = 1; width <= 9; ++width) {
        SCOPED_TRACE(std::to_string(width) + " pixels of " + std::to_string(depth) +
                     " bits, storage " + std::to_string(int(storage)));
        const int32_t height = 4;
        const RectArgument r{width / 3, 1, std::max(1, width - width / 3 - 1), 2};
        auto inside = [&](int32_t x, int32_t y) {
          return x >= r.left && x < r.left + r.width && y >= 1 && y <= 2;
        };
        RbPicture source = patternPicture(width, height, depth, storage);
        RbPicture mask = picture(width, height, 8, storage);
        auto masked = [](int32_t x, int32_t y) { return (x + 2 * y) % 3 == 0; };
        for (int32_t y = 0; y < height; ++y)
          for (int32_t x = 0; x < width; ++x) host.setRawPixel(mask, x, y, masked(x, y) ? 255 : 0);
        RbObject cm = matrix(e);
        RbPicture result = adjust(source, rectangle(r), cm);
        RbPicture weighted = adjustWithMask(source, mask, cm);
        ASSERT_NE(result, nullptr);
        ASSERT_NE(weighted, nullptr);
        const int32_t resultDepth = resultDepthOf(depth);
        for (int32_t y = 0; y < height; ++y) {
          for (int32_t x = 0; x < width; ++x) {
            SCOPED_TRACE("at " + std::to_string(x) + ", " + std::to_string(y));
            const Rgb original = readColor(source, x, y);
            const Rgb changed = swapScaled(original);
            EXPECT_EQ(host.pixel(result, x, y),
                      heldAtDepth(inside(x, y) ? changed : original, resultDepth));
            EXPECT_EQ(host.pixel(weighted, x, y),
                      heldAtDepth(masked(x, y) ? changed : original, resultDepth));
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace tvqtest
