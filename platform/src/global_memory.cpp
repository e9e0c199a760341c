// Global memory: a control block that owns a separately allocated payload, so
// the handle stays the same when the payload moves.
//
// Contracts beyond the declarations in win32.h:
// - GMEM_FIXED and GMEM_MOVEABLE behave alike: every block is moveable and
//   counts locks.
// - A block of 0 bytes has no storage; GlobalLock answers null for it and
//   does not count a lock, and GlobalFlags reports it GMEM_DISCARDED, as
//   Windows does for a discarded block.
// - GlobalReAlloc never moves a locked block, whatever the flags: it may
//   shrink it, or grow it back within the storage it already has, in place;
//   anything else fails with null and leaves the block as it was. An
//   unlocked block always moves, so an address kept from an earlier lock
//   points at released memory (which the sanitizer build reports) rather
//   than at memory that happens to still be right.
// - The lock count stops at 255, as on Windows: further locks still give
//   the address but are not counted, so 255 unlocks release the block.
// - A handle is checked by the magic word at its start. A freed block has
//   its magic cleared before release, but the memory is gone: using a freed
//   handle is the caller's fault, as on Windows.
// - One thread at a time per block.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/large_blocks.h"
#include "platform/win32.h"

struct PlatformGlobalBlock {
  uint32_t magic;
  uint32_t lockCount;
  SIZE_T size;      // what the caller asked for
  SIZE_T capacity;  // bytes allocated at `data`; never less than `size`
  unsigned char* data;
};

namespace {

constexpr uint32_t kLiveBlockMagic = 0x474D454Du;   // "GMEM"
constexpr uint32_t kFreedBlockMagic = 0x64656164u;  // "dead"

// No 32-bit Windows process could get a larger block. Refusing here keeps an
// absurd request away from the allocator, which under the sanitizers aborts
// instead of answering null.
constexpr SIZE_T kMaxBlockBytes = SIZE_T{1} << 31;

PlatformGlobalBlock* LiveBlock(HGLOBAL memory) {
  if (memory == nullptr) return nullptr;
  if (reinterpret_cast<uintptr_t>(memory) % alignof(PlatformGlobalBlock) != 0) return nullptr;
  uint32_t magic;
  std::memcpy(&magic, static_cast<const void*>(memory), sizeof magic);
  return magic == kLiveBlockMagic ? memory : nullptr;
}

// Null for 0 bytes (no storage) and when the allocator refuses.
unsigned char* AllocatePayload(SIZE_T bytes, bool zeroed) {
  return platform_detail::AllocateBlock(bytes, zeroed);
}

void FreePayload(PlatformGlobalBlock* block) {
  platform_detail::FreeBlock(block->data, block->capacity);
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  if (bytes > kMaxBlockBytes) return nullptr;
  auto* block = static_cast<PlatformGlobalBlock*>(std::calloc(1, sizeof(PlatformGlobalBlock)));
  if (block == nullptr) return nullptr;
  block->data = AllocatePayload(bytes, (flags & GMEM_ZEROINIT) != 0);
  if (bytes != 0 && block->data == nullptr) {
    std::free(block);
    return nullptr;
  }
  block->size = bytes;
  block->capacity = bytes;
  block->magic = kLiveBlockMagic;
  return block;
}

LPVOID GlobalLock(HGLOBAL memory) {
  PlatformGlobalBlock* block = LiveBlock(memory);
  if (block == nullptr || block->data == nullptr) return nullptr;
  if (block->lockCount < GMEM_LOCKCOUNT) ++block->lockCount;
  return block->data;
}

BOOL GlobalUnlock(HGLOBAL memory) {
  PlatformGlobalBlock* block = LiveBlock(memory);
  if (block == nullptr || block->lockCount == 0) return FALSE;
  --block->lockCount;
  return block->lockCount > 0 ? TRUE : FALSE;
}

HGLOBAL GlobalReAlloc(HGLOBAL memory, SIZE_T bytes, UINT flags) {
  PlatformGlobalBlock* block = LiveBlock(memory);
  if (block == nullptr || bytes > kMaxBlockBytes) return nullptr;
  const bool zeroGrowth = (flags & GMEM_ZEROINIT) != 0;

  if (block->lockCount > 0) {
    // Whoever holds the lock keeps using the address it was given.
    if (bytes == 0 || bytes > block->capacity) return nullptr;
    if (zeroGrowth && bytes > block->size) {
      std::memset(block->data + block->size, 0, bytes - block->size);
    }
    block->size = bytes;
    return memory;
  }

  unsigned char* data = AllocatePayload(bytes, false);
  if (bytes != 0 && data == nullptr) return nullptr;
  const SIZE_T kept = std::min(bytes, block->size);
  if (kept != 0) std::memcpy(data, block->data, kept);
  if (zeroGrowth && bytes > kept) std::memset(data + kept, 0, bytes - kept);
  FreePayload(block);
  block->data = data;
  block->size = bytes;
  block->capacity = bytes;
  return memory;
}

HGLOBAL GlobalFree(HGLOBAL memory) {
  if (memory == nullptr) return nullptr;
  PlatformGlobalBlock* block = LiveBlock(memory);
  if (block == nullptr) return memory;
  // Windows frees a block even while it is locked.
  block->magic = kFreedBlockMagic;
  FreePayload(block);
  std::free(block);
  return nullptr;
}

SIZE_T GlobalSize(HGLOBAL memory) {
  PlatformGlobalBlock* block = LiveBlock(memory);
  return block == nullptr ? 0 : block->size;
}

UINT GlobalFlags(HGLOBAL memory) {
  PlatformGlobalBlock* block = LiveBlock(memory);
  if (block == nullptr) return GMEM_INVALID_HANDLE;
  return block->lockCount | (block->data == nullptr ? GMEM_DISCARDED : 0u);
}
