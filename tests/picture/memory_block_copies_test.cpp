// Copies of pixels into memory blocks, called through the host.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "function_fixture.h"

namespace zrwtest {
namespace {

const char* const kRgb =
    "CopyRGBtoMemoryblock(destination as memoryblock, offset as integer) as boolean";
const char* const kArgb =
    "CopyARGBtoMemoryblock(destination as memoryblock, offset as integer, LittleEndian as "
    "boolean, AlphaValue as integer) as boolean";
const char* const kChannel[3] = {
    "CopyRtoMemoryblock(destination as memoryblock, offset as integer, PixelByteSize as integer) "
    "as boolean",
    "CopyGtoMemoryblock(destination as memoryblock, offset as integer, PixelByteSize as integer) "
    "as boolean",
    "CopyBtoMemoryblock(destination as memoryblock, offset as integer, PixelByteSize as integer) "
    "as boolean"};

using Bytes = std::vector<uint8_t>;

class MemoryBlockCopiesTest : public PictureFunctionTest {
 protected:
  // A block of `size` bytes, each 0xEE.
  RbMemoryBlock block(int32_t size) {
    RbMemoryBlock b = host.newMemoryBlock(size);
    for (int32_t i = 0; i < size; ++i) host.memoryBlockBytes(b)[i] = 0xEE;
    return b;
  }
  Bytes bytesOf(RbMemoryBlock b) const {
    const uint8_t* p = host.memoryBlockBytes(b);
    return Bytes(p, p + host.memoryBlockSize(b));
  }
  // The 2 x 1 picture of pure red, then pure blue.
  RbPicture redBlue() { return pictureOfValues(2, 1, {0x55FF0000, 0x660000FF}); }
};

constexpr uint8_t e = 0xEE;  // a byte left as it was

TEST_F(MemoryBlockCopiesTest, WritesEachLayoutAsWorkedOutByHand) {
  RbPicture p = redBlue();
  struct Case {
    std::string what;
    std::function<bool(RbMemoryBlock)> copy;
    Bytes expected;
  };
  const std::vector<Case> cases = {
      {"RGB at 1",
       [&](RbMemoryBlock b) { return host.call<RbBoolean>(kRgb, p, b, 1); },
       {e, 0xFF, 0, 0, 0, 0, 0xFF, e, e}},
      {"ARGB big-endian",
       [&](RbMemoryBlock b) { return host.call<RbBoolean>(kArgb, p, b, 0, false, 128); },
       {0x80, 0xFF, 0, 0, 0x80, 0, 0, 0xFF, e}},
      {"ARGB little-endian",
       [&](RbMemoryBlock b) { return host.call<RbBoolean>(kArgb, p, b, 0, true, 128); },
       {0, 0, 0xFF, 0x80, 0xFF, 0, 0, 0x80, e}},
      {"ARGB without alpha",
       [&](RbMemoryBlock b) { return host.call<RbBoolean>(kArgb, p, b, 0, true, -1); },
       {0, 0, 0xFF, e, 0xFF, 0, 0, e, e}},
      {"ARGB alpha 256",
       [&](RbMemoryBlock b) { return host.call<RbBoolean>(kArgb, p, b, 1, false, 256); },
       {e, e, 0xFF, 0, 0, e, 0, 0, 0xFF}},
      {"R",
       [&](RbMemoryBlock b) { return host.call<RbBoolean>(kChannel[0], p, b, 0, 1); },
       {0xFF, 0, e, e, e, e, e, e, e}},
      {"B spaced 4 at 2",
       [&](RbMemoryBlock b) { return host.call<RbBoolean>(kChannel[2], p, b, 2, 4); },
       {e, e, 0, e, e, e, 0xFF, e, e}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RbMemoryBlock b = block(9);
    EXPECT_TRUE(c.copy(b));
    EXPECT_EQ(bytesOf(b), c.expected);
    host.release(b);
  }
  host.release(p);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

// Three single-channel copies with one spacing build an interleaved layout,
// rows from the top; a 24-bit source gives the same bytes.
TEST_F(MemoryBlockCopiesTest, InterleavesThreeChannelsLikeTheRgbCopy) {
  for (int32_t depth : {32, 24, 8}) {
    SCOPED_TRACE(depth);
    RbPicture p = patternPicture(3, 2, depth);
    RbMemoryBlock whole = block(18), parts = block(18);
    EXPECT_TRUE(host.call<RbBoolean>(kRgb, p, whole, 0));
    for (int c = 0; c < 3; ++c) EXPECT_TRUE(host.call<RbBoolean>(kChannel[c], p, parts, c, 3));
    EXPECT_EQ(bytesOf(parts), bytesOf(whole));
    Bytes expected;
    for (const Rgb& c : shown(p)) expected.insert(expected.end(), {c.red, c.green, c.blue});
    EXPECT_EQ(bytesOf(whole), expected);
    host.release(whole);
    host.release(parts);
    host.release(p);
  }
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

TEST_F(MemoryBlockCopiesTest, RefusesWithoutWritingAnything) {
  RbPicture p = redBlue();
  RbPicture unreadable = redBlue();
  host.failLocksOf(unreadable);
  RbMemoryBlock b = block(64);
  RbMemoryBlock short1 = block(5);  // one byte short of every layout below
  // A block of memory the host does not own has no size it could report.
  auto ptrToMemoryBlock =
      reinterpret_cast<RbMemoryBlock (*)(void*)>(host.resolver()("PtrToMemoryBlock"));
  Bytes foreignBytes(64, e);
  RbMemoryBlock foreign = ptrToMemoryBlock(foreignBytes.data());
  for (RbPicture picture : {p, RbPicture{nullptr}, unreadable}) {
    for (RbMemoryBlock target : {b, RbMemoryBlock{nullptr}, foreign, short1}) {
      for (int32_t offset : {-1, INT32_MIN, 1, INT32_MAX}) {
        const bool fits = picture == p && target == b && offset == 1;
        if (fits) continue;
        SCOPED_TRACE(offset);
        EXPECT_FALSE(host.call<RbBoolean>(kRgb, picture, target, offset));
        EXPECT_FALSE(host.call<RbBoolean>(kArgb, picture, target, offset, true, 0));
        for (const char* channel : kChannel)
          EXPECT_FALSE(host.call<RbBoolean>(channel, picture, target, offset, 5));
      }
    }
  }
  for (int32_t step : {0, -1, -5, INT32_MIN, INT32_MAX})
    for (const char* channel : kChannel)
      EXPECT_FALSE(host.call<RbBoolean>(channel, p, b, 0, step)) << step;
  EXPECT_EQ(bytesOf(b), Bytes(64, e));
  EXPECT_EQ(bytesOf(short1), Bytes(5, e));
  EXPECT_EQ(foreignBytes, Bytes(64, e));
  for (RbMemoryBlock m : {b, short1, foreign}) host.release(m);
  host.release(p);
  host.release(unreadable);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

// Whatever sizes, offsets and spacings a program passes, a copy either fits
// the block and writes inside its span, or writes nothing and says false.
// The host's blocks are exactly their size, so the sanitizers see any write
// past the end.
TEST_F(MemoryBlockCopiesTest, NeverWritesOutsideTheBlock) {
  std::mt19937 random(20261210);
  for (int round = 0; round < 300; ++round) {
    const int32_t width = 1 + int32_t(random() % 5), height = 1 + int32_t(random() % 4);
    const int64_t pixels = int64_t{width} * height;
    RbPicture p = patternPicture(width, height);
    const int32_t size = int32_t(random() % 80);
    const int32_t offset = int32_t(random() % 90) - 5;
    const int32_t step = int32_t(random() % 12) - 2;
    const int kind = int(random() % 5);
    SCOPED_TRACE("seed 20261210 round " + std::to_string(round));
    RbMemoryBlock b = block(size);
    bool copied;
    int64_t span;
    if (kind == 0) {
      copied = host.call<RbBoolean>(kRgb, p, b, offset);
      span = 3 * pixels;
    } else if (kind == 1) {
      copied = host.call<RbBoolean>(kArgb, p, b, offset, bool(random() % 2), 200);
      span = 4 * pixels;
    } else {
      copied = host.call<RbBoolean>(kChannel[kind - 2], p, b, offset, step);
      span = step > 0 ? (pixels - 1) * step + 1 : -1;
    }
    const bool fits = offset >= 0 && span > 0 && offset + span <= size;
    EXPECT_EQ(copied, fits);
    const Bytes after = bytesOf(b);
    for (int64_t i = 0; i < size; ++i)
      if (!copied || i < offset || i >= offset + span) {
        ASSERT_EQ(after[size_t(i)], e) << i;
      }
    host.release(b);
    host.release(p);
  }
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

}  // namespace
}  // namespace zrwtest
