// The emulation's GDI objects and device contexts, shared by its files.
//
// Every handle points to a block whose first word is a magic naming its kind;
// a freed block has its magic cleared before release. Each library linking
// the emulation has its own copy of this code, so the blocks are plain data
// that any copy can read.
#ifndef PLATFORM_GDI_OBJECTS_H
#define PLATFORM_GDI_OBJECTS_H

#include <cstdint>
#include <cstring>

#include "platform/win32.h"

namespace platform_detail {

constexpr uint32_t kDibSectionMagic = 0x44494253u;         // "DIBS"
constexpr uint32_t kDeviceBitmapMagic = 0x44444242u;       // "DDBB"
constexpr uint32_t kPlaceholderBitmapMagic = 0x44464C54u;  // "DFLT"
constexpr uint32_t kPaletteMagic = 0x50414C54u;            // "PALT"
constexpr uint32_t kStockPaletteMagic = 0x53504C54u;       // "SPLT"
constexpr uint32_t kMemoryDcMagic = 0x4D454D44u;           // "MEMD"
constexpr uint32_t kDisplayDcMagic = 0x44495350u;          // "DISP": CreateDCA("DISPLAY")
constexpr uint32_t kScreenDcMagic = 0x5343524Eu;           // "SCRN": GetDC(NULL)
constexpr uint32_t kSurfaceDcMagic = 0x53555246u;          // "SURF": the host's pictures
constexpr uint32_t kFreedMagic = 0x64656164u;              // "dead"

constexpr UINT kMaxColorTableEntries = 256;

inline uint32_t MagicAt(const void* handle) {
  uint32_t magic;
  std::memcpy(&magic, handle, sizeof magic);
  return magic;
}

template <typename T>
bool Aligned(const T* handle) {
  return reinterpret_cast<uintptr_t>(handle) % alignof(T) == 0;
}

// Pixels as a drawing call sees them: rows of any depth the emulation knows,
// read and written as colours 0x00RRGGBB. Rows count from the top.
struct Surface {
  uint8_t* bits = nullptr;
  LONG width = 0, height = 0;
  LONG rowBytes = 0;
  bool topDown = false;  // the first row in memory is the top row
  WORD depth = 0;        // 1, 4, 8, 16, 24, 32
  // BI_BITFIELDS masks at 16 and 32 bits; all zero for BI_RGB (5-5-5, 8-8-8).
  DWORD masks[3] = {0, 0, 0};
  const RGBQUAD* colors = nullptr;  // depths up to 8
  UINT colorCount = 0;
  // Device-dependent bitmaps and the display keep 0x00RRGGBB words whatever
  // depth they show, each already reduced to what that depth can show.
  bool colorWords = false;

  uint32_t Read(LONG x, LONG y) const;
  void Write(LONG x, LONG y, uint32_t color);
};

// What a colour becomes on a device of `depth` bits: itself at 24 and 32
// bits, 5-6-5 at 16 (each channel widened again by repeating its high bits),
// the nearest colour of the system palette at 8 bits and below.
uint32_t ReduceToDevice(uint32_t color, int depth);
// The index of the colour nearest `color` (squared distance; the lowest index
// of equals).
UINT NearestColor(const RGBQUAD* colors, UINT count, uint32_t color);

}  // namespace platform_detail

struct PlatformGdiObject {
  uint32_t magic;
  PlatformDeviceContext* selectedInto;  // bitmaps
  DIBSECTION section;                   // bitmaps: dsBm for every kind
  UINT colorCount;                      // DIB sections up to 8 bits; palettes
  RGBQUAD colors[platform_detail::kMaxColorTableEntries];
  uint32_t* words;      // device-dependent bitmaps: colour words, top row first
  size_t wordBytes;     // as allocated
  bool topDown;         // DIB sections made with a negative height
  uint32_t selections;  // palettes: the DCs holding one
};

struct PlatformDeviceContext {
  uint32_t magic;
  PlatformGdiObject* selected;  // memory DCs: the placeholder or a bitmap
  PlatformGdiObject placeholder;
  PlatformGdiObject* palette;        // selected with SelectPalette; the stock one at first
  platform_detail::Surface surface;  // surface DCs: the memory they draw on
};

namespace platform_detail {

// The depths of DIBs, device bitmaps and displays: 1, 4, 8, 16, 24, 32.
constexpr bool SupportedDepth(int depth) {
  return depth == 1 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
}

struct DibLayout {
  DWORD rowBytes;
  DWORD imageBytes;
  LONG rows;
};
// False for a DIB header CreateDIBSection refuses (see gdi.cpp); sizes up to
// 1 GiB.
bool LayOutDib(const BITMAPINFOHEADER& header, DibLayout* layout);

PlatformGdiObject* LiveBitmap(HGDIOBJ object);   // any kind of bitmap
PlatformGdiObject* LivePalette(HGDIOBJ object);  // created or stock
PlatformDeviceContext* LiveDc(HDC dc);           // any kind of DC

// Where a DC's drawing goes and comes from; false for a DC without pixels
// (a memory DC with its placeholder selected).
bool DcSurface(PlatformDeviceContext* dc, Surface* surface);
Surface BitmapSurface(PlatformGdiObject* bitmap);

// The palette every DC starts with (DEFAULT_PALETTE).
PlatformGdiObject* StockPalette();
// Initialises the parts every DC has.
void InitDc(PlatformDeviceContext* dc, uint32_t magic);

// The display (screen.cpp).
int DisplayBits();
Surface DisplaySurface();   // its pixels may be null: all black
bool MaterialiseDisplay();  // gives it pixels before a first write
uint32_t DesktopColor();
// The system palette a display of `bits` has (none above 8 bits).
void SystemPaletteOf(int bits, RGBQUAD* colors, UINT* count);

// Counts of live objects and DCs, for every copy of the emulation.
void CountObject(int delta);
void CountDc(int delta);

}  // namespace platform_detail

#endif
