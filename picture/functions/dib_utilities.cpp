#include "picture/functions/dib_utilities.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

namespace zrw::dib {
namespace {

constexpr size_t kInfoHeaderBytes = 40;
constexpr size_t kCoreHeaderBytes = 12;
constexpr size_t kLargestHeaderBytes = 124;  // BITMAPV5HEADER
// DIBs above this are not made: no host picture could hold them.
constexpr uint64_t kMaxDibBytes = uint64_t{1} << 30;

struct DeleteDc {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
using OwnedDc = std::unique_ptr<std::remove_pointer_t<HDC>, DeleteDc>;

// The screen's DC for as long as it is needed.
class ScreenDc {
 public:
  ScreenDc() : dc_(GetDC(nullptr)) {}
  ~ScreenDc() {
    if (dc_ != nullptr) ReleaseDC(nullptr, dc_);
  }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// A palette selected and realised in a DC, the previous one put back after.
class SelectedPalette {
 public:
  SelectedPalette(HDC dc, HPALETTE palette) : dc_(dc) {
    if (palette == nullptr) return;
    previous_ = SelectPalette(dc, palette, FALSE);
    RealizePalette(dc);
  }
  ~SelectedPalette() {
    if (previous_ != nullptr) SelectPalette(dc_, previous_, FALSE);
  }
  SelectedPalette(const SelectedPalette&) = delete;
  SelectedPalette& operator=(const SelectedPalette&) = delete;

 private:
  HDC dc_;
  HPALETTE previous_ = nullptr;
};

// A global block locked for as long as it is needed.
class LockedBlock {
 public:
  explicit LockedBlock(HGLOBAL block) : block_(block), bytes_(GlobalLock(block)) {}
  ~LockedBlock() {
    if (bytes_ != nullptr) GlobalUnlock(block_);
  }
  LockedBlock(const LockedBlock&) = delete;
  LockedBlock& operator=(const LockedBlock&) = delete;
  uint8_t* bytes() const { return static_cast<uint8_t*>(bytes_); }

