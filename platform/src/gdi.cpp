// DIB sections and memory device contexts.
//
// Contracts beyond the declarations in win32.h:
// - CreateDIBSection takes DIB_RGB_COLORS, no file mapping (section NULL),
//   a header of 40 to 124 bytes (BITMAPINFOHEADER up to BITMAPV5HEADER),
//   one plane, depths 1, 4, 8, 16, 24 and 32 (Windows makes no 2-bit DIB
//   sections, though a packed DIB may have 2 bits), BI_RGB, and BI_BITFIELDS
//   for 16 and 32 (the three masks follow the 40-byte header). Width must be
//   positive, height non-zero (negative: top-down). Rows are padded to 4
//   bytes; a section whose bits would exceed 1 GiB is refused. The
//   BITMAPINFO may sit at any address (a packed DIB after a 14-byte file
//   header, say): it is read byte-wise. On failure *bits is set to null.
// - For depths up to 8 the colour table has 2^depth entries: the first
//   biClrUsed (all when 0) come from the caller, the rest are black.
//   dsBmih.biClrUsed reports how many the caller supplied (2^depth for 0),
//   0 above depth 8. dsBm.bmHeight and dsBmih.biHeight are the row count,
//   positive for a top-down section too, as Windows reports them: the row
//   order is for the creator to remember. dsBitfields holds the masks of a BI_BITFIELDS section and
//   is zero for BI_RGB.
// - Every memory DC starts with its own 1x1 monochrome placeholder bitmap
//   selected, as a Windows DC starts with the stock bitmap: the first
//   SelectObject returns it, and selecting it back releases the DIB section.
//   It is not a DIB section (GetObjectA copies a BITMAP with no bits), it
//   can be selected only into the DC it belongs to, and DeleteObject ignores
//   it, as Windows ignores stock objects. It lives as long as its DC.
// - A DIB section can be selected into one DC at a time; DeleteObject fails
//   while it is selected. DeleteDC releases the DIB section it holds.
// - Handles are checked by the magic word at their start; a freed object
//   has its magic cleared before release, but using a freed handle is the
//   caller's fault, as on Windows.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "gdi_objects.h"
#include "platform/large_blocks.h"
#include "platform/win32.h"
#include "process_shared.h"

using namespace platform_detail;

namespace {

constexpr uint64_t kMaxImageBytes = uint64_t{1} << 30;
constexpr DWORD kLargestInfoHeader = 124;  // BITMAPV5HEADER

void InitPlaceholder(PlatformGdiObject* placeholder) {
  placeholder->magic = kPlaceholderBitmapMagic;
  BITMAP& bm = placeholder->section.dsBm;
  bm.bmWidth = 1;
  bm.bmHeight = 1;
  bm.bmWidthBytes = 2;  // device-dependent bitmaps pad rows to 2 bytes
  bm.bmPlanes = 1;
  bm.bmBitsPixel = 1;
}

// Clips [start, start + count) to the table; 0 when nothing of it is there.
UINT ClipToTable(const PlatformGdiObject& bitmap, UINT start, UINT count) {
  if (start >= bitmap.colorCount) return 0;
  return std::min(count, bitmap.colorCount - start);
}

// The DIB section selected into `dc`, or null.
PlatformGdiObject* SelectedDibSection(HDC dc) {
  PlatformDeviceContext* context = LiveDc(dc);
  if (context == nullptr || context->magic != kMemoryDcMagic) return nullptr;
  return context->selected->magic == kDibSectionMagic ? context->selected : nullptr;
}

}  // namespace

namespace platform_detail {

// False for anything CreateDIBSection refuses.
bool LayOutDib(const BITMAPINFOHEADER& header, DibLayout* layout) {
  if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > kLargestInfoHeader) return false;
  if (header.biPlanes != 1 || !SupportedDepth(header.biBitCount)) return false;
  if (header.biCompression == BI_BITFIELDS) {
    if (header.biBitCount != 16 && header.biBitCount != 32) return false;
  } else if (header.biCompression != BI_RGB) {
    return false;
  }
  if (header.biWidth <= 0 || header.biHeight == 0) return false;
  // In 64 bits: |INT32_MIN| and width * 32 do not fit in 32.
  const uint64_t rows = header.biHeight < 0 ? uint64_t{0} - static_cast<int64_t>(header.biHeight)
                                            : static_cast<uint64_t>(header.biHeight);
  const uint64_t rowBytes =
      (static_cast<uint64_t>(header.biWidth) * header.biBitCount + 31) / 32 * 4;
  if (rowBytes > kMaxImageBytes || rows > kMaxImageBytes / rowBytes) return false;
  layout->rowBytes = static_cast<DWORD>(rowBytes);
  layout->imageBytes = static_cast<DWORD>(rowBytes * rows);
  layout->rows = static_cast<LONG>(rows);
  return true;
}

