// Device-dependent bitmaps, palettes and the calls that move pixels between
// DCs, bitmaps and DIBs (see win32.h); the host's surface DCs
// (virtual_display.h).
//
// Every transfer goes pixel by pixel through colours 0x00RRGGBB: the
// emulation serves screenshots and tests, not speed. Contracts beyond
// win32.h:
// - GetDIBits fills the colour table of a DIB of 8 bits or fewer from the
//   DC's palette when it has at least that many entries, otherwise from the
//   system palette of that depth (black and white; the 16 VGA colours; the
//   static colours), and gives each pixel its nearest entry.
// - CreateDIBitmap reads a colour table of biClrUsed entries (2^depth when
//   0) after the header; indices past it read as black.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gdi_objects.h"
#include "platform/large_blocks.h"
#include "platform/virtual_display.h"
#include "platform/win32.h"
#include "process_shared.h"

using namespace platform_detail;

namespace {

constexpr uint64_t kMaxDeviceBytes = uint64_t{1} << 30;

uint32_t Rgb(BYTE r, BYTE g, BYTE b) { return uint32_t{r} << 16 | uint32_t{g} << 8 | b; }
uint32_t Rgb(const RGBQUAD& q) { return Rgb(q.rgbRed, q.rgbGreen, q.rgbBlue); }

// A channel of `bits` bits (at most 8) widened to 8 by repeating its high bits.
uint32_t Widen(uint32_t value, int bits) {
  uint32_t out = 0;
  for (int filled = 0; filled < 8; filled += bits) out = out << bits | value;
  return (out >> (std::max(0, ((8 + bits - 1) / bits) * bits - 8))) & 0xFF;
}

uint32_t ReadMasked(uint32_t pixel, DWORD mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  const uint32_t value = (pixel & mask) >> shift;
  return bits >= 8 ? value >> (bits - 8) : Widen(value, bits);
}

uint32_t WriteMasked(uint32_t channel, DWORD mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  const uint32_t value = bits >= 8 ? channel << (bits - 8) : channel >> (8 - bits);
  return (value << shift) & mask;
}

PlatformGdiObject* NewObject(uint32_t magic) {
  auto* object = static_cast<PlatformGdiObject*>(AllocateHandleBlock());
  if (object != nullptr) object->magic = magic;
  return object;
}

// A device-dependent bitmap of `depth`, black.
HBITMAP NewDeviceBitmap(LONG width, LONG height, WORD depth) {
  const uint64_t bytes = uint64_t(width) * uint64_t(height) * 4;
  if (width <= 0 || height <= 0 || bytes > kMaxDeviceBytes) return nullptr;
  PlatformGdiObject* bitmap = NewObject(kDeviceBitmapMagic);
  if (bitmap == nullptr) return nullptr;
  bitmap->words = reinterpret_cast<uint32_t*>(AllocateBlock(size_t(bytes), true));
  if (bitmap->words == nullptr) {
    FreeHandleBlock(bitmap);
    return nullptr;
  }
  bitmap->wordBytes = size_t(bytes);
  BITMAP& bm = bitmap->section.dsBm;
  bm.bmWidth = width;
  bm.bmHeight = height;
  bm.bmWidthBytes = static_cast<LONG>((uint64_t(width) * depth + 15) / 16 * 2);
  bm.bmPlanes = 1;
  bm.bmBitsPixel = depth;
  CountObject(1);
  return bitmap;
}

// The depth of bitmaps compatible with a DC.
WORD CompatibleDepth(PlatformDeviceContext* dc) {
  switch (dc->magic) {
    case kMemoryDcMagic:
      return dc->selected->section.dsBm.bmBitsPixel;
    case kSurfaceDcMagic:
      return dc->surface.depth;
    default:
      return static_cast<WORD>(DisplayBits());
  }
}

// The colour table a DIB header is followed by: biClrUsed entries, or
// 2^depth when that is 0, up to 8 bits.
UINT DibColorCount(const BITMAPINFOHEADER& h) {
  if (h.biBitCount > 8) return 0;
  const UINT full = UINT{1} << h.biBitCount;
  return h.biClrUsed == 0 ? full : std::min<UINT>(h.biClrUsed, full);
}

}  // namespace

