// The processing classes' fast loops against their general loops, byte for
// byte, on random pictures, parameters and areas. A failure names its seed.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "picture/classes/lut3d_kernel.h"
#include "picture/classes/matrix_filter_kernels.h"
#include "picture/classes/min_max_kernel.h"
#include "picture/classes/separable_kernel.h"
#include "picture/classes/sepia_kernel.h"
#include "picture/frame/fast_paths.h"

namespace zrwtest {
namespace {

using zrw::AreaBounds;
using zrw::KernelPath;

// A bottom-up 32-bit picture in plain memory, rows padded past the width so
// that a loop running over the row's end shows.
struct Picture {
  int32_t width, height;
  size_t stride;
  std::vector<uint8_t> bytes;
  Picture(int32_t w, int32_t h, std::mt19937& random, uint8_t fill = 0)
      : width(w), height(h), stride(size_t(w) * 4 + 8), bytes(stride * size_t(h), fill) {
    if (fill == 0)
      for (uint8_t& b : bytes) b = uint8_t(random());
  }
  zrw::SourceRows in() const { return {bytes.data(), stride, width, height}; }
  zrw::ResultRows out() { return {bytes.data(), stride, width, height}; }
};

AreaBounds randomArea(std::mt19937& random, int32_t w, int32_t h) {
  std::uniform_int_distribution<int32_t> x(0, w), y(0, h);
  int32_t l = x(random), r = x(random), t = y(random), b = y(random);
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  if (random() % 3 == 0) return {0, 0, w, h};
  return {l, t, r, b};
}

template <typename Kernel>
void compareOn(uint32_t seed, Kernel kernel) {
  std::mt19937 random(seed);
  const int32_t w = 1 + int32_t(random() % 40), h = 1 + int32_t(random() % 12);
  Picture source(w, h, random);
  Picture fast(w, h, random, 0xCD), general(w, h, random, 0xCD);
  const AreaBounds area = randomArea(random, w, h);
  kernel(random, source.in(), fast.out(), general.out(), area);
  ASSERT_EQ(fast.bytes, general.bytes) << "seed " << seed << ", " << w << " x " << h;
}

TEST(ClassKernels, SpatialFilterFastRowsMatchTheGeneralLoop) {
  for (uint32_t seed = 1; seed <= 300; ++seed)
    compareOn(seed, [](std::mt19937& random, zrw::SourceRows in, zrw::ResultRows fast,
                       zrw::ResultRows general, AreaBounds area) {
      zrw::SpatialFilter f{};
      // Weights whose sums fit 16 bits, 32 bits, and some switched off.
      const int32_t spreads[] = {2, 5, 20, 300};
      const int32_t spread = spreads[random() % 4];
      for (auto& row : f.weights)
        for (int32_t& w : row) {
          w = int32_t(random() % uint32_t(2 * spread + 1)) - spread;
          if (random() % 5 == 0) w = 0;
        }
      f.displacement = int32_t(random() % 512) - 256;
      const double scales[] = {1.0, 0.5, 1.0 / 9, 1.0 / 25, -0.25, 3.0, 1e-9};
      f.scaleFactor = scales[random() % 7];
      if (random() % 8 == 0) f.displacement = random() % 2 ? INT32_MAX : INT32_MIN;
      f.red = random() % 2;
      f.green = random() % 2;
      f.blue = !(f.red || f.green) || random() % 2;
      zrw::filterSpatial(in, fast, area, f, KernelPath::Fast);
      zrw::filterSpatial(in, general, area, f, KernelPath::General);
    });
}

TEST(ClassKernels, ColourMatrixTablesMatchTheGeneralLoop) {
  for (uint32_t seed = 1; seed <= 300; ++seed)
    compareOn(seed, [](std::mt19937& random, zrw::SourceRows in, zrw::ResultRows fast,
                       zrw::ResultRows general, AreaBounds area) {
      zrw::ColourMatrix m{};
      std::uniform_real_distribution<double> weight(-1.5, 1.5), offset(-100, 100);
      for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
          m.m[y][x] = (x == 3 || y == 3) ? offset(random) : weight(random);
      zrw::applyColourMatrix(in, fast, area, m, KernelPath::Fast);
      zrw::applyColourMatrix(in, general, area, m, KernelPath::General);
    });
}

TEST(ClassKernels, SepiaIn32BitSumsMatchesThe64BitLoop) {
  for (uint32_t seed = 1; seed <= 300; ++seed)
    compareOn(seed, [](std::mt19937& random, zrw::SourceRows in, zrw::ResultRows fast,
                       zrw::ResultRows general, AreaBounds area) {
      std::uniform_real_distribution<double> factor(-2, 2);
      std::uniform_int_distribution<int32_t> tint(-300, 300);
      const zrw::SepiaTone tone{zrw::sepiaWeight(factor(random)),
                                zrw::sepiaWeight(factor(random)),
                                zrw::sepiaWeight(factor(random)),
                                tint(random),
                                tint(random),
                                tint(random)};
      zrw::toneSepia(in, fast, area, tone, KernelPath::Fast);
      zrw::toneSepia(in, general, area, tone, KernelPath::General);
    });
}

TEST(ClassKernels, SeparableRowSumsMatchTheGeneralLoop) {
  for (uint32_t seed = 1; seed <= 300; ++seed)
    compareOn(seed, [](std::mt19937& random, zrw::SourceRows in, zrw::ResultRows fast,
                       zrw::ResultRows general, AreaBounds) {
      zrw::SeparableFilter f{};
      f.taps = 1 + int32_t(random() % 20);
      std::uniform_real_distribution<double> weight(-0.5, 1.0);
      for (int32_t i = 0; i < zrw::kMaxTaps; ++i) {
        f.horizontal[i] = weight(random);
        f.vertical[i] = weight(random);
      }
      f.red = random() % 2;
      f.green = random() % 2;
      f.blue = random() % 2;
      ASSERT_TRUE(zrw::convolveSeparable(in, fast, f, KernelPath::Fast));
      ASSERT_TRUE(zrw::convolveSeparable(in, general, f, KernelPath::General));
    });
}

// Rows wider than the fast loop's blocks of sums, and weights that are NaN,
// infinite or huge now and then.
TEST(ClassKernels, SeparableRowSumsMatchTheGeneralLoopOnWideRows) {
  const double odd[] = {std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity(), -1e300, 1e300};
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    std::mt19937 random(seed);
    const int32_t w = 100 + int32_t(random() % 400), h = 1 + int32_t(random() % 30);
    Picture source(w, h, random);
    Picture fast(w, h, random, 0xCD), general(w, h, random, 0xCD);
    zrw::SeparableFilter f{};
    f.taps = 1 + int32_t(random() % 20);
    std::uniform_real_distribution<double> weight(-0.5, 1.0);
    for (int32_t i = 0; i < zrw::kMaxTaps; ++i) {
      f.horizontal[i] = random() % 16 == 0 ? odd[random() % 4] : weight(random);
      f.vertical[i] = random() % 16 == 0 ? odd[random() % 4] : weight(random);
    }
    f.red = random() % 2;
    f.green = random() % 2;
    f.blue = random() % 2;
    ASSERT_TRUE(zrw::convolveSeparable(source.in(), fast.out(), f, KernelPath::Fast));
    ASSERT_TRUE(zrw::convolveSeparable(source.in(), general.out(), f, KernelPath::General));
    ASSERT_EQ(fast.bytes, general.bytes) << "seed " << seed << ", " << w << " x " << h;
  }
}

TEST(ClassKernels, Lut3DWithoutBranchesMatchesTheGeneralLoop) {
  static zrw::Lut3DTable table;
  for (uint32_t seed = 1; seed <= 200; ++seed)
    compareOn(seed, [](std::mt19937& random, zrw::SourceRows in, zrw::ResultRows fast,
                       zrw::ResultRows general, AreaBounds area) {
      std::uniform_real_distribution<double> value(-40, 300);
      const double odd[] = {std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN(), 1e300};
      const bool withOdd = random() % 4 == 0;
      for (auto& plane : table)
        for (auto& row : plane)
          for (auto& node : row)
            for (double& v : node)
              v = withOdd && random() % 50 == 0 ? odd[random() % 4] : value(random);
      zrw::mapThroughLut3D(in, fast, area, table, KernelPath::Fast);
      zrw::mapThroughLut3D(in, general, area, table, KernelPath::General);
    });
}

TEST(ClassKernels, ExtremesByRowsMatchTheGeneralSearch) {
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    std::mt19937 random(seed);
    const int32_t w = 1 + int32_t(random() % 40), h = 1 + int32_t(random() % 12);
    Picture p(w, h, random);
    // Few distinct values, so that ties and untouched start values occur.
    const uint8_t levels[] = {0, 1, 128, 254, 255};
    const bool fewLevels = seed % 2 == 0;
    if (fewLevels)
      for (uint8_t& b : p.bytes) b = levels[b % 5];
    const zrw::Extremes fast = zrw::findExtremes(p.in(), KernelPath::Fast);
    const zrw::Extremes general = zrw::findExtremes(p.in(), KernelPath::General);
    for (int q = 0; q < 4; ++q) {
      EXPECT_EQ(fast.max[q].x, general.max[q].x) << "seed " << seed;
      EXPECT_EQ(fast.max[q].y, general.max[q].y) << "seed " << seed;
      EXPECT_EQ(fast.max[q].value, general.max[q].value) << "seed " << seed;
      EXPECT_EQ(fast.min[q].x, general.min[q].x) << "seed " << seed;
      EXPECT_EQ(fast.min[q].y, general.min[q].y) << "seed " << seed;
      EXPECT_EQ(fast.min[q].value, general.min[q].value) << "seed " << seed;
    }
  }
}

}  // namespace
}  // namespace zrwtest
