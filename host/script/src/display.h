// The runner's hold on the display: what a script shows on it and the GDI
// objects a program owns. In the emulation the display is the virtual one;
// on Windows it is the real screen, which a script cannot change.
#ifndef RBSCRIPT_DISPLAY_H
#define RBSCRIPT_DISPLAY_H

#include <cstdint>
#include <string>

#include "rbhost/host.h"

namespace rbscript {

// The display becomes `picture`: its size, its colours, `bits` deep (1, 4,
// 8, 16, 24 or 32). False where that cannot be (see displayRefusal).
bool showOnDisplay(rbhost::Host& host, RbPicture picture, int32_t bits);
bool setDesktopColor(uint32_t color);
// Why showOnDisplay or setDesktopColor refused.
std::string displayRefusal(int32_t bits);
// Deletes the GDI object whose handle a program holds as an integer; false
// for anything that is not a live one.
bool deleteGdiObject(int32_t handle);

}  // namespace rbscript

#endif
