// The per-format fast loops of the pixel kernels against the general
// reader/writer walk: on random pictures, selections and amounts, both must
// leave every byte of their target the same, row padding included. Each case
// is drawn from its own seed, which a failure names, so it can be replayed.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "frame/frame_fixture.h"
#include "graphics/color/rgb_offsets.h"
#include "graphics/composite/add_subtract.h"
#include "graphics/frame/fast_paths.h"
#include "graphics/frame/picture_lock.h"
#include "graphics/frame/selection.h"

namespace tvqtest {
namespace {

constexpr uint32_t kSeeds = 300;

class FastPathSetting {
 public:
  explicit FastPathSetting(bool enabled) : before_(tvq::fastPathsEnabled()) {
    tvq::setFastPathsEnabled(enabled);
  }
  ~FastPathSetting() { tvq::setFastPathsEnabled(before_); }

 private:
  bool before_;
};

class FastPathEquivalenceTest : public FrameTest {
 protected:
  int32_t between(std::mt19937& rng, int32_t low, int32_t high) {
    return std::uniform_int_distribution<int32_t>(low, high)(rng);
  }

  // Mostly the depths that have fast loops, sometimes one that has none.
  int32_t drawDepth(std::mt19937& rng) {
    constexpr int32_t kDepthsDrawn[] = {24, 32, 24, 32, 24, 32, 16, 8, 1};
    return kDepthsDrawn[between(rng, 0, 8)];
  }

  PictureStorage drawStorage(std::mt19937& rng) { return kStorages[between(rng, 0, 1)]; }

  // A picture of random bytes everywhere, padding and fourth bytes included.
  RbPicture randomPicture(std::mt19937& rng, int32_t width, int32_t height, int32_t depth) {
    RbPicture p = picture(width, height, depth, drawStorage(rng));
    for (int32_t y = 0; y < height; ++y) {
      uint8_t* row = host.row(p, y);
      for (int32_t i = 0; i < host.rowBytes(p); ++i) row[i] = static_cast<uint8_t>(rng());
    }
    return p;
  }

  // A picture of the same depth, size and bytes, in either storage.
  RbPicture copyOf(std::mt19937& rng, RbPicture p) {
    RbPicture copy = picture(host.width(p), host.height(p), host.depth(p), drawStorage(rng));
    for (int32_t y = 0; y < host.height(p); ++y) {
      const uint8_t* from = host.row(p, y);
      std::copy(from, from + host.rowBytes(p), host.row(copy, y));
    }
    if (host.depth(p) <= 8) host.setPalette(copy, host.palette(p));
    return copy;
  }

  std::vector<uint8_t> bytesOf(RbPicture p) { return rbtest::pictureBytes(host, p); }

  // Often the whole picture or whole rows, otherwise any non-empty part.
  tvq::Selection drawSelection(std::mt19937& rng, int32_t width, int32_t height) {
    for (;;) {
      const tvq::RectangleData rect{between(rng, -4, width + 1), between(rng, -4, height + 1),
                                    between(rng, -2, width + 6), between(rng, -2, height + 6)};
      if (std::optional<tvq::Selection> s = tvq::clipSelection(width, height, &rect)) return *s;
    }
  }

  tvq::RgbDeltas drawDeltas(std::mt19937& rng) {
    auto one = [&] {
      const int32_t kind = between(rng, 0, 9);
      return kind == 0 ? -255 : kind == 1 ? 255 : kind == 2 ? 0 : between(rng, -255, 255);
    };
    const int32_t red = one();
    const int32_t green = one();
    return {red, green, one()};
  }

  // Runs `kernel` once into `fast` with fast paths on, once into `general`
  // with them off; `fast` and `general` start as identical pictures.
  void expectSameBytes(uint32_t seed, RbPicture fast, RbPicture general,
                       const std::function<void(const tvq::PixelView& target)>& kernel) {
    {
      tvq::PictureLock target;
      ASSERT_TRUE(target.lock(fast)) << "seed " << seed;
      FastPathSetting on(true);
      kernel(target.view());
    }
    {
      tvq::PictureLock target;
      ASSERT_TRUE(target.lock(general)) << "seed " << seed;
      FastPathSetting off(false);
      kernel(target.view());
    }
    ASSERT_EQ(bytesOf(fast), bytesOf(general))
        << "fast and general paths differ for seed " << seed << " (" << host.width(fast) << " x "
        << host.height(fast) << " at " << host.depth(fast) << " bits)";
  }
};

TEST_F(FastPathEquivalenceTest, OffsetSelection) {
  for (uint32_t seed = 1; seed <= kSeeds; ++seed) {
    std::mt19937 rng(seed);
    const int32_t width = between(rng, 1, 37);
    const int32_t height = between(rng, 1, 9);
    const int32_t depth = drawDepth(rng);
    RbPicture source = randomPicture(rng, width, height, depth);
    const tvq::Selection selection = drawSelection(rng, width, height);
    const tvq::RgbDeltas deltas = drawDeltas(rng);
    RbPicture fast = randomPicture(rng, width, height, depth < 16 ? 16 : depth);
    RbPicture general = copyOf(rng, fast);
    tvq::PictureLock in;
    ASSERT_TRUE(in.lock(source)) << "seed " << seed;
    expectSameBytes(seed, fast, general, [&](const tvq::PixelView& target) {
      tvq::offsetSelection(in.view(), target, selection, deltas);
    });
  }
}

TEST_F(FastPathEquivalenceTest, OffsetInPlace) {
  for (uint32_t seed = 1; seed <= kSeeds; ++seed) {
    std::mt19937 rng(seed);
    const int32_t width = between(rng, 1, 37);
    const int32_t height = between(rng, 1, 9);
    RbPicture fast = randomPicture(rng, width, height, drawDepth(rng));
    RbPicture general = copyOf(rng, fast);
    const tvq::Selection selection = drawSelection(rng, width, height);
    const tvq::RgbDeltas deltas = drawDeltas(rng);
    expectSameBytes(seed, fast, general, [&](const tvq::PixelView& picture) {
      tvq::offsetInPlace(picture, selection, deltas);
    });
  }
}

TEST_F(FastPathEquivalenceTest, AddAndSubtract) {
  for (uint32_t seed = 1; seed <= kSeeds; ++seed) {
    std::mt19937 rng(seed);
    const int32_t width = between(rng, 1, 37);
    const int32_t height = between(rng, 1, 9);
    const int32_t depth = drawDepth(rng);
    // Usually both of one depth, as the fast loops need.
    const int32_t secondDepth = between(rng, 0, 3) == 0 ? drawDepth(rng) : depth;
    RbPicture first = randomPicture(rng, width, height, depth);
    RbPicture second = randomPicture(rng, width, height, secondDepth);
    const auto arithmetic =
        between(rng, 0, 1) == 0 ? tvq::ChannelArithmetic::Add : tvq::ChannelArithmetic::Subtract;
    RbPicture fast = randomPicture(rng, width, height, depth < 16 ? 16 : depth);
    RbPicture general = copyOf(rng, fast);
    tvq::PictureLock a;
    tvq::PictureLock b;
    ASSERT_TRUE(a.lock(first)) << "seed " << seed;
    ASSERT_TRUE(b.lock(second)) << "seed " << seed;
    expectSameBytes(seed, fast, general, [&](const tvq::PixelView& target) {
      tvq::combineChannels(a.view(), b.view(), target, arithmetic);
    });
  }
}

}  // namespace
}  // namespace tvqtest
