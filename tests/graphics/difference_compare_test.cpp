// TVQ_Difference and TVQ_Compare through the host.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "operation_fixture.h"

namespace tvqtest {
namespace {

constexpr const char* kDifference = "TVQ_Difference(compare as picture) as picture";
constexpr const char* kCompare =
    "TVQ_Compare(compare as picture, rect as TVQ_Rectangle) as boolean";
constexpr const char* kAdjustRgb =
    "TVQ_AdjustRGB(rect as TVQ_Rectangle, red_delta as integer, green_delta as integer, "
    "blue_delta as integer) as picture";

constexpr uint32_t kSame = 0xFFFFFF, kDifferent = 0xFF0000, kSourceOnly = 0xDDFFDD,
                   kOutsideSource = 0xDDDDFF;

class DifferenceCompareTest : public OperationTest {
 protected:
  RbPicture difference(RbPicture p, RbPicture other) {
    return adopt(host.call<RbPicture>(kDifference, p, other));
  }
  bool compare(RbPicture p, RbPicture other, RbObject rect = nullptr) {
    return host.call<bool>(kCompare, p, other, rect);
  }
  // Leaves code 39 behind.
  void setSomeError() {
    host.call<RbPicture>(kAdjustRgb, picture(1, 1, 24), static_cast<RbObject>(nullptr), 300, 0, 0);
    ASSERT_EQ(lastError(), 39);
  }
};

TEST_F(DifferenceCompareTest, MapCoversBothPictures) {
  RbPicture source = patternPicture(10, 10, 24);
  RbPicture other = picture(5, 20, 24);
  for (int32_t y = 0; y < 20; ++y)
    for (int32_t x = 0; x < 5; ++x) host.setPixel(other, x, y, patternColor(x, y));
  host.setPixel(other, 4, 9, Rgb{1, 2, 3});
  RbPicture map = difference(source, other);
  ASSERT_NE(map, nullptr);
  ASSERT_EQ(host.width(map), 10);
  ASSERT_EQ(host.height(map), 20);
  ASSERT_EQ(host.depth(map), 32);
  for (int32_t y = 0; y < 20; ++y)
    for (int32_t x = 0; x < 10; ++x) {
      const uint32_t expected = y >= 10              ? kOutsideSource
                                : x >= 5             ? kSourceOnly
                                : (x == 4 && y == 9) ? kDifferent
                                                     : kSame;
      EXPECT_EQ(host.rawPixel(map, x, y), expected) << "at " << x << ", " << y;
    }
}

TEST_F(DifferenceCompareTest, MapComparesWholeValuesAtEachDepth) {
  struct Case {
    const char* what;
    int32_t depthA;
    uint32_t rawA;
    int32_t depthB;
    uint32_t rawB;
    uint32_t expected;
  };
  const Case cases[] = {
      {"32-bit, fourth bytes differ", 32, 0x01102030, 32, 0x02102030, kDifferent},
      {"32-bit, equal", 32, 0x01102030, 32, 0x01102030, kSame},
      {"24 against 16 bits: low bits differ", 24, 0x112233, 16, 0x0846, kDifferent},
      {"24 against 16 bits: multiples of 8", 24, 0x102030, 16, 0x0886, kSame},
      {"16-bit, only bit 15 differs", 16, 0x8886, 16, 0x0886, kSame},
      {"24 against 32 bits with fourth byte 0", 24, 0x102030, 32, 0x00102030, kSame},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RbPicture map = difference(filled(2, 2, c.depthA, c.rawA), filled(2, 2, c.depthB, c.rawB));
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(host.rawPixel(map, 1, 1), c.expected);
  }
}

TEST_F(DifferenceCompareTest, DifferenceLeavesTheLastErrorAlone) {
  RbPicture p = patternPicture(3, 3, 24);
  setSomeError();
  EXPECT_NE(difference(p, p), nullptr);
  EXPECT_EQ(lastError(), 39);
  EXPECT_EQ(difference(nullptr, p), nullptr);
  EXPECT_EQ(difference(p, nullptr), nullptr);
  RbPicture unlockable = picture(3, 3, 24);
  host.failLocksOf(unlockable);
  EXPECT_EQ(difference(p, unlockable), nullptr);
  EXPECT_EQ(difference(unlockable, p), nullptr);
  host.failNewPictureAfter(0);
  EXPECT_EQ(difference(p, p), nullptr);
  host.failNewPictureAfter(std::nullopt);
  EXPECT_EQ(lastError(), 39);
  EXPECT_EQ(host.audit().descriptionLocks, 0);
}

TEST_F(DifferenceCompareTest, CompareNilsAndLocks) {
  RbPicture p = patternPicture(3, 3, 24);
  EXPECT_FALSE(compare(nullptr, p));
  EXPECT_EQ(lastError(), 2);
  EXPECT_FALSE(compare(p, nullptr));
  EXPECT_EQ(lastError(), 48);
  EXPECT_FALSE(compare(nullptr, nullptr));
  EXPECT_EQ(lastError(), 48);
  RbPicture unlockable = patternPicture(3, 3, 24);
  host.failLocksOf(unlockable);
  EXPECT_TRUE(compare(unlockable, unlockable)) << "the same object needs no lock";
  EXPECT_EQ(lastError(), 0);
  EXPECT_FALSE(compare(unlockable, p));
  EXPECT_EQ(lastError(), 3);
  EXPECT_FALSE(compare(p, unlockable));
  EXPECT_EQ(lastError(), 49);
  EXPECT_EQ(host.audit().descriptionLocks, 0);
}

TEST_F(DifferenceCompareTest, CompareLooksAtTheSelectionOnly) {
  for (int32_t depth : {8, 16, 24, 32}) {
    for (PictureStorage storage : kStorages) {
      SCOPED_TRACE(std::to_string(depth) + " bits");
      RbPicture a = patternPicture(6, 4, depth, storage);
      RbPicture b = patternPicture(6, 4, depth);
      EXPECT_TRUE(compare(a, b));
      // A difference at the selection's last column and last row.
      if (depth == 8) {
        host.setRawPixel(b, 4, 2, (host.rawPixel(b, 4, 2) + 1) % 256);
      } else {
        host.setPixel(b, 4, 2, Rgb{0, 0, 0});
      }
      EXPECT_FALSE(compare(a, b));
      EXPECT_FALSE(compare(a, b, rectangle({1, 1, 4, 2})));
      EXPECT_TRUE(compare(a, b, rectangle({1, 1, 3, 2})));
      EXPECT_TRUE(compare(a, b, rectangle({1, 1, 4, 1})));
      EXPECT_TRUE(compare(a, b, rectangle({-20, 0, 5, 4}))) << "an empty selection";
      EXPECT_EQ(lastError(), 0);
    }
  }
}

TEST_F(DifferenceCompareTest, CompareNeedsOneSizeAndDepthAndIgnoresTheFourthByte) {
  RbPicture a = filled(3, 2, 32, 0x11223344);
  EXPECT_TRUE(compare(a, filled(3, 2, 32, 0x99223344)));
  EXPECT_FALSE(compare(a, filled(3, 2, 24, 0x223344))) << "same colours, other depth";
  EXPECT_FALSE(compare(a, filled(2, 3, 32, 0x11223344)));
  EXPECT_EQ(lastError(), 0);
  EXPECT_TRUE(compare(filled(2, 2, 16, 0x8886), filled(2, 2, 16, 0x0886))) << "bit 15";
}

}  // namespace
}  // namespace tvqtest