 private:
  HGLOBAL block_;
  void* bytes_;
};

uint64_t imageBytes(uint64_t width, uint64_t height, uint64_t bitCount) {
  return (bitCount * width + 31) / 32 * 4 * height;
}

}  // namespace

HBITMAP captureDisplayRect(const RECT& area) {
  if (IsRectEmpty(&area)) return nullptr;
  OwnedDc display(CreateDCA("DISPLAY", nullptr, nullptr, nullptr));
  if (display == nullptr) return nullptr;
  OwnedDc memory(CreateCompatibleDC(display.get()));
  if (memory == nullptr) return nullptr;
  const LONG left = std::max<LONG>(area.left, 0);
  const LONG top = std::max<LONG>(area.top, 0);
  const LONG width = std::min<LONG>(GetDeviceCaps(display.get(), HORZRES), area.right) - left;
  const LONG height = std::min<LONG>(GetDeviceCaps(display.get(), VERTRES), area.bottom) - top;
  // A rectangle that misses the display leaves nothing to capture (where
  // Windows would hand back a 1 x 1 bitmap).
  if (width <= 0 || height <= 0) return nullptr;
  HBITMAP bitmap = CreateCompatibleBitmap(display.get(), width, height);
  if (bitmap == nullptr) return nullptr;
  HGDIOBJ previous = SelectObject(memory.get(), bitmap);
  if (previous == nullptr || previous == HGDI_ERROR) {
    DeleteObject(bitmap);
    return nullptr;
  }
  const BOOL copied = BitBlt(memory.get(), 0, 0, width, height, display.get(), left, top, SRCCOPY);
  SelectObject(memory.get(), previous);
  if (!copied) {
    DeleteObject(bitmap);
    return nullptr;
  }
  return bitmap;
}

HGLOBAL bitmapToDib(HBITMAP bitmap, HPALETTE palette) {
  BITMAP bm{};
  if (GetObjectA(bitmap, sizeof bm, &bm) == 0) return nullptr;
  if (palette == nullptr) palette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
  const int bits = bm.bmPlanes * bm.bmBitsPixel;
  const WORD bitCount = bits <= 1 ? 1 : bits <= 4 ? 4 : bits <= 8 ? 8 : 24;
  if (bm.bmWidth <= 0 || bm.bmHeight <= 0 ||
      imageBytes(uint64_t(bm.bmWidth), uint64_t(bm.bmHeight), bitCount) > kMaxDibBytes)
    return nullptr;

  BITMAPINFOHEADER header{};
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = bm.bmWidth;
  header.biHeight = bm.bmHeight;
  header.biPlanes = 1;
  header.biBitCount = bitCount;
  header.biCompression = BI_RGB;
  const size_t tableBytes = *colorTableBytes(&header, sizeof header);

  ScreenDc screen;
  if (screen.get() == nullptr) return nullptr;
  SelectedPalette selected(screen.get(), palette);

  HGLOBAL block = GlobalAlloc(GHND, sizeof header + tableBytes);
  if (block == nullptr) return nullptr;
  {
    LockedBlock locked(block);
    if (locked.bytes() == nullptr) {
      GlobalFree(block);
      return nullptr;
    }
    std::memcpy(locked.bytes(), &header, sizeof header);
    auto* info = reinterpret_cast<BITMAPINFO*>(locked.bytes());
    GetDIBits(screen.get(), bitmap, 0, UINT(bm.bmHeight), nullptr, info, DIB_RGB_COLORS);
    std::memcpy(&header, locked.bytes(), sizeof header);
  }
  // Windows may leave the size of an uncompressed image to the caller.
  const uint64_t expected = imageBytes(uint64_t(bm.bmWidth), uint64_t(bm.bmHeight), bitCount);
  if (header.biSizeImage == 0) header.biSizeImage = DWORD(expected);
  // A header GetDIBits changed beyond what was asked is not one this block
  // was sized for.
  if (header.biBitCount != bitCount || header.biSizeImage < expected ||
      header.biSizeImage > kMaxDibBytes) {
    GlobalFree(block);
    return nullptr;
  }
  HGLOBAL grown =
      GlobalReAlloc(block, sizeof header + tableBytes + header.biSizeImage, GMEM_MOVEABLE);
  if (grown == nullptr) {
    GlobalFree(block);
    return nullptr;
  }
  block = grown;
  bool filled = false;
  {
    LockedBlock locked(block);
    if (locked.bytes() != nullptr) {
      std::memcpy(locked.bytes(), &header, sizeof header);
      auto* info = reinterpret_cast<BITMAPINFO*>(locked.bytes());
      filled = GetDIBits(screen.get(), bitmap, 0, UINT(bm.bmHeight),
                         locked.bytes() + sizeof header + tableBytes, info, DIB_RGB_COLORS) != 0;
    }
  }
  if (!filled) {
    GlobalFree(block);
    return nullptr;
  }
  return block;
}

HBITMAP dibToBitmap(HGLOBAL dib, HPALETTE palette) {
  if (dib == nullptr) return nullptr;
  const SIZE_T blockBytes = GlobalSize(dib);
  LockedBlock locked(dib);
  if (locked.bytes() == nullptr) return nullptr;
  const std::optional<size_t> tableBytes = colorTableBytes(locked.bytes(), blockBytes);
  if (!tableBytes) return nullptr;
  DWORD headerBytes;
  std::memcpy(&headerBytes, locked.bytes(), sizeof headerBytes);
  if (headerBytes < kInfoHeaderBytes) return nullptr;  // core headers make no bitmap here
  BITMAPINFOHEADER header;
  std::memcpy(&header, locked.bytes(), sizeof header);
  if (header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == INT32_MIN) return nullptr;
  const uint64_t rows = uint64_t(header.biHeight < 0 ? -int64_t(header.biHeight) : header.biHeight);
  const uint64_t pixels = imageBytes(uint64_t(header.biWidth), rows, header.biBitCount);
  if (uint64_t(headerBytes) + *tableBytes + pixels > blockBytes) return nullptr;

  ScreenDc screen;
  if (screen.get() == nullptr) return nullptr;
  SelectedPalette selected(screen.get(), palette);
  return CreateDIBitmap(screen.get(), &header, CBM_INIT, locked.bytes() + headerBytes + *tableBytes,
                        reinterpret_cast<const BITMAPINFO*>(locked.bytes()), DIB_RGB_COLORS);
}

HPALETTE systemPalette() {
  ScreenDc screen;
  if (screen.get() == nullptr) return nullptr;
  const int bits = GetDeviceCaps(screen.get(), PLANES) * GetDeviceCaps(screen.get(), BITSPIXEL);
  // A palette has at most 256 entries (its count is 16 bits wide, and only
  // palette devices of 8 bits and fewer have system palettes).
  const UINT colors = std::min<UINT>(UINT{1} << (unsigned(bits) % 32), 256);
  std::vector<uint8_t> storage(sizeof(LOGPALETTE) + colors * sizeof(PALETTEENTRY));
  auto* logical = reinterpret_cast<LOGPALETTE*>(storage.data());
  logical->palVersion = 0x300;
  logical->palNumEntries = WORD(colors);
  GetSystemPaletteEntries(screen.get(), 0, colors, logical->palPalEntry);
  return CreatePalette(logical);
}

std::optional<size_t> colorTableBytes(const void* header, size_t available) {
  DWORD size;
  if (header == nullptr || available < sizeof size) return std::nullopt;
  std::memcpy(&size, header, sizeof size);
  const auto* bytes = static_cast<const uint8_t*>(header);
  WORD bitCount;
  size_t entryBytes = 4;
  DWORD used = 0;
  if (size == kCoreHeaderBytes) {
    if (available < kCoreHeaderBytes) return std::nullopt;
    std::memcpy(&bitCount, bytes + 10, sizeof bitCount);
    entryBytes = 3;
  } else if (size >= kInfoHeaderBytes && size <= kLargestHeaderBytes) {
    if (available < kInfoHeaderBytes) return std::nullopt;
    std::memcpy(&bitCount, bytes + 14, sizeof bitCount);
    if (size == kInfoHeaderBytes) std::memcpy(&used, bytes + 32, sizeof used);
  } else {
    return std::nullopt;
  }
  size_t entries = used;
  if (entries == 0) entries = bitCount == 1 ? 2 : bitCount == 4 ? 16 : bitCount == 8 ? 256 : 0;
  // More entries than any block could hold are no colour table.
  if (entries > (size_t{1} << 24)) return std::nullopt;
  return entries * entryBytes;
}

}  // namespace zrw::dib
