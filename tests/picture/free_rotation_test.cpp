// Free rotation by three shears, called through the host.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "function_fixture.h"

namespace zrwtest {
namespace {

const char* const kRotate = "RotateZRW(angle as double,background as color) as picture";

class FreeRotationTest : public PictureFunctionTest {
 protected:
  RbPicture rotate(RbPicture p, double angle, RbColor background) {
    return host.call<RbPicture>(kRotate, p, angle, background);
  }
  // Whole pixel values of `rotate(p, angle)` (empty for nil), the picture released.
  std::vector<uint32_t> rotatedValues(RbPicture p, double angle, RbColor background) {
    RbPicture r = rotate(p, angle, background);
    if (r == nullptr) return {};
    std::vector<uint32_t> v = values(r);
    host.release(r);
    return v;
  }
  std::vector<uint32_t> valuesOf(const char* declaration, RbPicture p) {
    RbPicture r = host.call<RbPicture>(declaration, p);
    std::vector<uint32_t> v = values(r);
    host.release(r);
    return v;
  }
};

// A single pixel turned by 45 degrees, worked out by hand: tan(22.5) / 2 =
// 0.2071 of each channel spills out in the first shear and the background's
// spill comes in; the second and third shears shift by whole pixels only for
// the first row, and the second row is background alone.
TEST_F(FreeRotationTest, BlendsAPixelAsWorkedOutByHand) {
  RbPicture p = pictureOfValues(1, 1, {0xEEC86400});  // red 200, green 100, blue 0
  RbPicture r = rotate(p, 45, 0xFFFFFF);
  ASSERT_NE(r, nullptr);
  ASSERT_EQ(host.width(r), 2);
  ASSERT_EQ(host.height(r), 2);
  // red 200 - 41 + 52, green 100 - 20 + 52, blue 0 - 0 + 52; fourth byte 0.
  EXPECT_EQ(values(r), (std::vector<uint32_t>{0x00D38434, 0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF}));
  host.release(r);
  EXPECT_EQ(rotatedValues(p, 45, 0x000000),
            (std::vector<uint32_t>{0x009F5000, 0x00000000, 0x00000000, 0x00000000}));
  host.release(p);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

// A 4 x 3 picture of distinct colours turned by 30 degrees, worked out step
// by step (rows, then each column on its own, then rows) with a calculator
// program written from the description of the shears, not from this code.
TEST_F(FreeRotationTest, ShearsAnAsymmetricPictureAsWorkedOutStepByStep) {
  RbPicture p = pictureOfValues(4, 3,
                                {0xC81400, 0xB81D28, 0xA82650, 0x982F78,  //
                                 0xB05007, 0xA0592F, 0x906257, 0x806B7F,  //
                                 0x988C0E, 0x889536, 0x789E5E, 0x68A786});
  RbPicture r = rotate(p, 30, 0x336699);
  ASSERT_NE(r, nullptr);
  ASSERT_EQ(host.width(r), 5);
  ASSERT_EQ(host.height(r), 5);
  EXPECT_EQ(values(r),
            (std::vector<uint32_t>{0x00336699, 0x004B5989, 0x00803C72, 0x00714482, 0x00336699,  //
                                   0x007D3D50, 0x00B72128, 0x009C464E, 0x007B6774, 0x00336699,  //
                                   0x008B413A, 0x00A45320, 0x00917641, 0x00769C66, 0x003C6E93,  //
                                   0x00536571, 0x00827E33, 0x0071854C, 0x00437188, 0x00336699,  //
                                   0x00396891, 0x003E6B8A, 0x00336699, 0x00336699, 0x00336699}));
  host.release(r);
  host.release(p);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

TEST_F(FreeRotationTest, FillsTheCornersAndKeepsAUniformInterior) {
  RbPicture p = pictureShowing(10, 10, std::vector<Rgb>(100, Rgb{10, 200, 90}));
  RbPicture r = rotate(p, 45, 0x336699);
  ASSERT_NE(r, nullptr);
  ASSERT_EQ(host.width(r), 15);  // truncate(10 x 0.7071 + 10 x 0.7071) + 1
  ASSERT_EQ(host.height(r), 15);
  const std::vector<Rgb> s = shown(r);
  for (size_t corner : {size_t{0}, size_t{14}, size_t{15 * 14}, size_t{15 * 15 - 1}})
    EXPECT_EQ(s[corner], rbhost::fromColor(0x336699)) << corner;
  EXPECT_EQ(s[15 * 7 + 7], (Rgb{10, 200, 90}));  // the centre is the picture's own colour
  EXPECT_EQ(fourthBytes(r), std::vector<uint8_t>(225, 0));
  host.release(r);
  // A picture of the background's colour stays that colour everywhere: what
  // spills out of one pixel is what comes into the next.
  RbPicture back = rotate(p, 33.3, 0x0AC85A);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(shown(back), std::vector<Rgb>(shown(back).size(), Rgb{10, 200, 90}));
  host.release(back);
  host.release(p);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

// The three shears done one whole picture after the other, each line on its
// own: position x of a skewed line holds F(j) - spill(F(j)) + spill(F(j - 1))
// per channel, j = x - floor(shift), F the line's pixels with the background
// beyond them, spill(v) = truncate(v * fraction(shift)).
std::vector<uint32_t> skewedLine(const std::vector<uint32_t>& in, int32_t length, double shift,
                                 uint32_t background) {
  const double whole = std::floor(shift), weight = shift - whole;
  const auto at = [&](int64_t j) {
    return j >= 0 && j < int64_t(in.size()) ? in[size_t(j)] : background;
  };
  std::vector<uint32_t> out(static_cast<size_t>(length));
  for (int32_t x = 0; x < length; ++x) {
    const int64_t j = x - static_cast<int64_t>(whole);
    uint32_t value = 0;
    for (int c = 0; c < 3; ++c) {
      const uint32_t v = (at(j) >> (8 * c)) & 0xFF, u = (at(j - 1) >> (8 * c)) & 0xFF;
      value |= (v - uint32_t(weight * v) + uint32_t(weight * u)) << (8 * c);
    }
    out[size_t(x)] = value;
  }
  return out;
}

std::vector<uint32_t> shearedByWholePictures(const std::vector<uint32_t>& in, int32_t width,
                                             int32_t height, double degrees, int32_t resultWidth,
                                             int32_t resultHeight, uint32_t background) {
  const double radians = degrees * std::numbers::pi / 180.0;
  const double s = std::sin(radians), t = std::tan(radians / 2.0);  // both positive here
  const int32_t firstWidth = width + static_cast<int32_t>(t * height);
  std::vector<uint32_t> first, second(size_t(firstWidth) * size_t(resultHeight)), result;
  for (int32_t y = 0; y < height; ++y) {
    const std::vector<uint32_t> row(in.begin() + y * width, in.begin() + (y + 1) * width);
    const std::vector<uint32_t> out = skewedLine(row, firstWidth, t * (0.5 + y), background);
    first.insert(first.end(), out.begin(), out.end());
  }
  double columnShift = (width - 1) * s;
  for (int32_t x = 0; x < firstWidth; ++x, columnShift -= s) {
    std::vector<uint32_t> column;
    for (int32_t y = 0; y < height; ++y) column.push_back(first[size_t(y * firstWidth + x)]);
    const std::vector<uint32_t> out = skewedLine(column, resultHeight, columnShift, background);
    for (int32_t y = 0; y < resultHeight; ++y) second[size_t(y * firstWidth + x)] = out[size_t(y)];
  }
  double rowShift = -t * (width - 1) * s;
  for (int32_t y = 0; y < resultHeight; ++y, rowShift += t) {
    const std::vector<uint32_t> row(second.begin() + y * firstWidth,
                                    second.begin() + (y + 1) * firstWidth);
    const std::vector<uint32_t> out = skewedLine(row, resultWidth, rowShift, background);
    result.insert(result.end(), out.begin(), out.end());
  }
  return result;
}

// Random pictures, angles and backgrounds against the shears done whole
// picture by whole picture; sizes reach past the blocks the rotation is
// worked in. A failure names its seed.
TEST_F(FreeRotationTest, MatchesTheShearsDoneWholePictureByWholePicture) {
  for (uint32_t seed = 1; seed <= 120; ++seed) {
    std::mt19937 random(seed);
    const int32_t width = 1 + int32_t(random() % 40);
    const int32_t height = 1 + int32_t(random() % (seed % 4 == 0 ? 110 : 40));
    const double angle = seed % 7 == 0 ? 1.0 + random() % 89 : (1 + random() % 89999) / 1000.0;
    const uint32_t background = random() & 0xFFFFFF;
    std::vector<uint32_t> pixels(size_t(width) * size_t(height));
    for (uint32_t& v : pixels) v = random();
    RbPicture p = pictureOfValues(width, height, pixels);
    RbPicture r = rotate(p, angle, background);
    ASSERT_NE(r, nullptr) << "seed " << seed;
    EXPECT_EQ(values(r), shearedByWholePictures(pixels, width, height, angle, host.width(r),
                                                host.height(r), background))
        << "seed " << seed << ", " << width << " x " << height << ", " << angle << " degrees";
    host.release(r);
    host.release(p);
  }
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

TEST_F(FreeRotationTest, ReducesTheAngleAndTurnsWholeQuartersExactly) {
  RbPicture p = pictureOfValues(
      3, 2, {0x11102030, 0x22405060, 0x33708090, 0x44A0B0C0, 0x55D0E0F0, 0x66010203});
  EXPECT_EQ(rotatedValues(p, 450, 0), valuesOf("Rotate90ZRW as picture", p));
  EXPECT_EQ(rotatedValues(p, -90, 0), valuesOf("Rotate270ZRW as picture", p));
  EXPECT_EQ(rotatedValues(p, 180, 0), valuesOf("Rotate180ZRW as picture", p));
  EXPECT_EQ(rotatedValues(p, 0, 0), valuesOf("CloneZRW as picture", p));
  EXPECT_EQ(rotatedValues(p, -720, 0), valuesOf("CloneZRW as picture", p));
  EXPECT_EQ(rotatedValues(p, -1e-300, 0), valuesOf("CloneZRW as picture", p));
  // Beyond a quarter the picture is turned by quarters first.
  for (auto [angle, quarter] : {std::pair{100.0, "Rotate90ZRW as picture"},
                                {190.0, "Rotate180ZRW as picture"},
                                {280.0, "Rotate270ZRW as picture"}}) {
    RbPicture turned = host.call<RbPicture>(quarter, p);
    EXPECT_EQ(rotatedValues(p, angle, 0x123456), rotatedValues(turned, 10, 0x123456)) << angle;
    host.release(turned);
  }
  EXPECT_EQ(rotatedValues(p, 30 + 3600, 0x123456), rotatedValues(p, 30, 0x123456));
  EXPECT_EQ(rotatedValues(p, -330, 0x123456), rotatedValues(p, 30, 0x123456));
  host.release(p);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

// Angles whose reduction by repeated subtraction would never end: a huge one
// is reduced at once, one that is no number gives nil.
TEST_F(FreeRotationTest, HandlesAnglesBeyondAnyTurn) {
  RbPicture p = patternPicture(4, 3);
  RbPicture huge = rotate(p, 1e21, 0);
  ASSERT_NE(huge, nullptr);
  EXPECT_EQ(values(huge), rotatedValues(p, std::fmod(1e21, 360.0), 0));
  host.release(huge);
  EXPECT_NE(rotatedValues(p, -std::numeric_limits<double>::max(), 0), std::vector<uint32_t>{});
  for (double angle :
       {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity()})
    EXPECT_EQ(rotate(p, angle, 0), nullptr) << angle;
  host.release(p);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

}  // namespace
}  // namespace zrwtest
