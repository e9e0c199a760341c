// Blends, masked blends, tints and channel combination, called through the
// host.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "function_fixture.h"

namespace zrwtest {
namespace {

const char* const kBlend =
    "BlendPicturesZRW(source as picture, sourcepercent as double, dest as picture, destpercent "
    "as double) as picture";
const char* const kMasked =
    "BlendPicturesWithMaskZRW(source as picture, dest as picture, mask as picture) as picture";
const char* const kTint =
    "TintPictureZRW(source as picture, GreyBase as color, SepiaBase as color) as picture";
const char* const kCombine =
    "CombinePicturesZRW(red as picture, blue as picture, green as picture) as picture";

class BlendingTest : public PictureFunctionTest {
 protected:
  // A 2 x 1 picture: `left`, then `right`, each with fourth byte 0x77.
  RbPicture pair(Rgb left, Rgb right) {
    return pictureOfValues(
        2, 1, {0x77000000u | rbhost::toColor(left), 0x77000000u | rbhost::toColor(right)});
  }
};

struct BlendCase {
  double sourceFraction, destFraction;
  uint8_t source, dest, expected;  // one channel value each
};

TEST_F(BlendingTest, BlendsAsWorkedOutByHand) {
  const std::vector<BlendCase> cases = {
      {0.5, 0.5, 100, 201, 150},                              // 301 x 512 / 1024 = 150.5
      {1.0, 1.0, 200, 100, 44},                               // 300 keeps its low eight bits
      {50, 50, 200, 100, 152},                                // percent: 15000 mod 256
      {0.25, 0.0, 255, 9, 63},   {-0.5, 0.5, 200, 100, 206},  // -50
      {-0.3, 0.0, 100, 0, 227},   // -30700 / 1024 = -29.98, truncated toward zero to -29
      {1e4, 1e4, 255, 255, 224},  // the 32-bit sum wraps to 927432704
      {3e6, 0.0, 1, 0, 255},      // the weight is limited to 2^31 - 1
  };
  for (const BlendCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.sourceFraction) + " x " + std::to_string(c.source) + " + " +
                 std::to_string(c.destFraction) + " x " + std::to_string(c.dest));
    // The channel value in one channel of one pixel, the others 0, so each
    // channel is seen to be its own.
    RbPicture source = pair({c.source, 0, 0}, {0, 0, c.source});
    RbPicture dest = pair({c.dest, 0, 0}, {0, 0, c.dest});
    RbPicture result = host.call<RbPicture>(kBlend, source, c.sourceFraction, dest, c.destFraction);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(values(result), (std::vector<uint32_t>{uint32_t{c.expected} << 16, c.expected}));
    host.release(result);
    host.release(source);
    host.release(dest);
  }
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

TEST_F(BlendingTest, MasksTintsAndCombinesAsWorkedOutByHand) {
  RbPicture a = pair({200, 0, 10}, {30, 40, 50});
  RbPicture b = pair({100, 255, 60}, {70, 80, 90});
  RbPicture c = pair({1, 2, 3}, {4, 5, 6});

  // Mask levels 128 and (255 + 0 + 1) div 3 = 85.
  RbPicture mask = pair({128, 128, 128}, {255, 0, 1});
  RbPicture masked = host.call<RbPicture>(kMasked, a, b, mask);
  ASSERT_NE(masked, nullptr);
  EXPECT_EQ(shown(masked), (std::vector<Rgb>{{149, 128, 35}, {43, 53, 63}}));
  EXPECT_EQ(fourthBytes(masked), std::vector<uint8_t>(2, 0));
  RbPicture white = pair({255, 255, 255}, {255, 255, 255});
  RbPicture black = pair({0, 0, 0}, {0, 0, 0});
  for (auto [m, expected] : {std::pair{white, b}, {black, a}}) {
    RbPicture r = host.call<RbPicture>(kMasked, a, b, m);
    EXPECT_EQ(shown(r), shown(expected));
    host.release(r);
  }

  // Red of the first, blue of the second, green of the third.
  RbPicture combined = host.call<RbPicture>(kCombine, a, b, c);
  ASSERT_NE(combined, nullptr);
  EXPECT_EQ(shown(combined), (std::vector<Rgb>{{200, 2, 60}, {30, 5, 90}}));
  EXPECT_EQ(fourthBytes(combined), std::vector<uint8_t>(2, 0));

  for (RbPicture p : {a, b, c, mask, white, black, masked, combined}) host.release(p);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

struct TintCase {
  RbColor greyBase, sepiaBase;
  Rgb source, expected;
};

TEST_F(BlendingTest, TintsAsWorkedOutByHand) {
  const std::vector<TintCase> cases = {
      // The grey level is the source's red.
      {0xFF0000, 0xFFFFFF, {120, 30, 200}, {120, 120, 120}},
      {0xFF0000, 0xFF0000, {120, 30, 200}, {120, 0, 0}},
      // White has luminance 765: limited to 255 above a sepia channel of 85.
      {0xFFFFFF, 0x565554, {255, 255, 255}, {255, 255, 252}},
      // l = 200 x 64/255 + 100 x 32/255 = 62.75; x 224/255 = 55.1, x 160/255 = 39.4.
      {0x402000, 0xFFE0A0, {200, 100, 50}, {62, 55, 39}},
      {0x000000, 0xFFFFFF, {200, 100, 50}, {0, 0, 0}},
  };
  for (const TintCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.greyBase) + ", " + std::to_string(c.sepiaBase));
    RbPicture source = pair(c.source, c.source);
    RbPicture result = host.call<RbPicture>(kTint, source, c.greyBase, c.sepiaBase);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(shown(result), (std::vector<Rgb>{c.expected, c.expected}));
    EXPECT_EQ(fourthBytes(result), std::vector<uint8_t>(2, 0));
    host.release(result);
    host.release(source);
  }
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

// Every picture in every position: nil, unreadable, or of another size.
TEST_F(BlendingTest, GivesNilForAMissingOrMismatchedPicture) {
  RbPicture ok = patternPicture(3, 2);
  RbPicture section = patternPicture(3, 2, 24, PictureStorage::DibSection);
  RbPicture wider = patternPicture(4, 2);
  RbPicture taller = patternPicture(3, 3);
  RbPicture unreadable = patternPicture(3, 2);
  host.failLocksOf(unreadable);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (RbPicture bad : {RbPicture{nullptr}, wider, taller, unreadable}) {
    for (int at = 0; at < 3; ++at) {
      SCOPED_TRACE(at);
      RbPicture p[3] = {ok, section, ok};
      p[at] = bad;
      EXPECT_EQ(host.call<RbPicture>(kMasked, p[0], p[1], p[2]), nullptr);
      EXPECT_EQ(host.call<RbPicture>(kCombine, p[0], p[1], p[2]), nullptr);
      if (at < 2) {
        EXPECT_EQ(host.call<RbPicture>(kBlend, p[0], 0.5, p[1], 0.5), nullptr);
      }
    }
    EXPECT_EQ(host.call<RbPicture>(kTint, bad == wider || bad == taller ? nullptr : bad,
                                   RbColor{0xFFFFFF}, RbColor{0xFFFFFF}),
              nullptr);
  }
  EXPECT_EQ(host.call<RbPicture>(kBlend, ok, nan, ok, 0.5), nullptr);
  EXPECT_EQ(host.call<RbPicture>(kBlend, ok, 0.5, ok, nan), nullptr);
  for (RbPicture p : {ok, section, wider, taller, unreadable}) host.release(p);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

}  // namespace
}  // namespace zrwtest
