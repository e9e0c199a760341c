// A host with the graphics plug-in loaded, for tests that call picture
// operations the way a program does: pictures and rectangles made through the
// host, results adopted, and at the end everything released and the audit
// back where it started.
#ifndef TESTS_GRAPHICS_OPERATION_FIXTURE_H
#define TESTS_GRAPHICS_OPERATION_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "rbhost/host.h"
#include "test_host.h"

namespace tvqtest {

using rbhost::PictureStorage;
using rbhost::Rgb;

constexpr PictureStorage kStorages[] = {PictureStorage::GlobalDib, PictureStorage::DibSection};
constexpr int32_t kAllDepths[] = {1, 2, 4, 8, 16, 24, 32};

struct RectArgument {
  int32_t left, top, width, height;
};

// The colour a picture of `depth` can hold of `c`: 5 bits per channel at 16
// bits, as is otherwise.
inline Rgb heldAtDepth(Rgb c, int32_t depth) {
  if (depth != 16) return c;
  return {static_cast<uint8_t>(c.red & 0xF8), static_cast<uint8_t>(c.green & 0xF8),
          static_cast<uint8_t>(c.blue & 0xF8)};
}

inline int32_t resultDepthOf(int32_t sourceDepth) { return sourceDepth < 16 ? 16 : sourceDepth; }

class OperationTest : public rbtest::GraphicsTest {
 protected:
  void TearDown() override {
    host.failNewPictureAfter(std::nullopt);
    for (RbObject o : owned_) host.release(o);
    owned_.clear();
    EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
  }

  RbPicture picture(int32_t width, int32_t height, int32_t depth,
                    PictureStorage storage = PictureStorage::GlobalDib) {
    return adopt(host.newPicture(width, height, depth, storage));
  }

  // Distinct colours away from 0 and 255 at every pixel, so that a pixel
  // taken from the wrong place, a swapped channel or a clamp shows. At 8
  // bits and below the palette holds them (as far as it is long).
  RbPicture patternPicture(int32_t width, int32_t height, int32_t depth,
                           PictureStorage storage = PictureStorage::GlobalDib) {
    RbPicture p = picture(width, height, depth, storage);
    if (depth <= 8) {
      std::vector<Rgb> palette;
      for (int32_t i = 0; i < (1 << depth); ++i) palette.push_back(patternColor(i, 0));
      host.setPalette(p, palette);
      for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
          host.setRawPixel(p, x, y, static_cast<uint32_t>(y * width + x) % (1u << depth));
      return p;
    }
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) {
        host.setPixel(p, x, y, patternColor(x, y));
        // The fourth byte of 32-bit pixels is not 0, so dropping or keeping
        // it shows.
        if (depth == 32)
          host.setRawPixel(p, x, y, host.rawPixel(p, x, y) | uint32_t(0x80 + x + 7 * y) << 24);
      }
    return p;
  }

  // A picture with every pixel at one raw value.
  RbPicture filled(int32_t width, int32_t height, int32_t depth, uint32_t raw,
                   PictureStorage storage = PictureStorage::GlobalDib) {
    RbPicture p = picture(width, height, depth, storage);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) host.setRawPixel(p, x, y, raw);
    return p;
  }

  // The colour operations read: pictures of fewer than 8 bits read as black.
  Rgb readColor(RbPicture p, int32_t x, int32_t y) {
    return host.depth(p) < 8 ? Rgb{} : host.pixel(p, x, y);
  }

  static Rgb patternColor(int32_t x, int32_t y) {
    return {static_cast<uint8_t>(40 + (29 * x + 7 * y) % 170),
            static_cast<uint8_t>(60 + (53 * y + 11 * x) % 150),
            static_cast<uint8_t>(30 + (17 * x + 31 * y) % 190)};
  }

  RbObject rectangle(RectArgument r) {
    RbObject o = host.newInstance("TVQ_Rectangle");
    owned_.push_back(o);
    host.setProperty<int32_t>(o, "left", r.left);
    host.setProperty<int32_t>(o, "top", r.top);
    host.setProperty<int32_t>(o, "width", r.width);
    host.setProperty<int32_t>(o, "height", r.height);
    return o;
  }

  // Takes over a picture the plug-in handed out (nil is ignored).
  RbPicture adopt(RbPicture p) {
    if (p != nullptr) owned_.push_back(toObject(p));
    return p;
  }

  int32_t lastError() const { return host.call<int32_t>("TVQ_GetLastError() as integer"); }

  // Every byte of every row, padding included.
  std::vector<uint8_t> bytesOf(RbPicture p) { return rbtest::pictureBytes(host, p); }

 private:
  std::vector<RbObject> owned_;
};

}  // namespace tvqtest

#endif
