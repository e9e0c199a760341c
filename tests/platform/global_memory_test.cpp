#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "platform/win32.h"

namespace {

// Frees whatever block it still holds when the test ends, even on failure.
class BlockTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (block != nullptr) {
      while (GlobalUnlock(block)) {
      }
      EXPECT_EQ(GlobalFree(block), nullptr);
    }
  }
  HGLOBAL block = nullptr;
};

using GlobalLockTest = BlockTest;

TEST_F(GlobalLockTest, CountsLocksAndReportsThemInFlags) {
  block = GlobalAlloc(GHND, 16);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalFlags(block), 0u);

  void* first = GlobalLock(block);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GlobalLock(block), first);
  EXPECT_EQ(GlobalLock(block), first);
  EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 3u);

  EXPECT_TRUE(GlobalUnlock(block));
  EXPECT_TRUE(GlobalUnlock(block));
  EXPECT_FALSE(GlobalUnlock(block));  // the count reached 0
  EXPECT_EQ(GlobalFlags(block), 0u);
  EXPECT_FALSE(GlobalUnlock(block));  // never goes below 0
  EXPECT_EQ(GlobalFlags(block), 0u);
}

// The count lives in a byte: as on Windows it stops at 255 rather than wrap
// to 0 (which would let the block move under its holders), and locks beyond
// it go uncounted, so the 255th unlock releases the block.
TEST_F(GlobalLockTest, CountStopsAt255) {
  block = GlobalAlloc(GHND, 4);
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 300; ++i) ASSERT_NE(GlobalLock(block), nullptr);
  EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 255u);
  for (int i = 0; i < 254; ++i) ASSERT_TRUE(GlobalUnlock(block)) << "unlock " << i;
  EXPECT_FALSE(GlobalUnlock(block));
  EXPECT_EQ(GlobalFlags(block), 0u);
}

TEST_F(GlobalLockTest, ZeroInitZeroesTheBlock) {
  block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 4096);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalSize(block), 4096u);
  auto* bytes = static_cast<const unsigned char*>(GlobalLock(block));
  ASSERT_NE(bytes, nullptr);
  for (size_t i = 0; i < 4096; ++i) ASSERT_EQ(bytes[i], 0) << "byte " << i;
  EXPECT_FALSE(GlobalUnlock(block));
}

// A block of 0 bytes exists but has no storage: nothing to lock.
TEST_F(GlobalLockTest, EmptyBlockHasNoStorageToLock) {
  block = GlobalAlloc(GHND, 0);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalSize(block), 0u);
  EXPECT_EQ(GlobalLock(block), nullptr);
  EXPECT_EQ(GlobalFlags(block), static_cast<UINT>(GMEM_DISCARDED));  // and no lock counted

  ASSERT_EQ(GlobalReAlloc(block, 8, GMEM_ZEROINIT), block);
  EXPECT_EQ(GlobalSize(block), 8u);
  EXPECT_NE(GlobalLock(block), nullptr);
  EXPECT_FALSE(GlobalUnlock(block));
}

TEST(GlobalAllocTest, RefusesAbsurdSizesWithoutAborting) {
  EXPECT_EQ(GlobalAlloc(GHND, std::numeric_limits<SIZE_T>::max()), nullptr);
  EXPECT_EQ(GlobalAlloc(GMEM_FIXED, (SIZE_T{1} << 31) + 1), nullptr);
}

// Writes 0, 1, 2, ... into the first `count` bytes.
void FillCounting(HGLOBAL block, size_t count) {
  auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
  ASSERT_NE(bytes, nullptr);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<unsigned char>(i + 1);
  GlobalUnlock(block);
}

void ExpectCounting(const unsigned char* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) ASSERT_EQ(bytes[i], i + 1) << "byte " << i;
}

using GlobalReAllocTest = BlockTest;

