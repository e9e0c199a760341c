// The emulated screen: device contexts of the whole display and its system
// palette (see win32.h).
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/win32.h"

namespace {

constexpr uint32_t kScreenDcMagic = 0x5343524Eu;  // "SCRN"
constexpr uint32_t kFreedMagic = 0x64656164u;     // "dead"

// A screen DC is a block of its own whose first word is its magic, as every
// emulated handle starts; memory-DC calls see another magic and refuse it.
struct ScreenDc {
  uint32_t magic;
};

bool IsScreenDc(HDC dc) {
  if (dc == nullptr) return false;
  uint32_t magic;
  std::memcpy(&magic, dc, sizeof magic);
  return magic == kScreenDcMagic;
}

int ScreenBits() {
  const char* setting = std::getenv("RB_EMULATED_SCREEN_BITS");
  if (setting == nullptr) return 32;
  const int bits = std::atoi(setting);
  switch (bits) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
      return bits;
    default:
      return 32;
  }
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

}  // namespace

HDC GetDC(HWND window) {
  if (window != nullptr) return nullptr;
  auto* dc = static_cast<ScreenDc*>(std::calloc(1, sizeof(ScreenDc)));
  if (dc == nullptr) return nullptr;
  dc->magic = kScreenDcMagic;
  return reinterpret_cast<HDC>(dc);
}

int ReleaseDC(HWND window, HDC dc) {
  if (window != nullptr || !IsScreenDc(dc)) return 0;
  const uint32_t freed = kFreedMagic;
  std::memcpy(dc, &freed, sizeof freed);
  std::free(dc);
  return 1;
}

int GetDeviceCaps(HDC dc, int index) {
  if (!IsScreenDc(dc)) return 0;
  const int bits = ScreenBits();
  switch (index) {
    case BITSPIXEL:
      return bits;
    case PLANES:
      return 1;
    case SIZEPALETTE:
      return static_cast<int>(PaletteSize(bits));
    case RASTERCAPS:
      return bits <= 8 ? RC_PALETTE : 0;
    default:
      return 0;
  }
}

UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY* entries) {
  if (!IsScreenDc(dc)) return 0;
  const int bits = ScreenBits();
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
