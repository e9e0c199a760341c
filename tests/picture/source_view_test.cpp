#include "picture/frame/source_view.h"

#include <cstring>

#include "frame_fixture.h"
#include "platform/win32.h"

namespace zrwtest {
namespace {

using zrw::SourceView;

class SourceViewTest : public FrameTest {};

TEST_F(SourceViewTest, OpensA32BitBitmapInPlace) {
  RbPicture p = patternPicture(5, 4, 32);
  host.setRawPixel(p, 1, 3, 0xAB123456);  // memory row 3 is the top row
  const rbhost::Audit before = host.audit();
  {
    SourceView view;
    ASSERT_TRUE(view.open(p));
    EXPECT_FALSE(view.isConverted());
    EXPECT_EQ(view.viewedPicture(), p);
    EXPECT_EQ(view.width(), 5);
    EXPECT_EQ(view.height(), 4);
    // The picture's own storage, top row last in memory; nothing was copied.
    for (int32_t y = 0; y < 4; ++y) EXPECT_EQ(view.row(y), host.row(p, 3 - y)) << "row " << y;
    EXPECT_EQ(view.row(0)[4 + 3], 0xAB);  // the fourth byte is left as it is
    EXPECT_EQ(host.referenceCount(toObject(p)), 2);
  }
  EXPECT_EQ(host.referenceCount(toObject(p)), 1);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, before));
  host.release(p);
}

struct StoredAs {
  int32_t depth;
  PictureStorage storage;
};

class SourceViewConversionTest : public SourceViewTest,
                                 public ::testing::WithParamInterface<StoredAs> {};

// Every other storage is drawn into a 32-bit copy that shows the same colours
// as the picture stored at 32 bits would.
TEST_P(SourceViewConversionTest, GivesThePixelsOfThe32BitEquivalent) {
  const int32_t width = 5, height = 4;
  RbPicture p = patternPicture(width, height, GetParam().depth, GetParam().storage);
  RbPicture equivalent = host.newPicture(width, height, 32);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      host.setPixel(equivalent, x, height - 1 - y, shown(p, x, y));
  const rbhost::Audit before = host.audit();
  {
    SourceView view, reference;
    ASSERT_TRUE(view.open(p));
    ASSERT_TRUE(reference.open(equivalent));
    EXPECT_TRUE(view.isConverted());
    EXPECT_NE(view.viewedPicture(), p);
    ASSERT_EQ(view.width(), width);
    ASSERT_EQ(view.height(), height);
    for (int32_t y = 0; y < height; ++y)
      EXPECT_EQ(std::memcmp(view.row(y), reference.row(y), 4 * width), 0) << "row " << y;
    // The copy is held by the view alone and goes with it.
    EXPECT_EQ(host.referenceCount(toObject(view.viewedPicture())), 1);
    EXPECT_EQ(host.audit().liveObjects, before.liveObjects + 1);
  }
  EXPECT_TRUE(rbtest::AuditUnchanged(host, before));
  host.release(p);
  host.release(equivalent);
}

INSTANTIATE_TEST_SUITE_P(Storages, SourceViewConversionTest,
                         ::testing::Values(StoredAs{1, PictureStorage::GlobalDib},
                                           StoredAs{8, PictureStorage::GlobalDib},
                                           StoredAs{16, PictureStorage::GlobalDib},
                                           StoredAs{24, PictureStorage::GlobalDib},
                                           StoredAs{32, PictureStorage::DibSection},
                                           StoredAs{24, PictureStorage::DibSection}),
                         [](const auto& info) {
                           return std::to_string(info.param.depth) +
                                  (info.param.storage == PictureStorage::GlobalDib ? "BitGlobal"
                                                                                   : "BitSection");
                         });

TEST_F(SourceViewTest, RowsArePackedFourBytesAPixel) {
  for (int32_t width : {1, 3}) {
    for (int32_t depth : {32, 24}) {
      RbPicture p = patternPicture(width, 2, depth);
      const rbhost::Audit before = host.audit();
      {
        SourceView view;
        ASSERT_TRUE(view.open(p));
        EXPECT_EQ(view.rowBytes(), size_t(4 * width)) << width << " wide, " << depth << " bits";
        EXPECT_EQ(view.row(0) - view.row(1), 4 * width);
        for (int32_t x = 0; x < width; ++x) EXPECT_EQ(colorAt(view.row(0), x), shown(p, x, 0));
      }
      EXPECT_TRUE(rbtest::AuditUnchanged(host, before));
      host.release(p);
    }
  }
}

