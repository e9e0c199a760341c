// Every fast loop of every kernel's table against that table's general walk:
// on random pictures of the formats the entry accepts, random selections and
// random parameters, both must leave every byte of their target the same,
// row padding included. Each case is drawn from its own seed, which a failure
// names with the kernel and the entry, so it can be replayed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iostream>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "frame/frame_fixture.h"
#include "graphics/color/color_matrix_adjust.h"
#include "graphics/color/hsv_adjust.h"
#include "graphics/color/threshold.h"
#include "graphics/composite/add_subtract.h"
#include "graphics/composite/compare.h"
#include "graphics/composite/composite.h"
#include "graphics/composite/composite_mask.h"
#include "graphics/composite/convolute.h"
#include "graphics/composite/difference.h"
#include "graphics/composite/transition.h"
#include "graphics/conversion/memory_block_export.h"
#include "graphics/frame/channel_curves.h"
#include "graphics/frame/fast_path_table.h"
#include "graphics/frame/fast_paths.h"
#include "graphics/frame/picture_lock.h"
#include "graphics/frame/selection.h"
#include "graphics/frame/symmetry.h"
#include "graphics/geometry/shear.h"
#include "graphics/geometry/stretch.h"

namespace tvqtest {
namespace {

using tvq::FormatSet;
using tvq::PixelFormat;
using tvq::PixelView;

constexpr uint32_t kSeeds = 200;

class FastPathSetting {
 public:
  explicit FastPathSetting(bool enabled) : before_(tvq::fastPathsEnabled()) {
    tvq::setFastPathsEnabled(enabled);
  }
  ~FastPathSetting() { tvq::setFastPathsEnabled(before_); }

 private:
  bool before_;
};

// The format a picture of `depth` has when locked as a picture (not as its
// own mask).
PixelFormat lockedFormatOf(int32_t depth) {
  switch (depth) {
    case 32:
      return PixelFormat::Bgrx32;
    case 24:
      return PixelFormat::Bgr24;
    case 16:
      return PixelFormat::Rgb555;
    case 8:
      return PixelFormat::Indexed8;
    default:
      return PixelFormat::Unreadable;
  }
}

class FastPathEquivalenceTest : public FrameTest {
 protected:
  static int32_t between(std::mt19937& rng, int32_t low, int32_t high) {
    return std::uniform_int_distribution<int32_t>(low, high)(rng);
  }

  // A depth whose pictures lock to a format of `set`; `resultsOnly` keeps to
  // the depths a result can have.
  static int32_t depthIn(std::mt19937& rng, FormatSet set, bool resultsOnly = false) {
    std::vector<int32_t> fits;
    for (int32_t depth : {32, 24, 16, 8, 4, 2, 1}) {
      if (resultsOnly && depth < 16) continue;
      if (set.contains(lockedFormatOf(depth))) fits.push_back(depth);
    }
    return fits[static_cast<size_t>(between(rng, 0, static_cast<int32_t>(fits.size()) - 1))];
  }

  // Mostly narrow rows, where the ends of rows and selections meet; now and
  // then rows long enough for several vectors and a tail.
  static int32_t drawWidth(std::mt19937& rng) {
    return between(rng, 0, 3) == 0 ? between(rng, 38, 300) : between(rng, 1, 37);
  }

  PictureStorage drawStorage(std::mt19937& rng) { return kStorages[between(rng, 0, 1)]; }