namespace platform_detail {

uint32_t Surface::Read(LONG x, LONG y) const {
  if (bits == nullptr || x < 0 || y < 0 || x >= width || y >= height) return 0;
  const LONG memoryRow = topDown ? y : height - 1 - y;
  const uint8_t* row = bits + size_t(memoryRow) * size_t(rowBytes);
  if (colorWords) {
    uint32_t word;
    std::memcpy(&word, row + size_t(x) * 4, 4);
    return word & 0xFFFFFFu;
  }
  switch (depth) {
    case 32: {
      const uint8_t* p = row + size_t(x) * 4;
      const uint32_t v =
          uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
      if (masks[0] == 0) return v & 0xFFFFFFu;
      return ReadMasked(v, masks[0]) << 16 | ReadMasked(v, masks[1]) << 8 | ReadMasked(v, masks[2]);
    }
    case 24: {
      const uint8_t* p = row + size_t(x) * 3;
      return Rgb(p[2], p[1], p[0]);
    }
    case 16: {
      const uint32_t v = uint32_t{row[2 * size_t(x)]} | uint32_t{row[2 * size_t(x) + 1]} << 8;
      const DWORD r = masks[0] != 0 ? masks[0] : 0x7C00, g = masks[0] != 0 ? masks[1] : 0x03E0,
                  b = masks[0] != 0 ? masks[2] : 0x001F;
      return ReadMasked(v, r) << 16 | ReadMasked(v, g) << 8 | ReadMasked(v, b);
    }
    default: {
      const int perByte = 8 / depth;
      const int shift = 8 - depth * (x % perByte + 1);  // leftmost pixel in the high bits
      const UINT index = (row[x / perByte] >> shift) & ((1u << depth) - 1);
      return index < colorCount && colors != nullptr ? Rgb(colors[index]) : 0;
    }
  }
}

void Surface::Write(LONG x, LONG y, uint32_t color) {
  if (bits == nullptr || x < 0 || y < 0 || x >= width || y >= height) return;
  color &= 0xFFFFFFu;
  const LONG memoryRow = topDown ? y : height - 1 - y;
  uint8_t* row = bits + size_t(memoryRow) * size_t(rowBytes);
  const BYTE r = BYTE(color >> 16), g = BYTE(color >> 8), b = BYTE(color);
  if (colorWords) {
    const uint32_t word = ReduceToDevice(color, depth);
    std::memcpy(row + size_t(x) * 4, &word, 4);
    return;
  }
  switch (depth) {
    case 32: {
      uint32_t v = masks[0] == 0 ? color
                                 : WriteMasked(r, masks[0]) | WriteMasked(g, masks[1]) |
                                       WriteMasked(b, masks[2]);
      uint8_t* p = row + size_t(x) * 4;
      for (int i = 0; i < 4; ++i) p[i] = BYTE(v >> (8 * i));
      return;
    }
    case 24: {
      uint8_t* p = row + size_t(x) * 3;
      p[0] = b;
      p[1] = g;
      p[2] = r;
      return;
    }
    case 16: {
      const DWORD mr = masks[0] != 0 ? masks[0] : 0x7C00, mg = masks[0] != 0 ? masks[1] : 0x03E0,
                  mb = masks[0] != 0 ? masks[2] : 0x001F;
      const uint32_t v = WriteMasked(r, mr) | WriteMasked(g, mg) | WriteMasked(b, mb);
      row[2 * size_t(x)] = BYTE(v);
      row[2 * size_t(x) + 1] = BYTE(v >> 8);
      return;
    }
    default: {
      const UINT index = NearestColor(colors, colorCount, color);
      const int perByte = 8 / depth;
      const int shift = 8 - depth * (x % perByte + 1);
      const uint32_t mask = ((1u << depth) - 1) << shift;
      uint8_t& byte = row[x / perByte];
      byte = BYTE((byte & ~mask) | ((index << shift) & mask));
      return;
    }
  }
}

UINT NearestColor(const RGBQUAD* colors, UINT count, uint32_t color) {
  UINT best = 0;
  int64_t bestDistance = INT64_MAX;
  for (UINT i = 0; i < count && colors != nullptr; ++i) {
    const int64_t dr = int64_t(colors[i].rgbRed) - int64_t((color >> 16) & 0xFF);
    const int64_t dg = int64_t(colors[i].rgbGreen) - int64_t((color >> 8) & 0xFF);
    const int64_t db = int64_t(colors[i].rgbBlue) - int64_t(color & 0xFF);
    const int64_t distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return best;
}

uint32_t ReduceToDevice(uint32_t color, int depth) {
  color &= 0xFFFFFFu;
  if (depth >= 24) return color;
  if (depth == 16) {
    const uint32_t r = (color >> 19) & 31, g = (color >> 10) & 63, b = (color >> 3) & 31;
    return Widen(r, 5) << 16 | Widen(g, 6) << 8 | Widen(b, 5);
  }
  RGBQUAD palette[kMaxColorTableEntries];
  UINT count = 0;
  SystemPaletteOf(depth, palette, &count);
  if (count == 0) return color;
  return Rgb(palette[NearestColor(palette, count, color)]);
}

Surface BitmapSurface(PlatformGdiObject* bitmap) {
  Surface s;
  const BITMAP& bm = bitmap->section.dsBm;
  s.width = bm.bmWidth;
  s.height = bm.bmHeight;
  s.depth = bm.bmBitsPixel;
  if (bitmap->magic == kDeviceBitmapMagic) {
    s.bits = reinterpret_cast<uint8_t*>(bitmap->words);
    s.rowBytes = bm.bmWidth * 4;
    s.topDown = true;
    s.colorWords = true;
  } else if (bitmap->magic == kDibSectionMagic) {
    s.bits = static_cast<uint8_t*>(bm.bmBits);
    s.rowBytes = bm.bmWidthBytes;
    s.topDown = bitmap->topDown;
    std::memcpy(s.masks, bitmap->section.dsBitfields, sizeof s.masks);
    s.colors = bitmap->colors;
    s.colorCount = bitmap->colorCount;
  }
  return s;
}

bool DcSurface(PlatformDeviceContext* dc, Surface* surface) {
  switch (dc->magic) {
    case kMemoryDcMagic:
      if (dc->selected->magic == kPlaceholderBitmapMagic) return false;
      *surface = BitmapSurface(dc->selected);
      return true;
    case kSurfaceDcMagic:
      *surface = dc->surface;
      return true;
    case kDisplayDcMagic:
    case kScreenDcMagic:
      *surface = DisplaySurface();
      return true;
    default:
      return false;
  }
}

// One for the whole process, so that every copy of the emulation knows the
// palette a DC starts with and can select it back.
PlatformGdiObject* StockPalette() {
  static PlatformGdiObject fallback;  // when the region cannot hold it
  void* block = SharedStockBlock(0, [](void* memory) {
    auto* p = static_cast<PlatformGdiObject*>(memory);
    RGBQUAD eight[kMaxColorTableEntries];
    UINT count = 0;
    SystemPaletteOf(8, eight, &count);
    for (UINT i = 0; i < 10; ++i) {
      p->colors[i] = eight[i];
      p->colors[10 + i] = eight[246 + i];
    }
    p->colorCount = 20;
    p->magic = kStockPaletteMagic;
  });
  return block != nullptr ? static_cast<PlatformGdiObject*>(block) : &fallback;
}

}  // namespace platform_detail

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  PlatformDeviceContext* context = LiveDc(dc);
  if (context == nullptr || width < 0 || height < 0) return nullptr;
  if (width == 0 || height == 0) return NewDeviceBitmap(1, 1, 1);
  return NewDeviceBitmap(width, height, CompatibleDepth(context));
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage) {
  PlatformDeviceContext* context = LiveDc(dc);
  if (context == nullptr || header == nullptr || usage != DIB_RGB_COLORS) return nullptr;
  BITMAPINFOHEADER h;
  std::memcpy(&h, header, sizeof h);
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return nullptr;
  const LONG height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  HBITMAP bitmap = NewDeviceBitmap(h.biWidth, height, CompatibleDepth(context));
  if (bitmap == nullptr || (init & CBM_INIT) == 0) return bitmap;

  BITMAPINFOHEADER source;
  DibLayout layout;
  if (info == nullptr || bits == nullptr) {
    DeleteObject(bitmap);
    return nullptr;
  }
  std::memcpy(&source, info, sizeof source);
  if (!LayOutDib(source, &layout)) {
    DeleteObject(bitmap);
    return nullptr;
  }
  RGBQUAD colors[kMaxColorTableEntries];
  const UINT colorCount = DibColorCount(source);
  const auto* infoBytes = reinterpret_cast<const uint8_t*>(info);
  std::memcpy(colors, infoBytes + source.biSize, colorCount * sizeof(RGBQUAD));
  Surface from;
  from.bits = const_cast<uint8_t*>(static_cast<const uint8_t*>(bits));
  from.width = source.biWidth;
  from.height = layout.rows;
  from.rowBytes = static_cast<LONG>(layout.rowBytes);
  from.topDown = source.biHeight < 0;
  from.depth = source.biBitCount;
  if (source.biCompression == BI_BITFIELDS)
    std::memcpy(from.masks, infoBytes + sizeof(BITMAPINFOHEADER), sizeof from.masks);
  from.colors = colors;
  from.colorCount = colorCount;
  Surface to = BitmapSurface(bitmap);
  for (LONG y = 0; y < to.height; ++y)
    for (LONG x = 0; x < to.width; ++x) to.Write(x, y, from.Read(x, y));
  return bitmap;
}

