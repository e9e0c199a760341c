// Colour counting, histograms and lookup transformation, called through the
// host.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "function_fixture.h"

namespace zrwtest {
namespace {

const char* const kCountColor = "CountColorZRW(col as color) as integer";
const char* const kCountColors =
    "CountColorsZRW(byref red as memoryblock, byref blue as memoryblock, byref green as "
    "memoryblock, byref count as integer)";
const char* const kTransform =
    "TransformColorsZRW(red as memoryblock, blue as memoryblock, green as memoryblock) as "
    "picture";

class ColorCountingTest : public PictureFunctionTest {
 protected:
  uint32_t counter(RbMemoryBlock block, size_t v) const {
    uint32_t value;
    std::memcpy(&value, host.memoryBlockBytes(block) + 4 * v, 4);
    return value;
  }
  // The nonzero counters of a histogram block, as (value, count).
  std::vector<std::pair<size_t, uint32_t>> histogram(RbMemoryBlock block) const {
    EXPECT_EQ(host.memoryBlockSize(block), 1024);
    std::vector<std::pair<size_t, uint32_t>> nonzero;
    for (size_t v = 0; v < 256; ++v)
      if (counter(block, v) != 0) nonzero.emplace_back(v, counter(block, v));
    return nonzero;
  }
  RbMemoryBlock table(const std::function<uint8_t(int)>& f, int32_t size = 256) {
    RbMemoryBlock block = host.newMemoryBlock(size);
    for (int v = 0; v < size; ++v) host.memoryBlockBytes(block)[v] = f(v);
    return block;
  }
};

TEST_F(ColorCountingTest, CountsOneColourIgnoringTheFourthByte) {
  RbPicture white = pictureShowing(10, 10, std::vector<Rgb>(100, Rgb{255, 255, 255}));
  EXPECT_EQ(host.call<int32_t>(kCountColor, white, RbColor{0xFFFFFF}), 100);
  EXPECT_EQ(host.call<int32_t>(kCountColor, white, RbColor{0xFFFFFE}), 0);
  RbPicture mixed = pictureOfValues(
      3, 2, {0xAA102030, 0x00102030, 0x00302010, 0xFF102030, 0x00102031, 0x00000000});
  EXPECT_EQ(host.call<int32_t>(kCountColor, mixed, RbColor{0x102030}), 3);
  EXPECT_EQ(host.call<int32_t>(kCountColor, mixed, RbColor{0x302010}), 1);
  EXPECT_EQ(host.call<int32_t>(kCountColor, mixed, RbColor{0x000000}), 1);
  EXPECT_EQ(host.call<int32_t>(kCountColor, mixed, RbColor{0xAA102030}), 0);
  RbPicture stored8 = pictureShowing(3, 1, {{9, 8, 7}, {1, 2, 3}, {9, 8, 7}}, 8);
  EXPECT_EQ(host.call<int32_t>(kCountColor, stored8, RbColor{0x090807}), 2);

  RbPicture unreadable = patternPicture(2, 2);
  host.failLocksOf(unreadable);
  EXPECT_EQ(host.call<int32_t>(kCountColor, RbPicture{nullptr}, RbColor{0}), -1);
  EXPECT_EQ(host.call<int32_t>(kCountColor, unreadable, RbColor{0}), -1);
  for (RbPicture p : {white, mixed, stored8, unreadable}) host.release(p);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

TEST_F(ColorCountingTest, BuildsAHistogramPerChannelInTheDeclaredOrder) {
  // Three pixels wide, so an odd pixel ends each row.
  RbPicture p = pictureShowing(
      3, 2, {{10, 20, 30}, {10, 40, 30}, {50, 20, 60}, {10, 20, 30}, {0, 0, 0}, {255, 255, 255}},
      24);
  // Blocks the variables held before are dropped.
  RbMemoryBlock red = host.newMemoryBlock(8), blue = host.newMemoryBlock(8), green = nullptr;
  int32_t count = 99;
  host.call<void>(kCountColors, p, &red, &blue, &green, &count);
  EXPECT_EQ(count, 6);
  ASSERT_NE(red, nullptr);
  ASSERT_NE(blue, nullptr);
  ASSERT_NE(green, nullptr);
  using H = std::vector<std::pair<size_t, uint32_t>>;
  EXPECT_EQ(histogram(red), (H{{0, 1}, {10, 3}, {50, 1}, {255, 1}}));
  EXPECT_EQ(histogram(green), (H{{0, 1}, {20, 3}, {40, 1}, {255, 1}}));
  EXPECT_EQ(histogram(blue), (H{{0, 1}, {30, 3}, {60, 1}, {255, 1}}));
  // A picture that cannot be opened: the variables are emptied (the blocks
  // dropped), count -1.
  count = 5;
  host.call<void>(kCountColors, RbPicture{nullptr}, &red, &blue, &green, &count);
  EXPECT_EQ(red, nullptr);
  EXPECT_EQ(blue, nullptr);
  EXPECT_EQ(green, nullptr);
  EXPECT_EQ(count, -1);
  host.release(p);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

TEST_F(ColorCountingTest, TransformsEachChannelThroughItsOwnTable) {
  RbPicture p = pictureOfValues(3, 1, {0x77FF8001, 0x00102030, 0x12000000});
  RbMemoryBlock identity = table([](int v) { return uint8_t(v); });
  RbMemoryBlock inverse = table([](int v) { return uint8_t(255 - v); });
  RbMemoryBlock half = table([](int v) { return uint8_t(v / 2); }, 300);  // longer is fine
  RbMemoryBlock flipped = table([](int v) { return uint8_t(v ^ 0x0F); });

  RbPicture same = host.call<RbPicture>(kTransform, p, identity, identity, identity);
  ASSERT_NE(same, nullptr);
  EXPECT_EQ(values(same), (std::vector<uint32_t>{0x00FF8001, 0x00102030, 0x00000000}));
  // Red, blue, green, as declared.
  RbPicture mapped = host.call<RbPicture>(kTransform, p, inverse, half, flipped);
  ASSERT_NE(mapped, nullptr);
  EXPECT_EQ(values(mapped), (std::vector<uint32_t>{0x00008F00, 0x00EF2F18, 0x00FF0F00}));

  RbMemoryBlock tooShort = table([](int v) { return uint8_t(v); }, 255);
  RbMemoryBlock none = nullptr;
  for (int at = 0; at < 3; ++at) {
    for (RbMemoryBlock bad : {none, tooShort}) {
      RbMemoryBlock blocks[3] = {identity, identity, identity};
      blocks[at] = bad;
      EXPECT_EQ(host.call<RbPicture>(kTransform, p, blocks[0], blocks[1], blocks[2]), nullptr)
          << at;
    }
  }
  EXPECT_EQ(host.call<RbPicture>(kTransform, RbPicture{nullptr}, identity, identity, identity),
            nullptr);
  for (RbMemoryBlock b : {identity, inverse, half, flipped, tooShort}) host.release(b);
  for (RbPicture q : {p, same, mapped}) host.release(q);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

}  // namespace
}  // namespace zrwtest
