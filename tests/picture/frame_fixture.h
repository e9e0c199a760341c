// A simulated host whose services the frame reaches directly, without loading
// the plug-in: the frame's static library is linked into the test and bound
// to the host's resolver.
#ifndef TESTS_PICTURE_FRAME_FIXTURE_H
#define TESTS_PICTURE_FRAME_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "host_binding/host_entry.h"
#include "rbhost/host.h"
#include "test_host.h"

namespace zrwtest {

using rbhost::PictureStorage;
using rbhost::Rgb;

// Distinct, asymmetric colours, so that a swapped channel, a mirrored row or
// a picture walked bottom-up all show.
inline Rgb patternColor(int32_t x, int32_t yFromTop) {
  return {static_cast<uint8_t>(40 * x + 7), static_cast<uint8_t>(60 * yFromTop + 20),
          static_cast<uint8_t>(200 - 16 * x - 24 * yFromTop)};
}

class FrameTest : public ::testing::Test {
 protected:
  FrameTest() { host_binding::setResolver(host.resolver()); }
  ~FrameTest() override { host_binding::setResolver(nullptr); }

  // A picture showing patternColor as nearly as `depth` can store it. At 8
  // bits the palette holds the pattern's own colours, so channels stay apart.
  RbPicture patternPicture(int32_t width, int32_t height, int32_t depth,
                           PictureStorage storage = PictureStorage::GlobalDib) {
    RbPicture p = host.newPicture(width, height, depth, storage);
    if (depth == 8) {
      std::vector<Rgb> palette;
      for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) palette.push_back(patternColor(x, y));
      host.setPalette(p, palette);
    }
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) host.setPixel(p, x, height - 1 - y, patternColor(x, y));
    return p;
  }

  // The colour the host shows at column x of row y counted from the top.
  Rgb shown(RbPicture p, int32_t x, int32_t yFromTop) {
    return host.pixel(p, x, host.height(p) - 1 - yFromTop);
  }

  rbhost::Host host;
};

// The colour of a 32-bit pixel (blue, green, red, fourth byte).
inline Rgb colorAt(const uint8_t* row, int32_t x) {
  return {row[4 * x + 2], row[4 * x + 1], row[4 * x]};
}

}  // namespace zrwtest

#endif
