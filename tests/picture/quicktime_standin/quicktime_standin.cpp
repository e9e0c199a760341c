// A stand-in for QuickTime's library "QuickTime.qts", for the tests only.
//
// It exports the three entry points the picture plug-in binds by name and
// answers, through "theQuickTimeDispatcher", the five routines the plug-in
// calls. The dispatcher follows the plug-in's convention (see
// picture/frame/quicktime_binding.h):
//
//   uintptr_t theQuickTimeDispatcher(uint32_t selector, const uintptr_t* arguments);
//
// with the routine's arguments in order, each widened to a pointer-sized word.
//
//   0x0015005D copy bytes into a new handle (source, address of the handle,
//              byte count): a moveable global memory block; 0 or the error -108
//              (out of memory, also for a negative count)
//   0x0017000F picture handle to DIB (handle): a new packed DIB in moveable
//              global memory made from the picture data below, or null when
//              the handle's bytes are not such data
//   0x001C0006 get the current graphics world (address of port, of device)
//   0x001C0007 set the current graphics world (port, device)
//   0x001E0060 dispose of a picture handle (handle): frees the block
//   anything else: the error -1
//
// Picture data (the stand-in's own format, all integers little-endian):
//
//   bytes 0-3  "SPIC"
//   bytes 4-5  width, 1 or more
//   bytes 6-7  height, 1 or more
//   byte 8     depth: 24 (pixels are red, green, blue bytes) or 8 (a grey
//              level a pixel)
//   then the rows from the top, left to right, unpadded; nothing after them.
//
// 24-bit data becomes a bottom-up 24-bit DIB; 8-bit data a top-down (negative
// height) 8-bit DIB with a 256-entry grey colour table. The conversion draws,
// as QuickTime's would, so it leaves another graphics world current; a caller
// must restore its own.
//
// A test sees what happened through the exports quicktime_standin_*: the
// selectors called so far, the current graphics world, and the last handles
// made and disposed of. Built with QUICKTIME_STANDIN_WITHOUT_DISPATCHER it
// lacks the export "theQuickTimeDispatcher", as a damaged installation would.
#include <cstdint>
#include <cstring>

#include "platform/win32.h"

#ifdef _WIN32
#define STANDIN_EXPORT extern "C" __declspec(dllexport)
#else
#define STANDIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

constexpr uintptr_t kOutOfMemory = static_cast<uint16_t>(-108);
constexpr uintptr_t kUnknownSelector = static_cast<uint16_t>(-1);

// The graphics world current when the library is loaded, and the one its
// drawing leaves behind.
constexpr uintptr_t kInitialPort = 0x5000, kInitialDevice = 0x6000;
constexpr uintptr_t kDrawingPort = 0x7000, kDrawingDevice = 0x7001;

constexpr int32_t kMaxCalls = 64;
uint32_t calls[kMaxCalls];
int32_t callCount = 0;
uintptr_t currentPort = kInitialPort, currentDevice = kInitialDevice;
// The last handles made and disposed of, kept disguised: a pointer held here
// would keep LeakSanitizer from reporting a block the plug-in or the host
// failed to free.
constexpr uintptr_t kDisguise = ~uintptr_t{0};
uintptr_t lastHandle = kDisguise, lastDib = kDisguise, lastDisposed = kDisguise;

uintptr_t disguised(HGLOBAL handle) { return reinterpret_cast<uintptr_t>(handle) ^ kDisguise; }
void* undisguised(uintptr_t word) { return reinterpret_cast<void*>(word ^ kDisguise); }

HGLOBAL globalCopy(const void* bytes, size_t size) {
  // A block of 0 bytes would be discarded at once; keep one byte of room.
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size != 0 ? size : 1);
  if (block == nullptr) return nullptr;
  if (size != 0) {
    std::memcpy(GlobalLock(block), bytes, size);
    GlobalUnlock(block);
  }
  return block;
}

uintptr_t copyIntoHandle(const void* source, HGLOBAL* handle, int32_t count) {
  if (handle == nullptr || count < 0 || (source == nullptr && count != 0)) return kOutOfMemory;
  *handle = globalCopy(source, static_cast<size_t>(count));
  lastHandle = disguised(*handle);
  return *handle != nullptr ? 0 : kOutOfMemory;
}

uint32_t readWord(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }

