#include "picture/classes/system_palette.h"

#include <algorithm>
#include <new>
#include <vector>

#include "platform/win32.h"

namespace zrw {

std::optional<SystemPalette> readSystemPalette() {
  HDC dc = GetDC(nullptr);
  if (dc == nullptr) return std::nullopt;
  const uint32_t bits = static_cast<uint32_t>(GetDeviceCaps(dc, PLANES)) *
                        static_cast<uint32_t>(GetDeviceCaps(dc, BITSPIXEL));
  const uint32_t wanted = std::min<uint32_t>(uint32_t{1} << (bits % 32), 256);
  // A logical palette of `wanted` entries, version 0x300.
  std::vector<uint8_t> storage;
  try {
    storage.resize(sizeof(LOGPALETTE) + (wanted - 1) * sizeof(PALETTEENTRY));
  } catch (const std::bad_alloc&) {
    ReleaseDC(nullptr, dc);
    return std::nullopt;
  }
  auto* logical = reinterpret_cast<LOGPALETTE*>(storage.data());
  logical->palVersion = 0x300;
  logical->palNumEntries = static_cast<WORD>(wanted);
  const UINT read = GetSystemPaletteEntries(dc, 0, wanted, logical->palPalEntry);
  ReleaseDC(nullptr, dc);

  SystemPalette palette;
  palette.count = static_cast<int32_t>(std::min<UINT>(read, wanted));
  for (int32_t i = 0; i < palette.count; ++i) {
    const PALETTEENTRY& e = logical->palPalEntry[i];
    palette.colours[size_t(i)] = (uint32_t{e.peRed} << 16) | (uint32_t{e.peGreen} << 8) | e.peBlue;
  }
  return palette;
}

}  // namespace zrw
