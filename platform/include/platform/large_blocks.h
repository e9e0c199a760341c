// Storage of global memory blocks and DIB section pixels in the emulation,
// and of the simulated host's large strings. Not a Windows call: on Windows
// the blocks come from malloc, and the system's own calls store pictures.
//
// Blocks of kLargeBlockBytes and more are mapped straight from the system on
// 2 MiB boundaries and marked for huge pages, so that first touching a new
// picture costs a page fault every 2 MiB instead of every 4 KiB; a few freed
// ones are kept and handed out again for a block of the same size, which
// then costs no page faults at all. Smaller blocks, and every block in a
// build with AddressSanitizer (whose checks need the allocator), come from
// malloc. Whether a block was mapped follows from its size alone, so freeing
// takes the size it was allocated with.
#ifndef PLATFORM_LARGE_BLOCKS_H
#define PLATFORM_LARGE_BLOCKS_H

#include <cstddef>
#include <cstdlib>
#include <new>

namespace platform_detail {

inline constexpr size_t kLargeBlockBytes = size_t{4} << 20;

#ifdef _WIN32
inline unsigned char* AllocateBlock(size_t bytes, bool zeroed) {
  if (bytes == 0) return nullptr;
  return static_cast<unsigned char*>(zeroed ? std::calloc(bytes, 1) : std::malloc(bytes));
}
inline void FreeBlock(unsigned char* data, size_t) { std::free(data); }
#else
// Null for 0 bytes and when the system refuses. `zeroed`: every byte 0.
unsigned char* AllocateBlock(size_t bytes, bool zeroed);
// `bytes` as given to AllocateBlock; null is ignored.
void FreeBlock(unsigned char* data, size_t bytes);
#endif

// An allocator for standard containers on these blocks.
template <typename T>
struct BlockAllocator {
  using value_type = T;
  BlockAllocator() = default;
  template <typename U>
  BlockAllocator(const BlockAllocator<U>&) {}
  T* allocate(size_t n) {
    if (n > size_t(-1) / sizeof(T)) throw std::bad_alloc();
    void* p = AllocateBlock(n * sizeof(T), false);
    if (p == nullptr) throw std::bad_alloc();
    return static_cast<T*>(p);
  }
  void deallocate(T* p, size_t n) { FreeBlock(reinterpret_cast<unsigned char*>(p), n * sizeof(T)); }
  template <typename U>
  bool operator==(const BlockAllocator<U>&) const {
    return true;
  }
};

}  // namespace platform_detail

#endif
