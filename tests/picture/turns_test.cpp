// Inversion, quarter and half turns, mirrors and plain copies, called through
// the host.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "function_fixture.h"

namespace zrwtest {
namespace {

const char* const kInvert =
    "InvertZRW(left as integer,top as integer,width as integer,height as integer) as picture";

// A 3 x 2 picture, top row A B C, bottom row D E F, every pixel with its own
// fourth byte, so that a turn, a mirror or a row order shows.
constexpr uint32_t A = 0x11102030, B = 0x22405060, C = 0x33708090;
constexpr uint32_t D = 0x44A0B0C0, E = 0x55D0E0F0, F = 0x66010203;

struct MoveCase {
  const char* declaration;
  int32_t width, height;
  std::vector<uint32_t> expected;  // row by row from the top
};

class TurnsTest : public PictureFunctionTest {};

TEST_F(TurnsTest, MovesWholePixelsAsWorkedOutByHand) {
  const std::vector<MoveCase> cases = {
      // Counter-clockwise: the top-right corner comes to the top left.
      {"Rotate90ZRW as picture", 2, 3, {C, F, B, E, A, D}},
      {"Rotate180ZRW as picture", 3, 2, {F, E, D, C, B, A}},
      // Clockwise: the top-left corner goes to the top right.
      {"Rotate270ZRW as picture", 2, 3, {D, A, E, B, F, C}},
      {"VMirrorZRW as picture", 3, 2, {D, E, F, A, B, C}},
      {"HMirrorZRW as picture", 3, 2, {C, B, A, F, E, D}},
  };
  RbPicture source = pictureOfValues(3, 2, {A, B, C, D, E, F});
  for (const MoveCase& c : cases) {
    SCOPED_TRACE(c.declaration);
    RbPicture result = host.call<RbPicture>(c.declaration, source);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(host.depth(result), 32);
    ASSERT_EQ(host.width(result), c.width);
    ASSERT_EQ(host.height(result), c.height);
    EXPECT_EQ(values(result), c.expected);
    host.release(result);
  }
  EXPECT_EQ(values(source), (std::vector<uint32_t>{A, B, C, D, E, F}));
  host.release(source);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

// Sizes across the tile edges of the turns: every pixel must land once, and
// the four quarter turns must bring the picture back.
TEST_F(TurnsTest, FourQuarterTurnsAndTwoMirrorsGiveThePictureBack) {
  for (auto [width, height] : {std::pair{1, 1}, {1, 7}, {33, 2}, {65, 31}, {40, 97}}) {
    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
    std::vector<uint32_t> original;
    for (int32_t i = 0; i < width * height; ++i) original.push_back(0x9E3779B9u * (i + 1));
    RbPicture p = pictureOfValues(width, height, original);
    for (const char* step :
         {"Rotate90ZRW as picture", "Rotate90ZRW as picture", "Rotate270ZRW as picture",
          "Rotate180ZRW as picture", "Rotate90ZRW as picture", "HMirrorZRW as picture",
          "Rotate180ZRW as picture", "VMirrorZRW as picture"}) {
      RbPicture next = host.call<RbPicture>(step, p);
      ASSERT_NE(next, nullptr) << step;
      host.release(p);
      p = next;
    }
    EXPECT_EQ(values(p), original);
    host.release(p);
  }
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

// Pictures large enough for whole tiles and with ragged edges: every result
// pixel is the source pixel the turn's definition names.
TEST_F(TurnsTest, QuarterTurnsPlaceEveryPixelOfALargePicture) {
  const int32_t width = 37, height = 50;
  std::vector<uint32_t> in;
  for (int32_t i = 0; i < width * height; ++i) in.push_back(0x01000193u * (i + 7));
  RbPicture source = pictureOfValues(width, height, in);
  RbPicture left = host.call<RbPicture>("Rotate90ZRW as picture", source);
  RbPicture right = host.call<RbPicture>("Rotate270ZRW as picture", source);
  ASSERT_NE(left, nullptr);
  ASSERT_NE(right, nullptr);
  const std::vector<uint32_t> l = values(left), r = values(right);
  ASSERT_EQ(l.size(), in.size());
  ASSERT_EQ(r.size(), in.size());
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t pixel = in[size_t(y * width + x)];
      // Result rows are `height` wide.
      ASSERT_EQ(l[size_t((width - 1 - x) * height + y)], pixel) << x << ", " << y;
      ASSERT_EQ(r[size_t(x * height + (height - 1 - y))], pixel) << x << ", " << y;
    }
  }
  for (RbPicture p : {source, left, right}) host.release(p);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

struct InvertCase {
  int32_t left, top, width, height;
  std::vector<bool> inverted;  // 4 x 3 picture, row by row from the top
};

// Pixels outside the rectangle are not written: they keep the host's fill.
TEST_F(TurnsTest, InvertsTheRectangleOfTheUnclampedArguments) {
  const std::vector<InvertCase> cases = {
      {1, 1, 2, 1, {0, 0, 0, 0, /**/ 0, 1, 1, 0, /**/ 0, 0, 0, 0}},
      {0, 0, 4, 3, std::vector<bool>(12, true)},
      // Right and bottom come from the arguments before clamping.
      {-2, -1, 3, 2, {1, 0, 0, 0, /**/ 0, 0, 0, 0, /**/ 0, 0, 0, 0}},
      {3, 2, 100, 100, {0, 0, 0, 0, /**/ 0, 0, 0, 0, /**/ 0, 0, 0, 1}},
      // Sums beyond 32 bits still reach the right and bottom edges.
      {2, 1, INT32_MAX, INT32_MAX, {0, 0, 0, 0, /**/ 0, 0, 1, 1, /**/ 0, 0, 1, 1}},
      {INT32_MIN, 0, INT32_MAX, 3, std::vector<bool>(12, false)},
      // Far edges below the 32-bit range leave nothing, never a wrapped edge.
      {0, -16777216, 4, -2147483647, std::vector<bool>(12, false)},
      {INT32_MIN, 0, -2, 3, std::vector<bool>(12, false)},
      {0, 0, 0, 3, std::vector<bool>(12, false)},
      {2, 0, -1, 3, std::vector<bool>(12, false)},
      {4, 0, 5, 3, std::vector<bool>(12, false)},
  };
  std::vector<uint32_t> in;
  for (uint32_t i = 0; i < 12; ++i) in.push_back(0xA5000000u | (i * 0x0B1D07u));
  RbPicture source = pictureOfValues(4, 3, in);
  for (const InvertCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.left) + ", " + std::to_string(c.top) + ", " +
                 std::to_string(c.width) + ", " + std::to_string(c.height));
    RbPicture result = host.call<RbPicture>(kInvert, source, c.left, c.top, c.width, c.height);
    ASSERT_NE(result, nullptr);
    ASSERT_EQ(host.width(result), 4);
    ASSERT_EQ(host.height(result), 3);
    std::vector<uint32_t> expected;
    for (size_t i = 0; i < 12; ++i)
      expected.push_back(c.inverted[i] ? (~in[i] & 0x00FFFFFFu) : 0xCDCDCDCDu);
    EXPECT_EQ(values(result), expected);
    host.release(result);
  }
  host.release(source);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

TEST_F(TurnsTest, CloneDrawsANewPictureAndBitmapSharesA32BitOne) {
  RbPicture stored32 = pictureOfValues(3, 2, {A, B, C, D, E, F});
  RbPicture clone = host.call<RbPicture>("CloneZRW as picture", stored32);
  ASSERT_NE(clone, nullptr);
  EXPECT_NE(clone, stored32);
  EXPECT_EQ(host.depth(clone), 32);
  EXPECT_EQ(shown(clone), shown(stored32));
  EXPECT_EQ(fourthBytes(clone), std::vector<uint8_t>(6, 0));  // drawing does not carry it
  host.release(clone);

  const int64_t references = host.referenceCount(toObject(stored32));
  RbPicture same = host.call<RbPicture>("BitmapZRW as picture", stored32);
  EXPECT_EQ(same, stored32);
  EXPECT_EQ(host.referenceCount(toObject(stored32)), references + 1);
  host.release(same);

  for (auto [depth, storage] : {std::pair{24, PictureStorage::GlobalDib},
                                {32, PictureStorage::DibSection},
                                {8, PictureStorage::DibSection}}) {
    RbPicture other = patternPicture(3, 2, depth, storage);
    RbPicture copy = host.call<RbPicture>("BitmapZRW as picture", other);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, other);
    EXPECT_EQ(host.depth(copy), 32);
    EXPECT_EQ(host.storage(copy), PictureStorage::GlobalDib);
    EXPECT_EQ(shown(copy), shown(other));
    host.release(copy);
    host.release(other);
  }
  host.release(stored32);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

}  // namespace
}  // namespace zrwtest
