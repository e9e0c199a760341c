// Device contexts of pictures' graphics objects, and the process's count of
// GDI objects for the audit.
#include "platform/win32.h"
#include "state.h"

#ifndef _WIN32
#include "platform/virtual_display.h"
#endif

namespace rbhost {

GraphicsObject::~GraphicsObject() {
  if (dc == nullptr) return;
  if (previousBitmap != nullptr) SelectObject(dc, previousBitmap);
  DeleteDC(dc);
}

HDC graphicsDC(Host::State& s, GraphicsObject& g) {
  if (g.dc != nullptr) return g.dc;
  PictureObject& p = *g.picture;
  if (p.bitmap != nullptr) {
    g.dc = CreateCompatibleDC(nullptr);
    if (g.dc != nullptr) {
      HGDIOBJ previous = SelectObject(g.dc, p.bitmap);
      if (previous != nullptr && previous != HGDI_ERROR) g.previousBitmap = previous;
    }
  } else {
#ifdef _WIN32
    // Windows draws on no packed DIB: the DC reaches no pixels.
    g.dc = CreateCompatibleDC(nullptr);
#else
    platform::SurfaceDescription surface;
    surface.bits = pictureBits(p);
    surface.width = p.width;
    surface.height = p.height;
    surface.rowBytes = p.rowBytes;
    surface.depth = p.depth;
    surface.colors = pictureColorTable(p);
    surface.colorCount = p.depth <= 8 ? uint32_t{1} << p.depth : 0;
    g.dc = platform::CreateSurfaceDC(surface);
    // A 2-bit picture is no surface GDI draws on: its DC reaches no pixels.
    if (g.dc == nullptr) g.dc = CreateCompatibleDC(nullptr);
#endif
  }
  if (g.dc != nullptr) s.deviceContexts[g.dc] = &g;
  return g.dc;
}

GdiTotals gdiTotals() {
#ifdef _WIN32
  return {static_cast<int64_t>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)), 0};
#else
  const platform::GdiCounts counts = platform::CountGdiObjects();
  return {counts.objects, counts.deviceContexts};
#endif
}

}  // namespace rbhost
