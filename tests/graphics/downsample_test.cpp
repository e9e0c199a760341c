// TVQ_Downsample through the host.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "color_fixture.h"

namespace tvqtest {
namespace {

constexpr const char* kDownsample =
    "TVQ_Downsample(extends p as picture, bits_per_channel as integer) as picture";

class DownsampleTest : public ColorOperationTest {
 protected:
  ColorCall downsample(int32_t bits) {
    return [=, this](RbPicture p, RbObject, RbPicture) {
      return host.call<RbPicture>(kDownsample, p, bits);
    };
  }
  uint8_t level(int32_t bits, uint8_t c) {
    return static_cast<uint8_t>(onePixel(downsample(bits), 24, uint32_t{c} << 16) >> 16);
  }
};

TEST_F(DownsampleTest, ChannelsRoundToTheStep) {
  struct Case {
    int32_t bits;
    uint8_t in, out;
  };
  const Case cases[] = {
      {1, 0, 0},     {1, 63, 0},    {1, 64, 128},  {1, 191, 128}, {1, 192, 255},
      {1, 255, 255}, {2, 31, 0},    {2, 32, 64},   {2, 223, 192}, {2, 224, 255},
      {4, 7, 0},     {4, 8, 16},    {4, 247, 240}, {4, 248, 255}, {7, 1, 2},
      {7, 254, 254}, {7, 255, 255}, {8, 0, 0},     {8, 137, 137}, {8, 255, 255},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.bits) + " bits, " + std::to_string(c.in));
    EXPECT_EQ(level(c.bits, c.in), c.out);
  }
}

TEST_F(DownsampleTest, WholePictureAtEveryDepth) {
  for (int32_t bits : {1, 3, 8}) {
    SCOPED_TRACE(std::to_string(bits) + " bits per channel");
    const int32_t step = 1 << (8 - bits);
    auto round = [&](uint8_t c) {
      return static_cast<uint8_t>(std::min((c + step / 2) / step * step, 255));
    };
    for (PictureStorage storage : kStorages) {
      for (int32_t depth : kAllDepths) {
        SCOPED_TRACE(std::to_string(depth) + "-bit source");
        RbPicture source = patternPicture(7, 3, depth, storage);
        RbPicture result = adopt(downsample(bits)(source, nullptr, nullptr));
        ASSERT_NE(result, nullptr);
        ASSERT_EQ(host.depth(result), resultDepthOf(depth));
        for (int32_t y = 0; y < 3; ++y)
          for (int32_t x = 0; x < 7; ++x) {
            const Rgb c = readColor(source, x, y);
            EXPECT_EQ(
                host.pixel(result, x, y),
                heldAtDepth({round(c.red), round(c.green), round(c.blue)}, resultDepthOf(depth)))
                << "at " << x << ", " << y;
          }
      }
    }
  }
}

TEST_F(DownsampleTest, ChecksInOrder) {
  struct Case {
    const char* what;
    Arrangement a;
    int32_t bits;
    int32_t code;
  };
  const Case cases[] = {
      {"nil source before the bits", {.nilSource = true}, 0, 2},
      {"0 bits", {.sourceLockFails = true}, 0, 47},
      {"9 bits", {}, 9, 47},
      {"the lowest integer", {}, INT32_MIN, 47},
      {"source lock", {.sourceLockFails = true}, 4, 3},
      {"no result", {.noResult = true}, 4, 5},
      {"8 bits", {}, 8, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    expectCode(c.a, c.code, downsample(c.bits));
  }
}

}  // namespace
}  // namespace tvqtest
