// Pixel access with the storage format fixed at compile time or looked up per
// pixel.
//
// A kernel's loop is written once over an access type: instantiated with
// Fixed<F> it is the fast loop for format F, with no per-pixel format
// decision left in it; instantiated with PerPixel it is the general walk over
// any format. Both read and write exactly what the readers and writers of
// pixel_access.h read and write.
#ifndef TVQ_FRAME_FORMAT_ACCESS_H
#define TVQ_FRAME_FORMAT_ACCESS_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "graphics/frame/pixel_access.h"

namespace tvq {

template <PixelFormat F>
struct Fixed {
  static constexpr PixelFormat format = F;
};
struct PerPixel {};

template <PixelFormat F>
constexpr int32_t storedBytesOf() {
  switch (F) {
    case PixelFormat::Bgrx32:
      return 4;
    case PixelFormat::Bgr24:
      return 3;
    case PixelFormat::Rgb555:
      return 2;
    case PixelFormat::Indexed8:
    case PixelFormat::Grey8:
      return 1;
    case PixelFormat::Unreadable:
      break;
  }
  return 0;
}

inline int32_t stepOf(PerPixel, const PixelView& view) { return view.bytesPerPixel; }
template <PixelFormat F>
constexpr int32_t stepOf(Fixed<F>, const PixelView&) {
  return storedBytesOf<F>();
}

inline PixelValue fetch(PerPixel, const PixelView& view, const uint8_t* at) {
  return readPixel(view, at);
}
template <PixelFormat F>
inline PixelValue fetch(Fixed<F>, const PixelView& view, const uint8_t* at) {
  if constexpr (F == PixelFormat::Bgrx32) {
    return accessors::fetchBgrx32(at);
  } else if constexpr (F == PixelFormat::Bgr24) {
    return accessors::fetchBgr24(at);
  } else if constexpr (F == PixelFormat::Rgb555) {
    return accessors::fetchRgb555(at);
  } else if constexpr (F == PixelFormat::Grey8) {
    return accessors::fetchGrey8(at);
  } else if constexpr (F == PixelFormat::Indexed8) {
    return accessors::fetchIndexed8(at, view.colorTable, view.colorCount);
  } else {
    return 0;
  }
}

inline void store(PerPixel, const PixelView& view, uint8_t* at, PixelValue v) {
  writePixel(view, at, v);
}
template <PixelFormat F>
inline void store(Fixed<F>, const PixelView&, uint8_t* at, PixelValue v) {
  if constexpr (F == PixelFormat::Bgrx32) {
    accessors::storeBgrx32(at, v);
  } else if constexpr (F == PixelFormat::Bgr24) {
    accessors::storeBgr24(at, v);
  } else if constexpr (F == PixelFormat::Rgb555) {
    accessors::storeRgb555(at, v);
  } else if constexpr (F == PixelFormat::Grey8) {
    accessors::storeGrey8(at, v);
  }
}

// How a pixel an operation leaves unchanged reaches a result: through the
// reader and writer (converted to the result's format; a 16-bit pixel loses
// bit 15), or, where source and result share a format, as the stored bits
// themselves (a 16-bit pixel keeps bit 15). At 24 and 32 bits both give the
// same bytes.
enum class CopyRule : uint8_t { Converted, StoredBits };

// The formats whose stored bits are a colour a result can hold.
constexpr bool holdsColorBytes(PixelFormat f) {
  return f == PixelFormat::Bgrx32 || f == PixelFormat::Bgr24 || f == PixelFormat::Rgb555;
}

// Copies one pixel from `from` (in `in`) to `to` (in `out`) by `rule`.
template <typename In, typename Out>
inline void copyPixel(In inAccess, const PixelView& in, const uint8_t* from, Out outAccess,
                      const PixelView& out, uint8_t* to, CopyRule rule) {
  if (rule == CopyRule::StoredBits && in.format == out.format && holdsColorBytes(in.format)) {
    std::memcpy(to, from, static_cast<size_t>(in.bytesPerPixel));
  } else {
    store(outAccess, out, to, fetch(inAccess, in, from));
  }
}

// Copies `count` pixels of a row by `rule`. Rows of one byte-addressed format
// are copied bytewise when that gives what the pixel walk gives: always at 24
// and 32 bits, at 16 bits only when the stored bits are kept.
template <typename In, typename Out>
inline void copyPixels(In inAccess, const PixelView& in, const uint8_t* from, Out outAccess,
                       const PixelView& out, uint8_t* to, int32_t count, CopyRule rule) {
  const bool sameBytes = in.format == out.format &&
                         (in.format == PixelFormat::Bgrx32 || in.format == PixelFormat::Bgr24 ||
                          (in.format == PixelFormat::Rgb555 && rule == CopyRule::StoredBits));
  if (sameBytes) {
    std::memmove(to, from, static_cast<size_t>(count) * static_cast<size_t>(in.bytesPerPixel));
    return;
  }
  const int32_t inStep = stepOf(inAccess, in);
  const int32_t outStep = stepOf(outAccess, out);
  for (int32_t i = 0; i < count; ++i, from += inStep, to += outStep) {
    copyPixel(inAccess, in, from, outAccess, out, to, rule);
  }
}

}  // namespace tvq

#endif
