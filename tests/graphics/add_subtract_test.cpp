// TVQ_Add and TVQ_Subtract, called through the host as a program calls them.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "operation_fixture.h"

namespace tvqtest {
namespace {

constexpr const char* kAdd = "TVQ_Add(extends p as picture, addend as picture) as picture";
constexpr const char* kSubtract =
    "TVQ_Subtract(extends p as picture, subtractend as picture) as picture";

// One of the two methods, with its second picture's three codes.
struct Method {
  const char* declaration;
  int32_t nilCode, lockCode, sizeCode;
  bool adds;
};
constexpr Method kAddMethod{kAdd, 17, 18, 19, true};
constexpr Method kSubtractMethod{kSubtract, 20, 21, 22, false};
constexpr Method kMethods[] = {kAddMethod, kSubtractMethod};

class AddSubtractTest : public OperationTest {
 protected:
  RbPicture apply(const Method& m, RbPicture p, RbPicture second) {
    return adopt(host.call<RbPicture>(m.declaration, p, second));
  }
};

struct PixelCase {
  const char* what;
  const Method& method;
  int32_t firstDepth;
  uint32_t firstRaw;  // the palette index up to 8 bits
  int32_t secondDepth;
  uint32_t secondRaw;
  uint32_t expected;  // raw result pixel at max(first depth, 16) bits
};

// Palette entry 2 of the 8-bit cases.
constexpr Rgb kPaletteEntry{100, 150, 205};

TEST_F(AddSubtractTest, ChannelsWrapAroundModulo256) {
  const PixelCase cases[] = {
      // 200 + 100 = 44, 10 + 20, 127 + 128 = 255.
      {"add wraps", kAddMethod, 24, 0xC80A7F, 24, 0x641480, 0x2C1EFF},
      // 10 - 20 = 246, 20 - 20, 0 - 255 = 1.
      {"subtract wraps", kSubtractMethod, 24, 0x0A1400, 24, 0x1414FF, 0xF60001},
      // The 16-bit addend reads 248, 8, 0; the result stays 24-bit.
      {"24-bit plus 16-bit", kAddMethod, 24, 0x010203, 16, 0x7C20, 0xF90A03},
      // 110, 160, 215 kept to 5 bits: 13, 20, 26.
      {"8-bit palette gives 16 bits", kAddMethod, 8, 2, 24, 0x0A0A0A, 0x369A},
      {"1-bit reads as black", kAddMethod, 1, 1, 24, 0x123456, 0x08CA},
      {"16-bit: 160 + 160 wraps to 64, bit 15 ignored", kAddMethod, 16, 0xD000, 16, 0x5000, 0x2000},
      {"32-bit: fourth bytes become 0", kAddMethod, 32, 0xAB102030, 32, 0xCD010203, 0x00112233},
      {"32-bit subtract", kSubtractMethod, 32, 0x7F000000, 32, 0x01000001, 0x000000FF},
      {"24-bit minus 32-bit ignores its fourth byte", kSubtractMethod, 24, 0x000000, 32, 0xFF010101,
       0xFFFFFF},
  };
  for (PictureStorage storage : kStorages) {
    host.options().newPictureStorage = storage;
    for (const PixelCase& c : cases) {
      SCOPED_TRACE(std::string(c.what) + ", storage " + std::to_string(int(storage)));
      RbPicture first = filled(3, 2, c.firstDepth, c.firstRaw, storage);
      if (c.firstDepth == 8) {
        std::vector<Rgb> palette(256);
        palette[2] = kPaletteEntry;
        host.setPalette(first, palette);
      }
      RbPicture second = filled(3, 2, c.secondDepth, c.secondRaw, storage);
      const std::vector<uint8_t> firstBefore = bytesOf(first);
      const std::vector<uint8_t> secondBefore = bytesOf(second);
      RbPicture result = apply(c.method, first, second);
      ASSERT_NE(result, nullptr);
      EXPECT_EQ(lastError(), 0);
      EXPECT_EQ(host.depth(result), resultDepthOf(c.firstDepth));
      EXPECT_EQ(host.width(result), 3);
      EXPECT_EQ(host.height(result), 2);
      for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x)
          EXPECT_EQ(host.rawPixel(result, x, y), c.expected) << "at " << x << ", " << y;
      EXPECT_EQ(bytesOf(first), firstBefore);
      EXPECT_EQ(bytesOf(second), secondBefore);
      EXPECT_EQ(host.referenceCount(toObject(result)), 1);
    }
  }
}

TEST_F(AddSubtractTest, APictureWithItself) {
  RbPicture p = picture(2, 1, 24);
  host.setPixel(p, 0, 0, {128, 127, 1});
  host.setPixel(p, 1, 0, {255, 0, 64});
  RbPicture doubled = apply(kAddMethod, p, p);
  ASSERT_NE(doubled, nullptr);
  EXPECT_EQ(host.pixel(doubled, 0, 0), (Rgb{0, 254, 2}));
  EXPECT_EQ(host.pixel(doubled, 1, 0), (Rgb{254, 0, 128}));
  RbPicture black = apply(kSubtractMethod, p, p);
  ASSERT_NE(black, nullptr);
  EXPECT_EQ(host.pixel(black, 0, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(host.pixel(black, 1, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(lastError(), 0);
}

struct Arrangement {
  bool nilFirst = false;
  bool nilSecond = false;
  bool firstLockFails = false;
  bool secondLockFails = false;
  int32_t secondWidth = 4;  // the first is 4 x 3
  int32_t secondHeight = 3;
  bool noResult = false;
};

enum class Expect { SourceNil, SecondNil, SourceLock, SecondLock, SecondSize, ResultLock, None };

struct ErrorCase {
  const char* what;
  Arrangement a;
  Expect expected;
};

TEST_F(AddSubtractTest, FirstFailedCheckNamesTheError) {
  const ErrorCase cases[] = {
      {"both nil: the source is checked first",
       {.nilFirst = true, .nilSecond = true},
       Expect::SourceNil},
      {"nil second picture before any lock",
       {.nilSecond = true, .firstLockFails = true},
       Expect::SecondNil},
      {"source lock before the second picture's",
       {.firstLockFails = true, .secondLockFails = true, .secondWidth = 3},
       Expect::SourceLock},
      {"second picture's lock before its size",
       {.secondLockFails = true, .secondWidth = 3, .noResult = true},
       Expect::SecondLock},
      {"one column narrower", {.secondWidth = 3, .noResult = true}, Expect::SecondSize},
      {"one row shorter", {.secondHeight = 2}, Expect::SecondSize},
      {"one column wider", {.secondWidth = 5}, Expect::SecondSize},
      {"no result picture", {.noResult = true}, Expect::ResultLock},
      // After all those failures: success clears the code.
      {"success", {}, Expect::None},
  };
  for (const Method& m : kMethods) {
    SCOPED_TRACE(m.declaration);
    for (const ErrorCase& c : cases) {
      SCOPED_TRACE(c.what);
      const Arrangement& a = c.a;
      RbPicture first = patternPicture(4, 3, 24);
      RbPicture second = patternPicture(a.secondWidth, a.secondHeight, 16);
      if (a.firstLockFails) host.failLocksOf(first);
      if (a.secondLockFails) host.failLocksOf(second);
      if (a.noResult) host.failNewPictureAfter(0);
      RbPicture result = apply(m, a.nilFirst ? nullptr : first, a.nilSecond ? nullptr : second);
      host.failNewPictureAfter(std::nullopt);

      const int32_t codes[] = {2, m.nilCode, 3, m.lockCode, m.sizeCode, 5, 0};
      const int32_t expected = codes[static_cast<int>(c.expected)];
      EXPECT_EQ(lastError(), expected);
      EXPECT_EQ(result != nullptr, expected == 0);
      const rbhost::Audit now = host.audit();
      EXPECT_EQ(now.descriptionLocks, 0);
      EXPECT_EQ(now.globalMemoryLocks, 0);
      EXPECT_TRUE(now.violations.empty());
    }
  }
}

// Pairs of depths at widths 1 to 9 (each a different row padding), against
// the colours the host reads back.
TEST_F(AddSubtractTest, EveryDepthPairAndRowPadding) {
  const int32_t pairs[][2] = {{24, 24}, {32, 32}, {16, 16}, {8, 8},  {24, 16},
                              {16, 32}, {32, 24}, {8, 24},  {1, 32}, {4, 16}};
  for (PictureStorage storage : kStorages) {
    host.options().newPictureStorage = storage;
    for (const auto& pair : pairs) {
      for (int32_t width = 1; width <= 9; ++width) {
        SCOPED_TRACE(std::to_string(width) + " pixels, " + std::to_string(pair[0]) + " and " +
                     std::to_string(pair[1]) + " bits, storage " + std::to_string(int(storage)));
        const int32_t height = 3;
        RbPicture first = patternPicture(width, height, pair[0], storage);
        // The second pattern runs the other way, so that no pixel meets its
        // own colour.
        RbPicture second = picture(width, height, pair[1], storage);
        if (pair[1] <= 8) {
          std::vector<Rgb> palette;
          for (int32_t i = 0; i < (1 << pair[1]); ++i) palette.push_back(patternColor(i, 3));
          host.setPalette(second, palette);
        }
        for (int32_t y = 0; y < height; ++y)
          for (int32_t x = 0; x < width; ++x) {
            if (pair[1] <= 8) {
              host.setRawPixel(second, x, y, uint32_t(width - 1 - x + y) % (1u << pair[1]));
            } else {
              host.setPixel(second, x, y, patternColor(width - 1 - x, y + 5));
              if (pair[1] == 32)
                host.setRawPixel(second, x, y, host.rawPixel(second, x, y) | 0xEE000000u);
            }
          }
        RbPicture sum = apply(kAddMethod, first, second);
        RbPicture difference = apply(kSubtractMethod, first, second);
        ASSERT_NE(sum, nullptr);
        ASSERT_NE(difference, nullptr);
        const int32_t resultDepth = resultDepthOf(pair[0]);
        for (int32_t y = 0; y < height; ++y) {
          for (int32_t x = 0; x < width; ++x) {
            SCOPED_TRACE("at " + std::to_string(x) + ", " + std::to_string(y));
            const Rgb a = readColor(first, x, y);
            const Rgb b = readColor(second, x, y);
            const Rgb added{uint8_t(a.red + b.red), uint8_t(a.green + b.green),
                            uint8_t(a.blue + b.blue)};
            const Rgb subtracted{uint8_t(a.red - b.red), uint8_t(a.green - b.green),
                                 uint8_t(a.blue - b.blue)};
            EXPECT_EQ(host.pixel(sum, x, y), heldAtDepth(added, resultDepth));
            EXPECT_EQ(host.pixel(difference, x, y), heldAtDepth(subtracted, resultDepth));
            if (resultDepth == 32) {
              EXPECT_EQ(host.rawPixel(sum, x, y) >> 24, 0u);
              EXPECT_EQ(host.rawPixel(difference, x, y) >> 24, 0u);
            }
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace tvqtest
