#include "color/rgb_offsets.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <optional>

#include "frame/fast_paths.h"
#include "frame/mask_argument.h"
#include "frame/operation.h"
#include "frame/pixel_access.h"
#include "frame/pixel_walk.h"

namespace tvq {
namespace {

constexpr bool inDeltaRange(int32_t delta) { return delta >= -255 && delta <= 255; }

// Red, green, blue: the first one out of range names the failure.
bool checkDeltas(Operation& op, const RgbDeltas& deltas) {
  return op.check(inDeltaRange(deltas.red), ErrorCode::RedOutOfBounds) &&
         op.check(inDeltaRange(deltas.green), ErrorCode::GreenOutOfBounds) &&
         op.check(inDeltaRange(deltas.blue), ErrorCode::BlueOutOfBounds);
}

constexpr uint8_t clampChannel(int32_t value) {
  return static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

// The fourth byte is dropped: an offset pixel has none.
constexpr PixelValue offsetPixel(PixelValue v, const RgbDeltas& deltas) {
  return makePixel(clampChannel(redOf(v) + deltas.red), clampChannel(greenOf(v) + deltas.green),
                   clampChannel(blueOf(v) + deltas.blue));
}

// (C (255 - m) + m (C + D)) / 255, truncated toward zero before clamping:
// level 0 gives C back exactly, level 255 gives C + D.
constexpr uint8_t weightedChannel(uint8_t channel, int32_t delta, uint8_t level) {
  const int32_t c = channel;
  const int32_t m = level;
  return clampChannel((c * (255 - m) + m * (c + delta)) / 255);
}

// ---- Fast paths for 24- and 32-bit pictures. Both store blue, green and red
// as plain bytes that read back exactly as written, so copying a pixel is
// copying its bytes, and offsetting it is looking each byte up in a table
// of the clamped sums.

bool storesChannelBytes(PixelFormat format) {
  return format == PixelFormat::Bgr24 || format == PixelFormat::Bgrx32;
}

bool selectionInside(const Selection& s, const PixelView& view) {
  return s.left >= 0 && s.top >= 0 && s.left <= s.right && s.top <= s.bottom &&
         s.right < view.width && s.bottom < view.height;
}

struct ChannelTables {
  explicit ChannelTables(const RgbDeltas& deltas) {
    for (int32_t c = 0; c < 256; ++c) {
      red[static_cast<size_t>(c)] = clampChannel(c + deltas.red);
      green[static_cast<size_t>(c)] = clampChannel(c + deltas.green);
      blue[static_cast<size_t>(c)] = clampChannel(c + deltas.blue);
    }
  }
  std::array<uint8_t, 256> red{}, green{}, blue{};
};

// `count` pixels from `in` to `out` (which may be `in`).
template <int BytesPerPixel>
void offsetPixelBytes(const uint8_t* in, uint8_t* out, size_t count, const ChannelTables& t) {
  for (size_t i = 0; i < count; ++i, in += BytesPerPixel, out += BytesPerPixel) {
    const uint8_t blue = t.blue[in[0]];
    const uint8_t green = t.green[in[1]];
    const uint8_t red = t.red[in[2]];
    out[0] = blue;
    out[1] = green;
    out[2] = red;
    if constexpr (BytesPerPixel == 4) out[3] = 0;
  }
}

template <int BytesPerPixel>
void offsetSelectionBytes(const PixelView& source, const PixelView& target, const Selection& s,
                          const ChannelTables& tables) {
  const size_t rowLength = static_cast<size_t>(source.width) * BytesPerPixel;
  const size_t selectionStart = static_cast<size_t>(s.left) * BytesPerPixel;
  const size_t selectionEnd = static_cast<size_t>(s.right + 1) * BytesPerPixel;
  const size_t selectedPixels = static_cast<size_t>(s.right - s.left + 1);
  for (int32_t y = 0; y < source.height; ++y) {
    const uint8_t* in = source.row(y);
    uint8_t* out = target.row(y);
    if (!s.containsRow(y)) {
      std::memmove(out, in, rowLength);
      continue;
    }
    std::memmove(out, in, selectionStart);
    offsetPixelBytes<BytesPerPixel>(in + selectionStart, out + selectionStart, selectedPixels,
                                    tables);
    std::memmove(out + selectionEnd, in + selectionEnd, rowLength - selectionEnd);
  }
}

template <int BytesPerPixel>
void offsetInPlaceBytes(const PixelView& picture, const Selection& s, const ChannelTables& tables) {
  const size_t selectionStart = static_cast<size_t>(s.left) * BytesPerPixel;
  const size_t selectedPixels = static_cast<size_t>(s.right - s.left + 1);
  for (int32_t y = s.top; y <= s.bottom; ++y) {
    uint8_t* at = picture.row(y) + selectionStart;
    offsetPixelBytes<BytesPerPixel>(at, at, selectedPixels, tables);
  }
}

}  // namespace

void offsetSelection(const PixelView& source, const PixelView& target, const Selection& selection,
                     const RgbDeltas& deltas) {
  if (fastPathsEnabled() && storesChannelBytes(source.format) && target.format == source.format &&
      target.sameSizeAs(source) && selectionInside(selection, source)) {
    const ChannelTables tables(deltas);
    if (source.format == PixelFormat::Bgr24) {
      offsetSelectionBytes<3>(source, target, selection, tables);
    } else {
      offsetSelectionBytes<4>(source, target, selection, tables);
    }
    return;
  }
  mapPixels(source, target, [&](int32_t x, int32_t y, PixelValue v) {
    return selection.contains(x, y) ? offsetPixel(v, deltas) : v;
  });
}

void offsetInPlace(const PixelView& picture, const Selection& selection, const RgbDeltas& deltas) {
  switch (picture.format) {
    case PixelFormat::Rgb555:
    case PixelFormat::Bgr24:
    case PixelFormat::Bgrx32:
      break;
    case PixelFormat::Unreadable:
    case PixelFormat::Indexed8:
    case PixelFormat::Grey8:
      return;
  }
  if (fastPathsEnabled() && storesChannelBytes(picture.format) &&
      selectionInside(selection, picture)) {
    // Unselected pixels of a selected row would be written back as they
    // were read, which at these depths changes no byte.
    const ChannelTables tables(deltas);
    if (picture.format == PixelFormat::Bgr24) {
      offsetInPlaceBytes<3>(picture, selection, tables);
    } else {
      offsetInPlaceBytes<4>(picture, selection, tables);
    }
    return;
  }
  const int32_t top = std::max(selection.top, 0);
  const int32_t bottom = std::min(selection.bottom, picture.height - 1);
  for (int32_t y = top; y <= bottom; ++y) {
    PixelReader in(picture, y);
    PixelWriter out(picture, y);
    for (int32_t x = 0; x < picture.width; ++x) {
      const PixelValue v = in.next();
      out.put(selection.containsColumn(x) ? offsetPixel(v, deltas) : v);
    }
  }
}

void offsetByMask(const PixelView& source, const PixelView& mask, const PixelView& target,
                  const RgbDeltas& deltas) {
  combinePixels(source, mask, target, [&](int32_t, int32_t, PixelValue v, PixelValue m) {
    const uint8_t level = maskLevelOf(m);
    return makePixel(weightedChannel(redOf(v), deltas.red, level),
                     weightedChannel(greenOf(v), deltas.green, level),
                     weightedChannel(blueOf(v), deltas.blue, level));
  });
}

RbPicture adjustRgbMethod(RbPicture source, RbObject rect, int32_t redDelta, int32_t greenDelta,
                          int32_t blueDelta) {
  Operation op;
  const RgbDeltas deltas{redDelta, greenDelta, blueDelta};
  if (!op.check(source != nullptr, ErrorCode::SourceNil)) return nullptr;
  if (!checkDeltas(op, deltas)) return nullptr;
  PictureLock in;
  if (!op.lock(in, source, ErrorCode::SourceLock)) return nullptr;
  const std::optional<Selection> selection = op.select(in, rect);
  if (!selection) return nullptr;
  OwnedPicture result;
  if (!op.createResult(result, in)) return nullptr;
  offsetSelection(in.view(), result.view(), *selection, deltas);
  return result.handOver();
}

void adjustRgbInPlaceMethod(RbPicture source, RbObject rect, int32_t redDelta, int32_t greenDelta,
                            int32_t blueDelta) {
  Operation op;
  const RgbDeltas deltas{redDelta, greenDelta, blueDelta};
  if (!op.check(source != nullptr, ErrorCode::SourceNil)) return;
  if (!checkDeltas(op, deltas)) return;
  PictureLock picture;
  if (!op.lock(picture, source, ErrorCode::SourceLock)) return;
  const std::optional<Selection> selection = op.select(picture, rect);
  if (!selection) return;
  offsetInPlace(picture.view(), *selection, deltas);
}

RbPicture adjustRgbWithMaskMethod(RbPicture source, RbPicture mask, int32_t redDelta,
                                  int32_t greenDelta, int32_t blueDelta) {
  Operation op;
  const RgbDeltas deltas{redDelta, greenDelta, blueDelta};
  if (!op.check(source != nullptr, ErrorCode::SourceNil)) return nullptr;
  if (!op.check(mask != nullptr, ErrorCode::MaskNil)) return nullptr;
  if (!checkDeltas(op, deltas)) return nullptr;
  PictureLock in;
  if (!op.lock(in, source, ErrorCode::SourceLock)) return nullptr;
  PictureLock levels;
  if (!op.lockMaskArgument(levels, mask, in)) return nullptr;
  OwnedPicture result;
  if (!op.createResult(result, in)) return nullptr;
  offsetByMask(in.view(), levels.view(), result.view(), deltas);
  return result.handOver();
}

}  // namespace tvq
