// Host pictures as the plug-ins see them: packed DIBs in global memory or DIB
// sections, bottom-up, rows padded to four bytes, with the palettes the
// plug-ins rely on.
#include <cstring>

#include "platform/win32.h"
#include "service_access.h"
#include "test_host.h"

namespace {

using rbhost::Host;
using rbhost::PictureStorage;
using rbhost::Rgb;

struct Layout {
  int32_t depth;
  int32_t width;
  int32_t rowBytes;
};

class PictureLayout : public ::testing::TestWithParam<std::tuple<Layout, PictureStorage>> {};

TEST_P(PictureLayout, DescriptionHeaderAndBitsAgree) {
  auto [layout, requested] = GetParam();
  // Windows makes no 2-bit DIB sections: such a picture stays a packed DIB.
  const PictureStorage storage = layout.depth == 2 ? PictureStorage::GlobalDib : requested;
  Host host;
  RbPicture p = host.newPicture(layout.width, 3, layout.depth, requested);
  EXPECT_EQ(host.rowBytes(p), layout.rowBytes);

  auto lock = service<void(RbPicture, RbPictureDescription*)>(host, "lockPictureDescription");
  auto unlock = service<void(RbPicture)>(host, "unlockPictureDescription");
  RbPictureDescription d{};
  lock(p, &d);
  EXPECT_EQ(d.kind, static_cast<int32_t>(storage));
  EXPECT_EQ(d.width, layout.width);
  EXPECT_EQ(d.height, 3);
  EXPECT_EQ(d.depth, layout.depth);
  const BITMAPINFOHEADER* header = nullptr;
  const uint8_t* bits = nullptr;
  DIBSECTION section{};
  if (storage == PictureStorage::GlobalDib) {
    auto* base = static_cast<uint8_t*>(GlobalLock(static_cast<HGLOBAL>(d.handle)));
    header = reinterpret_cast<const BITMAPINFOHEADER*>(base);
    const uint32_t colors = layout.depth <= 8 ? 1u << layout.depth : 0;
    EXPECT_EQ(header->biClrUsed == 0 ? colors : header->biClrUsed, colors);
    bits = base + header->biSize + 4 * colors;
    GlobalUnlock(static_cast<HGLOBAL>(d.handle));
  } else {
    ASSERT_EQ(GetObjectA(static_cast<HBITMAP>(d.handle), sizeof section, &section),
              int(sizeof section));
    header = &section.dsBmih;
    EXPECT_EQ(header->biHeight, 3);  // bottom-up
    bits = static_cast<const uint8_t*>(section.dsBm.bmBits);
  }
  EXPECT_EQ(header->biBitCount, layout.depth);
  EXPECT_EQ(bits, host.row(p, 0));
  EXPECT_EQ(host.row(p, 2) - host.row(p, 0), 2 * layout.rowBytes);
  unlock(p);

  // Every colour the depth can hold survives a write and a read.
  const Rgb probe = layout.depth <= 8 ? Rgb{0, 0, 0} : Rgb{248, 8, 120};
  host.setPixel(p, layout.width - 1, 2, probe);
  EXPECT_EQ(host.pixel(p, layout.width - 1, 2), probe);
  host.release(p);
  EXPECT_EQ(host.audit(), rbhost::Audit{});
}

INSTANTIATE_TEST_SUITE_P(
    DepthsAndWidths, PictureLayout,
    ::testing::Combine(::testing::Values(Layout{1, 1, 4}, Layout{1, 33, 8}, Layout{2, 17, 8},
                                         Layout{4, 9, 8}, Layout{8, 5, 8}, Layout{16, 3, 8},
                                         Layout{24, 1, 4}, Layout{24, 5, 16}, Layout{32, 3, 12}),
                       ::testing::Values(PictureStorage::GlobalDib, PictureStorage::DibSection)));

TEST(Pictures, OneBitPaletteIsWhiteThenBlack) {
  Host host;
  for (auto storage : {PictureStorage::GlobalDib, PictureStorage::DibSection}) {
    RbPicture p = host.newPicture(8, 1, 1, storage);
    EXPECT_EQ(host.palette(p), (std::vector<Rgb>{{255, 255, 255}, {0, 0, 0}}));
    std::memset(host.row(p, 0), 0, 4);
    host.setRawPixel(p, 0, 0, 1);
    EXPECT_EQ(host.pixel(p, 0, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(host.row(p, 0)[0], 0x80);  // the leftmost pixel is the high bit
    host.release(p);
  }
}

TEST(Pictures, PaletteWritesAndNearestColour) {
  Host host;
  for (auto storage : {PictureStorage::GlobalDib, PictureStorage::DibSection}) {
    RbPicture p = host.newPicture(2, 1, 2, storage);
    host.setPalette(p, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}});
    host.setPixel(p, 1, 0, {10, 200, 30});
    EXPECT_EQ(host.rawPixel(p, 1, 0), 2u);
    EXPECT_EQ(host.pixel(p, 1, 0), (Rgb{0, 255, 0}));
    host.release(p);
  }
}

TEST(Pictures, SixteenBitsKeepFiveBitsPerChannel) {
  Host host;
  RbPicture p = host.newPicture(1, 1, 16);
  host.setPixel(p, 0, 0, {255, 255, 255});
  EXPECT_EQ(host.rawPixel(p, 0, 0), 0x7FFFu);
  EXPECT_EQ(host.pixel(p, 0, 0), (Rgb{248, 248, 248}));
  host.release(p);
}

TEST(Pictures, NewPixelsCarryARecognisablePattern) {
  Host host;
  RbPicture p = host.newPicture(2, 2, 24);
  EXPECT_EQ(host.rawPixel(p, 1, 1), 0xCDCDCDu);
  host.release(p);
}

TEST(Pictures, RefusesImpossibleSizesAndDepths) {
  Host host;
  EXPECT_THROW(host.newPicture(0, 1, 32), rbhost::HostError);
  EXPECT_THROW(host.newPicture(1, -1, 32), rbhost::HostError);
  EXPECT_THROW(host.newPicture(4, 4, 12), rbhost::HostError);
  EXPECT_THROW(host.newPicture(1 << 20, 1 << 20, 32), rbhost::HostError);
  RbPicture p = host.newPicture(2, 2, 8);
  EXPECT_THROW(host.pixel(p, 2, 0), rbhost::HostError);
  EXPECT_THROW(host.pixel(p, 0, -1), rbhost::HostError);
  host.release(p);
}

}  // namespace
