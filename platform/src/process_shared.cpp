#include "process_shared.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace platform_detail {

void* MapSharedMemory(size_t bytes) {
  if (bytes == 0) return nullptr;
  void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return memory == MAP_FAILED ? nullptr : memory;
}

void UnmapSharedMemory(void* memory, size_t bytes) {
  if (memory != nullptr && bytes != 0) munmap(memory, bytes);
}

namespace {

// Room for this many objects and DCs at once, reserved, not committed.
constexpr size_t kHandleBlocks = size_t{1} << 16;
constexpr int kStockBlocks = 4;

struct HandleRegion {
  uintptr_t base;
  size_t nextFresh;    // blocks below it have been handed out at least once
  uintptr_t freeHead;  // freed blocks, each holding the next at offset 8
  uintptr_t stock[kStockBlocks];
};

HandleRegion* Region() {
  auto* region =
      static_cast<HandleRegion*>(ProcessSharedBlock("gdi_handles", sizeof(HandleRegion)));
  if (region == nullptr || region->base != 0) return region;
  int flags = MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE;
#ifdef MAP_32BIT
  flags |= MAP_32BIT;
#endif
  void* base =
      mmap(nullptr, kHandleBlocks * kHandleBlockBytes, PROT_READ | PROT_WRITE, flags, -1, 0);
  if (base == MAP_FAILED) return nullptr;
  region->base = reinterpret_cast<uintptr_t>(base);
  return region;
}

}  // namespace

void* AllocateHandleBlock() {
  HandleRegion* region = Region();
  if (region == nullptr) return nullptr;
  if (region->freeHead != 0) {
    auto* block = reinterpret_cast<unsigned char*>(region->freeHead);
    std::memcpy(&region->freeHead, block + 8, sizeof region->freeHead);
    std::memset(block, 0, kHandleBlockBytes);
    return block;
  }
  if (region->nextFresh == kHandleBlocks) return nullptr;
  return reinterpret_cast<void*>(region->base + kHandleBlockBytes * region->nextFresh++);
}

void FreeHandleBlock(void* block) {
  HandleRegion* region = Region();
  if (block == nullptr || region == nullptr || !IsHandleAddress(block)) return;
  auto* bytes = static_cast<unsigned char*>(block);
  std::memset(bytes, 0, kHandleBlockBytes);
  std::memcpy(bytes + 8, &region->freeHead, sizeof region->freeHead);
  region->freeHead = reinterpret_cast<uintptr_t>(block);
}

bool IsHandleAddress(const void* address) {
  HandleRegion* region = Region();
  if (region == nullptr) return false;
  const auto at = reinterpret_cast<uintptr_t>(address);
  return at >= region->base && at < region->base + kHandleBlocks * kHandleBlockBytes;
}

void* SharedStockBlock(int index, void (*make)(void* block)) {
  HandleRegion* region = Region();
  if (region == nullptr || index < 0 || index >= kStockBlocks) return nullptr;
  if (region->stock[index] == 0) {
    void* block = AllocateHandleBlock();
    if (block == nullptr) return nullptr;
    make(block);
    region->stock[index] = reinterpret_cast<uintptr_t>(block);
  }
  return reinterpret_cast<void*>(region->stock[index]);
}

void* ProcessSharedBlock(const char* name, size_t bytes) {
  const std::string variable = std::string("RB_PLATFORM_SHARED_") + name;
  const auto pid = static_cast<uintmax_t>(getpid());
  if (const char* value = std::getenv(variable.c_str())) {
    uintmax_t ownerPid = 0, address = 0, size = 0;
    if (std::sscanf(value, "%" SCNxMAX ":%" SCNxMAX ":%" SCNxMAX, &ownerPid, &address, &size) ==
            3 &&
        ownerPid == pid && size == bytes && address != 0)
      return reinterpret_cast<void*>(static_cast<uintptr_t>(address));
  }
  void* block = MapSharedMemory(bytes);
  if (block == nullptr) return nullptr;
  char value[80];
  std::snprintf(value, sizeof value, "%jx:%jx:%jx", pid,
                static_cast<uintmax_t>(reinterpret_cast<uintptr_t>(block)),
                static_cast<uintmax_t>(bytes));
  if (setenv(variable.c_str(), value, 1) != 0) {
    UnmapSharedMemory(block, bytes);
    return nullptr;
  }
  return block;
}

}  // namespace platform_detail
