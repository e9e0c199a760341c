#include "picture/functions/display_pictures.h"

#include <algorithm>
#include <cstdint>

#include "host_binding/host_services.h"
#include "picture/functions/dib_utilities.h"
#include "platform/win32.h"

namespace zrw {
namespace {

// A handle as the 32-bit integer a program holds (on Windows, and in the
// emulation, handles fit in 32 bits).
int32_t handleAsInteger(const void* handle) {
  return static_cast<int32_t>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle)));
}

// The rectangle's picture: capture, a DIB through the system palette, the
// host's picture of it.
RbPicture screenshotOf(const RECT& area) {
  // Without the service the DIB would have nowhere to go.
  if (!host::realBuildPictureFromDIBAvailable()) return nullptr;
  HBITMAP captured = dib::captureDisplayRect(area);
  if (captured == nullptr) return nullptr;
  HPALETTE palette = dib::systemPalette();
  HGLOBAL block = dib::bitmapToDib(captured, palette);
  if (palette != nullptr) DeleteObject(palette);
  DeleteObject(captured);
  if (block == nullptr) return nullptr;
  return host::realBuildPictureFromDIB(block, true);
}

// The description of a picture, read while locked.
bool describe(RbPicture picture, RbPictureDescription* description) {
  if (picture == nullptr || !host::lockPictureDescriptionAvailable()) return false;
  host::lockPictureDescription(picture, description);
  host::unlockPictureDescription(picture);
  return true;
}

}  // namespace

RbPicture screenshot() {
  HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  if (display == nullptr) return nullptr;
  const RECT area{0, 0, GetDeviceCaps(display, HORZRES), GetDeviceCaps(display, VERTRES)};
  DeleteDC(display);
  return screenshotOf(area);
}

RbPicture screenshotRect(int32_t left, int32_t top, int32_t width, int32_t height) {
  // In 64 bits: a side plus a size may pass the 32-bit range; a side past
  // it lies off any display.
  const int64_t right = int64_t(left) + width, bottom = int64_t(top) + height;
  const RECT area{left, top, LONG(std::min<int64_t>(right, INT32_MAX)),
                  LONG(std::min<int64_t>(bottom, INT32_MAX))};
  if (right <= left || bottom <= top) return nullptr;
  return screenshotOf(area);
}

RbPicture screenshotDisplay(int32_t index) { return index == 0 ? screenshot() : nullptr; }

RbPicture buildPictureWithGWorldHandle(int32_t handle, RbBoolean bypassOwnership) {
  if (handle == 0) return nullptr;
  return host::realBuildPictureFromGWorld(uintptr_t(uint32_t(handle)), bypassOwnership);
}

int32_t pictureDataType(RbPicture picture) {
  RbPictureDescription description{};
  return describe(picture, &description) ? description.kind : -1;
}

int32_t pictureDataHandle(RbPicture picture) {
  RbPictureDescription description{};
  return describe(picture, &description) ? handleAsInteger(description.handle) : -1;
}

int32_t makeHBitmap(RbPicture picture) {
  RbPictureDescription description{};
  // Only a packed DIB's handle is a global memory block to read.
  if (!describe(picture, &description) || description.kind != kRbPictureGlobalDib) return 0;
  return handleAsInteger(dib::dibToBitmap(static_cast<HGLOBAL>(description.handle), nullptr));
}

RbPicture picHandle(RbPicture) { return nullptr; }
RbString picHandleData(RbPicture) { return nullptr; }

void paintDesktop(RbGraphics graphics) {
  if (graphics == nullptr) return;
  const uintptr_t dc = host::realGraphicsDC(graphics);
  if (dc != 0) PaintDesktop(reinterpret_cast<HDC>(dc));
}

}  // namespace zrw
