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

void* AllocateHandleBlock() {
  int flags = MAP_PRIVATE | MAP_ANONYMOUS;
#ifdef MAP_32BIT
  flags |= MAP_32BIT;
#endif
  void* block = mmap(nullptr, kHandleBlockBytes, PROT_READ | PROT_WRITE, flags, -1, 0);
  return block == MAP_FAILED ? nullptr : block;
}

void FreeHandleBlock(void* block) {
  if (block != nullptr) munmap(block, kHandleBlockBytes);
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
