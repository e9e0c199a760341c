#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

#include "platform/win32.h"

namespace {

// A header followed by room for a full colour table (or the three masks).
struct InfoWithColors {
  BITMAPINFOHEADER header;
  RGBQUAD colors[256];
};

InfoWithColors MakeInfo(LONG width, LONG height, WORD depth) {
  InfoWithColors info = {};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width;
  info.header.biHeight = height;
  info.header.biPlanes = 1;
  info.header.biBitCount = depth;
  info.header.biCompression = BI_RGB;
  return info;
}

const BITMAPINFO* AsInfo(const InfoWithColors& info) {
  return reinterpret_cast<const BITMAPINFO*>(&info);
}

struct BitmapDeleter {
  void operator()(HBITMAP bitmap) const { EXPECT_TRUE(DeleteObject(bitmap)); }
};
using Bitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, BitmapDeleter>;

struct DcDeleter {
  void operator()(HDC dc) const { EXPECT_TRUE(DeleteDC(dc)); }
};
using MemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;

Bitmap CreateSection(const InfoWithColors& info, void** bits = nullptr) {
  void* ignored = nullptr;
  return Bitmap(
      CreateDIBSection(nullptr, AsInfo(info), DIB_RGB_COLORS, bits ? bits : &ignored, nullptr, 0));
}

DIBSECTION DescribeSection(HBITMAP bitmap) {
  DIBSECTION ds = {};
  EXPECT_EQ(GetObjectA(bitmap, sizeof ds, &ds), static_cast<int>(sizeof ds));
  return ds;
}

RGBQUAD Rgb(BYTE red, BYTE green, BYTE blue) { return RGBQUAD{blue, green, red, 0}; }

bool SameColor(const RGBQUAD& a, const RGBQUAD& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

struct GeometryCase {
  WORD depth;
  LONG width;
  LONG height;  // negative: top-down
  LONG rowBytes;
};

TEST(DibSectionTest, RowsArePaddedToFourBytesAtEveryDepth) {
  const GeometryCase cases[] = {
      {1, 1, 1, 4},   {1, 32, 3, 4},   {1, 33, 3, 8},  {4, 8, 5, 4},  {4, 9, -5, 8},
      {8, 4, 2, 4},   {8, 5, -2, 8},   {16, 2, 3, 4},  {16, 3, 3, 8}, {24, 1, 2, 4},
      {24, 4, 1, 12}, {24, 5, -2, 16}, {32, 3, 7, 12},
  };
  for (const GeometryCase& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "depth " << c.depth << " width " << c.width << " height " << c.height);
    void* bits = nullptr;
    Bitmap bitmap = CreateSection(MakeInfo(c.width, c.height, c.depth), &bits);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_NE(bits, nullptr);
    const LONG rows = std::abs(c.height);
    const DWORD imageBytes = static_cast<DWORD>(c.rowBytes * rows);

    DIBSECTION ds = DescribeSection(bitmap.get());
    EXPECT_EQ(ds.dsBm.bmType, 0);
    EXPECT_EQ(ds.dsBm.bmWidth, c.width);
    EXPECT_EQ(ds.dsBm.bmHeight, rows);
    EXPECT_EQ(ds.dsBm.bmWidthBytes, c.rowBytes);
    EXPECT_EQ(ds.dsBm.bmPlanes, 1);
    EXPECT_EQ(ds.dsBm.bmBitsPixel, c.depth);
    EXPECT_EQ(ds.dsBm.bmBits, bits);
    EXPECT_EQ(ds.dsBmih.biSize, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(ds.dsBmih.biWidth, c.width);
    EXPECT_EQ(ds.dsBmih.biHeight, rows);  // positive for top-down too, as on Windows
    EXPECT_EQ(ds.dsBmih.biSizeImage, imageBytes);
    EXPECT_EQ(ds.dsBmih.biClrUsed, c.depth <= 8 ? DWORD{1} << c.depth : 0u);
    EXPECT_EQ(ds.dshSection, nullptr);
    EXPECT_EQ(ds.dsOffset, 0u);

    // Zeroed, and every padded byte is there to write (the sanitizer build
    // catches a short allocation).
    auto* bytes = static_cast<unsigned char*>(bits);
    for (DWORD i = 0; i < imageBytes; ++i) ASSERT_EQ(bytes[i], 0) << "byte " << i;
    std::memset(bytes, 0xFF, imageBytes);
  }
}

struct RefusedCase {
  const char* what;
  void (*spoil)(BITMAPINFOHEADER&);
};

TEST(DibSectionTest, RefusesWhatItCannotLayOut) {
  const RefusedCase cases[] = {
      {"zero width", [](BITMAPINFOHEADER& h) { h.biWidth = 0; }},
      {"negative width", [](BITMAPINFOHEADER& h) { h.biWidth = -4; }},
      {"zero height", [](BITMAPINFOHEADER& h) { h.biHeight = 0; }},
      {"depth 2", [](BITMAPINFOHEADER& h) { h.biBitCount = 2; }},
      {"depth 3", [](BITMAPINFOHEADER& h) { h.biBitCount = 3; }},
      {"depth 0", [](BITMAPINFOHEADER& h) { h.biBitCount = 0; }},
      {"depth 64", [](BITMAPINFOHEADER& h) { h.biBitCount = 64; }},
      {"two planes", [](BITMAPINFOHEADER& h) { h.biPlanes = 2; }},
      {"run-length compression", [](BITMAPINFOHEADER& h) { h.biCompression = 1; }},
      {"bit fields at depth 8",
       [](BITMAPINFOHEADER& h) {
         h.biBitCount = 8;
         h.biCompression = BI_BITFIELDS;
       }},
      {"core header size", [](BITMAPINFOHEADER& h) { h.biSize = 12; }},
#ifndef _WIN32
      // Windows takes any header of 40 bytes or more, and reads no colour
      // table at 32 bits; the emulation refuses what no header type is.
      {"absurd header size", [](BITMAPINFOHEADER& h) { h.biSize = 0x7FFFFFFF; }},
#endif
      {"rows beyond 32 bits",
       [](BITMAPINFOHEADER& h) {
         h.biWidth = 0x7FFFFFFF;
         h.biHeight = 0x7FFFFFFF;
       }},
      {"most negative height", [](BITMAPINFOHEADER& h) { h.biHeight = INT32_MIN; }},
#ifndef _WIN32
      // The emulation's own limit; a 32-bit Windows process runs out of
      // address space about there, but has no such rule.
      {"just over 1 GiB",
       [](BITMAPINFOHEADER& h) {
         h.biWidth = 8192;  // 32 KiB rows
         h.biHeight = -32769;
       }},
#endif
  };
  for (const RefusedCase& c : cases) {
    SCOPED_TRACE(c.what);
    InfoWithColors info = MakeInfo(8, 8, 32);
    c.spoil(info.header);
    void* bits = &info;
    EXPECT_EQ(CreateDIBSection(nullptr, AsInfo(info), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
  }

  InfoWithColors info = MakeInfo(8, 8, 8);
  void* bits = nullptr;
  EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  EXPECT_EQ(CreateDIBSection(nullptr, AsInfo(info), 1 /* DIB_PAL_COLORS */, &bits, nullptr, 0),
            nullptr);
  int mapping = 0;
  EXPECT_EQ(CreateDIBSection(nullptr, AsInfo(info), DIB_RGB_COLORS, &bits, &mapping, 0), nullptr);
}

#ifndef _WIN32
TEST(DibSectionTest, TakesTheLargestSizeItAllows) {
  InfoWithColors info = MakeInfo(8192, -32768, 32);  // exactly 1 GiB, never touched
  void* bits = nullptr;
  Bitmap bitmap = CreateSection(info, &bits);
  if (bitmap == nullptr) GTEST_SKIP() << "1 GiB not available here";
  EXPECT_EQ(DescribeSection(bitmap.get()).dsBmih.biSizeImage, DWORD{1} << 30);
}
#endif

// A section's pixels start zeroed, also where its storage held an earlier
// section's pixels (large storage is reused).
TEST(DibSectionTest, PixelsStartZeroedInReusedStorage) {
  const InfoWithColors info = MakeInfo(1500, 1000, 32);  // about 5.7 MiB
  constexpr size_t kBytes = size_t{1500} * 1000 * 4;
  for (int round = 0; round < 3; ++round) {
    void* bits = nullptr;
    Bitmap bitmap = CreateSection(info, &bits);
    ASSERT_NE(bitmap, nullptr);
    auto* bytes = static_cast<unsigned char*>(bits);
    for (size_t i = 0; i < kBytes; i += 4093) ASSERT_EQ(bytes[i], 0) << "round " << round;
    ASSERT_EQ(bytes[kBytes - 1], 0) << "round " << round;
    std::memset(bytes, 0xAB, kBytes);
  }
}

// A packed DIB after its 14-byte file header leaves the header misaligned.
TEST(DibSectionTest, ReadsAHeaderAtAnyAddress) {
  InfoWithColors info = MakeInfo(3, 2, 4);
  info.header.biClrUsed = 2;
  info.colors[0] = Rgb(1, 2, 3);
  info.colors[1] = Rgb(4, 5, 6);
  std::vector<unsigned char> file(sizeof(BITMAPFILEHEADER) + sizeof info);
  std::memcpy(file.data() + sizeof(BITMAPFILEHEADER), &info, sizeof info);
  const auto* packed = reinterpret_cast<const BITMAPINFO*>(file.data() + sizeof(BITMAPFILEHEADER));

  void* bits = nullptr;
  Bitmap bitmap(CreateDIBSection(nullptr, packed, DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_NE(bitmap, nullptr);
  DIBSECTION ds = DescribeSection(bitmap.get());
  EXPECT_EQ(ds.dsBm.bmWidthBytes, 4);
#ifndef _WIN32
  // Windows (wine) reports the whole table, 16 entries, here; the emulation
  // what the caller supplied. The plug-ins read the table itself.
  EXPECT_EQ(ds.dsBmih.biClrUsed, 2u);
#endif

  MemoryDc dc(CreateCompatibleDC(nullptr));
  HGDIOBJ placeholder = SelectObject(dc.get(), bitmap.get());
  RGBQUAD table[2];
  ASSERT_EQ(GetDIBColorTable(dc.get(), 0, 2, table), 2u);
  EXPECT_TRUE(SameColor(table[1], Rgb(4, 5, 6)));
  SelectObject(dc.get(), placeholder);
}

// Reads the colour table of a 1-bit section selected into a fresh DC.
std::vector<RGBQUAD> ReadColorTable(HBITMAP bitmap) {
  MemoryDc dc(CreateCompatibleDC(nullptr));
  HGDIOBJ placeholder = SelectObject(dc.get(), bitmap);
  std::vector<RGBQUAD> table(256);
  table.resize(GetDIBColorTable(dc.get(), 0, 256, table.data()));
  SelectObject(dc.get(), placeholder);
  return table;
}

// More colours than the depth can index: only 2^depth are read or kept.
TEST(DibSectionTest, ColourCountIsClippedToTheDepth) {
  InfoWithColors info = MakeInfo(8, 1, 1);
  info.header.biClrUsed = 1000;
  info.colors[0] = Rgb(1, 1, 1);
  info.colors[1] = Rgb(2, 2, 2);
  std::vector<unsigned char> exact(sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD));
  std::memcpy(exact.data(), &info, exact.size());

  void* bits = nullptr;
  Bitmap bitmap(CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(exact.data()),
                                 DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(DescribeSection(bitmap.get()).dsBmih.biClrUsed, 2u);
  std::vector<RGBQUAD> table = ReadColorTable(bitmap.get());
  ASSERT_EQ(table.size(), 2u);
  EXPECT_TRUE(SameColor(table[1], Rgb(2, 2, 2)));
}

// The colour table follows the header, wherever its size puts the end.
TEST(DibSectionTest, ColourTableFollowsALargerHeader) {
  constexpr size_t kV5HeaderSize = 124;
  InfoWithColors info = MakeInfo(8, 1, 1);
  info.header.biSize = kV5HeaderSize;
  std::vector<unsigned char> bytes(kV5HeaderSize + 2 * sizeof(RGBQUAD));
  std::memcpy(bytes.data(), &info.header, sizeof info.header);
  const RGBQUAD colors[2] = {Rgb(7, 8, 9), Rgb(10, 11, 12)};
  std::memcpy(bytes.data() + kV5HeaderSize, colors, sizeof colors);

  void* bits = nullptr;
  Bitmap bitmap(CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(bytes.data()),
                                 DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(DescribeSection(bitmap.get()).dsBmih.biSize, sizeof(BITMAPINFOHEADER));
  std::vector<RGBQUAD> table = ReadColorTable(bitmap.get());
  ASSERT_EQ(table.size(), 2u);
  EXPECT_TRUE(SameColor(table[0], Rgb(7, 8, 9)));
  EXPECT_TRUE(SameColor(table[1], Rgb(10, 11, 12)));
}

TEST(DibSectionTest, BitFieldsKeepTheirMasks) {
  struct {
    BITMAPINFOHEADER header;
    DWORD masks[3];
  } info = {};
  info.header = MakeInfo(5, 5, 16).header;
  info.header.biCompression = BI_BITFIELDS;
  info.masks[0] = 0xF800;
  info.masks[1] = 0x07E0;
  info.masks[2] = 0x001F;
  void* bits = nullptr;
  Bitmap bitmap(CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&info),
                                 DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_NE(bitmap, nullptr);
  DIBSECTION ds = DescribeSection(bitmap.get());
  EXPECT_EQ(ds.dsBmih.biCompression, static_cast<DWORD>(BI_BITFIELDS));
  EXPECT_EQ(ds.dsBitfields[0], 0xF800u);
  EXPECT_EQ(ds.dsBitfields[1], 0x07E0u);
  EXPECT_EQ(ds.dsBitfields[2], 0x001Fu);
  EXPECT_EQ(ds.dsBm.bmWidthBytes, 12);
}

// GetObjectA must never write more than it was given room for.
TEST(GetObjectTest, CopiesWhatFitsAndNoMore) {
  Bitmap bitmap = CreateSection(MakeInfo(7, 3, 24));
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(GetObjectA(bitmap.get(), 0, nullptr), static_cast<int>(sizeof(BITMAP)));

  struct {
    DIBSECTION ds;
    unsigned char after[16];
  } out;
  const int bitmapSize = sizeof(BITMAP);
  for (int size : {bitmapSize, static_cast<int>(sizeof(DIBSECTION)) - 1}) {
    SCOPED_TRACE(size);
    std::memset(&out, 0xA5, sizeof out);
    ASSERT_EQ(GetObjectA(bitmap.get(), size, &out), bitmapSize);
    EXPECT_EQ(out.ds.dsBm.bmWidth, 7);
    EXPECT_EQ(out.ds.dsBm.bmWidthBytes, 24);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&out);
    for (size_t i = sizeof(BITMAP); i < sizeof out; ++i) ASSERT_EQ(bytes[i], 0xA5) << i;
  }

  std::memset(&out, 0xA5, sizeof out);
  EXPECT_EQ(GetObjectA(bitmap.get(), sizeof(DIBSECTION) + 16, &out),
            static_cast<int>(sizeof(DIBSECTION)));
  EXPECT_EQ(out.ds.dsBmih.biSizeImage, 72u);
  for (unsigned char byte : out.after) ASSERT_EQ(byte, 0xA5);

  std::memset(&out, 0xA5, sizeof out);
  EXPECT_EQ(GetObjectA(bitmap.get(), bitmapSize - 1, &out), 0);
#ifndef _WIN32
  // Windows reads a negative size as a very large one and copies it all.
  EXPECT_EQ(GetObjectA(bitmap.get(), -1, &out), 0);
#endif
  const auto* bytes = reinterpret_cast<const unsigned char*>(&out);
  for (size_t i = 0; i < sizeof out; ++i) ASSERT_EQ(bytes[i], 0xA5) << i;
}

// The colour table of a section is reached through a DC it is selected into.
class ColorTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InfoWithColors info = MakeInfo(4, 4, 4);
    info.header.biClrUsed = 3;
    info.colors[0] = Rgb(10, 20, 30);
    info.colors[1] = Rgb(40, 50, 60);
    info.colors[2] = Rgb(70, 80, 90);
    info.colors[3] = Rgb(99, 99, 99);  // beyond biClrUsed: must not be taken
    section = CreateSection(info);
    ASSERT_NE(section, nullptr);
    dc.reset(CreateCompatibleDC(nullptr));
    ASSERT_NE(dc, nullptr);
    placeholder = SelectObject(dc.get(), section.get());
    ASSERT_NE(placeholder, nullptr);
  }
  void TearDown() override {
    if (dc != nullptr) {
      EXPECT_EQ(SelectObject(dc.get(), placeholder), section.get());
    }
  }

  Bitmap section;
  MemoryDc dc;
  HGDIOBJ placeholder = nullptr;
};

TEST_F(ColorTableTest, HoldsTheSuppliedColoursThenBlack) {
  RGBQUAD table[256];
  std::memset(table, 0xCC, sizeof table);
  ASSERT_EQ(GetDIBColorTable(dc.get(), 0, 256, table), 16u);
  EXPECT_TRUE(SameColor(table[0], Rgb(10, 20, 30)));
  EXPECT_TRUE(SameColor(table[2], Rgb(70, 80, 90)));
  for (int i = 3; i < 16; ++i) EXPECT_TRUE(SameColor(table[i], Rgb(0, 0, 0))) << i;
  EXPECT_EQ(table[16].rgbRed, 0xCC);  // nothing written past the table
}

TEST_F(ColorTableTest, WritesAreClippedToTheTable) {
  const RGBQUAD colors[4] = {Rgb(1, 1, 1), Rgb(2, 2, 2), Rgb(3, 3, 3), Rgb(4, 4, 4)};
  EXPECT_EQ(SetDIBColorTable(dc.get(), 14, 4, colors), 2u);
  EXPECT_EQ(SetDIBColorTable(dc.get(), 16, 1, colors), 0u);
  EXPECT_EQ(SetDIBColorTable(dc.get(), 0xFFFFFFFFu, 4, colors), 0u);

  RGBQUAD back[4];
  std::memset(back, 0xCC, sizeof back);
  ASSERT_EQ(GetDIBColorTable(dc.get(), 13, 4, back), 3u);
  EXPECT_TRUE(SameColor(back[0], Rgb(0, 0, 0)));
  EXPECT_TRUE(SameColor(back[1], Rgb(1, 1, 1)));
  EXPECT_TRUE(SameColor(back[2], Rgb(2, 2, 2)));
  EXPECT_EQ(back[3].rgbRed, 0xCC);
  EXPECT_EQ(GetDIBColorTable(dc.get(), 16, 1, back), 0u);
#ifndef _WIN32
  EXPECT_EQ(GetDIBColorTable(dc.get(), 0, 1, nullptr), 0u);  // Windows writes through it
#endif
}

TEST(ColorTableAbsentTest, NoTableWithoutAPalettedSectionSelected) {
  MemoryDc dc(CreateCompatibleDC(nullptr));
  ASSERT_NE(dc, nullptr);
  RGBQUAD color = Rgb(1, 2, 3);
  EXPECT_EQ(GetDIBColorTable(dc.get(), 0, 1, &color), 0u);  // placeholder selected
  EXPECT_EQ(SetDIBColorTable(dc.get(), 0, 1, &color), 0u);

  Bitmap trueColor = CreateSection(MakeInfo(2, 2, 24));
  ASSERT_NE(trueColor, nullptr);
  HGDIOBJ placeholder = SelectObject(dc.get(), trueColor.get());
  EXPECT_EQ(GetDIBColorTable(dc.get(), 0, 1, &color), 0u);
  EXPECT_EQ(SetDIBColorTable(dc.get(), 0, 1, &color), 0u);
  SelectObject(dc.get(), placeholder);
  EXPECT_EQ(GetDIBColorTable(nullptr, 0, 1, &color), 0u);
}

// Windows keeps a selected bitmap alive and in one DC only; code written for
// it restores the DC's original bitmap before deleting its own.
TEST(SelectObjectTest, SelectedBitmapCannotBeDeletedOrSharedUntilReleased) {
  HBITMAP bitmap = CreateSection(MakeInfo(2, 2, 8)).release();
  ASSERT_NE(bitmap, nullptr);
  MemoryDc first(CreateCompatibleDC(nullptr));
  MemoryDc second(CreateCompatibleDC(first.get()));
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);

  HGDIOBJ placeholder = SelectObject(first.get(), bitmap);
  ASSERT_NE(placeholder, nullptr);
  BITMAP bm = {};
  EXPECT_EQ(GetObjectA(placeholder, sizeof(DIBSECTION), &bm), static_cast<int>(sizeof(BITMAP)));
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmBits, nullptr);
  EXPECT_TRUE(DeleteObject(placeholder));  // ignored, like a stock object

  EXPECT_EQ(SelectObject(first.get(), bitmap), bitmap);  // already there
  EXPECT_EQ(SelectObject(second.get(), bitmap), nullptr);
#ifndef _WIN32
  // Windows gives every memory DC the same stock bitmap, which any DC can
  // select. And where the emulation refuses to delete a selected bitmap, as
  // Windows documents, wine accepts and deletes it once it leaves its DC.
  EXPECT_EQ(SelectObject(second.get(), placeholder), nullptr);  // not its placeholder
  EXPECT_FALSE(DeleteObject(bitmap));
#endif

  EXPECT_EQ(SelectObject(first.get(), placeholder), bitmap);
  EXPECT_NE(SelectObject(second.get(), bitmap), nullptr);
#ifndef _WIN32
  EXPECT_FALSE(DeleteObject(bitmap));
#endif
  second.reset();  // DeleteDC lets go of the bitmap
  EXPECT_TRUE(DeleteObject(bitmap));
}

TEST(GdiHandleTest, NullAndForeignHandlesFail) {
  alignas(std::max_align_t) unsigned char foreign[2048];
  std::memset(foreign, 0x5A, sizeof foreign);
  auto* object = reinterpret_cast<HGDIOBJ>(foreign);
  auto* context = reinterpret_cast<HDC>(foreign);
  Bitmap bitmap = CreateSection(MakeInfo(2, 2, 8));
  MemoryDc dc(CreateCompatibleDC(nullptr));
  ASSERT_NE(bitmap, nullptr);
  ASSERT_NE(dc, nullptr);
  RGBQUAD color = {};
  DIBSECTION ds;

  for (HGDIOBJ bad : {static_cast<HGDIOBJ>(nullptr), object}) {
    EXPECT_EQ(GetObjectA(bad, sizeof ds, &ds), 0);
    EXPECT_EQ(GetObjectA(bad, 0, nullptr), 0);
    EXPECT_FALSE(DeleteObject(bad));
    EXPECT_EQ(SelectObject(dc.get(), bad), nullptr);
  }
  for (HDC bad : {static_cast<HDC>(nullptr), context}) {
    EXPECT_EQ(SelectObject(bad, bitmap.get()), nullptr);
    EXPECT_EQ(GetDIBColorTable(bad, 0, 1, &color), 0u);
    EXPECT_EQ(SetDIBColorTable(bad, 0, 1, &color), 0u);
    EXPECT_FALSE(DeleteDC(bad));
  }
  EXPECT_EQ(CreateCompatibleDC(context), nullptr);
  // A DC is not a bitmap, nor the other way round.
  EXPECT_EQ(GetObjectA(reinterpret_cast<HGDIOBJ>(dc.get()), sizeof ds, &ds), 0);
  EXPECT_FALSE(DeleteDC(reinterpret_cast<HDC>(bitmap.get())));
  for (unsigned char byte : foreign) ASSERT_EQ(byte, 0x5A);
}

}  // namespace
