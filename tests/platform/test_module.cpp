// A shared library carrying its own copy of the Windows emulation, as each
// plug-in does (on Windows: a DLL of its own over the same system). Its
// exports let a test create a handle in one copy and use it in the other.
#include "platform/win32.h"

#ifdef _WIN32
#define PLATFORM_TEST_EXPORT extern "C" __declspec(dllexport)
#else
#define PLATFORM_TEST_EXPORT extern "C" __attribute__((visibility("default")))
#endif

PLATFORM_TEST_EXPORT HGLOBAL platform_test_module_global_alloc(SIZE_T bytes) {
  return GlobalAlloc(GHND, bytes);
}

PLATFORM_TEST_EXPORT LPVOID platform_test_module_global_lock(HGLOBAL memory) {
  return GlobalLock(memory);
}

PLATFORM_TEST_EXPORT BOOL platform_test_module_global_unlock(HGLOBAL memory) {
  return GlobalUnlock(memory);
}

PLATFORM_TEST_EXPORT UINT platform_test_module_global_flags(HGLOBAL memory) {
  return GlobalFlags(memory);
}

// An 8-bit section whose first colour is `firstColor`, selected into a new
// memory DC; *dc receives the DC.
PLATFORM_TEST_EXPORT HBITMAP platform_test_module_select_new_dib(LONG width, LONG height,
                                                                 RGBQUAD firstColor, HDC* dc) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 8;
  info.bmiHeader.biClrUsed = 1;
  info.bmiColors[0] = firstColor;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  *dc = CreateCompatibleDC(nullptr);
  SelectObject(*dc, bitmap);
  return bitmap;
}

PLATFORM_TEST_EXPORT BOOL platform_test_module_delete_object(HGDIOBJ object) {
  return DeleteObject(object);
}

// The string value `name` of `subKey` under `root`, read through this copy
// of the emulation into `buffer`; the registry's status.
PLATFORM_TEST_EXPORT LSTATUS platform_test_module_read_string(HKEY root, LPCSTR subKey, LPCSTR name,
                                                              char* buffer, DWORD size) {
  HKEY key = nullptr;
  LSTATUS status = RegOpenKeyExA(root, subKey, 0, KEY_READ, &key);
  if (status != ERROR_SUCCESS) return status;
  status = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<LPBYTE>(buffer), &size);
  RegCloseKey(key);
  return status;
}
