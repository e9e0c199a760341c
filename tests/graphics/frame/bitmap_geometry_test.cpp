// Headers the host might hand over: which describe memory that can be read,
// and where the pixels and colours then lie.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <optional>
#include <vector>

#include "frame_fixture.h"
#include "graphics/frame/bitmap_geometry.h"
#include "graphics/frame/pixel_access.h"

namespace tvqtest {
namespace {

using tvq::PackedBitmap;

// A 3 x 2 8-bit packed bitmap with a full table: 40 + 1024 + 2 rows of 4.
BITMAPINFOHEADER validHeader() {
  BITMAPINFOHEADER h{};
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = 3;
  h.biHeight = 2;
  h.biPlanes = 1;
  h.biBitCount = 8;
  h.biCompression = BI_RGB;
  return h;
}
constexpr size_t kValidSize = 40 + 1024 + 8;

std::vector<uint8_t> block(const BITMAPINFOHEADER& header, size_t size) {
  std::vector<uint8_t> bytes(std::max(size, sizeof header));
  std::memcpy(bytes.data(), &header, sizeof header);
  bytes.resize(size);
  return bytes;
}

struct HeaderCase {
  const char* what;
  void (*change)(BITMAPINFOHEADER&);
  size_t size;
  bool accepted;
};

class BitmapGeometryTest : public FrameTest {};

TEST_F(BitmapGeometryTest, RefusesHeadersThatCouldLeadOutsideTheBitmap) {
  const HeaderCase cases[] = {
      {"valid", [](BITMAPINFOHEADER&) {}, kValidSize, true},
      {"top-down rows", [](BITMAPINFOHEADER& h) { h.biHeight = -2; }, kValidSize, true},
      {"block one byte short", [](BITMAPINFOHEADER&) {}, kValidSize - 1, false},
      {"smaller than a header", [](BITMAPINFOHEADER&) {}, 39, false},
      {"width 0", [](BITMAPINFOHEADER& h) { h.biWidth = 0; }, kValidSize, false},
      {"negative width", [](BITMAPINFOHEADER& h) { h.biWidth = -3; }, kValidSize, false},
      {"height 0", [](BITMAPINFOHEADER& h) { h.biHeight = 0; }, kValidSize, false},
      {"height INT32_MIN", [](BITMAPINFOHEADER& h) { h.biHeight = INT32_MIN; }, kValidSize, false},
      {"depth 3", [](BITMAPINFOHEADER& h) { h.biBitCount = 3; }, kValidSize, false},
      {"depth 0", [](BITMAPINFOHEADER& h) { h.biBitCount = 0; }, kValidSize, false},
      {"depth 64", [](BITMAPINFOHEADER& h) { h.biBitCount = 64; }, kValidSize, false},
      {"core header size", [](BITMAPINFOHEADER& h) { h.biSize = 12; }, kValidSize, false},
      {"header size past the block", [](BITMAPINFOHEADER& h) { h.biSize = 0xFFFFFFF0u; },
       kValidSize, false},
      {"run-length compressed", [](BITMAPINFOHEADER& h) { h.biCompression = 1; }, kValidSize,
       false},
      {"colour table past the block", [](BITMAPINFOHEADER& h) { h.biClrUsed = 0xFFFFFFFFu; },
       kValidSize, false},
      {"rows beyond 2 GB",
       [](BITMAPINFOHEADER& h) {
         h.biWidth = INT32_MAX;
         h.biHeight = INT32_MAX;
         h.biBitCount = 32;
       },
       kValidSize, false},
  };
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.what);
    BITMAPINFOHEADER header = validHeader();
    c.change(header);
    std::vector<uint8_t> bytes = block(header, c.size);
    std::optional<PackedBitmap> bitmap = tvq::packedBitmapAt(bytes.data(), bytes.size());
    ASSERT_EQ(bitmap.has_value(), c.accepted);
    if (!bitmap) continue;
    EXPECT_EQ(bitmap->view.width, 3);
    EXPECT_EQ(bitmap->view.height, 2);
    EXPECT_EQ(bitmap->view.rowBytes, 4);
    EXPECT_EQ(bitmap->view.pixels, bytes.data() + 40 + 1024);
    EXPECT_EQ(bitmap->view.colorTable, bytes.data() + 40);
    EXPECT_EQ(bitmap->view.colorCount, 256u);
  }
}

TEST_F(BitmapGeometryTest, ShortColourTableReadsBlackPastItsEnd) {
  BITMAPINFOHEADER header = validHeader();
  header.biClrUsed = 2;
  std::vector<uint8_t> bytes = block(header, 40 + 2 * 4 + 8);
  const uint8_t table[] = {0x10, 0x20, 0x30, 0, 0x40, 0x50, 0x60, 0};  // blue, green, red
  std::memcpy(bytes.data() + 40, table, sizeof table);
  uint8_t* pixels = bytes.data() + 48;
  pixels[0] = 1;
  pixels[1] = 2;
  pixels[2] = 255;

  std::optional<PackedBitmap> bitmap = tvq::packedBitmapAt(bytes.data(), bytes.size());
  ASSERT_TRUE(bitmap.has_value());
  tvq::PixelView view = bitmap->view;
  view.format = tvq::formatFor(view.depth, false);
  tvq::PixelReader in(view, 0);
  EXPECT_EQ(in.next(), 0x605040u);
  EXPECT_EQ(in.next(), 0u);
  EXPECT_EQ(in.next(), 0u);
}

TEST_F(BitmapGeometryTest, DeepBitmapsHaveNoTableUnlessTheyDeclareOne) {
  BITMAPINFOHEADER header = validHeader();
  header.biBitCount = 32;
  std::vector<uint8_t> bytes = block(header, 40 + 3 * 4 * 2);
  std::optional<PackedBitmap> bitmap = tvq::packedBitmapAt(bytes.data(), bytes.size());
  ASSERT_TRUE(bitmap.has_value());
  EXPECT_EQ(bitmap->view.pixels, bytes.data() + 40);
  EXPECT_EQ(bitmap->view.bytesPerPixel, 4);
}

}  // namespace
}  // namespace tvqtest