BOOL BitBlt(HDC dc, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD operation) {
  PlatformDeviceContext* target = LiveDc(dc);
  PlatformDeviceContext* from = LiveDc(source);
  if (target == nullptr || from == nullptr || operation != SRCCOPY) return FALSE;
  Surface to, in;
  if (!DcSurface(target, &to) || !DcSurface(from, &in)) return FALSE;
  if (width <= 0 || height <= 0) return TRUE;
  if (to.colorWords && to.bits == nullptr) {  // the display, never drawn on yet
    if (!MaterialiseDisplay()) return FALSE;
    to = DisplaySurface();
    if (target == from) in = to;
  }
  // In 64 bits: a position plus a size may pass INT32_MAX.
  const int64_t left = std::max<int64_t>(x, 0);
  const int64_t right = std::min<int64_t>(int64_t(x) + width, to.width);
  const int64_t top = std::max<int64_t>(y, 0);
  const int64_t bottom = std::min<int64_t>(int64_t(y) + height, to.height);
  if (left >= right || top >= bottom) return TRUE;
  std::vector<uint32_t> row(size_t(right - left));
  // A copy within one surface runs against the direction it moves in.
  const bool upwards = to.bits == in.bits && int64_t(sourceY) < int64_t(y);
  for (int64_t i = 0; i < bottom - top; ++i) {
    const int64_t ty = upwards ? bottom - 1 - i : top + i;
    const int64_t sy = ty - y + sourceY;
    for (int64_t tx = left; tx < right; ++tx) {
      const int64_t sx = tx - x + sourceX;
      const bool inside = sx >= 0 && sy >= 0 && sx < in.width && sy < in.height;
      row[size_t(tx - left)] = inside ? in.Read(LONG(sx), LONG(sy)) : 0;
    }
    for (int64_t tx = left; tx < right; ++tx) to.Write(LONG(tx), LONG(ty), row[size_t(tx - left)]);
  }
  return TRUE;
}

