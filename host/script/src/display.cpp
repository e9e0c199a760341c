#include "display.h"

#include <vector>

#include "platform/win32.h"

#ifndef _WIN32
#include "platform/virtual_display.h"
#endif

namespace rbscript {

bool showOnDisplay(rbhost::Host& host, RbPicture picture, int32_t bits) {
#ifdef _WIN32
  (void)host;
  (void)picture;
  (void)bits;
  return false;
#else
  // Depth 0 would hand the depth to the environment: not one a script names.
  if (bits == 0) return false;
  const int32_t width = host.width(picture), height = host.height(picture);
  std::vector<uint32_t> colors;
  colors.reserve(size_t(width) * size_t(height));
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      colors.push_back(rbhost::toColor(host.pixel(picture, x, height - 1 - y)));
  return platform::SetVirtualDisplay(width, height, bits, colors.data());
#endif
}

bool setDesktopColor(uint32_t color) {
#ifdef _WIN32
  (void)color;
  return false;
#else
  platform::SetDesktopColor(color);
  return true;
#endif
}

std::string displayRefusal(int32_t bits) {
#ifdef _WIN32
  (void)bits;
  return "the display is the real screen here: a script cannot set it";
#else
  return "a display is 1, 4, 8, 16, 24 or 32 bits deep and at most " +
         std::to_string(platform::kMaxDisplaySide) + " pixels a side (asked for " +
         std::to_string(bits) + " bits)";
#endif
}

bool deleteGdiObject(int32_t handle) {
  if (handle == 0) return false;
  return DeleteObject(reinterpret_cast<HGDIOBJ>(uintptr_t(uint32_t(handle)))) != 0;
}

}  // namespace rbscript