PlatformGdiObject* LiveBitmap(HGDIOBJ object) {
  if (object == nullptr || !Aligned(object) || !IsHandleAddress(object)) return nullptr;
  const uint32_t magic = MagicAt(object);
  return magic == kDibSectionMagic || magic == kDeviceBitmapMagic ||
                 magic == kPlaceholderBitmapMagic
             ? object
             : nullptr;
}

PlatformGdiObject* LivePalette(HGDIOBJ object) {
  if (object == nullptr || !Aligned(object) || !IsHandleAddress(object)) return nullptr;
  const uint32_t magic = MagicAt(object);
  return magic == kPaletteMagic || magic == kStockPaletteMagic ? object : nullptr;
}

PlatformDeviceContext* LiveDc(HDC dc) {
  if (dc == nullptr || !Aligned(dc) || !IsHandleAddress(dc)) return nullptr;
  switch (MagicAt(dc)) {
    case kMemoryDcMagic:
    case kDisplayDcMagic:
    case kScreenDcMagic:
    case kSurfaceDcMagic:
      return dc;
    default:
      return nullptr;
  }
}

void InitDc(PlatformDeviceContext* dc, uint32_t magic) {
  InitPlaceholder(&dc->placeholder);
  dc->selected = &dc->placeholder;
  dc->palette = StockPalette();
  dc->magic = magic;
}

}  // namespace platform_detail

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset) {
  (void)dc;
  (void)offset;
  if (bits != nullptr) *bits = nullptr;
  if (info == nullptr || usage != DIB_RGB_COLORS || section != nullptr) return nullptr;

  const auto* infoBytes = reinterpret_cast<const unsigned char*>(info);
  BITMAPINFOHEADER header;
  std::memcpy(&header, infoBytes, sizeof header);
  DibLayout layout;
  if (!LayOutDib(header, &layout)) return nullptr;

  auto* bitmap = static_cast<PlatformGdiObject*>(AllocateHandleBlock());
  if (bitmap == nullptr) return nullptr;
  void* pixels = platform_detail::AllocateBlock(layout.imageBytes, true);
  if (pixels == nullptr) {
    FreeHandleBlock(bitmap);
    return nullptr;
  }

  DIBSECTION& ds = bitmap->section;
  if (header.biCompression == BI_BITFIELDS) {
    std::memcpy(ds.dsBitfields, infoBytes + sizeof(BITMAPINFOHEADER), sizeof ds.dsBitfields);
  }
  DWORD suppliedColors = 0;
  if (header.biBitCount <= 8) {
    bitmap->colorCount = UINT{1} << header.biBitCount;
    suppliedColors = header.biClrUsed == 0 ? bitmap->colorCount
                                           : std::min<DWORD>(header.biClrUsed, bitmap->colorCount);
    std::memcpy(bitmap->colors, infoBytes + header.biSize, suppliedColors * sizeof(RGBQUAD));
  }

  ds.dsBm.bmType = 0;
  ds.dsBm.bmWidth = header.biWidth;
  ds.dsBm.bmHeight = layout.rows;
  ds.dsBm.bmWidthBytes = static_cast<LONG>(layout.rowBytes);
  ds.dsBm.bmPlanes = 1;
  ds.dsBm.bmBitsPixel = header.biBitCount;
  ds.dsBm.bmBits = pixels;
  ds.dsBmih = header;
  ds.dsBmih.biHeight = layout.rows;
  ds.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
  ds.dsBmih.biSizeImage = layout.imageBytes;
  ds.dsBmih.biClrUsed = suppliedColors;
  ds.dshSection = nullptr;
  ds.dsOffset = 0;
  bitmap->topDown = header.biHeight < 0;
  bitmap->magic = kDibSectionMagic;
  CountObject(1);

  if (bits != nullptr) *bits = pixels;
  return bitmap;
}

