// The screen's system palette, read through the platform's GDI calls: the
// real ones on Windows, the emulation's elsewhere (platform/win32.h says
// which emulated screens have one).
#ifndef PICTURE_CLASSES_SYSTEM_PALETTE_H
#define PICTURE_CLASSES_SYSTEM_PALETTE_H

#include <array>
#include <cstdint>
#include <optional>

namespace zrw {

struct SystemPalette {
  int32_t count = 0;                    // entries read, 0 on a screen without a palette
  std::array<uint32_t, 256> colours{};  // 0xRRGGBB; those beyond count black
};

// The screen's device context is asked for 1 << (planes x bits per pixel)
// entries, the shift taken modulo 32, at most 256. Nullopt when there is no
// device context or no memory for the entries.
std::optional<SystemPalette> readSystemPalette();

}  // namespace zrw

#endif