// A header that does not match what the host described is not addressed in
// place; the picture is drawn instead, which reads it through the host.
TEST_F(SourceViewTest, HeaderThatDisagreesWithTheDescriptionIsNotReadInPlace) {
  struct Damage {
    const char* what;
    void (*apply)(BITMAPINFOHEADER&);
  };
  const Damage damages[] = {
      {"taller", [](BITMAPINFOHEADER& h) { h.biHeight += 1000; }},
      {"wider", [](BITMAPINFOHEADER& h) { h.biWidth += 1000; }},
      {"top-down", [](BITMAPINFOHEADER& h) { h.biHeight = -h.biHeight; }},
      {"bit fields", [](BITMAPINFOHEADER& h) { h.biCompression = BI_BITFIELDS; }},
      {"24 bits", [](BITMAPINFOHEADER& h) { h.biBitCount = 24; }},
  };
  for (const Damage& damage : damages) {
    RbPicture p = patternPicture(3, 2, 32);
    // A 32-bit packed bitmap has its 40-byte header right before the pixels.
    BITMAPINFOHEADER header;
    uint8_t* headerBytes = host.row(p, 0) - sizeof header;
    std::memcpy(&header, headerBytes, sizeof header);
    damage.apply(header);
    std::memcpy(headerBytes, &header, sizeof header);
    const rbhost::Audit before = host.audit();
    {
      SourceView view;
      ASSERT_TRUE(view.open(p)) << damage.what;
      EXPECT_TRUE(view.isConverted()) << damage.what;
      EXPECT_EQ(view.width(), 3) << damage.what;
      EXPECT_EQ(view.height(), 2) << damage.what;
      EXPECT_EQ(colorAt(view.row(0), 2), shown(p, 2, 0)) << damage.what;
    }
    EXPECT_TRUE(rbtest::AuditUnchanged(host, before)) << damage.what;
    host.release(p);
  }
}

TEST_F(SourceViewTest, WithoutConversionOnlyA32BitBitmapOpens) {
  RbPicture stored = patternPicture(2, 2, 32);
  RbPicture other = patternPicture(2, 2, 24);
  const rbhost::Audit before = host.audit();
  SourceView view;
  EXPECT_TRUE(view.open(stored, SourceView::Conversion::None));
  EXPECT_FALSE(view.open(other, SourceView::Conversion::None));
  EXPECT_FALSE(view.isOpen());
  EXPECT_TRUE(rbtest::AuditUnchanged(host, before));
  host.release(stored);
  host.release(other);
}

TEST_F(SourceViewTest, ClosingTwiceAndReopeningReleaseEverything) {
  RbPicture a = patternPicture(2, 2, 32);
  RbPicture b = patternPicture(2, 2, 8);
  const rbhost::Audit before = host.audit();
  {
    SourceView view;
    ASSERT_TRUE(view.open(b));
    ASSERT_TRUE(view.open(a));  // the copy of b goes
    EXPECT_EQ(host.audit().liveObjects, before.liveObjects);
    view.close();
    view.close();
    EXPECT_FALSE(view.isOpen());
    EXPECT_TRUE(rbtest::AuditUnchanged(host, before));
    ASSERT_TRUE(view.open(b));
  }
  EXPECT_TRUE(rbtest::AuditUnchanged(host, before));
  host.release(a);
  host.release(b);
}

// Every way of failing leaves nothing locked, referenced or created.
TEST_F(SourceViewTest, FailuresReturnFalseAndReleaseEverything) {
  struct Case {
    const char* what;
    int32_t width, height, depth;
    PictureStorage storage;
    void (*arrange)(rbhost::Host&, RbPicture);
  };
  const Case cases[] = {
      {"32-bit picture whose locks fail", 3, 2, 32, PictureStorage::GlobalDib,
       [](rbhost::Host& h, RbPicture p) { h.failLocksOf(p); }},
      {"8-bit picture whose locks fail", 3, 2, 8, PictureStorage::GlobalDib,
       [](rbhost::Host& h, RbPicture p) { h.failLocksOf(p); }},
      {"no new picture for the copy", 3, 2, 24, PictureStorage::GlobalDib,
       [](rbhost::Host& h, RbPicture) { h.failNewPictureAfter(0); }},
      {"the copy is not a packed bitmap", 3, 2, 24, PictureStorage::GlobalDib,
       [](rbhost::Host& h, RbPicture) {
         h.options().newPictureStorage = PictureStorage::DibSection;
       }},
      // Too wide for the host's 16-bit drawing bounds: never drawn, never
      // handed to newPicture.
      {"wider than the drawing bounds", 40000, 1, 8, PictureStorage::GlobalDib,
       [](rbhost::Host&, RbPicture) {}},
      {"taller than the drawing bounds", 1, 40000, 8, PictureStorage::GlobalDib,
       [](rbhost::Host&, RbPicture) {}},
  };
  for (const Case& c : cases) {
    RbPicture p = host.newPicture(c.width, c.height, c.depth, c.storage);
    ASSERT_NE(p, nullptr) << c.what;
    c.arrange(host, p);
    const rbhost::Audit before = host.audit();
    {
      SourceView view;
      EXPECT_FALSE(view.open(p)) << c.what;
      EXPECT_FALSE(view.isOpen()) << c.what;
    }
    EXPECT_TRUE(rbtest::AuditUnchanged(host, before)) << c.what;
    host.failLocksOf(p, false);
    host.failNewPictureAfter(std::nullopt);
    host.options().newPictureStorage = PictureStorage::GlobalDib;
    host.release(p);
  }
  SourceView view;
  EXPECT_FALSE(view.open(nullptr));
}

// A 32-bit bitmap needs no new picture, so it opens while the host cannot
// create any.
TEST_F(SourceViewTest, A32BitBitmapOpensWhenNoPictureCanBeCreated) {
  RbPicture p = patternPicture(2, 2, 32);
  host.failNewPictureAfter(0);
  const rbhost::Audit before = host.audit();
  {
    SourceView view;
    EXPECT_TRUE(view.open(p));
  }
  EXPECT_TRUE(rbtest::AuditUnchanged(host, before));
  host.release(p);
}

}  // namespace
}  // namespace zrwtest
