// The binary string form of a picture. Pictures become strings through the
// registered PicturetoBinaryStringZRW of the loaded plug-in; strings become
// pictures through the reader of the linked frame, bound to the same host,
// since the host offers plug-ins no way yet to read a string's bytes.
#include "picture/functions/binary_string.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "function_fixture.h"
#include "host_binding/host_entry.h"

namespace zrwtest {
namespace {

const char* const kToString = "PicturetoBinaryStringZRW(p as picture) as string";
const char* const kToPicture = "BinaryStringtoPictureZRW(data as String) as Picture";

using Bytes = std::vector<uint8_t>;

Bytes fromHex(const std::string& hex) {
  Bytes bytes;
  std::string digits;
  for (char c : hex)
    if (c != ' ') digits += c;
  for (size_t i = 0; i + 1 < digits.size(); i += 2)
    bytes.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  return bytes;
}

Bytes fromString(const std::string& s) { return Bytes(s.begin(), s.end()); }

void putBigEndian(Bytes& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

// A 2 x 1 picture showing pure red, then pure blue, and its string.
const std::vector<Rgb> kRedBlue = {{255, 0, 0}, {0, 0, 255}};
const char* const kRedBlueHex =
    "50504943 0000002E 00000002 00000001 00000020 00000028"
    "00000000 00000000 00000000 00000000"
    "FF0000 0000FF";

class BinaryStringTest : public PictureFunctionTest {
 protected:
  BinaryStringTest() { host_binding::setResolver(host.resolver()); }
  ~BinaryStringTest() override { host_binding::setResolver(nullptr); }

  // The string of `p`, as bytes; an empty optional for a nil string.
  std::optional<Bytes> toBinaryString(RbPicture p) {
    RbString s = host.call<RbString>(kToString, p);
    if (s == nullptr) return std::nullopt;
    EXPECT_EQ(host.stringEncoding(s), 0xFFFFu);
    Bytes bytes = fromString(host.stringBytes(s));
    host.release(s);
    return bytes;
  }

  // Through the registered method, from a host string holding `bytes`.
  RbPicture toPicture(const Bytes& bytes) {
    RbString s = host.newString(std::string(bytes.begin(), bytes.end()), 0xFFFF);
    RbPicture p = host.call<RbPicture>(kToPicture, s);
    host.release(s);
    return p;
  }

  // The reader on a block of exactly the string's size, so that the
  // sanitizers see any read past its end.
  RbPicture toPictureFromExactBlock(const Bytes& bytes) {
    Bytes exact(bytes);
    return zrw::pictureFromBinaryString(exact.data(), exact.size());
  }
};

struct ExactCase {
  int32_t width, height;
  std::vector<Rgb> colors;  // rows from the top
  const char* hex;
};

TEST_F(BinaryStringTest, WritesTheBytesWorkedOutByHand) {
  const std::vector<ExactCase> cases = {
      {2, 1, kRedBlue, kRedBlueHex},
      // Rows from the top, pixels from the left: 4 rows in memory order
      // reversed, 3 pixels each.
      {3,
       2,
       {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}, {13, 14, 15}, {16, 17, 18}},
       "50504943 0000003A 00000003 00000002 00000020 00000028"
       "00000000 00000000 00000000 00000000"
       "010203 040506 070809 0A0B0C 0D0E0F 101112"},
  };
  // The writer always hands the host its bytes: the same string whether or
  // not the host would also build one without them.
  for (bool inPlace : {true, false}) {
    host.options().buildsStringsWithoutBytes = inPlace;
    for (const ExactCase& c : cases) {
      SCOPED_TRACE(std::string(c.hex) +
                   (inPlace ? ", host builds empty strings" : ", host refuses them"));
      RbPicture p = pictureShowing(c.width, c.height, c.colors);
      // The fourth byte (mask, alpha) is not kept.
      host.setRawPixel(p, 0, 0, host.rawPixel(p, 0, 0) | 0x7F000000u);
      EXPECT_EQ(toBinaryString(p), fromHex(c.hex));
      host.release(p);
    }
  }
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

TEST_F(BinaryStringTest, ReadsTheSmallPictureBack) {
  RbPicture p = toPicture(fromHex(kRedBlueHex));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(host.depth(p), 32);
  EXPECT_EQ(host.width(p), 2);
  EXPECT_EQ(host.height(p), 1);
  EXPECT_EQ(shown(p), kRedBlue);
  EXPECT_EQ(fourthBytes(p), Bytes(2, 0));
  host.release(p);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

struct RoundTrip {
  int32_t width, height, depth;
  PictureStorage storage;
};

class BinaryStringRoundTripTest : public BinaryStringTest,
                                  public ::testing::WithParamInterface<RoundTrip> {};

// A picture comes back showing what it showed, 32 bits deep, whatever its size
// and however it was stored.
TEST_P(BinaryStringRoundTripTest, GivesBackWhatThePictureShowed) {
  const RoundTrip& r = GetParam();
  RbPicture original = patternPicture(r.width, r.height, r.depth, r.storage);
  std::optional<Bytes> bytes = toBinaryString(original);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(bytes->size(), 40u + 3u * static_cast<size_t>(r.width * r.height));
  RbPicture copy = toPicture(*bytes);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(host.depth(copy), 32);
  EXPECT_EQ(host.width(copy), r.width);
  EXPECT_EQ(host.height(copy), r.height);
  EXPECT_EQ(shown(copy), shown(original));
  EXPECT_EQ(fourthBytes(copy), Bytes(static_cast<size_t>(r.width * r.height), 0));
  host.release(copy);
  host.release(original);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

INSTANTIATE_TEST_SUITE_P(SizesAndDepths, BinaryStringRoundTripTest,
                         ::testing::Values(RoundTrip{1, 1, 32, PictureStorage::GlobalDib},
                                           RoundTrip{3, 2, 32, PictureStorage::GlobalDib},
                                           RoundTrip{5, 3, 24, PictureStorage::GlobalDib},
                                           RoundTrip{7, 1, 16, PictureStorage::GlobalDib},
                                           RoundTrip{1, 4, 8, PictureStorage::GlobalDib},
                                           RoundTrip{3, 3, 24, PictureStorage::DibSection},
                                           RoundTrip{2, 5, 32, PictureStorage::DibSection}),
                         [](const auto& info) {
                           const RoundTrip& r = info.param;
                           return std::to_string(r.width) + "x" + std::to_string(r.height) + "at" +
                                  std::to_string(r.depth) +
                                  (r.storage == PictureStorage::GlobalDib ? "Global" : "Section");
                         });

TEST_F(BinaryStringTest, WritesNilForAPictureThatCannotBeRead) {
  EXPECT_EQ(toBinaryString(nullptr), std::nullopt);
  RbPicture unlockable = patternPicture(2, 2);
  host.failLocksOf(unlockable);
  EXPECT_EQ(toBinaryString(unlockable), std::nullopt);
  RbPicture stored24 = patternPicture(2, 2, 24);
  host.failNewPictureAfter(0);  // no 32-bit copy to read from
  EXPECT_EQ(toBinaryString(stored24), std::nullopt);
  host.failNewPictureAfter(std::nullopt);
  host.release(unlockable);
  host.release(stored24);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

// Pixels are read from wherever the offset field says, as long as the
// length field matches the string.
TEST_F(BinaryStringTest, HonoursAPixelOffsetBeyondTheHeader) {
  Bytes bytes = fromHex(kRedBlueHex);
  bytes.insert(bytes.begin() + 40, {0xEE, 0xEE, 0xEE, 0xEE});
  putBigEndian(bytes, 4, 50);
  putBigEndian(bytes, 20, 44);
  RbPicture p = toPicture(bytes);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(shown(p), kRedBlue);
  host.release(p);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

struct Refusal {
  const char* what;
  Bytes bytes;
};

Bytes redBlueWith(uint32_t field, uint32_t value) {
  Bytes bytes = fromHex(kRedBlueHex);
  putBigEndian(bytes, field, value);
  return bytes;
}

std::vector<Refusal> refusals() {
  const Bytes good = fromHex(kRedBlueHex);
  Bytes truncated(good.begin(), good.end() - 1);
  Bytes truncatedAndAdmitted = truncated;
  putBigEndian(truncatedAndAdmitted, 4, 45);
  Bytes trailing = good;
  trailing.push_back(0);
  Bytes badMagic = good;
  badMagic[3] = 'D';
  Bytes lowerCase = good;
  lowerCase[3] = 'c';
  Bytes headerOnly(good.begin(), good.begin() + 40);
  putBigEndian(headerOnly, 4, 40);
  Bytes shortHeader(good.begin(), good.begin() + 24);
  putBigEndian(shortHeader, 4, 24);
  putBigEndian(shortHeader, 20, 18);  // the 6 pixel bytes would fit in 24
  // 0x55555556 x 3 pixels take 0x3_0000_0006 bytes: 6 in 32-bit arithmetic.
  Bytes wraps = redBlueWith(8, 0x55555556);
  putBigEndian(wraps, 12, 3);
  Bytes huge = redBlueWith(8, 0x7FFFFFFF);
  putBigEndian(huge, 12, 0x7FFFFFFF);

  return {
      {"one byte short of its length field", truncated},
      {"one byte short, the length field admitting it", truncatedAndAdmitted},
      {"a byte beyond its length field", trailing},
      {"length field one too large", redBlueWith(4, 47)},
      {"fourth magic byte not C", badMagic},
      {"magic in the wrong case", lowerCase},
      {"width promising more pixels than present", redBlueWith(8, 3)},
      {"height promising more pixels than present", redBlueWith(12, 2)},
      {"no pixel bytes at all", headerOnly},
      {"shorter than the header", shortHeader},
      {"offset one byte too far", redBlueWith(20, 41)},
      {"offset at the end", redBlueWith(20, 46)},
      {"offset far outside", redBlueWith(20, 0xFFFFFFFF)},
      {"size wrapping around in 32 bits", wraps},
      {"largest width and height", huge},
      {"zero width", redBlueWith(8, 0)},
      {"zero height", redBlueWith(12, 0)},
      {"negative width", redBlueWith(8, 0xFFFFFFFE)},
      {"negative height", redBlueWith(12, 0x80000000)},
      {"magic only", fromString("PPIC")},
      {"empty", {}},
  };
}

TEST_F(BinaryStringTest, RefusesEveryMalformedString) {
  for (const Refusal& r : refusals()) {
    EXPECT_EQ(toPicture(r.bytes), nullptr) << r.what;
    EXPECT_EQ(toPictureFromExactBlock(r.bytes), nullptr) << r.what;
  }
  EXPECT_EQ(host.call<RbPicture>(kToPicture, RbString{nullptr}), nullptr);
  EXPECT_EQ(zrw::pictureFromBinaryString(nullptr, 0), nullptr);
  EXPECT_EQ(zrw::pictureFromBinaryString(nullptr, 46), nullptr);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

TEST_F(BinaryStringTest, GivesNilWhenThePictureCannotBeCreated) {
  host.failNewPictureAfter(0);
  EXPECT_EQ(toPicture(fromHex(kRedBlueHex)), nullptr);
  host.failNewPictureAfter(std::nullopt);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

}  // namespace
}  // namespace zrwtest
