#include "platform/large_blocks.h"

#include <sys/mman.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

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

size_t MappedLength(size_t bytes) {
  return (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
}

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
  if (end > aligned + length)
    munmap(reinterpret_cast<void*>(aligned + length), end - aligned - length);
  auto* data = reinterpret_cast<unsigned char*>(aligned);
  // Advice only: without huge pages the block still works, on small pages.
  madvise(data, length, MADV_HUGEPAGE);
  return data;
}

// Freed mappings kept for the next block of the same mapped length: a
// program that makes pictures of one size over and over then pays neither
// the page faults nor the system's zeroing of fresh pages again. At most
// kSpares mappings and kSpareBytes in all are kept; the oldest goes first.
class SpareMappings {
 public:
  unsigned char* take(size_t length) {
    std::lock_guard<std::mutex> hold(mutex_);
    for (size_t i = count_; i-- > 0;) {
      if (spares_[i].length != length) continue;
      unsigned char* data = spares_[i].data;
      bytes_ -= length;
      for (size_t j = i + 1; j < count_; ++j) spares_[j - 1] = spares_[j];
      --count_;
      return data;
    }
    return nullptr;
  }

  void keep(unsigned char* data, size_t length) {
    std::lock_guard<std::mutex> hold(mutex_);
    if (length > kSpareBytes) {
      munmap(data, length);
      return;
    }
    while (count_ == kSpares || bytes_ + length > kSpareBytes) {
      munmap(spares_[0].data, spares_[0].length);
      bytes_ -= spares_[0].length;
      for (size_t j = 1; j < count_; ++j) spares_[j - 1] = spares_[j];
      --count_;
    }
    spares_[count_++] = {data, length};
    bytes_ += length;
  }

 private:
  static constexpr size_t kSpares = 4;
  static constexpr size_t kSpareBytes = size_t{512} << 20;
  struct Spare {
    unsigned char* data;
    size_t length;
  };
  std::mutex mutex_;
  std::array<Spare, kSpares> spares_{};
  size_t count_ = 0;
  size_t bytes_ = 0;
};

// Never destroyed: other objects' destructors may free blocks at exit.
union UndestroyedSpares {
  UndestroyedSpares() : value() {}
  ~UndestroyedSpares() {}
  SpareMappings value;
};

SpareMappings& spareMappings() {
  static UndestroyedSpares spares;
  return spares.value;
}

}  // namespace

unsigned char* AllocateBlock(size_t bytes, bool zeroed) {
  if (bytes == 0) return nullptr;
  if (!Mapped(bytes)) {
    return static_cast<unsigned char*>(zeroed ? std::calloc(bytes, 1) : std::malloc(bytes));
  }
  if (unsigned char* reused = spareMappings().take(MappedLength(bytes))) {
    if (zeroed) std::memset(reused, 0, bytes);
    return reused;
  }
  return MapAligned(bytes);
}

void FreeBlock(unsigned char* data, size_t bytes) {
  if (data == nullptr) return;
  if (Mapped(bytes)) {
    spareMappings().keep(data, MappedLength(bytes));
  } else {
    std::free(data);
  }
}

}  // namespace platform_detail
