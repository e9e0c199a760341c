// PNG files: a picture saved and loaded again at its depth comes back with
// the same colours, palette and mask; loading at another depth converts the
// way a person expects; a file that is not a PNG is an error.
#include <cstdio>

#include "rbscript/picture_pixels.h"
#include "rbscript/png_io.h"
#include "script_support.h"

namespace {

using rbhost::Rgb;
using scripttest::TempDir;

class PngTest : public ::testing::Test {
 protected:
  PngTest() : session(out, err, scripttest::allPlugins()), host(session.host()) {}
  ~PngTest() override {
    for (RbPicture p : pictures) host.release(p);
    EXPECT_TRUE(rbscript::auditFindings(host.audit()).empty());
  }

  RbPicture picture(int32_t w, int32_t h, int32_t depth) {
    pictures.push_back(host.newPicture(w, h, depth));
    return pictures.back();
  }
  RbPicture load(const std::string& path, int32_t depth) {
    pictures.push_back(rbscript::loadPng(host, path, depth));
    return pictures.back();
  }
  std::vector<uint8_t> maskLevels(RbPicture p) {
    RbPicture m = host.mask(p, false);
    if (m == nullptr) return {};
    auto levels = rbscript::readVisualLevels(host, m);
    host.release(m);
    return levels;
  }

  std::ostringstream out, err;
  rbscript::Session session;
  rbhost::Host& host;
  std::vector<RbPicture> pictures;
  TempDir dir;
};

// Colours every depth stores exactly: up to 8 bits from the host's default
// palette (white and black at 1 bit, grey ramps above), 5-bit steps at 16.
std::vector<Rgb> exactColours(RbPicture p, rbhost::Host& host) {
  const int32_t depth = host.depth(p);
  if (depth <= 8) return host.palette(p);
  if (depth == 16) return {{248, 0, 8}, {0, 128, 0}, {8, 16, 248}, {0, 0, 0}, {248, 248, 248}};
  return {{255, 0, 1}, {0, 128, 0}, {7, 9, 250}, {0, 0, 0}, {255, 255, 255}, {12, 34, 56}};
}

class PngRoundTrip : public PngTest, public ::testing::WithParamInterface<int32_t> {};

TEST_P(PngRoundTrip, KeepsColoursAndMaskAtEachDepth) {
  const int32_t depth = GetParam();
  RbPicture p = picture(7, 5, depth);
  const std::vector<Rgb> colours = exactColours(p, host);
  std::vector<Rgb> pixels;
  for (int i = 0; i < 35; ++i) pixels.push_back(colours[size_t(i * 7 / 3) % colours.size()]);
  rbscript::writeVisualPixels(host, p, pixels);
  std::vector<Rgb> levels;
  for (int i = 0; i < 35; ++i) {
    const auto l = static_cast<uint8_t>(i * 255 / 34);
    levels.push_back({l, l, l});
  }
  RbPicture m = host.mask(p, true);
  rbscript::writeVisualPixels(host, m, levels);
  host.release(m);

  rbscript::savePng(host, p, dir.file("masked.png"));
  RbPicture back = load(dir.file("masked.png"), depth);
  EXPECT_EQ(host.depth(back), depth);
  EXPECT_EQ(rbscript::readVisualPixels(host, back), pixels);
  EXPECT_EQ(maskLevels(back), maskLevels(p));

  host.removeMask(p);
  rbscript::savePng(host, p, dir.file("plain.png"));
  RbPicture plain = load(dir.file("plain.png"), depth);
  EXPECT_EQ(rbscript::readVisualPixels(host, plain), pixels);
  EXPECT_TRUE(maskLevels(plain).empty());
  if (depth <= 8) {
    EXPECT_EQ(host.palette(plain), host.palette(p));
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, PngRoundTrip, ::testing::Values(1, 2, 4, 8, 16, 24, 32));

TEST_F(PngTest, APaletteThatFitsIsKept) {
  RbPicture p = picture(4, 1, 2);
  const std::vector<Rgb> palette = {{200, 10, 10}, {10, 200, 10}, {10, 10, 200}, {250, 250, 0}};
  host.setPalette(p, palette);
  for (int32_t x = 0; x < 4; ++x) host.setRawPixel(p, x, 0, uint32_t(3 - x));
  rbscript::savePng(host, p, dir.file("p.png"));
  RbPicture at2 = load(dir.file("p.png"), 2);
  EXPECT_EQ(host.palette(at2), palette);
  for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(host.rawPixel(at2, x, 0), uint32_t(3 - x));
  RbPicture at8 = load(dir.file("p.png"), 8);  // the four colours fit in 8 bits as well
  EXPECT_EQ(rbscript::readVisualPixels(host, at8), rbscript::readVisualPixels(host, p));
}

TEST_F(PngTest, TooManyColoursTakeTheNearestOfAStandardPalette) {
  RbPicture p = picture(64, 1, 24);
  std::vector<Rgb> pixels;
  for (int i = 0; i < 64; ++i) pixels.push_back({uint8_t(i * 4), uint8_t(255 - i * 4), 0});
  pixels[0] = {250, 5, 5};  // near red
  rbscript::writeVisualPixels(host, p, pixels);
  rbscript::savePng(host, p, dir.file("many.png"));

  RbPicture at4 = load(dir.file("many.png"), 4);
  EXPECT_EQ(host.pixel(at4, 0, 0), (Rgb{255, 0, 0}));
  RbPicture at1 = load(dir.file("many.png"), 1);
  for (const Rgb& c : rbscript::readVisualPixels(host, at1))
    EXPECT_TRUE(c == (Rgb{0, 0, 0}) || c == (Rgb{255, 255, 255}));
  RbPicture at16 = load(dir.file("many.png"), 16);
  EXPECT_EQ(host.pixel(at16, 1, 0), (Rgb{0, 248, 0}));  // (4, 251, 0) keeps the top five bits
}

TEST_F(PngTest, AFileThatIsNotAPngIsRefused) {
  {
    std::FILE* f = std::fopen(dir.file("bad.png").c_str(), "wb");
    std::fputs("not a picture", f);
    std::fclose(f);
  }
  EXPECT_THROW(rbscript::loadPng(host, dir.file("bad.png"), 24), std::runtime_error);
  EXPECT_THROW(rbscript::loadPng(host, dir.file("missing.png"), 24), std::runtime_error);
  EXPECT_THROW(rbscript::loadPng(host, dir.file("bad.png"), 3), std::runtime_error);
}

TEST(PngScript, LoadAndSaveFromAScript) {
  TempDir dir;
  const std::string path = dir.file("s.png");
  const auto o = scripttest::run(
      "Dim p As Picture = NewPicture(3, 2, 24)\np.RGBSurface.Pixel(2, 1) = &h123456\n"
      "SavePicture(p, \"" +
      path + "\")\nDim q As Picture = LoadPicture(\"" + path +
      "\", 8)\n"
      "Dim r As Picture = LoadPicture(\"" +
      path +
      "\")\n"
      "Print q, r, r.RGBSurface.Pixel(2, 1), q.RGBSurface.Pixel(2, 1), q.RGBSurface.Pixel(0, 0)");
  EXPECT_EQ(o.status, 0) << o;
  EXPECT_EQ(o.out, "Picture(3x2x8)\tPicture(3x2x24)\t&h123456\t&h123456\t&hFFFFFF\n");
}

}  // namespace