#ifndef _WIN32
// Whoever holds the lock keeps using its address, so a locked block never
// moves: growing it fails and leaves it whole. Stricter than Windows, which
// moves a locked block when GMEM_MOVEABLE allows it.
TEST_F(GlobalReAllocTest, LockedBlockRefusesToGrowAndKeepsItsContents) {
  block = GlobalAlloc(GHND, 16);
  ASSERT_NE(block, nullptr);
  FillCounting(block, 16);
  auto* locked = static_cast<unsigned char*>(GlobalLock(block));

  EXPECT_EQ(GlobalReAlloc(block, 4096, GMEM_MOVEABLE | GMEM_ZEROINIT), nullptr);
  EXPECT_EQ(GlobalReAlloc(block, 0, GMEM_MOVEABLE), nullptr);
  EXPECT_EQ(GlobalSize(block), 16u);
  EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 1u);
  ExpectCounting(locked, 16);
}
#endif

// Shrinking a locked block happens in place; growing back within what it
// had stays in place too, and GMEM_ZEROINIT must clear the old bytes there.
TEST_F(GlobalReAllocTest, LockedBlockShrinksAndRegrowsInPlace) {
  block = GlobalAlloc(GHND, 16);
  ASSERT_NE(block, nullptr);
  FillCounting(block, 16);
  auto* locked = static_cast<unsigned char*>(GlobalLock(block));

  ASSERT_EQ(GlobalReAlloc(block, 6, 0), block);
  EXPECT_EQ(GlobalSize(block), 6u);
  ASSERT_EQ(GlobalReAlloc(block, 12, GMEM_ZEROINIT), block);
  EXPECT_EQ(GlobalSize(block), 12u);
  EXPECT_EQ(GlobalLock(block), locked);
  EXPECT_TRUE(GlobalUnlock(block));

  ExpectCounting(locked, 6);
  for (size_t i = 6; i < 12; ++i) EXPECT_EQ(locked[i], 0) << "byte " << i;
  EXPECT_FALSE(GlobalUnlock(block));
}

TEST_F(GlobalReAllocTest, UnlockedBlockMovesWithItsContentsAndZeroedGrowth) {
  block = GlobalAlloc(GMEM_MOVEABLE, 8);
  ASSERT_NE(block, nullptr);
  FillCounting(block, 8);

  ASSERT_EQ(GlobalReAlloc(block, 64, GMEM_MOVEABLE | GMEM_ZEROINIT), block);
  EXPECT_EQ(GlobalSize(block), 64u);
  auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
  ASSERT_NE(bytes, nullptr);
  ExpectCounting(bytes, 8);
  for (size_t i = 8; i < 64; ++i) ASSERT_EQ(bytes[i], 0) << "byte " << i;
  bytes[63] = 0xEE;  // the whole new size is writable
  EXPECT_FALSE(GlobalUnlock(block));

  ASSERT_EQ(GlobalReAlloc(block, 3, GMEM_MOVEABLE), block);
  bytes = static_cast<unsigned char*>(GlobalLock(block));
  ExpectCounting(bytes, 3);
  EXPECT_FALSE(GlobalUnlock(block));

  ASSERT_EQ(GlobalReAlloc(block, 0, GMEM_MOVEABLE), block);
  EXPECT_EQ(GlobalSize(block), 0u);
  EXPECT_EQ(GlobalLock(block), nullptr);
}

