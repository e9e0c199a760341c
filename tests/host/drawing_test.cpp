// The row converters of "drawPicturePrimitive" against its general
// per-pixel path: for every pair of depths, odd widths and both storages of
// source and target, random pixels (row padding included), random palettes
// and bounds partly outside the target, both must leave every byte of the
// target the same. Each case is drawn from its own seed, which a failure
// names, so it can be replayed.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "rbhost/host.h"
#include "service_access.h"
#include "test_host.h"

namespace {

using rbhost::Host;
using rbhost::PictureStorage;

constexpr int32_t kDepths[] = {1, 2, 4, 8, 16, 24, 32};
constexpr PictureStorage kStorages[] = {PictureStorage::GlobalDib, PictureStorage::DibSection};

int32_t between(std::mt19937& rng, int32_t low, int32_t high) {
  return std::uniform_int_distribution<int32_t>(low, high)(rng);
}

struct Case {
  int32_t sourceDepth, targetDepth, width, height;
  PictureStorage sourceStorage, targetStorage;
  RbRect16 bounds;  // at the source's size
};

// The target's bytes after drawing the case's source into it, from the same
// seed, with the row converters on or off.
std::vector<uint8_t> drawn(const Case& c, uint32_t seed, bool fastDrawing) {
  rbhost::HostOptions options;
  options.fastDrawing = fastDrawing;
  Host host(options);
  std::mt19937 rng(seed);
  auto randomPicture = [&](int32_t w, int32_t h, int32_t depth, PictureStorage storage) {
    RbPicture p = host.newPicture(w, h, depth, storage);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t i = 0; i < host.rowBytes(p); ++i) host.row(p, y)[i] = uint8_t(rng());
    if (depth <= 8) {
      std::vector<rbhost::Rgb> palette(size_t(1) << depth);
      for (auto& entry : palette) entry = {uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
      host.setPalette(p, palette);
    }
    return p;
  };
  RbPicture source = randomPicture(c.width, c.height, c.sourceDepth, c.sourceStorage);
  // The target is a little larger, so bounds can sit inside it, across an
  // edge, or cover it.
  RbPicture target = randomPicture(c.width + 3, c.height + 2, c.targetDepth, c.targetStorage);
  auto graphicsOf = service<RbGraphics(RbPicture)>(host, "pluginPictureGraphicsGetter");
  auto dcOf = service<uintptr_t(RbGraphics)>(host, "REALGraphicsDC");
  auto draw =
      service<void(uintptr_t, RbPicture, const RbRect16*, RbBoolean)>(host, "drawPicturePrimitive");
  draw(dcOf(graphicsOf(target)), source, &c.bounds, false);
  std::vector<uint8_t> bytes = rbtest::pictureBytes(host, target);
  host.release(source);
  host.release(target);
  EXPECT_EQ(host.audit(), rbhost::Audit{});
  return bytes;
}

TEST(DrawingRowConverters, GiveTheBytesOfTheGeneralPath) {
  uint32_t seed = 0;
  for (int32_t sourceDepth : kDepths)
    for (int32_t targetDepth : kDepths)
      for (PictureStorage sourceStorage : kStorages)
        for (PictureStorage targetStorage : kStorages) {
          if (sourceDepth == 2 && sourceStorage == PictureStorage::DibSection) continue;
          if (targetDepth == 2 && targetStorage == PictureStorage::DibSection) continue;
          for (int repeat = 0; repeat < 3; ++repeat, ++seed) {
            std::mt19937 rng(seed);
            Case c{sourceDepth,
                   targetDepth,
                   2 * between(rng, 0, 20) + 1,
                   between(rng, 1, 6),
                   sourceStorage,
                   targetStorage,
                   {}};
            const auto left = int16_t(between(rng, -3, 5)), top = int16_t(between(rng, -2, 3));
            c.bounds = {top, left, int16_t(top + c.height), int16_t(left + c.width)};
            const std::vector<uint8_t> general = drawn(c, seed, false);
            ASSERT_EQ(drawn(c, seed, true), general)
                << "seed " << seed << ": " << sourceDepth << " bits into " << targetDepth
                << ", width " << c.width << ", bounds left " << left << " top " << top;
          }
        }
}

// Scaled and transparent drawing take the general path; a hand-made case
// pins its arithmetic: a 2 x 1 source doubled into 4 x 2, white skipped.
TEST(DrawingGeneralPath, ScalesByNearestNeighbourAndSkipsWhite) {
  Host host;
  auto graphicsOf = service<RbGraphics(RbPicture)>(host, "pluginPictureGraphicsGetter");
  auto dcOf = service<uintptr_t(RbGraphics)>(host, "REALGraphicsDC");
  auto draw =
      service<void(uintptr_t, RbPicture, const RbRect16*, RbBoolean)>(host, "drawPicturePrimitive");
  RbPicture source = host.newPicture(2, 1, 24);
  host.setPixel(source, 0, 0, {10, 20, 30});
  host.setPixel(source, 1, 0, {255, 255, 255});
  RbPicture target = host.newPicture(4, 2, 32);
  const RbRect16 bounds{0, 0, 2, 4};
  draw(dcOf(graphicsOf(target)), source, &bounds, true);
  for (int32_t y = 0; y < 2; ++y) {
    EXPECT_EQ(host.rawPixel(target, 0, y), 0x000A141Eu);
    EXPECT_EQ(host.rawPixel(target, 1, y), 0x000A141Eu);
    EXPECT_EQ(host.rawPixel(target, 2, y), 0xCDCDCDCDu);  // skipped: the fill stays
    EXPECT_EQ(host.rawPixel(target, 3, y), 0xCDCDCDCDu);
  }
  host.release(source);
  host.release(target);
  EXPECT_EQ(host.audit(), rbhost::Audit{});
}

}  // namespace
