#include "graphics/conversion/screen_capture.h"

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/frame/last_error.h"
#include "host_binding/host_services.h"
#include "platform/win32.h"

namespace tvq {
namespace {

// Each GDI handle is given back on every path, in the reverse order of
// taking.
struct DeleteDc {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
using OwnedDc = std::unique_ptr<std::remove_pointer_t<HDC>, DeleteDc>;
struct DeleteGdiObject {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using OwnedBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, DeleteGdiObject>;

// Buffers above this are not asked for: the host could not hold the picture.
constexpr uint64_t kMaxCaptureBytes = uint64_t{1} << 30;

}  // namespace

RbPicture screenCaptureMethod(RbObject, RbObject) {
  setLastError(ErrorCode::None);
  HWND desktop = GetDesktopWindow();
  if (desktop == nullptr) return nullptr;
  RECT area{};
  if (!GetWindowRect(desktop, &area)) return nullptr;
  // In 64 bits: a rectangle's sides may be anywhere in 32.
  const int64_t width = int64_t(area.right) - area.left;
  const int64_t height = int64_t(area.bottom) - area.top;
  if (width <= 0 || height <= 0 || width > INT32_MAX / 24 || height > INT32_MAX) return nullptr;

  OwnedDc display(CreateDCA("DISPLAY", nullptr, nullptr, nullptr));
  if (display == nullptr) return nullptr;
  OwnedDc memory(CreateCompatibleDC(display.get()));
  if (memory == nullptr) return nullptr;
  OwnedBitmap bitmap(CreateCompatibleBitmap(display.get(), int(width), int(height)));
  if (bitmap == nullptr) return nullptr;
  HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
  if (previous == nullptr || previous == HGDI_ERROR) return nullptr;
  const bool copied = BitBlt(memory.get(), 0, 0, int(width), int(height), display.get(),
                             area.left, area.top, SRCCOPY) != 0;
  SelectObject(memory.get(), previous);
  if (!copied) return nullptr;

  const uint64_t rowBytes = (uint64_t(width) * 24 + 31) / 32 * 4;
  if (rowBytes * uint64_t(height) > kMaxCaptureBytes) return nullptr;
  std::vector<uint8_t> pixels;
  try {
    pixels.resize(size_t(rowBytes * uint64_t(height)));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = LONG(width);
  info.bmiHeader.biHeight = -LONG(height);  // the top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  if (GetDIBits(memory.get(), bitmap.get(), 0, UINT(height), pixels.data(), &info,
                DIB_RGB_COLORS) != int(height))
    return nullptr;
  return host::realBuildPictureFromBuffer(int32_t(width), int32_t(height), 2, pixels.data(),
                                          int32_t(rowBytes));
}

}  // namespace tvq
