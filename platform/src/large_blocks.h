// Storage of global memory blocks and DIB section pixels.
//
// Blocks of kLargeBlockBytes and more are mapped straight from the system on
// 2 MiB boundaries and marked for huge pages, so that first touching a new
// picture costs a page fault every 2 MiB instead of every 4 KiB. Smaller
// blocks, and every block in a build with AddressSanitizer (whose checks
// need the allocator), come from malloc. Whether a block was mapped follows
// from its size alone, so freeing takes the size it was allocated with.
#ifndef PLATFORM_LARGE_BLOCKS_H
#define PLATFORM_LARGE_BLOCKS_H

#include <cstddef>

namespace platform_detail {

inline constexpr size_t kLargeBlockBytes = size_t{4} << 20;

// Null for 0 bytes and when the system refuses. `zeroed`: every byte 0.
unsigned char* AllocateBlock(size_t bytes, bool zeroed);
// `bytes` as given to AllocateBlock; null is ignored.
void FreeBlock(unsigned char* data, size_t bytes);

}  // namespace platform_detail

#endif