HGLOBAL dibOf(const uint8_t* data, size_t size) {
  if (size < 9 || std::memcmp(data, "SPIC", 4) != 0) return nullptr;
  const uint32_t width = readWord(data + 4), height = readWord(data + 6), depth = data[8];
  if (width == 0 || height == 0 || (depth != 8 && depth != 24)) return nullptr;
  const size_t pixelBytes = depth / 8;
  if (size != 9 + size_t(width) * height * pixelBytes) return nullptr;
  const size_t rowBytes = (width * depth + 31) / 32 * 4;
  const size_t tableBytes = depth == 8 ? 256 * sizeof(RGBQUAD) : 0;
  const size_t total = sizeof(BITMAPINFOHEADER) + tableBytes + rowBytes * height;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, total);
  if (block == nullptr) return nullptr;
  auto* base = static_cast<uint8_t*>(GlobalLock(block));
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = static_cast<LONG>(width);
  header.biHeight = depth == 8 ? -static_cast<LONG>(height) : static_cast<LONG>(height);
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(depth);
  header.biCompression = BI_RGB;
  std::memcpy(base, &header, sizeof header);
  auto* table = base + sizeof header;
  for (size_t i = 0; i < tableBytes / 4; ++i) {
    const RGBQUAD grey = {BYTE(i), BYTE(i), BYTE(i), 0};
    std::memcpy(table + 4 * i, &grey, sizeof grey);
  }
  uint8_t* bits = table + tableBytes;
  for (uint32_t y = 0; y < height; ++y) {
    // Top-down DIBs keep the rows in order; bottom-up ones start at the bottom.
    uint8_t* row = bits + rowBytes * (depth == 8 ? y : height - 1 - y);
    const uint8_t* from = data + 9 + size_t(y) * width * pixelBytes;
    for (uint32_t x = 0; x < width; ++x) {
      if (depth == 8) {
        row[x] = from[x];
      } else {
        row[3 * x] = from[3 * x + 2];  // blue, green, red
        row[3 * x + 1] = from[3 * x + 1];
        row[3 * x + 2] = from[3 * x];
      }
    }
  }
  GlobalUnlock(block);
  return block;
}

uintptr_t pictureToDib(HGLOBAL picture) {
  currentPort = kDrawingPort;
  currentDevice = kDrawingDevice;
  const void* bytes = picture != nullptr ? GlobalLock(picture) : nullptr;
  if (bytes == nullptr) return 0;
  HGLOBAL dib = dibOf(static_cast<const uint8_t*>(bytes), GlobalSize(picture));
  GlobalUnlock(picture);
  lastDib = disguised(dib);
  return reinterpret_cast<uintptr_t>(dib);
}

template <typename T>
T* pointer(uintptr_t word) {
  return reinterpret_cast<T*>(word);
}

HGLOBAL handleOf(uintptr_t word) { return reinterpret_cast<HGLOBAL>(word); }

}  // namespace

// Without the dispatcher the same function is exported under another name,
// which no one looks for.
#ifdef QUICKTIME_STANDIN_WITHOUT_DISPATCHER
#define STANDIN_DISPATCHER quicktime_standin_misnamed_dispatcher
#else
#define STANDIN_DISPATCHER theQuickTimeDispatcher
#endif

STANDIN_EXPORT uintptr_t STANDIN_DISPATCHER(uint32_t selector, const uintptr_t* arguments) {
  if (callCount < kMaxCalls) calls[callCount++] = selector;
  switch (selector) {
    case 0x0015005D:
      return copyIntoHandle(pointer<const void>(arguments[0]), pointer<HGLOBAL>(arguments[1]),
                            static_cast<int32_t>(static_cast<uint32_t>(arguments[2])));
    case 0x0017000F:
      return pictureToDib(handleOf(arguments[0]));
    case 0x001C0006:
      if (arguments[0] != 0) *pointer<uintptr_t>(arguments[0]) = currentPort;
      if (arguments[1] != 0) *pointer<uintptr_t>(arguments[1]) = currentDevice;
      return 0;
    case 0x001C0007:
      currentPort = arguments[0];
      currentDevice = arguments[1];
      return 0;
    case 0x001E0060:
      lastDisposed = disguised(handleOf(arguments[0]));
      if (arguments[0] != 0) GlobalFree(handleOf(arguments[0]));
      return 0;
    default:
      return kUnknownSelector;
  }
}

STANDIN_EXPORT uintptr_t _CallComponent(uint32_t, const uintptr_t*) { return kUnknownSelector; }

STANDIN_EXPORT uintptr_t _CallComponentFunctionWithStorage(uint32_t, const uintptr_t*) {
  return kUnknownSelector;
}

// The selectors called so far, oldest first, up to `room` of them; the count.
STANDIN_EXPORT int32_t quicktime_standin_calls(uint32_t* selectors, int32_t room) {
  for (int32_t i = 0; i < callCount && i < room; ++i) selectors[i] = calls[i];
  return callCount;
}

STANDIN_EXPORT void quicktime_standin_world(uintptr_t* port, uintptr_t* device) {
  *port = currentPort;
  *device = currentDevice;
}

// 0: the last handle made by the copy; 1: the last DIB made; 2: the last
// handle disposed of.
STANDIN_EXPORT void* quicktime_standin_handle(int32_t which) {
  return undisguised(which == 0 ? lastHandle : which == 1 ? lastDib : lastDisposed);
}

STANDIN_EXPORT void quicktime_standin_reset() {
  callCount = 0;
  currentPort = kInitialPort;
  currentDevice = kInitialDevice;
  lastHandle = lastDib = lastDisposed = kDisguise;
}
