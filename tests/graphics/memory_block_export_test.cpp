// TVQ_MakeMemoryBlock through the host.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "operation_fixture.h"

namespace tvqtest {
namespace {

constexpr const char* kMakeBlock =
    "TVQ_MakeMemoryBlock(extends p as picture, rect as TVQ_Rectangle, mask_to_alpha as boolean, "
    "ByRef row_bytes as integer) as picture";

class MemoryBlockExportTest : public OperationTest {
 protected:
  // The block's bytes, or nothing for nil; the block is released.
  std::optional<std::vector<uint8_t>> exported(RbPicture p, RbObject rect, bool alpha,
                                               int32_t* rowBytes) {
    RbPicture result = host.call<RbPicture>(kMakeBlock, p, rect, alpha, rowBytes);
    if (result == nullptr) return std::nullopt;
    auto block = reinterpret_cast<RbMemoryBlock>(result);
    EXPECT_EQ(host.typeName(toObject(block)), "memoryblock");
    const uint8_t* bytes = host.memoryBlockBytes(block);
    std::vector<uint8_t> copy(bytes, bytes + host.memoryBlockSize(block));
    host.release(block);
    return copy;
  }
};

TEST_F(MemoryBlockExportTest, LayoutsBySourceDepth) {
  struct Case {
    int32_t depth;
    int32_t rowBytes;
    std::vector<uint8_t> redPixel;
  };
  const Case cases[] = {
      {32, 12, {0x00, 0x00, 0xFF, 0x00}},
      {24, 12, {0x00, 0x00, 0xFF, 0x00}},
      {16, 6, {0x00, 0x7C}},
      {8, 6, {0x00, 0x7C}},
      {4, 6, {0x00, 0x00}},  // below 8 bits a pixel reads as black
  };
  for (PictureStorage storage : kStorages) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::to_string(c.depth) + " bits");
      RbPicture p = picture(3, 2, c.depth, storage);
      if (c.depth <= 8) {
        host.setPalette(p, std::vector<Rgb>(size_t{1} << c.depth, Rgb{255, 0, 0}));
      } else {
        for (int32_t y = 0; y < 2; ++y)
          for (int32_t x = 0; x < 3; ++x) host.setPixel(p, x, y, Rgb{255, 0, 0});
        if (c.depth == 32) host.setRawPixel(p, 0, 0, 0xAAFF0000);  // the fourth byte goes
      }
      int32_t rowBytes = -1;
      const auto bytes = exported(p, nullptr, false, &rowBytes);
      ASSERT_TRUE(bytes);
      EXPECT_EQ(rowBytes, c.rowBytes);
      ASSERT_EQ(bytes->size(), size_t(c.rowBytes) * 2);
      for (size_t i = 0; i < bytes->size(); i += c.redPixel.size())
        EXPECT_EQ(std::vector<uint8_t>(bytes->begin() + i, bytes->begin() + i + c.redPixel.size()),
                  c.redPixel)
            << "pixel " << i / c.redPixel.size();
      EXPECT_EQ(lastError(), 0);
    }
  }
}

TEST_F(MemoryBlockExportTest, TheSelectionInRowOrder) {
  RbPicture p = picture(4, 3, 32);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 4; ++x) host.setRawPixel(p, x, y, uint32_t(0x10 * y + x) << 16);
  int32_t rowBytes = 0;
  const auto bytes = exported(p, rectangle({1, 1, 2, 2}), false, &rowBytes);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(rowBytes, 8);
  EXPECT_EQ(*bytes,
            (std::vector<uint8_t>{0, 0, 0x11, 0, 0, 0, 0x12, 0, 0, 0, 0x21, 0, 0, 0, 0x22, 0}));
}

TEST_F(MemoryBlockExportTest, MaskToAlpha) {
  RbPicture p = filled(2, 1, 24, 0x010203);
  // No mask: the fourth byte stays 0 with the flag set.
  auto bytes = exported(p, nullptr, true, nullptr);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, (std::vector<uint8_t>{3, 2, 1, 0, 3, 2, 1, 0}));
  RbPicture mask = host.mask(p, true);
  host.setRawPixel(mask, 0, 0, 200);
  host.setRawPixel(mask, 1, 0, 0);
  const int64_t references = host.referenceCount(toObject(mask));
  bytes = exported(p, nullptr, true, nullptr);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, (std::vector<uint8_t>{3, 2, 1, 55, 3, 2, 1, 255}));
  EXPECT_EQ(host.referenceCount(toObject(mask)), references) << "the mask's reference was kept";
  bytes = exported(p, nullptr, false, nullptr);
  EXPECT_EQ(*bytes, (std::vector<uint8_t>{3, 2, 1, 0, 3, 2, 1, 0})) << "without the flag";
  host.release(mask);
}

TEST_F(MemoryBlockExportTest, Failures) {
  int32_t rowBytes = -1;
  EXPECT_FALSE(exported(nullptr, nullptr, false, &rowBytes));
  EXPECT_EQ(lastError(), 2);
  EXPECT_EQ(rowBytes, 0);
  RbPicture p = patternPicture(3, 2, 24);
  rowBytes = -1;
  EXPECT_FALSE(exported(p, rectangle({5, 0, 2, 2}), false, &rowBytes));
  EXPECT_EQ(lastError(), 37);
  EXPECT_EQ(rowBytes, 0);
  host.failLocksOf(p);
  EXPECT_FALSE(exported(p, nullptr, false, &rowBytes));
  EXPECT_EQ(lastError(), 3);
  host.failLocksOf(p, false);
  EXPECT_TRUE(exported(p, nullptr, false, nullptr)) << "no reference for the row length";
  EXPECT_EQ(host.audit().descriptionLocks, 0);
}

}  // namespace
}  // namespace tvqtest
