// The mask in the fourth byte, read and assigned through the host.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "function_fixture.h"

namespace zrwtest {
namespace {

const char* const kMask = "EmbededMaskZRW(swap as boolean) as picture";

class EmbeddedMaskTest : public PictureFunctionTest {
 protected:
  RbPicture maskOf(RbPicture p, bool swap) { return host.call<RbPicture>(kMask, p, swap); }
  void assignMask(RbPicture p, bool swap, RbPicture mask) {
    host.callSetter("Picture", kMask, p, swap, mask);
  }
};

TEST_F(EmbeddedMaskTest, ReadsTheFourthByteAsGrey) {
  RbPicture p = pictureOfValues(3, 1, {0x00102030, 0xC8FFFFFF, 0xFF000000});
  RbPicture plain = maskOf(p, false);
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(values(plain), (std::vector<uint32_t>{0x00000000, 0x00C8C8C8, 0x00FFFFFF}));
  RbPicture swapped = maskOf(p, true);
  ASSERT_NE(swapped, nullptr);
  EXPECT_EQ(values(swapped), (std::vector<uint32_t>{0x00FFFFFF, 0x00373737, 0x00000000}));
  EXPECT_EQ(maskOf(nullptr, false), nullptr);
  for (RbPicture q : {p, plain, swapped}) host.release(q);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

TEST_F(EmbeddedMaskTest, WritesTheMasksRedIntoThePicturesOwnFourthBytes) {
  RbPicture p = pictureOfValues(2, 2, {0x00102030, 0x00405060, 0x00708090, 0x00A0B0C0});
  // Red 200, 10, 0, 255 from the top left; green and blue must not count.
  RbPicture mask =
      pictureShowing(2, 2, {{200, 1, 2}, {10, 99, 99}, {0, 255, 255}, {255, 0, 0}}, 24);
  assignMask(p, false, mask);
  EXPECT_EQ(values(p), (std::vector<uint32_t>{0xC8102030, 0x0A405060, 0x00708090, 0xFFA0B0C0}));
  assignMask(p, true, mask);
  EXPECT_EQ(values(p), (std::vector<uint32_t>{0x37102030, 0xF5405060, 0xFF708090, 0x00A0B0C0}));

  // Read back: 200 everywhere gives grey 200, swapped 55.
  RbPicture level200 = pictureShowing(2, 2, std::vector<Rgb>(4, Rgb{200, 0, 0}));
  assignMask(p, false, level200);
  RbPicture back = maskOf(p, false);
  EXPECT_EQ(shown(back), std::vector<Rgb>(4, grey(200)));
  RbPicture backSwapped = maskOf(p, true);
  EXPECT_EQ(shown(backSwapped), std::vector<Rgb>(4, grey(55)));
  // Any other operation's result has fourth bytes 0 again.
  RbPicture clone = host.call<RbPicture>("CloneZRW as picture", p);
  EXPECT_EQ(fourthBytes(clone), std::vector<uint8_t>(4, 0));
  for (RbPicture q : {p, mask, level200, back, backSwapped, clone}) host.release(q);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

TEST_F(EmbeddedMaskTest, AMaskOfAnotherSizeWritesTheCommonAreaOnly) {
  const std::vector<uint32_t> before = {0x11000001, 0x22000002, 0x33000003,
                                        0x44000004, 0x55000005, 0x66000006};
  RbPicture p = pictureOfValues(3, 2, before);
  RbPicture small = pictureShowing(2, 1, {{7, 0, 0}, {8, 0, 0}});
  assignMask(p, false, small);
  EXPECT_EQ(values(p), (std::vector<uint32_t>{0x07000001, 0x08000002, 0x33000003, 0x44000004,
                                              0x55000005, 0x66000006}));
  RbPicture large = pictureShowing(4, 3, std::vector<Rgb>(12, Rgb{9, 0, 0}));
  assignMask(p, false, large);
  EXPECT_EQ(fourthBytes(p), std::vector<uint8_t>(6, 9));
  for (RbPicture q : {p, small, large}) host.release(q);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

// A picture the host keeps any other way is changed only in its temporary
// 32-bit copy; a nil or unreadable mask changes nothing.
TEST_F(EmbeddedMaskTest, ChangesNothingItCannotReach) {
  RbPicture mask = pictureShowing(2, 1, {{200, 0, 0}, {100, 0, 0}});
  RbPicture unreadable = pictureShowing(2, 1, {{200, 0, 0}, {100, 0, 0}});
  host.failLocksOf(unreadable);
  for (auto [depth, storage] :
       {std::pair{24, PictureStorage::GlobalDib}, {32, PictureStorage::DibSection}}) {
    RbPicture p = pictureShowing(2, 1, {{1, 2, 3}, {4, 5, 6}}, depth, storage);
    const std::vector<uint8_t> bytes = rbtest::pictureBytes(host, p);
    assignMask(p, false, mask);
    EXPECT_EQ(rbtest::pictureBytes(host, p), bytes);
    host.release(p);
  }
  RbPicture p = pictureOfValues(2, 1, {0x12000000, 0x34000000});
  assignMask(p, true, nullptr);
  assignMask(p, true, unreadable);
  assignMask(nullptr, true, mask);
  EXPECT_EQ(values(p), (std::vector<uint32_t>{0x12000000, 0x34000000}));
  for (RbPicture q : {p, mask, unreadable}) host.release(q);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

}  // namespace
}  // namespace zrwtest
