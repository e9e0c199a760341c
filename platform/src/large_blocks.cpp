#include "platform/large_blocks.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace platform_detail {
namespace {

constexpr size_t kHugePageBytes = size_t{2} << 20;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMapLargeBlocks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kMapLargeBlocks = false;
#else
constexpr bool kMapLargeBlocks = true;
#endif
#else
constexpr bool kMapLargeBlocks = true;
#endif

bool Mapped(size_t bytes) { return kMapLargeBlocks && bytes >= kLargeBlockBytes; }

size_t MappedLength(size_t bytes) { return (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes; }

// A mapping of MappedLength(bytes) starting on a 2 MiB boundary: one huge
// page more is mapped, and what lies outside the aligned part is unmapped.
// Fresh mappings read as zero.
unsigned char* MapAligned(size_t bytes) {
  const size_t length = MappedLength(bytes);
  if (length < bytes || length > SIZE_MAX - kHugePageBytes) return nullptr;
  void* base = mmap(nullptr, length + kHugePageBytes, PROT_READ | PROT_WRITE,
                    MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<uintptr_t>(base);
  const uintptr_t aligned = (start + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
  if (aligned > start) munmap(base, aligned - start);
  const uintptr_t end = start + length + kHugePageBytes;
  if (end > aligned + length) munmap(reinterpret_cast<void*>(aligned + length), end - aligned - length);
  auto* data = reinterpret_cast<unsigned char*>(aligned);
  // Advice only: without huge pages the block still works, on small pages.
  madvise(data, length, MADV_HUGEPAGE);
  return data;
}

}  // namespace

unsigned char* AllocateBlock(size_t bytes, bool zeroed) {
  if (bytes == 0) return nullptr;
  if (Mapped(bytes)) return MapAligned(bytes);
  return static_cast<unsigned char*>(zeroed ? std::calloc(bytes, 1) : std::malloc(bytes));
}

void FreeBlock(unsigned char* data, size_t bytes) {
  if (data == nullptr) return;
  if (Mapped(bytes)) {
    munmap(data, MappedLength(bytes));
  } else {
    std::free(data);
  }
}

}  // namespace platform_detail
