// State the emulation keeps for the whole process, as Windows keeps the
// display and the registry outside any one module.
//
// Every library that links the emulation has its own copy of its code and
// globals, so a global variable would give each plug-in a display and a
// registry of its own. Instead the first copy that asks for a block by name
// maps it and publishes its address in the process environment; every later
// copy finds it there. The value carries the process id, so a child process
// that inherits the environment makes blocks of its own instead of reading
// an address that means nothing to it.
//
// Blocks are mapped straight from the system, live as long as the process
// and start zeroed. They must hold plain data: a pointer into the C++ heap
// kept only there would look like a leak to LeakSanitizer, which does not
// scan mapped memory. Everything runs on the host's thread.
#ifndef PLATFORM_PROCESS_SHARED_H
#define PLATFORM_PROCESS_SHARED_H

#include <cstddef>

namespace platform_detail {

// The block called `name` (letters, digits and '_'), of `bytes` bytes; null
// when the system gives no memory. Every caller of one name passes the same
// size (the copies are built from the same source).
void* ProcessSharedBlock(const char* name, size_t bytes);

// Memory for data that a shared block refers to: zeroed, mapped from the
// system, page-rounded. Null for 0 bytes or when refused.
void* MapSharedMemory(size_t bytes);
void UnmapSharedMemory(void* memory, size_t bytes);

// A zeroed block for one GDI object or device context. Blocks come from one
// region of the process, reserved below 2 GiB at first use: as on Windows, a
// handle then fits in a program's 32-bit integer and comes back from it, and
// whether a number is a handle at all can be told without touching memory
// outside the region (IsHandleAddress). Null when the region is full or the
// system gives none.
inline constexpr size_t kHandleBlockBytes = 4096;
void* AllocateHandleBlock();
void FreeHandleBlock(void* block);
// True for an address inside the region: reading there is always safe, and
// what a block's first word holds tells what it is (a freed block holds 0).
bool IsHandleAddress(const void* address);
// One block of the region that every copy of the emulation shares, made on
// first use by `make` (which fills the zeroed block); the stock objects.
void* SharedStockBlock(int index, void (*make)(void* block));

}  // namespace platform_detail

#endif