int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info,
              UINT usage) {
  PlatformDeviceContext* context = LiveDc(dc);
  PlatformGdiObject* object = LiveBitmap(bitmap);
  if (context == nullptr || object == nullptr || info == nullptr || usage != DIB_RGB_COLORS ||
      object->magic == kPlaceholderBitmapMagic)
    return 0;
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER)) return 0;
  const Surface from = BitmapSurface(object);
  if (h.biBitCount == 0) {
    if (bits != nullptr) return 0;
    h.biWidth = from.width;
    h.biHeight = from.height;
    h.biPlanes = 1;
    h.biBitCount = from.depth;
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>((uint64_t(from.width) * from.depth + 31) / 32 * 4 *
                                       uint64_t(from.height));
    return 1;
  }
  if (!SupportedDepth(h.biBitCount) || h.biCompression != BI_RGB) return 0;
  DibLayout layout;
  if (h.biPlanes != 1 || !LayOutDib(h, &layout)) return 0;
  h.biSizeImage = layout.imageBytes;

  RGBQUAD* table = reinterpret_cast<RGBQUAD*>(reinterpret_cast<uint8_t*>(info) + h.biSize);
  UINT colorCount = 0;
  if (h.biBitCount <= 8) {
    colorCount = UINT{1} << h.biBitCount;
    if (context->palette->colorCount >= colorCount) {
      std::memcpy(table, context->palette->colors, colorCount * sizeof(RGBQUAD));
    } else {
      RGBQUAD system[kMaxColorTableEntries];
      UINT systemCount = 0;
      SystemPaletteOf(h.biBitCount, system, &systemCount);
      std::memcpy(table, system, colorCount * sizeof(RGBQUAD));
    }
  }
  if (bits == nullptr) return 1;

  Surface to;
  to.bits = static_cast<uint8_t*>(bits);
  to.width = h.biWidth;
  to.height = layout.rows;
  to.rowBytes = static_cast<LONG>(layout.rowBytes);
  to.topDown = h.biHeight < 0;
  to.depth = h.biBitCount;
  to.colors = table;
  to.colorCount = colorCount;
  // Scan lines count in memory order of the DIB; `bits` receives the first
  // one asked for.
  const UINT rows = static_cast<UINT>(std::min<LONG>(layout.rows, from.height));
  if (start >= rows) return 0;
  const UINT copied = std::min(lines, rows - start);
  to.height = LONG(copied);
  for (UINT i = 0; i < copied; ++i) {
    const LONG scan = LONG(start + i);
    // The bitmap's row shown at this scan line, counted from its top.
    const LONG sourceRow = to.topDown ? scan : from.height - 1 - scan;
    const LONG targetRow = to.topDown ? LONG(i) : LONG(copied - 1 - i);
    for (LONG x = 0; x < to.width; ++x) to.Write(x, targetRow, from.Read(x, sourceRow));
  }
  return static_cast<int>(copied);
}

