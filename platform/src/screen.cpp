// The emulated display: its state, its device contexts, its desktop window,
// its capabilities and its system palette (see win32.h and
// virtual_display.h).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "gdi_objects.h"
#include "platform/virtual_display.h"
#include "platform/win32.h"
#include "process_shared.h"

namespace platform_detail {
namespace {

constexpr uint32_t kDefaultDesktopColor = 0x3A6EA5;

// One per process (see process_shared.h): plain data only.
struct DisplayState {
  uint32_t initialised;
  int32_t width, height;
  int32_t bits;  // 0: from the environment
  uint32_t desktopColor;
  uint32_t* pixels;  // width x height colours, top row first; null: all black
  size_t pixelBytes;
  int64_t objects, deviceContexts;
};

DisplayState& Display() {
  static DisplayState fallback;  // when the system gives no shared block
  auto* state = static_cast<DisplayState*>(ProcessSharedBlock("display", sizeof(DisplayState)));
  if (state == nullptr) state = &fallback;
  if (state->initialised == 0) {
    state->width = platform::kDefaultDisplayWidth;
    state->height = platform::kDefaultDisplayHeight;
    state->desktopColor = kDefaultDesktopColor;
    state->initialised = 1;
  }
  return *state;
}

int EnvironmentBits() {
  const char* setting = std::getenv("RB_EMULATED_SCREEN_BITS");
  if (setting == nullptr) return 32;
  const int bits = std::atoi(setting);
  return SupportedDepth(bits) ? bits : 32;
}

struct Colour {
  BYTE red, green, blue;
};

constexpr Colour kVga[16] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                             {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                             {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                             {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

// The 20 static colours of an 8-bit display: ten at each end.
constexpr Colour kStaticLow[10] = {{0, 0, 0},       {128, 0, 0},    {0, 128, 0},   {128, 128, 0},
                                   {0, 0, 128},     {128, 0, 128},  {0, 128, 128}, {192, 192, 192},
                                   {192, 220, 192}, {166, 202, 240}};
constexpr Colour kStaticHigh[10] = {
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255}};

UINT PaletteSize(int bits) { return bits <= 8 ? UINT{1} << bits : 0; }

Colour PaletteEntry(int bits, UINT index) {
  switch (bits) {
    case 1:
      return index == 0 ? Colour{0, 0, 0} : Colour{255, 255, 255};
    case 4:
      return kVga[index];
    default:
      if (index < 10) return kStaticLow[index];
      if (index >= 246) return kStaticHigh[index - 246];
      return {0, 0, 0};
  }
}

constexpr uint32_t kDesktopWindowMagic = 0x4445534Bu;  // "DESK"

bool IsDisplayDc(PlatformDeviceContext* dc) {
  return dc != nullptr && (dc->magic == kDisplayDcMagic || dc->magic == kScreenDcMagic);
}

}  // namespace

int DisplayBits() {
  const DisplayState& d = Display();
  return d.bits != 0 ? d.bits : EnvironmentBits();
}

Surface DisplaySurface() {
  DisplayState& d = Display();
  Surface s;
  s.width = d.width;
  s.height = d.height;
  s.depth = static_cast<WORD>(DisplayBits());
  s.colorWords = true;
  s.topDown = true;
  s.rowBytes = d.width * 4;
  s.bits = reinterpret_cast<uint8_t*>(d.pixels);
  return s;
}

// Makes the display's pixels exist (all black) before a first write.
bool MaterialiseDisplay() {
  DisplayState& d = Display();
  if (d.pixels != nullptr) return true;
  const size_t bytes = size_t(d.width) * size_t(d.height) * 4;
  d.pixels = static_cast<uint32_t*>(MapSharedMemory(bytes));
  if (d.pixels == nullptr) return false;
  d.pixelBytes = bytes;
  return true;
}

uint32_t DesktopColor() { return Display().desktopColor; }

void SystemPaletteOf(int bits, RGBQUAD* colors, UINT* count) {
  const UINT size = bits <= 8 ? PaletteSize(bits) : 0;
  for (UINT i = 0; i < size; ++i) {
    const Colour c = PaletteEntry(bits, i);
    colors[i] = {c.blue, c.green, c.red, 0};
  }
  *count = size;
}

void CountObject(int delta) { Display().objects += delta; }
void CountDc(int delta) { Display().deviceContexts += delta; }

}  // namespace platform_detail

using namespace platform_detail;

namespace platform {

bool SetVirtualDisplay(int32_t width, int32_t height, int bits, const uint32_t* colors) {
  if (width <= 0 || height <= 0 || width > kMaxDisplaySide || height > kMaxDisplaySide)
    return false;
  if (bits != 0 && !SupportedDepth(bits)) return false;
  DisplayState& d = Display();
  uint32_t* pixels = nullptr;
  const size_t bytes = size_t(width) * size_t(height) * 4;
  if (colors != nullptr) {
    pixels = static_cast<uint32_t*>(MapSharedMemory(bytes));
    if (pixels == nullptr) return false;
  }
  UnmapSharedMemory(d.pixels, d.pixelBytes);
  d.pixels = pixels;
  d.pixelBytes = pixels != nullptr ? bytes : 0;
  d.width = width;
  d.height = height;
  d.bits = bits;
  if (pixels != nullptr) {
    const int depth = DisplayBits();
    for (size_t i = 0; i < size_t(width) * size_t(height); ++i)
      pixels[i] = ReduceToDevice(colors[i] & 0xFFFFFFu, depth);
  }
  return true;
}

void ResetVirtualDisplay() {
  DisplayState& d = Display();
  UnmapSharedMemory(d.pixels, d.pixelBytes);
  d.pixels = nullptr;
  d.pixelBytes = 0;
  d.width = kDefaultDisplayWidth;
  d.height = kDefaultDisplayHeight;
  d.bits = 0;
  d.desktopColor = platform_detail::kDefaultDesktopColor;
}

void SetDesktopColor(uint32_t color) { Display().desktopColor = color & 0xFFFFFFu; }

int32_t VirtualDisplayWidth() { return Display().width; }
int32_t VirtualDisplayHeight() { return Display().height; }
int VirtualDisplayBits() { return DisplayBits(); }

uint32_t VirtualDisplayPixel(int32_t x, int32_t y) {
  const DisplayState& d = Display();
  if (x < 0 || y < 0 || x >= d.width || y >= d.height || d.pixels == nullptr) return 0;
  return d.pixels[size_t(y) * size_t(d.width) + size_t(x)];
}

GdiCounts CountGdiObjects() {
  const DisplayState& d = Display();
  return {d.objects, d.deviceContexts};
}

}  // namespace platform

HDC GetDC(HWND window) {
  if (window != nullptr) return nullptr;
  auto* dc = static_cast<PlatformDeviceContext*>(AllocateHandleBlock());
  if (dc == nullptr) return nullptr;
  InitDc(dc, kScreenDcMagic);
  CountDc(1);
  return dc;
}

int ReleaseDC(HWND window, HDC dc) {
  PlatformDeviceContext* context = LiveDc(dc);
  if (window != nullptr || context == nullptr || context->magic != kScreenDcMagic) return 0;
  context->magic = kFreedMagic;
  FreeHandleBlock(context);
  CountDc(-1);
  return 1;
}

HDC CreateDCA(LPCSTR driver, LPCSTR device, LPCSTR output, const void* mode) {
  (void)output;
  (void)mode;
  if (driver == nullptr || device != nullptr) return nullptr;
  const char* expected = "DISPLAY";
  for (size_t i = 0;; ++i) {
    const char a = driver[i], b = expected[i];
    if ((a >= 'a' && a <= 'z' ? char(a - 32) : a) != b) return nullptr;
    if (b == '\0') break;
  }
  auto* dc = static_cast<PlatformDeviceContext*>(AllocateHandleBlock());
  if (dc == nullptr) return nullptr;
  InitDc(dc, kDisplayDcMagic);
  CountDc(1);
  return dc;
}

// One handle for every copy of the emulation, as a window handle is the
// system's; it is nothing else.
HWND GetDesktopWindow() {
  return static_cast<HWND>(SharedStockBlock(1, [](void* block) {
    std::memcpy(block, &kDesktopWindowMagic, sizeof kDesktopWindowMagic);
  }));
}

BOOL GetWindowRect(HWND window, RECT* rect) {
  if (window == nullptr || window != GetDesktopWindow() || rect == nullptr) return FALSE;
  *rect = {0, 0, Display().width, Display().height};
  return TRUE;
}

BOOL IsRectEmpty(const RECT* rect) {
  return rect == nullptr || rect->right <= rect->left || rect->bottom <= rect->top;
}

int GetDeviceCaps(HDC dc, int index) {
  if (!IsDisplayDc(LiveDc(dc))) return 0;
  const int bits = DisplayBits();
  switch (index) {
    case BITSPIXEL:
      return bits;
    case PLANES:
      return 1;
    case HORZRES:
      return Display().width;
    case VERTRES:
      return Display().height;
    case SIZEPALETTE:
      return static_cast<int>(PaletteSize(bits));
    case RASTERCAPS:
      return bits <= 8 ? RC_PALETTE : 0;
    default:
      return 0;
  }
}

UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY* entries) {
  if (!IsDisplayDc(LiveDc(dc))) return 0;
  const int bits = DisplayBits();
  const UINT size = PaletteSize(bits);
  if (entries == nullptr) return size;
  if (start >= size) return 0;
  if (count > size - start) count = size - start;
  for (UINT i = 0; i < count; ++i) {
    const Colour c = PaletteEntry(bits, start + i);
    entries[i] = {c.red, c.green, c.blue, 0};
  }
  return count;
}