// Large blocks take other storage than small ones (mapped on huge pages on
// Linux); a block moving between the two, and blocks on either side of the
// boundary, keep their contents, zero their growth and are writable to the
// last byte.
TEST_F(GlobalReAllocTest, BlocksMoveBetweenSmallAndLargeStorage) {
  constexpr SIZE_T kSizes[] = {
      (SIZE_T{4} << 20) - 1, SIZE_T{4} << 20, (SIZE_T{6} << 20) + 3, 100, (SIZE_T{9} << 20) + 1, 8};
  block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8);
  ASSERT_NE(block, nullptr);
  FillCounting(block, 8);
  SIZE_T kept = 8;
  for (SIZE_T size : kSizes) {
    ASSERT_EQ(GlobalReAlloc(block, size, GMEM_MOVEABLE | GMEM_ZEROINIT), block) << size;
    auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
    ASSERT_NE(bytes, nullptr);
    ExpectCounting(bytes, std::min<SIZE_T>(8, size));
    for (SIZE_T i = kept; i < size; i += 4093) ASSERT_EQ(bytes[i], 0) << size << " byte " << i;
    if (size > kept) {
      EXPECT_EQ(bytes[size - 1], 0) << size;
    }
    std::memset(bytes + 8, 0x5A, size - 8);
    EXPECT_FALSE(GlobalUnlock(block));
    kept = size;
  }
}

// Freed large storage is handed out again for a block of the same size; a
// zero-initialised block must not show what the last one held.
TEST(GlobalAllocTest, ZeroInitHoldsForStorageUsedBefore) {
  constexpr SIZE_T kSize = (SIZE_T{5} << 20) + 7;
  for (int round = 0; round < 3; ++round) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kSize);
    ASSERT_NE(block, nullptr);
    auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
    ASSERT_NE(bytes, nullptr);
    for (SIZE_T i = 0; i < kSize; i += 4093) ASSERT_EQ(bytes[i], 0) << "round " << round;
    ASSERT_EQ(bytes[kSize - 1], 0) << "round " << round;
    std::memset(bytes, 0xAB, kSize);
    GlobalUnlock(block);
    EXPECT_EQ(GlobalFree(block), nullptr);
  }
}

TEST_F(GlobalReAllocTest, AbsurdSizeFailsAndKeepsTheBlock) {
  block = GlobalAlloc(GHND, 8);
  ASSERT_NE(block, nullptr);
  FillCounting(block, 8);
  EXPECT_EQ(GlobalReAlloc(block, std::numeric_limits<SIZE_T>::max(), GMEM_MOVEABLE), nullptr);
  EXPECT_EQ(GlobalSize(block), 8u);
  ExpectCounting(static_cast<unsigned char*>(GlobalLock(block)), 8);
  EXPECT_FALSE(GlobalUnlock(block));
}

TEST(GlobalHandleTest, NullAndForeignHandlesFailWithoutTouchingMemory) {
  // Looks like a control block of the right size and alignment, but was not
  // made by GlobalAlloc (or had its magic cleared by GlobalFree).
  alignas(std::max_align_t) unsigned char foreign[64];
  std::memset(foreign, 0x5A, sizeof foreign);
  const HGLOBAL handles[] = {
      nullptr,
#ifndef _WIN32
      // Windows takes any pointer that is no handle of its own for fixed
      // memory at that address, and locks it.
      reinterpret_cast<HGLOBAL>(foreign),
      reinterpret_cast<HGLOBAL>(foreign + 1),
#endif
  };
  for (HGLOBAL handle : handles) {
    SCOPED_TRACE(static_cast<const void*>(handle));
    EXPECT_EQ(GlobalLock(handle), nullptr);
    EXPECT_FALSE(GlobalUnlock(handle));
    EXPECT_EQ(GlobalReAlloc(handle, 8, GMEM_MOVEABLE), nullptr);
    EXPECT_EQ(GlobalSize(handle), 0u);
    EXPECT_EQ(GlobalFlags(handle), static_cast<UINT>(GMEM_INVALID_HANDLE));
    EXPECT_EQ(GlobalFree(handle), handle);  // NULL for NULL: nothing to free
  }
  for (unsigned char byte : foreign) ASSERT_EQ(byte, 0x5A);
}

TEST(GlobalHandleTest, FreeingALockedBlockSucceeds) {
  HGLOBAL block = GlobalAlloc(GHND, 32);
  ASSERT_NE(block, nullptr);
  ASSERT_NE(GlobalLock(block), nullptr);
  EXPECT_EQ(GlobalFree(block), nullptr);  // no leak under the sanitizer
}

}  // namespace