BOOL PaintDesktop(HDC dc) {
  PlatformDeviceContext* context = LiveDc(dc);
  Surface surface;
  if (context == nullptr || !DcSurface(context, &surface)) return FALSE;
  if (surface.colorWords && surface.bits == nullptr) {
    if (!MaterialiseDisplay()) return FALSE;
    surface = DisplaySurface();
  }
  const uint32_t color = DesktopColor();
  for (LONG y = 0; y < surface.height; ++y)
    for (LONG x = 0; x < surface.width; ++x) surface.Write(x, y, color);
  return TRUE;
}

HGDIOBJ GetStockObject(int object) { return object == DEFAULT_PALETTE ? StockPalette() : nullptr; }

HPALETTE CreatePalette(const LOGPALETTE* palette) {
  if (palette == nullptr || palette->palNumEntries == 0 ||
      palette->palNumEntries > kMaxColorTableEntries)
    return nullptr;
  PlatformGdiObject* object = NewObject(kPaletteMagic);
  if (object == nullptr) return nullptr;
  for (UINT i = 0; i < palette->palNumEntries; ++i) {
    const PALETTEENTRY& e = palette->palPalEntry[i];
    object->colors[i] = {e.peBlue, e.peGreen, e.peRed, 0};
  }
  object->colorCount = palette->palNumEntries;
  CountObject(1);
  return object;
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground) {
  (void)forceBackground;
  PlatformDeviceContext* context = LiveDc(dc);
  PlatformGdiObject* chosen = LivePalette(palette);
  if (context == nullptr || chosen == nullptr) return nullptr;
  PlatformGdiObject* previous = context->palette;
  if (previous == chosen) return previous;
  if (previous->magic == kPaletteMagic) --previous->selections;
  if (chosen->magic == kPaletteMagic) ++chosen->selections;
  context->palette = chosen;
  return previous;
}

UINT RealizePalette(HDC dc) {
  PlatformDeviceContext* context = LiveDc(dc);
  return context != nullptr ? context->palette->colorCount : 0xFFFFFFFFu;
}

namespace platform {

HDC CreateSurfaceDC(const SurfaceDescription& d) {
  if (d.bits == nullptr || d.width <= 0 || d.height <= 0 || !SupportedDepth(d.depth) ||
      d.rowBytes <= 0 || uint64_t(d.rowBytes) * 8 < uint64_t(d.width) * uint64_t(d.depth))
    return nullptr;
  const auto depth = static_cast<WORD>(d.depth);
  auto* dc = static_cast<PlatformDeviceContext*>(AllocateHandleBlock());
  if (dc == nullptr) return nullptr;
  InitDc(dc, kSurfaceDcMagic);
  Surface& s = dc->surface;
  s.bits = static_cast<uint8_t*>(d.bits);
  s.width = d.width;
  s.height = d.height;
  s.rowBytes = d.rowBytes;
  s.topDown = d.topDown;
  s.depth = depth;
  s.colors = d.colors;
  s.colorCount = depth <= 8 ? std::min<uint32_t>(d.colorCount, UINT{1} << depth) : 0;
  CountDc(1);
  return dc;
}

}  // namespace platform
