// The picture plug-in loaded into a simulated host, with helpers that build
// and read pictures as a person sees them: rows counted from the top.
#ifndef TESTS_PICTURE_FUNCTION_FIXTURE_H
#define TESTS_PICTURE_FUNCTION_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "rbhost/host.h"
#include "test_host.h"

namespace rbhost {
inline std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << int{c.red} << ", " << int{c.green} << ", " << int{c.blue} << ")";
}
}  // namespace rbhost

namespace zrwtest {

using rbhost::PictureStorage;
using rbhost::Rgb;

inline Rgb grey(uint8_t level) { return {level, level, level}; }

// Distinct, asymmetric colours, so that a swapped channel, a mirrored row or
// a picture walked bottom-up all show.
inline Rgb patternColor(int32_t x, int32_t yFromTop) {
  return {static_cast<uint8_t>(40 * x + 7), static_cast<uint8_t>(60 * yFromTop + 20),
          static_cast<uint8_t>(200 - 16 * x - 24 * yFromTop)};
}

// How a source picture is kept by the host, for tests that run over every
// depth and both storage kinds.
struct StoredAs {
  int32_t depth;
  PictureStorage storage;
};

inline auto everyStorage() {
  return ::testing::Values(
      StoredAs{8, PictureStorage::GlobalDib}, StoredAs{16, PictureStorage::GlobalDib},
      StoredAs{24, PictureStorage::GlobalDib}, StoredAs{32, PictureStorage::GlobalDib},
      StoredAs{8, PictureStorage::DibSection}, StoredAs{16, PictureStorage::DibSection},
      StoredAs{24, PictureStorage::DibSection}, StoredAs{32, PictureStorage::DibSection});
}

inline std::string storageName(const ::testing::TestParamInfo<StoredAs>& info) {
  return std::to_string(info.param.depth) +
         (info.param.storage == PictureStorage::GlobalDib ? "BitGlobal" : "BitSection");
}

class PictureFunctionTest : public rbtest::PictureTest {
 protected:
  // A width x height picture showing `colors`, listed row by row from the
  // top, each row from the left.
  RbPicture pictureShowing(int32_t width, int32_t height, const std::vector<Rgb>& colors,
                           int32_t depth = 32, PictureStorage storage = PictureStorage::GlobalDib) {
    RbPicture p = host.newPicture(width, height, depth, storage);
    if (depth <= 8) host.setPalette(p, colors);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x)
        host.setPixel(p, x, height - 1 - y, colors[static_cast<size_t>(y * width + x)]);
    return p;
  }

  // The pattern as nearly as `depth` can store it; at 8 bits the palette
  // holds the pattern's own colours.
  RbPicture patternPicture(int32_t width, int32_t height, int32_t depth = 32,
                           PictureStorage storage = PictureStorage::GlobalDib) {
    std::vector<Rgb> colors;
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) colors.push_back(patternColor(x, y));
    return pictureShowing(width, height, colors, depth, storage);
  }

  // What the picture shows, row by row from the top.
  std::vector<Rgb> shown(RbPicture p) const {
    std::vector<Rgb> colors;
    const int32_t width = host.width(p), height = host.height(p);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) colors.push_back(host.pixel(p, x, height - 1 - y));
    return colors;
  }

  // A 32-bit picture holding the whole pixel values (0xFFRRGGBB, fourth byte
  // in the top bits), listed row by row from the top.
  RbPicture pictureOfValues(int32_t width, int32_t height, const std::vector<uint32_t>& values) {
    RbPicture p = host.newPicture(width, height, 32, PictureStorage::GlobalDib);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x)
        host.setRawPixel(p, x, height - 1 - y, values[static_cast<size_t>(y * width + x)]);
    return p;
  }

  // The whole pixel values of a 32-bit picture, row by row from the top.
  std::vector<uint32_t> values(RbPicture p) const {
    std::vector<uint32_t> all;
    const int32_t width = host.width(p), height = host.height(p);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) all.push_back(host.rawPixel(p, x, height - 1 - y));
    return all;
  }

  // The fourth bytes of a 32-bit picture, in any order.
  std::vector<uint8_t> fourthBytes(RbPicture p) const {
    std::vector<uint8_t> bytes;
    for (int32_t row = 0; row < host.height(p); ++row)
      for (int32_t x = 0; x < host.width(p); ++x)
        bytes.push_back(static_cast<uint8_t>(host.rawPixel(p, x, row) >> 24));
    return bytes;
  }
};

}  // namespace zrwtest

#endif
