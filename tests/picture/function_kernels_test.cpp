// The picture functions' fast loops against their general loops, byte for
// byte, on random pictures and parameters. A failure names its seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <random>
#include <utility>
#include <vector>

#include "picture/frame/fast_paths.h"
#include "picture/functions/blending.h"
#include "picture/functions/inversion.h"
#include "picture/functions/tint.h"

namespace zrwtest {
namespace {

using zrw::KernelPath;

// A bottom-up 32-bit picture in plain memory, rows padded past the width so
// that a loop running over the row's end shows.
struct Picture {
  int32_t width, height;
  size_t stride;
  std::vector<uint8_t> bytes;
  Picture(int32_t w, int32_t h, std::mt19937& random, bool filled)
      : width(w),
        height(h),
        stride(size_t(w) * 4 + 4 * (random() % 3)),
        bytes(stride * size_t(h), 0xCD) {
    if (filled)
      for (uint8_t& b : bytes) b = uint8_t(random());
  }
  zrw::SourceRows in() const { return {bytes.data(), stride, width, height}; }
  zrw::ResultRows out() { return {bytes.data(), stride, width, height}; }
};

using Kernel = std::function<void(std::mt19937&, const std::vector<zrw::SourceRows>&,
                                  zrw::ResultRows, KernelPath)>;

// Runs `kernel` on `sources` random pictures of one random size (width
// 1..40) both ways, with the same parameters drawn from the seed.
void compareOn(uint32_t seed, int sources, const Kernel& kernel) {
  std::mt19937 random(seed);
  const int32_t w = 1 + int32_t(random() % 40), h = 1 + int32_t(random() % 6);
  std::vector<Picture> pictures;
  std::vector<zrw::SourceRows> in;
  for (int i = 0; i < sources; ++i) pictures.emplace_back(w, h, random, true);
  for (const Picture& p : pictures) in.push_back(p.in());
  Picture fast(w, h, random, false), general = fast;
  const uint32_t parameters = random();
  std::mt19937 forFast(parameters), forGeneral(parameters);
  kernel(forFast, in, fast.out(), KernelPath::Fast);
  kernel(forGeneral, in, general.out(), KernelPath::General);
  ASSERT_EQ(fast.bytes, general.bytes) << "seed " << seed << ", " << w << " x " << h;
}

// Weights at the edges of 16 signed bits, past them, and extreme.
int32_t randomWeight(std::mt19937& random) {
  const int32_t edges[] = {0,         1,         1023,          1024,          1025,
                           INT16_MAX, INT16_MIN, INT16_MAX + 1, INT16_MIN - 1, INT32_MAX,
                           INT32_MIN, -1};
  switch (random() % 4) {
    case 0:
      return edges[random() % std::size(edges)];
    case 1:
      return int32_t(random() % 2049) - 1024;
    case 2:
      return int32_t(random() % 65536) - 32768;
    default:
      return int32_t(random());
  }
}

TEST(FunctionKernels, BlendFastRowsMatchTheGeneralLoop) {
  for (uint32_t seed = 1; seed <= 400; ++seed)
    compareOn(seed, 2,
              [](std::mt19937& random, const std::vector<zrw::SourceRows>& in, zrw::ResultRows out,
                 KernelPath path) {
                const int32_t ws = randomWeight(random), wd = randomWeight(random);
                zrw::blendRows(in[0], ws, in[1], wd, out, path);
              });
}

TEST(FunctionKernels, MaskedBlendFastRowsMatchTheGeneralLoop) {
  for (uint32_t seed = 1; seed <= 200; ++seed)
    compareOn(seed, 3,
              [](std::mt19937&, const std::vector<zrw::SourceRows>& in, zrw::ResultRows out,
                 KernelPath path) { zrw::blendRowsWithMask(in[0], in[1], in[2], out, path); });
}

TEST(FunctionKernels, TintFastRowsMatchTheGeneralLoop) {
  for (uint32_t seed = 1; seed <= 300; ++seed)
    compareOn(seed, 1,
              [](std::mt19937& random, const std::vector<zrw::SourceRows>& in, zrw::ResultRows out,
                 KernelPath path) {
                // Bases of every channel value, black and white among them.
                const auto base = [&random] {
                  const uint32_t kinds[] = {0x000000, 0xFFFFFF, uint32_t(random() & 0xFFFFFF)};
                  return kinds[random() % 3];
                };
                const uint32_t grey = base(), sepia = base();
                zrw::tintRows(in[0], out, grey, sepia, path);
              });
}

TEST(FunctionKernels, InversionFastRowsMatchTheGeneralLoop) {
  for (uint32_t seed = 1; seed <= 200; ++seed)
    compareOn(seed, 1,
              [](std::mt19937& random, const std::vector<zrw::SourceRows>& in, zrw::ResultRows out,
                 KernelPath path) {
                const auto edges = [&random](int32_t size) {
                  int32_t a = int32_t(random() % uint32_t(size + 1)),
                          b = int32_t(random() % uint32_t(size + 1));
                  if (random() % 3 == 0) return std::pair{0, size};
                  return std::pair{std::min(a, b), std::max(a, b)};
                };
                const auto [left, right] = edges(in[0].width);
                const auto [top, bottom] = edges(in[0].height);
                zrw::PixelArea area;
                area.left = left;
                area.right = right;
                area.top = top;
                area.bottom = bottom;
                zrw::invertArea(in[0], out, area, path);
              });
}

// A result large enough to be written past the caches, its rows starting
// off the 16-byte places such stores need.
TEST(FunctionKernels, InversionOfALargePictureMatchesTheGeneralLoop) {
  std::mt19937 random(5);
  const int32_t w = 1031, h = 4099;
  Picture source(w, h, random, true), fast(w, h, random, false);
  Picture general = fast;
  const zrw::PixelArea area{1, 0, w, h};
  zrw::invertArea(source.in(), fast.out(), area, KernelPath::Fast);
  zrw::invertArea(source.in(), general.out(), area, KernelPath::General);
  EXPECT_TRUE(fast.bytes == general.bytes);
}

}  // namespace
}  // namespace zrwtest
