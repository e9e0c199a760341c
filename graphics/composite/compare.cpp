#include "graphics/composite/compare.h"

#include <cstring>

#include "graphics/frame/sse2_available.h"
#if TVQ_SSE2_AVAILABLE
#include <emmintrin.h>
#endif

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

// 32-bit rows compared 16 bytes at a time with the fourth bytes masked off;
// the rest of a row pixel by pixel.
bool compareWords32(const PixelView& source, const PixelView& compare, const Selection& selection) {
  const RowSpan span = spanWithin(selection, std::min(source.width, compare.width),
                                  std::min(source.height, compare.height));
  if (span.empty()) return true;
  const size_t start = static_cast<size_t>(span.left) * 4;
  const size_t length = static_cast<size_t>(span.right - span.left + 1) * 4;
  for (int32_t y = span.top; y <= span.bottom; ++y) {
    const uint8_t* s = source.row(y) + start;
    const uint8_t* c = compare.row(y) + start;
    size_t i = 0;
#if TVQ_SSE2_AVAILABLE
    const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
    auto differs = [&](size_t at) {
      return _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at)),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(c + at)));
    };
    auto allZero = [](__m128i d) {
      return _mm_movemask_epi8(_mm_cmpeq_epi8(d, _mm_setzero_si128())) == 0xFFFF;
    };
    // 64 bytes a test, then 16.
    for (; i + 64 <= length; i += 64) {
      const __m128i d = _mm_or_si128(_mm_or_si128(differs(i), differs(i + 16)),
                                     _mm_or_si128(differs(i + 32), differs(i + 48)));
      if (!allZero(_mm_and_si128(d, colour))) return false;
    }
    for (; i + 16 <= length; i += 16) {
      if (!allZero(_mm_and_si128(differs(i), colour))) return false;
    }
#endif
    for (; i < length; i += 4) {
      if (((accessors::fetchBgrx32(s + i) ^ accessors::fetchBgrx32(c + i)) & 0xFFFFFF) != 0) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace

const FastPathTable<CompareLoop, 3>& compareLoops() {
  static constexpr FastPathTable<CompareLoop, 3> table = {
      {{
          {"32-bit", F::Bgrx32, F::Bgrx32, FormatSet::any(), compareWords32},
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
