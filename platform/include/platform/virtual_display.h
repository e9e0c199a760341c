// The display of the Windows emulation, set by whoever stands in for the
// user's screen: the simulated host, a test, a script. Not a Windows call:
// on Windows the display is the real one and none of this exists.
//
// The display is one desktop window at (0, 0), width x height pixels of
// `bits` per pixel, showing the colours it was given (each reduced to what
// that depth shows: see win32.h). PaintDesktop fills with the desktop colour.
// The state belongs to the process, so every library's copy of the emulation
// sees the same display.
#ifndef PLATFORM_VIRTUAL_DISPLAY_H
#define PLATFORM_VIRTUAL_DISPLAY_H

#ifndef _WIN32

#include <cstdint>

#include "platform/win32.h"

namespace platform {

inline constexpr int32_t kDefaultDisplayWidth = 1024;
inline constexpr int32_t kDefaultDisplayHeight = 768;
// Larger displays are refused.
inline constexpr int32_t kMaxDisplaySide = 16384;

// Sets the display: `colors` holds width x height colours 0x00RRGGBB, top
// row first (null: all black). bits is 1, 4, 8, 16, 24 or 32, or 0 to take
// the depth from RB_EMULATED_SCREEN_BITS on every call as before. False,
// and the display unchanged, for a size or depth it cannot be or when no
// memory is to be had.
bool SetVirtualDisplay(int32_t width, int32_t height, int bits, const uint32_t* colors);
// Back to the display a process starts with: 1024 x 768, black, depth from
// the environment, desktop colour 0x3A6EA5.
void ResetVirtualDisplay();
void SetDesktopColor(uint32_t color);

int32_t VirtualDisplayWidth();
int32_t VirtualDisplayHeight();
int VirtualDisplayBits();
uint32_t VirtualDisplayPixel(int32_t x, int32_t y);  // 0 outside

// GDI objects (bitmaps and palettes; stock objects excepted) and device
// contexts that exist now, made by any copy of the emulation.
struct GdiCounts {
  int64_t objects = 0;
  int64_t deviceContexts = 0;
};
GdiCounts CountGdiObjects();

// A device context that draws on pixels its creator owns (the host's
// pictures, whatever their storage): rows of `depth` bits (1, 4, 8, 16 as
// 5-5-5, 24, 32), `rowBytes` apart, the bottom row first unless `topDown`;
// `colors` is the live colour table at 8 bits and below. The memory must
// outlive the DC, which is given back with DeleteDC and counts as one.
struct SurfaceDescription {
  void* bits = nullptr;
  int32_t width = 0, height = 0, rowBytes = 0;
  bool topDown = false;
  int depth = 0;
  const RGBQUAD* colors = nullptr;
  uint32_t colorCount = 0;
};
HDC CreateSurfaceDC(const SurfaceDescription& surface);  // null when it cannot describe it

}  // namespace platform

#endif  // _WIN32

#endif