  // A picture of random bytes everywhere, padding and fourth bytes included;
  // palettes of random colours and random length.
  RbPicture randomPicture(std::mt19937& rng, int32_t width, int32_t height, int32_t depth) {
    RbPicture p = picture(width, height, depth, drawStorage(rng));
    for (int32_t y = 0; y < height; ++y) {
      uint8_t* row = host.row(p, y);
      for (int32_t i = 0; i < host.rowBytes(p); ++i) row[i] = static_cast<uint8_t>(rng());
    }
    if (depth <= 8) {
      std::vector<Rgb> palette(static_cast<size_t>(between(rng, 1, 1 << depth)));
      for (Rgb& c : palette) {
        c = {static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng())};
      }
      host.setPalette(p, palette);
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

  // Curves of any shape, out-of-range values included, with the identity,
  // the extremes and plain offsets (which have loops of their own) now and
  // then.
  tvq::ChannelCurves drawCurves(std::mt19937& rng) {
    const int32_t kind = between(rng, 0, 5);
    const int32_t offset[3] = {between(rng, -300, 300), between(rng, -300, 300),
                               between(rng, -300, 300)};
    return tvq::ChannelCurves::from([&](int channel, int32_t v) {
      switch (kind) {
        case 0:
          return v;
        case 1:
          return between(rng, 0, 1) == 0 ? -255 : 510;
        case 2:
          return v + offset[channel];
        default:
          return between(rng, -600, 900);
      }
    });
  }

  tvq::CopyRule drawCopyRule(std::mt19937& rng) {
    return between(rng, 0, 1) == 0 ? tvq::CopyRule::Converted : tvq::CopyRule::StoredBits;
  }

  // Runs the kernel once into `fast` with the fast loop, once into `general`
  // with the general walk; the two start as identical pictures.
  void expectSameBytes(RbPicture fast, RbPicture general,
                       const std::function<void(const PixelView& target, bool fastLoop)>& run) {
    for (RbPicture target : {fast, general}) {
      tvq::PictureLock lock;
      ASSERT_TRUE(lock.lock(target));
      run(lock.view(), target == fast);
    }
    ASSERT_EQ(bytesOf(fast), bytesOf(general))
        << "fast and general loops differ (" << host.width(fast) << " x " << host.height(fast)
        << " at " << host.depth(fast) << " bits)";
  }

  // A random target of a format `entry` accepts, and its twin.
  std::pair<RbPicture, RbPicture> targets(std::mt19937& rng, FormatSet accepted, int32_t width,
                                          int32_t height) {
    RbPicture fast = randomPicture(rng, width, height, depthIn(rng, accepted, true));
    return {fast, copyOf(rng, fast)};
  }

  // Every fast entry of `table`, kSeeds cases each: runCase(rng, entry,
  // generalLoop) draws the inputs and compares.
  template <typename Loop, size_t N, typename RunCase>
  void walkTable(const char* kernel, const tvq::FastPathTable<Loop, N>& table, RunCase runCase) {
    for (const tvq::FastPath<Loop>& entry : table.fast) {
      if (!entry.usable()) {
        std::cout << kernel << ", entry \"" << entry.name << "\": not on this processor\n";
        continue;
      }
      for (uint32_t seed = 1; seed <= kSeeds; ++seed) {
        SCOPED_TRACE(std::string(kernel) + ", entry \"" + entry.name + "\", seed " +
                     std::to_string(seed));
        std::mt19937 rng(seed);
        runCase(rng, entry, table.general);
        if (HasFailure()) return;
      }
    }
  }

  // One case of a selection kernel's entry: a random source of a format the
  // entry accepts, a selection and twin targets; run(loop, source, target,
  // selection) with the entry's loop and with the general one.
  template <typename Entry, typename Loop, typename Run>
  void compareOnSelection(std::mt19937& rng, const Entry& entry, Loop general, Run run) {
    const int32_t width = between(rng, 1, 37);
    const int32_t height = between(rng, 1, 9);
    RbPicture source = randomPicture(rng, width, height, depthIn(rng, entry.source));
    const tvq::Selection selection = drawSelection(rng, width, height);
    auto [fast, slow] = targets(rng, entry.target, width, height);
    tvq::PictureLock in;
    ASSERT_TRUE(in.lock(source));
    expectSameBytes(fast, slow, [&](const PixelView& target, bool fastLoop) {
      run(fastLoop ? entry.loop : general, in.view(), target, selection);
    });
  }

  // The same for a mask kernel: run(loop, source, mask, target).
  template <typename Entry, typename Loop, typename Run>
  void compareByMask(std::mt19937& rng, const Entry& entry, Loop general, Run run) {
    const int32_t width = between(rng, 1, 37);
    const int32_t height = between(rng, 1, 9);
    RbPicture source = randomPicture(rng, width, height, depthIn(rng, entry.source));
    RbPicture mask = randomPicture(rng, width, height, depthIn(rng, entry.second));
    auto [fast, slow] = targets(rng, entry.target, width, height);
    tvq::PictureLock in;
    tvq::PictureLock levels;
    ASSERT_TRUE(in.lock(source));
    ASSERT_TRUE(levels.lock(mask));
    expectSameBytes(fast, slow, [&](const PixelView& target, bool fastLoop) {
      run(fastLoop ? entry.loop : general, in.view(), levels.view(), target);
    });
  }
};

TEST_F(FastPathEquivalenceTest, CurvesOnASelection) {
  walkTable("curves on a selection", tvq::curveSelectionLoops(),
            [&](std::mt19937& rng, const auto& entry, auto general) {
              const int32_t width = drawWidth(rng);
              const int32_t height = between(rng, 1, 9);
              RbPicture source = randomPicture(rng, width, height, depthIn(rng, entry.source));
              const tvq::Selection selection = drawSelection(rng, width, height);
              const tvq::ClampedCurves curves(drawCurves(rng));
              const tvq::CopyRule copy = drawCopyRule(rng);
              auto [fast, slow] = targets(rng, entry.target, width, height);
              tvq::PictureLock in;
              ASSERT_TRUE(in.lock(source));
              expectSameBytes(fast, slow, [&](const PixelView& target, bool fastLoop) {
                (fastLoop ? entry.loop : general)(in.view(), target, selection, curves, copy);
              });
            });
}

TEST_F(FastPathEquivalenceTest, CurvesInPlace) {
  walkTable("curves in place", tvq::curveInPlaceLoops(),
            [&](std::mt19937& rng, const auto& entry, auto general) {
              const int32_t width = drawWidth(rng);
              const int32_t height = between(rng, 1, 9);
              auto [fast, slow] = targets(rng, entry.source, width, height);
              const tvq::Selection selection = drawSelection(rng, width, height);
              const tvq::ClampedCurves curves(drawCurves(rng));
              expectSameBytes(fast, slow, [&](const PixelView& picture, bool fastLoop) {
                (fastLoop ? entry.loop : general)(picture, selection, curves);
              });
            });
}

TEST_F(FastPathEquivalenceTest, CurvesByMask) {
  for (tvq::MaskWeighting weighting :
       {tvq::MaskWeighting::Levels255, tvq::MaskWeighting::Steps256}) {
    walkTable(weighting == tvq::MaskWeighting::Levels255 ? "curves by mask, 255 levels"
                                                         : "curves by mask, 256 steps",
              tvq::curveMaskLoops(weighting),
              [&](std::mt19937& rng, const auto& entry, auto general) {
                const int32_t width = drawWidth(rng);
                const int32_t height = between(rng, 1, 9);
                RbPicture source = randomPicture(rng, width, height, depthIn(rng, entry.source));
                RbPicture mask = randomPicture(rng, width, height, depthIn(rng, entry.second));
                const tvq::ChannelCurves curves = drawCurves(rng);
                const tvq::CopyRule copy = drawCopyRule(rng);
                auto [fast, slow] = targets(rng, entry.target, width, height);
                tvq::PictureLock in;
                tvq::PictureLock levels;
                ASSERT_TRUE(in.lock(source));
                ASSERT_TRUE(levels.lock(mask));
                expectSameBytes(fast, slow, [&](const PixelView& target, bool fastLoop) {
                  (fastLoop ? entry.loop : general)(in.view(), levels.view(), target, curves, copy);
                });
              });
  }
}

TEST_F(FastPathEquivalenceTest, CurveSums) {
  walkTable("curve sums", tvq::curveSumLoops(),
            [&](std::mt19937& rng, const auto& entry, auto general) {
              const int32_t width = drawWidth(rng);
              const int32_t height = between(rng, 1, 9);
              RbPicture source = randomPicture(rng, width, height, depthIn(rng, entry.source));
              const tvq::Selection selection = drawSelection(rng, width, height);
              const tvq::ChannelCurves curves = drawCurves(rng);
              tvq::PictureLock in;
              ASSERT_TRUE(in.lock(source));
              EXPECT_TRUE(entry.loop(in.view(), selection, curves) ==
                          general(in.view(), selection, curves));
            });
}

tvq::ThresholdRule drawThresholdRule(std::mt19937& rng) {
  return {rng() % 2 == 0, rng() % 2 == 0, static_cast<uint32_t>(rng()),
          static_cast<uint32_t>(rng())};
}

TEST_F(FastPathEquivalenceTest, ThresholdOnASelection) {
  walkTable("threshold on a selection", tvq::thresholdSelectionLoops(),
            [&](std::mt19937& rng, const auto& entry, auto general) {
              const int32_t width = drawWidth(rng);
              const int32_t height = between(rng, 1, 9);
              RbPicture source = randomPicture(rng, width, height, depthIn(rng, entry.source));
              const tvq::Selection selection = drawSelection(rng, width, height);
              const tvq::ThresholdRule rule = drawThresholdRule(rng);
              auto [fast, slow] = targets(rng, entry.target, width, height);
              tvq::PictureLock in;
              ASSERT_TRUE(in.lock(source));
              expectSameBytes(fast, slow, [&](const PixelView& target, bool fastLoop) {
                (fastLoop ? entry.loop : general)(in.view(), target, selection, rule);
              });
            });
}

TEST_F(FastPathEquivalenceTest, ThresholdByMask) {
  walkTable("threshold by mask", tvq::thresholdMaskLoops(),
            [&](std::mt19937& rng, const auto& entry, auto general) {
              const int32_t width = drawWidth(rng);
              const int32_t height = between(rng, 1, 9);
              RbPicture source = randomPicture(rng, width, height, depthIn(rng, entry.source));
              RbPicture mask = randomPicture(rng, width, height, depthIn(rng, entry.second));
              const tvq::ThresholdRule rule = drawThresholdRule(rng);
              auto [fast, slow] = targets(rng, entry.target, width, height);
              tvq::PictureLock in;
              tvq::PictureLock levels;
              ASSERT_TRUE(in.lock(source));
              ASSERT_TRUE(levels.lock(mask));
              expectSameBytes(fast, slow, [&](const PixelView& target, bool fastLoop) {
                (fastLoop ? entry.loop : general)(in.view(), levels.view(), target, rule);
              });
            });
}

TEST_F(FastPathEquivalenceTest, Transition) {
  walkTable(
      "transition", tvq::transitionLoops(),
      [&](std::mt19937& rng, const auto& entry, auto general) {
        const int32_t width = drawWidth(rng);
        const int32_t height = between(rng, 1, 9);
        RbPicture source = randomPicture(rng, width, height, depthIn(rng, entry.source));
        const int32_t overlayDepth = depthIn(rng, entry.second);
        RbPicture a = randomPicture(rng, width, height, overlayDepth);
        RbPicture b = randomPicture(rng, width, height, overlayDepth);
        const int32_t wa = between(rng, 0, 256);
        const tvq::TransitionWeights weights{wa, between(rng, 0, 1) == 0 ? 256 - wa : 255 - wa};
        auto [fast, slow] = targets(rng, entry.target, width, height);
        tvq::PictureLock in, la, lb;
        ASSERT_TRUE(in.lock(source) && la.lock(a) && lb.lock(b));
        expectSameBytes(fast, slow, [&](const PixelView& target, bool fastLoop) {
          (fastLoop ? entry.loop : general)(in.view(), la.view(), lb.view(), target, weights);
        });
      });
}

// Overlays of any size placed anywhere near the source, partly or wholly off
// it now and then.
tvq::OverlayPlacement drawPlacement(std::mt19937& rng, int32_t width, int32_t height,
                                    int32_t overlayWidth, int32_t overlayHeight) {
  auto between = [&](int32_t low, int32_t high) {
    return std::uniform_int_distribution<int32_t>(low, high)(rng);
  };
  return {between(-overlayWidth - 1, width + 1), between(-overlayHeight - 1, height + 1)};
}

TEST_F(FastPathEquivalenceTest, Composite) {
  walkTable("composite", tvq::compositeLoops(),
            [&](std::mt19937& rng, const auto& entry, auto general) {
              const int32_t width = drawWidth(rng);
              const int32_t height = between(rng, 1, 9);
              RbPicture source = randomPicture(rng, width, height, depthIn(rng, entry.source));
              const int32_t overlayWidth = drawWidth(rng), overlayHeight = between(rng, 1, 9);
              RbPicture overlay =
                  randomPicture(rng, overlayWidth, overlayHeight, depthIn(rng, entry.second));
              // Half the time the overlay's own mask, at any depth.
              const bool masked = between(rng, 0, 1) == 0;
              RbPicture mask =
                  randomPicture(rng, overlayWidth, overlayHeight, depthIn(rng, FormatSet::any()));
              const tvq::OverlayPlacement at =
                  drawPlacement(rng, width, height, overlayWidth, overlayHeight);
              const auto weight = static_cast<uint32_t>(between(rng, 0, 256));
              auto [fast, slow] = targets(rng, entry.target, width, height);
              tvq::PictureLock in, over, levels;
              ASSERT_TRUE(in.lock(source) && over.lock(overlay) && levels.lock(mask));
              expectSameBytes(fast, slow, [&](const PixelView& target, bool fastLoop) {
                (fastLoop ? entry.loop : general)(
                    in.view(), over.view(), masked ? &levels.view() : nullptr, target, at, weight);
              });
            });
}

TEST_F(FastPathEquivalenceTest, CompositeThroughAMask) {
  walkTable("composite through a mask", tvq::maskedCompositeLoops(),
            [&](std::mt19937& rng, const auto& entry, auto general) {
              const int32_t width = drawWidth(rng);
              const int32_t height = between(rng, 1, 9);
              RbPicture source = randomPicture(rng, width, height, depthIn(rng, entry.source));
              const int32_t overlayWidth = drawWidth(rng), overlayHeight = between(rng, 1, 9);
              RbPicture overlay =
                  randomPicture(rng, overlayWidth, overlayHeight, depthIn(rng, entry.second));
              RbPicture mask =
                  randomPicture(rng, overlayWidth, overlayHeight, depthIn(rng, FormatSet::any()));
              const tvq::OverlayPlacement at =
                  drawPlacement(rng, width, height, overlayWidth, overlayHeight);
              auto [fast, slow] = targets(rng, entry.target, width, height);
              tvq::PictureLock in, over, levels;
              ASSERT_TRUE(in.lock(source) && over.lock(overlay) && levels.lock(mask));
              expectSameBytes(fast, slow, [&](const PixelView& target, bool fastLoop) {
                (fastLoop ? entry.loop : general)(in.view(), over.view(), levels.view(), target,
                                                  at);
              });
            });
}

TEST_F(FastPathEquivalenceTest, DifferenceMap) {
  walkTable("difference map", tvq::differenceLoops(),
            [&](std::mt19937& rng, const auto& entry, auto general) {
              const int32_t width = drawWidth(rng);
              const int32_t height = between(rng, 1, 9);
              RbPicture source = randomPicture(rng, width, height, depthIn(rng, entry.source));
              // Often a copy, so that equal pixels show too, of another size now
              // and then.
              const int32_t otherWidth = between(rng, 0, 2) == 0 ? drawWidth(rng) : width;
              RbPicture other = between(rng, 0, 1) == 0 && otherWidth == width
                                    ? copyOf(rng, source)
                                    : randomPicture(rng, otherWidth, between(rng, 1, 9),
                                                    depthIn(rng, entry.second));
              const int32_t mapWidth = std::max(width, host.width(other));
              const int32_t mapHeight = std::max(height, host.height(other));
              RbPicture fast = randomPicture(rng, mapWidth, mapHeight, 32);
              RbPicture slow = copyOf(rng, fast);
              tvq::PictureLock a, b;
              ASSERT_TRUE(a.lock(source) && b.lock(other));
              expectSameBytes(fast, slow, [&](const PixelView& map, bool fastLoop) {
                (fastLoop ? entry.loop : general)(a.view(), b.view(), map);
              });
            });
}

TEST_F(FastPathEquivalenceTest, Compare) {
  walkTable(
      "compare", tvq::compareLoops(), [&](std::mt19937& rng, const auto& entry, auto general) {
        const int32_t width = drawWidth(rng);
        const int32_t height = between(rng, 1, 9);
        RbPicture source = randomPicture(rng, width, height, depthIn(rng, entry.source));
        RbPicture other = copyOf(rng, source);
        // Now and then one byte changed, a fourth byte or bit 15 perhaps.
        if (between(rng, 0, 1) == 0) {
          host.row(other, between(rng, 0, height - 1))[between(rng, 0, host.rowBytes(other) - 1)] ^=
              static_cast<uint8_t>(1u << between(rng, 0, 7));
        }
        const tvq::Selection selection = drawSelection(rng, width, height);
        tvq::PictureLock a, b;
        ASSERT_TRUE(a.lock(source) && b.lock(other));
        EXPECT_EQ(entry.loop(a.view(), b.view(), selection),
                  general(a.view(), b.view(), selection));
      });
}

TEST_F(FastPathEquivalenceTest, MemoryBlockExport) {
  walkTable("memory-block export", tvq::exportLoops(),
            [&](std::mt19937& rng, const auto& entry, auto general) {
              const int32_t width = drawWidth(rng);
              const int32_t height = between(rng, 1, 9);
              RbPicture source = randomPicture(rng, width, height, depthIn(rng, entry.source));
              RbPicture mask = randomPicture(rng, between(rng, 1, width), height,
                                             depthIn(rng, FormatSet::any()));
              const bool alpha = between(rng, 0, 1) == 0;
              const tvq::Selection s = drawSelection(rng, width, height);
              const size_t size =
                  static_cast<size_t>(s.right - s.left + 1) *
                  static_cast<size_t>(s.bottom - s.top + 1) *
                  static_cast<size_t>(tvq::exportedBytesPerPixel(host.depth(source)));
              std::vector<uint8_t> fast(size, 0xCD), slow(size, 0xCD);
              tvq::PictureLock in, levels;
              ASSERT_TRUE(in.lock(source) && levels.lock(mask));
              entry.loop(in.view(), s, alpha ? &levels.view() : nullptr, fast.data());
              general(in.view(), s, alpha ? &levels.view() : nullptr, slow.data());
              EXPECT_EQ(fast, slow);
            });
}

// Kernels of 1 to 21 taps: small coefficients (sums that fit 16 bits, with
// divisors of either sign), larger ones, the 32-bit extremes, kernels equal
// to their mirror image and kernels that add up to 0.
tvq::PassKernel drawPassKernel(std::mt19937& rng) {
  const auto between = [&](int32_t low, int32_t high) {
    return std::uniform_int_distribution<int32_t>(low, high)(rng);
  };
  const int32_t extremes[] = {std::numeric_limits<int32_t>::min(),
                              std::numeric_limits<int32_t>::max(), 0, 1, -1};
  tvq::PassKernel kernel;
  kernel.taps = 2 * between(0, 10) + 1;
  const int32_t kind = between(0, 5);
  for (int32_t t = 0; t < kernel.taps; ++t) {
    int32_t c = 0;
    switch (kind) {
      case 0:
      case 1:
        c = between(0, 2) == 0 ? between(-6, 2) : between(0, 12);
        break;
      case 2:
        c = between(-40, 90);
        break;
      case 3:
        c = extremes[between(0, 4)];
        break;
      default:
        c = between(-3, 3);
        break;
    }
    kernel.coefficients[static_cast<size_t>(t)] = c;
  }
  if (kind == 4) {
    // Equal to its mirror image.
    for (int32_t t = 0; t < kernel.taps / 2; ++t) {
      kernel.coefficients[static_cast<size_t>(kernel.taps - 1 - t)] =
          kernel.coefficients[static_cast<size_t>(t)];
    }
  }
  if (kind == 5) {
    // The middle tap takes what makes the sum 0.
    int64_t rest = 0;
    for (int32_t t = 0; t < kernel.taps; ++t) {
      if (t != kernel.taps / 2) rest += kernel.coefficients[static_cast<size_t>(t)];
    }
    kernel.coefficients[static_cast<size_t>(kernel.taps / 2)] = -rest;
  }
  int64_t sum = 0;
  for (int32_t t = 0; t < kernel.taps; ++t) sum += kernel.coefficients[static_cast<size_t>(t)];
  kernel.divisor = sum != 0 ? sum : 1;
  return kernel;
}

TEST_F(FastPathEquivalenceTest, ConvolutionPasses) {
  walkTable("convolution pass", tvq::convolvePassLoops(),
            [&](std::mt19937& rng, const auto& entry, auto general) {
              const int32_t width = drawWidth(rng);
              const int32_t height = between(rng, 1, 9);
              RbPicture source = randomPicture(rng, width, height, depthIn(rng, entry.source));
              const tvq::Selection selection = drawSelection(rng, width, height);
              const tvq::PassKernel kernel = drawPassKernel(rng);
              const bool horizontal = between(rng, 0, 1) == 0;
              auto [fast, slow] = targets(rng, entry.target, width, height);
              tvq::PictureLock in;
              ASSERT_TRUE(in.lock(source));
              expectSameBytes(fast, slow, [&](const PixelView& target, bool fastLoop) {
                (fastLoop ? entry.loop : general)(in.view(), target, selection, kernel, horizontal);
              });
            });
}

// Matrices of small elements (the 32-bit sums) and of any size, NaN and
// infinities included (the 64-bit sums).
tvq::FixedColorMatrix drawColorMatrix(std::mt19937& rng) {
  const double special[] = {std::numeric_limits<double>::quiet_NaN(),
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(),
                            1e300,
                            -3000.0,
                            2700.0};
  const bool wide = std::uniform_int_distribution<int32_t>(0, 2)(rng) == 0;
  tvq::ColorMatrixData m;
  for (double& x : m.element) {
    const int32_t kind = std::uniform_int_distribution<int32_t>(0, 9)(rng);
    if (wide && kind == 0) {
      x = special[std::uniform_int_distribution<size_t>(0, 5)(rng)];
    } else {
      x = std::uniform_real_distribution<double>(wide ? -5000.0 : -2.5, wide ? 5000.0 : 2.5)(rng);
    }
  }
  return tvq::FixedColorMatrix::from(m);
}

TEST_F(FastPathEquivalenceTest, ColorMatrixOnASelection) {
  walkTable("colour matrix on a selection", tvq::colorMatrixSelectionLoops(),
            [&](std::mt19937& rng, const auto& entry, auto general) {
              const tvq::FixedColorMatrix matrix = drawColorMatrix(rng);
              compareOnSelection(rng, entry, general,
                                 [&](auto loop, const PixelView& in, const PixelView& out,
                                     const tvq::Selection& s) { loop(in, out, s, matrix); });
            });
}

TEST_F(FastPathEquivalenceTest, ColorMatrixByMask) {
  walkTable("colour matrix by mask", tvq::colorMatrixMaskLoops(),
            [&](std::mt19937& rng, const auto& entry, auto general) {
              const tvq::FixedColorMatrix matrix = drawColorMatrix(rng);
              compareByMask(rng, entry, general,
                            [&](auto loop, const PixelView& in, const PixelView& mask,
                                const PixelView& out) { loop(in, mask, out, matrix); });
            });
}

// Any shift the methods can compute, the extremes now and then.
tvq::HsvShift drawHsvShift(std::mt19937& rng) {
  auto between = [&](int32_t low, int32_t high) {
    return std::uniform_int_distribution<int32_t>(low, high)(rng);
  };
  const int32_t factorLimit = between(0, 1) == 0 ? 10 * 1024 - 1 : 1000 * 1024 - 1;
  tvq::HsvShift s;
  s.hue = between(0, 4) == 0 ? (between(0, 1) == 0 ? -6144 : 6143) : between(-6144, 6143);
  s.saturation = between(0, 4) == 0 ? between(0, 1) * factorLimit : between(0, 2048);
  s.brightness = between(0, 4) == 0 ? between(0, 1) * factorLimit : between(0, 2048);
  return s;
}

TEST_F(FastPathEquivalenceTest, HsvOnASelection) {
  walkTable("HSV on a selection", tvq::hsvSelectionLoops(),
            [&](std::mt19937& rng, const auto& entry, auto general) {
              const tvq::HsvShift shift = drawHsvShift(rng);
              const bool negative = between(rng, 0, 1) == 0;
              compareOnSelection(
                  rng, entry, general,
                  [&](auto loop, const PixelView& in, const PixelView& out,
                      const tvq::Selection& s) { loop(in, out, s, shift, negative); });
            });
}

TEST_F(FastPathEquivalenceTest, HsvByMask) {
  walkTable("HSV by mask", tvq::hsvMaskLoops(),
            [&](std::mt19937& rng, const auto& entry, auto general) {
              const tvq::HsvShift shift = drawHsvShift(rng);
              compareByMask(rng, entry, general,
                            [&](auto loop, const PixelView& in, const PixelView& mask,
                                const PixelView& out) { loop(in, mask, out, shift); });
            });
}

// The HSV model divides by multiplying with reciprocals; every division it
// makes gives the quotient of a true division.
TEST(HsvModel, QuotientsByReciprocalAreExact) {
  for (int32_t d = 1; d <= 255; ++d) {
    for (int32_t n = -1024 * d; n <= 1024 * d; ++n) {
      if (tvq::hsvQuotient(n, d) != n / d) {
        FAIL() << n << " / " << d << " gives " << tvq::hsvQuotient(n, d);
      }
    }
  }
}

TEST_F(FastPathEquivalenceTest, HsvSums) {
  walkTable("HSV sums", tvq::hsvSumLoops(),
            [&](std::mt19937& rng, const auto& entry, auto general) {
              const int32_t width = between(rng, 1, 37);
              const int32_t height = between(rng, 1, 9);
              RbPicture source = randomPicture(rng, width, height, depthIn(rng, entry.source));
              const tvq::Selection selection = drawSelection(rng, width, height);
              tvq::PictureLock in;
              ASSERT_TRUE(in.lock(source));
              tvq::HsvSums fast;
              tvq::HsvSums slow;
              entry.loop(in.view(), selection, fast);
              general(in.view(), selection, slow);
              EXPECT_EQ(fast.red, slow.red);
              EXPECT_EQ(fast.green, slow.green);
              EXPECT_EQ(fast.blue, slow.blue);
              EXPECT_EQ(fast.count, slow.count);
              // Summed in the same order, so equal to the last bit.
              EXPECT_EQ(fast.saturation, slow.saturation);
              EXPECT_EQ(fast.brightness, slow.brightness);
            });
}

TEST_F(FastPathEquivalenceTest, AddAndSubtract) {
  for (uint32_t seed = 1; seed <= kSeeds; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    const int32_t width = drawWidth(rng);
    const int32_t height = between(rng, 1, 9);
    const int32_t depth = depthIn(rng, FormatSet::any());
    // Usually both of one depth, as the fast loops need.
    const int32_t secondDepth = between(rng, 0, 3) == 0 ? depthIn(rng, FormatSet::any()) : depth;
    RbPicture first = randomPicture(rng, width, height, depth);
    RbPicture second = randomPicture(rng, width, height, secondDepth);
    const auto arithmetic =
        between(rng, 0, 1) == 0 ? tvq::ChannelArithmetic::Add : tvq::ChannelArithmetic::Subtract;
    RbPicture fast = randomPicture(rng, width, height, depth < 16 ? 16 : depth);
    RbPicture general = copyOf(rng, fast);
    tvq::PictureLock a;
    tvq::PictureLock b;
    ASSERT_TRUE(a.lock(first));
    ASSERT_TRUE(b.lock(second));
    expectSameBytes(fast, general, [&](const PixelView& target, bool fastLoop) {
      FastPathSetting setting(fastLoop);
      tvq::combineChannels(a.view(), b.view(), target, arithmetic);
    });
    if (HasFailure()) return;
  }
}

TEST_F(FastPathEquivalenceTest, Symmetries) {
  walkTable(
      "symmetries", tvq::symmetryLoops(), [&](std::mt19937& rng, const auto& entry, auto general) {
        const int32_t width = drawWidth(rng);
        const int32_t height = between(rng, 1, 40);
        RbPicture source = randomPicture(rng, width, height, depthIn(rng, entry.source));
        const tvq::Symmetry s = tvq::kAllSymmetries[between(rng, 0, 7)];
        const bool exchanged = tvq::exchangesSides(s);
        RbPicture fast = randomPicture(rng, exchanged ? height : width, exchanged ? width : height,
                                       depthIn(rng, entry.target, true));
        RbPicture slow = copyOf(rng, fast);
        tvq::PictureLock in;
        ASSERT_TRUE(in.lock(source));
        expectSameBytes(fast, slow, [&](const PixelView& target, bool fastLoop) {
          (fastLoop ? entry.loop : general)(in.view(), target, s);
        });
      });
}

// Rows resampled to another width, or columns to another height, both
// ways: the weights of each draw, the source's and the target's formats
// from the entry.
TEST_F(FastPathEquivalenceTest, Stretch) {
  for (bool rows : {true, false}) {
    // The two tables may list different numbers of loops.
    auto walk = [&](const auto& table, auto check) {
      walkTable(rows ? "stretch rows" : "stretch columns", table, check);
    };
    auto check = [&](std::mt19937& rng, const auto& entry, auto general) {
      const int32_t width = drawWidth(rng);
      const int32_t height = between(rng, 1, 40);
      RbPicture source = randomPicture(rng, width, height, depthIn(rng, entry.source));
      const int32_t to = between(rng, 1, 90);
      RbPicture fast = randomPicture(rng, rows ? to : width, rows ? height : to,
                                     depthIn(rng, entry.target, true));
      RbPicture slow = copyOf(rng, fast);
      tvq::PictureLock in;
      ASSERT_TRUE(in.lock(source));
      tvq::StretchWeights weights;
      ASSERT_TRUE(tvq::stretchWeightsFor(rows ? width : height, to, weights));
      expectSameBytes(fast, slow, [&](const PixelView& target, bool fastLoop) {
        (fastLoop ? entry.loop : general)(in.view(), target, weights);
      });
    };
    if (rows) {
      walk(tvq::stretchRowLoops(), check);
    } else {
      walk(tvq::stretchColumnLoops(), check);
    }
  }
}

// Columns or rows slid by a random shear into a result of random size, with
// a frame colour, or through masks of both pictures (the mask levels are
// random too); both axes.
TEST_F(FastPathEquivalenceTest, Shear) {
  walkTable("shear", tvq::shearLoops(), [&](std::mt19937& rng, const auto& entry, auto general) {
    const int32_t width = drawWidth(rng);
    const int32_t height = between(rng, 1, 40);
    RbPicture source = randomPicture(rng, width, height, depthIn(rng, entry.source));
    const int32_t targetWidth = between(rng, 1, 90), targetHeight = between(rng, 1, 90);
    auto [fast, slow] = targets(rng, entry.target, targetWidth, targetHeight);
    const auto axis =
        between(rng, 0, 1) == 0 ? tvq::ShearAxis::Vertical : tvq::ShearAxis::Horizontal;
    const double shear = std::uniform_real_distribution<double>(-1.0, 1.0)(rng);
    const uint32_t frame = static_cast<uint32_t>(rng());
    const bool masked = between(rng, 0, 1) == 0;
    auto randomMask = [&](RbPicture p) {
      RbPicture mask = host.mask(p, true);
      for (int32_t y = 0; y < host.height(mask); ++y) {
        uint8_t* row = host.row(mask, y);
        for (int32_t i = 0; i < host.rowBytes(mask); ++i) row[i] = static_cast<uint8_t>(rng());
      }
      host.release(mask);
    };
    if (masked) {
      randomMask(source);
      randomMask(fast);
      // The twin's mask is random too: the colour bytes must not depend on it.
      randomMask(slow);
    }
    tvq::PictureLock in, inMask;
    ASSERT_TRUE(in.lock(source));
    if (masked) {
      ASSERT_TRUE(inMask.lockMaskOf(source));
    }
    for (RbPicture target : {fast, slow}) {
      tvq::PictureLock out, outMask;
      ASSERT_TRUE(out.lock(target));
      if (masked) {
        ASSERT_TRUE(outMask.lockMaskOf(target));
      }
      (target == fast ? entry.loop : general)(in.view(), masked ? &inMask.view() : nullptr,
                                              out.view(), masked ? &outMask.view() : nullptr, axis,
                                              shear, frame);
    }
    ASSERT_EQ(bytesOf(fast), bytesOf(slow))
        << "fast and general loops differ (" << targetWidth << " x " << targetHeight << ", shear "
        << shear << (masked ? ", masked" : "") << ")";
    if (masked) {
      // Every pixel of the masks is written (their row padding is not).
      RbPicture fastMask = host.mask(fast, false), slowMask = host.mask(slow, false);
      for (int32_t y = 0; y < targetHeight; ++y)
        for (int32_t x = 0; x < targetWidth; ++x)
          ASSERT_EQ(host.rawPixel(fastMask, x, y), host.rawPixel(slowMask, x, y))
              << "the masks differ at " << x << ", " << y << " (shear " << shear << ")";
      host.release(fastMask);
      host.release(slowMask);
    }
  });
}

}  // namespace
}  // namespace tvqtest
