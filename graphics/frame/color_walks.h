// The pixel walks of the colour operations, written once over an access type
// (format_access.h): a fast loop is one of them instantiated for fixed
// formats, the general walk the same code with per-pixel formats.
//
// Every walk covers only the part its pictures share, so pictures of
// different sizes can never be left; the operations always pass pictures of
// one size.
#ifndef TVQ_FRAME_COLOR_WALKS_H
#define TVQ_FRAME_COLOR_WALKS_H

#include <algorithm>
#include <cstdint>
#include <type_traits>

#include "graphics/frame/format_access.h"
#include "graphics/frame/selection.h"

namespace tvq {

// The selection cut to a width x height area; empty when nothing is left.
struct RowSpan {
  int32_t left, right, top, bottom;
  bool empty() const { return left > right || top > bottom; }
  bool containsRow(int32_t y) const { return y >= top && y <= bottom; }
};
inline RowSpan spanWithin(const Selection& s, int32_t width, int32_t height) {
  return {std::max(s.left, 0), std::min(s.right, width - 1), std::max(s.top, 0),
          std::min(s.bottom, height - 1)};
}

// Writes every pixel of `out`: the selected run of each selected row through
// rows(from, to, count), every other pixel copied by `copy`. rows writes
// `count` pixels from `from` (in `in`'s format) to `to` (in `out`'s); a rows
// that also takes (x, y) is told where the run starts.
template <typename In, typename Out, typename Rows>
void mapSelectionRows(const PixelView& in, const PixelView& out, const Selection& selection,
                      const Rows& rows, CopyRule copy) {
  const int32_t width = std::min(in.width, out.width);
  const int32_t height = std::min(in.height, out.height);
  const RowSpan span = spanWithin(selection, width, height);
  const int32_t inStep = stepOf(In{}, in);
  const int32_t outStep = stepOf(Out{}, out);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* from = in.row(y);
    uint8_t* to = out.row(y);
    if (span.empty() || !span.containsRow(y)) {
      copyPixels(In{}, in, from, Out{}, out, to, width, copy);
      continue;
    }
    const int32_t count = span.right - span.left + 1;
    copyPixels(In{}, in, from, Out{}, out, to, span.left, copy);
    from += static_cast<ptrdiff_t>(span.left) * inStep;
    to += static_cast<ptrdiff_t>(span.left) * outStep;
    if constexpr (std::is_invocable_v<const Rows&, const uint8_t*, uint8_t*, int32_t, int32_t,
                                      int32_t>) {
      rows(from, to, count, span.left, y);
    } else {
      rows(from, to, count);
    }
    from += static_cast<ptrdiff_t>(count) * inStep;
    to += static_cast<ptrdiff_t>(count) * outStep;
    copyPixels(In{}, in, from, Out{}, out, to, width - span.right - 1, copy);
  }
}

// Writes every pixel of `out`: rule(pixel) inside the selection, the pixel
// copied by `copy` outside it. rule: PixelValue(PixelValue), channels already
// clamped.
template <typename In, typename Out, typename Rule>
void mapSelection(const PixelView& in, const PixelView& out, const Selection& selection,
                  const Rule& rule, CopyRule copy) {
  const int32_t inStep = stepOf(In{}, in);
  const int32_t outStep = stepOf(Out{}, out);
  mapSelectionRows<In, Out>(
      in, out, selection,
      [&](const uint8_t* from, uint8_t* to, int32_t count) {
        for (int32_t i = 0; i < count; ++i, from += inStep, to += outStep) {
          store(Out{}, out, to, rule(fetch(In{}, in, from)));
        }
      },
      copy);
}

// Changes a picture's own pixels. In the selected rows every pixel is read
// and written back, the selected ones through `rule`; other rows are not
// touched. At 24 and 32 bits writing a pixel back changes no byte, so the
// fixed-format loops skip the unselected columns.
template <typename Access, typename Rule>
void mapSelectionInPlace(const PixelView& picture, const Selection& selection, const Rule& rule) {
  const RowSpan span = spanWithin(selection, picture.width, picture.height);
  if (span.empty()) return;
  const int32_t step = stepOf(Access{}, picture);
  constexpr bool kWriteBackIsNoOp = [] {
    if constexpr (std::is_same_v<Access, PerPixel>) {
      return false;
    } else {
      return Access::format == PixelFormat::Bgrx32 || Access::format == PixelFormat::Bgr24;
    }
  }();
  const int32_t first = kWriteBackIsNoOp ? span.left : 0;
  const int32_t last = kWriteBackIsNoOp ? span.right : picture.width - 1;
  for (int32_t y = span.top; y <= span.bottom; ++y) {
    uint8_t* at = picture.row(y) + static_cast<ptrdiff_t>(first) * step;
    for (int32_t x = first; x <= last; ++x, at += step) {
      const PixelValue v = fetch(Access{}, picture, at);
      const bool selected = x >= span.left && x <= span.right;
      store(Access{}, picture, at, selected ? rule(v) : v);
    }
  }
}

// Writes every pixel of `out` from the source pixel and the level of the mask
// pixel at the same place (its blue channel). blend: PixelValue(PixelValue,
// uint8_t level), and blend.keeps(level): the pixel is copied by `copy`
// instead.
template <typename In, typename Mask, typename Out, typename Blend>
void blendByMask(const PixelView& in, const PixelView& mask, const PixelView& out,
                 const Blend& blend, CopyRule copy) {
  const int32_t width = std::min({in.width, mask.width, out.width});
  const int32_t height = std::min({in.height, mask.height, out.height});
  const int32_t inStep = stepOf(In{}, in);
  const int32_t maskStep = stepOf(Mask{}, mask);
  const int32_t outStep = stepOf(Out{}, out);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* from = in.row(y);
    const uint8_t* levels = mask.row(y);
    uint8_t* to = out.row(y);
    for (int32_t x = 0; x < width; ++x, from += inStep, levels += maskStep, to += outStep) {
      const uint8_t level = blueOf(fetch(Mask{}, mask, levels));
      if (blend.keeps(level)) {
        copyPixel(In{}, in, from, Out{}, out, to, copy);
      } else {
        store(Out{}, out, to, blend(fetch(In{}, in, from), level));
      }
    }
  }
}

// Calls visit(pixel) for every pixel of the selection, row by row.
template <typename In, typename Visit>
void visitSelection(const PixelView& in, const Selection& selection, Visit& visit) {
  const RowSpan span = spanWithin(selection, in.width, in.height);
  if (span.empty()) return;
  const int32_t step = stepOf(In{}, in);
  for (int32_t y = span.top; y <= span.bottom; ++y) {
    const uint8_t* at = in.row(y) + static_cast<ptrdiff_t>(span.left) * step;
    for (int32_t x = span.left; x <= span.right; ++x, at += step) visit(fetch(In{}, in, at));
  }
}

// Whether the pictures of a call have the shapes every fast entry relies on.
inline bool sameShape(const PixelView& a, const PixelView& b) { return a.sameSizeAs(b); }

}  // namespace tvq

#endif