int GetObjectA(HGDIOBJ object, int size, LPVOID buffer) {
  PlatformGdiObject* bitmap = LiveBitmap(object);
  if (bitmap == nullptr) return 0;
  const bool isDibSection = bitmap->magic == kDibSectionMagic;
  constexpr int kDibSectionSize = sizeof(DIBSECTION);
  constexpr int kBitmapSize = sizeof(BITMAP);
  // Windows answers the size of a BITMAP here even for a DIB section.
  if (buffer == nullptr) return kBitmapSize;
  if (isDibSection && size >= kDibSectionSize) {
    std::memcpy(buffer, &bitmap->section, sizeof(DIBSECTION));
    return kDibSectionSize;
  }
  if (size >= kBitmapSize) {
    std::memcpy(buffer, &bitmap->section.dsBm, sizeof(BITMAP));
    return kBitmapSize;
  }
  return 0;
}

BOOL DeleteObject(HGDIOBJ object) {
  if (PlatformGdiObject* palette = LivePalette(object)) {
    if (palette->magic == kStockPaletteMagic) return TRUE;
    if (palette->selections != 0) return FALSE;
    palette->magic = kFreedMagic;
    FreeHandleBlock(palette);
    CountObject(-1);
    return TRUE;
  }
  PlatformGdiObject* bitmap = LiveBitmap(object);
  if (bitmap == nullptr) return FALSE;
  if (bitmap->magic == kPlaceholderBitmapMagic) return TRUE;
  if (bitmap->selectedInto != nullptr) return FALSE;
  if (bitmap->magic == kDibSectionMagic) {
    platform_detail::FreeBlock(static_cast<unsigned char*>(bitmap->section.dsBm.bmBits),
                               bitmap->section.dsBmih.biSizeImage);
  } else if (bitmap->magic == kDeviceBitmapMagic) {
    platform_detail::FreeBlock(reinterpret_cast<unsigned char*>(bitmap->words), bitmap->wordBytes);
  }
  bitmap->magic = kFreedMagic;
  FreeHandleBlock(bitmap);
  CountObject(-1);
  return TRUE;
}

HDC CreateCompatibleDC(HDC dc) {
  if (dc != nullptr && LiveDc(dc) == nullptr) return nullptr;
  auto* context = static_cast<PlatformDeviceContext*>(AllocateHandleBlock());
  if (context == nullptr) return nullptr;
  InitDc(context, kMemoryDcMagic);
  CountDc(1);
  return context;
}

// A DC from GetDC goes back with ReleaseDC, as on Windows.
BOOL DeleteDC(HDC dc) {
  PlatformDeviceContext* context = LiveDc(dc);
  if (context == nullptr || context->magic == kScreenDcMagic) return FALSE;
  context->selected->selectedInto = nullptr;
  if (context->palette->magic == kPaletteMagic) --context->palette->selections;
  context->placeholder.magic = kFreedMagic;
  context->magic = kFreedMagic;
  FreeHandleBlock(context);
  CountDc(-1);
  return TRUE;
}

// Bitmaps go into memory DCs only.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  PlatformDeviceContext* context = LiveDc(dc);
  if (context != nullptr && context->magic != kMemoryDcMagic) return nullptr;
  PlatformGdiObject* bitmap = LiveBitmap(object);
  if (context == nullptr || bitmap == nullptr) return nullptr;
  PlatformGdiObject* previous = context->selected;
  if (bitmap == previous) return previous;
  if (bitmap->magic == kPlaceholderBitmapMagic) {
    if (bitmap != &context->placeholder) return nullptr;
  } else if (bitmap->selectedInto != nullptr) {
    return nullptr;  // a bitmap lives in one DC at a time
  } else {
    bitmap->selectedInto = context;
  }
  previous->selectedInto = nullptr;
  context->selected = bitmap;
  return previous;
}

UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors) {
  PlatformGdiObject* bitmap = SelectedDibSection(dc);
  if (bitmap == nullptr || colors == nullptr) return 0;
  const UINT n = ClipToTable(*bitmap, start, count);
  if (n != 0) std::memcpy(colors, bitmap->colors + start, n * sizeof(RGBQUAD));
  return n;
}

UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors) {
  PlatformGdiObject* bitmap = SelectedDibSection(dc);
  if (bitmap == nullptr || colors == nullptr) return 0;
  const UINT n = ClipToTable(*bitmap, start, count);
  if (n != 0) std::memcpy(bitmap->colors + start, colors, n * sizeof(RGBQUAD));
  return n;
}
