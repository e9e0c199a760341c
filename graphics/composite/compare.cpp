#include "graphics/composite/compare.h"

#include <cstring>

#include "graphics/classes/rectangle_class.h"
#include "graphics/frame/color_walks.h"
#include "graphics/frame/operation.h"

namespace tvq {
namespace {

using F = PixelFormat;

template <typename Access>
bool compareWalk(const PixelView& source, const PixelView& compare, const Selection& selection) {
  const RowSpan span = spanWithin(selection, std::min(source.width, compare.width),
                                  std::min(source.height, compare.height));
  if (span.empty()) return true;
  const int32_t step = stepOf(Access{}, source);
  for (int32_t y = span.top; y <= span.bottom; ++y) {
    const uint8_t* s = source.row(y) + static_cast<ptrdiff_t>(span.left) * step;
    const uint8_t* c =
        compare.row(y) + static_cast<ptrdiff_t>(span.left) * stepOf(Access{}, compare);
    for (int32_t x = span.left; x <= span.right; ++x, s += step, c += stepOf(Access{}, compare)) {
      if (((fetch(Access{}, source, s) ^ fetch(Access{}, compare, c)) & 0xFFFFFF) != 0) {
        return false;
      }
    }
  }
  return true;
}

// 24-bit rows hold nothing but colour bytes: equal bytes are equal colours.
bool compareBytes24(const PixelView& source, const PixelView& compare, const Selection& selection) {
  const RowSpan span = spanWithin(selection, std::min(source.width, compare.width),
                                  std::min(source.height, compare.height));
  if (span.empty()) return true;
  const size_t start = static_cast<size_t>(span.left) * 3;
  const size_t length = static_cast<size_t>(span.right - span.left + 1) * 3;
  for (int32_t y = span.top; y <= span.bottom; ++y) {
    if (std::memcmp(source.row(y) + start, compare.row(y) + start, length) != 0) return false;
  }
  return true;
}

}  // namespace

const FastPathTable<CompareLoop, 3>& compareLoops() {
  static constexpr FastPathTable<CompareLoop, 3> table = {
      {{
          {"32-bit", F::Bgrx32, F::Bgrx32, FormatSet::any(), compareWalk<Fixed<F::Bgrx32>>},
          {"24-bit", F::Bgr24, F::Bgr24, FormatSet::any(), compareBytes24},
          {"16-bit", F::Rgb555, F::Rgb555, FormatSet::any(), compareWalk<Fixed<F::Rgb555>>},
      }},
      compareWalk<PerPixel>,
  };
  return table;
}

bool sameColors(const PixelView& source, const PixelView& compare, const Selection& selection) {
  return compareLoops().choose({source.format, compare.format, source.format},
                               source.sameSizeAs(compare))(source, compare, selection);
}

RbBoolean compareMethod(RbPicture source, RbPicture compare, RbObject rect) {
  Operation op;
  // Both nil checks are made; the compare picture's code is the one left.
  op.check(source != nullptr, ErrorCode::SourceNil);
  op.check(compare != nullptr, ErrorCode::CompareNil);
  if (source == nullptr || compare == nullptr) return false;
  if (source == compare) return true;
  PictureLock in;
  if (!op.lock(in, source, ErrorCode::SourceLock)) return false;
  // An empty selection is no error here: nothing in it can differ.
  const std::optional<Selection> selection =
      clipSelection(in.view().width, in.view().height, rectangleData(rect));
  PictureLock other;
  if (!op.lock(other, compare, ErrorCode::CompareLock)) return false;
  const PixelView& a = in.view();
  const PixelView& b = other.view();
  if (!a.sameSizeAs(b) || a.depth != b.depth) return false;
  return !selection || sameColors(a, b, *selection);
}

}  // namespace tvq
