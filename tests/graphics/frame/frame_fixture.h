// A simulated host whose services the graphics frame reaches directly: the
// frame's static library is linked into the test and bound to the host's
// resolver, without loading the plug-in.
#ifndef TESTS_GRAPHICS_FRAME_FRAME_FIXTURE_H
#define TESTS_GRAPHICS_FRAME_FRAME_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "host_binding/host_entry.h"
#include "rbhost/host.h"
#include "test_host.h"

namespace tvqtest {

using rbhost::PictureStorage;
using rbhost::Rgb;

constexpr int32_t kDepths[] = {1, 2, 4, 8, 16, 24, 32};
constexpr PictureStorage kStorages[] = {PictureStorage::GlobalDib, PictureStorage::DibSection};

// Distinct, asymmetric colours, so that swapped channels, a wrong row length
// or a wrong row order all show.
inline Rgb patternColor(int32_t x, int32_t y) {
  return {static_cast<uint8_t>(29 * x + 11), static_cast<uint8_t>(53 * y + 100),
          static_cast<uint8_t>(250 - 17 * x - 31 * y)};
}

class FrameTest : public ::testing::Test {
 protected:
  FrameTest() : audit0(host.audit()) { host_binding::setResolver(host.resolver()); }
  ~FrameTest() override { host_binding::setResolver(nullptr); }

  // Every test ends with nothing locked and no reference left over: the
  // pictures the test made itself are released first.
  void TearDown() override {
    for (RbPicture p : pictures_) host.release(p);
    EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
  }

  RbPicture picture(int32_t width, int32_t height, int32_t depth,
                    PictureStorage storage = PictureStorage::GlobalDib) {
    RbPicture p = host.newPicture(width, height, depth, storage);
    pictures_.push_back(p);
    return p;
  }

  // A picture showing patternColor as nearly as its depth can: at 8 bits
  // the palette holds the pattern's own colours (in a scrambled order, so
  // that an index is never its colour).
  RbPicture patternPicture(int32_t width, int32_t height, int32_t depth,
                           PictureStorage storage = PictureStorage::GlobalDib) {
    RbPicture p = picture(width, height, depth, storage);
    if (depth == 8) {
      std::vector<Rgb> palette(256);
      for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
          palette[static_cast<size_t>(255 - (y * width + x))] = patternColor(x, y);
      host.setPalette(p, palette);
    }
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) host.setPixel(p, x, y, patternColor(x, y));
    return p;
  }

  // Takes ownership of a picture the code under test handed out.
  void adopt(RbPicture p) {
    if (p != nullptr) pictures_.push_back(p);
  }

  rbhost::Host host;
  rbhost::Audit audit0;

 private:
  std::vector<RbPicture> pictures_;
};

}  // namespace tvqtest

#endif
