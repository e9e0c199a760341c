#include "graphics/geometry/shear.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "graphics/frame/format_access.h"
#include "graphics/frame/operation.h"
#include "graphics/frame/pixel_access.h"

namespace tvq {
namespace {

constexpr int64_t kOne = 65536;  // 16.16 fixed point
constexpr PixelValue kMaskFill = 0x888888;
constexpr uint8_t kTransparent = 255;

// A picture seen along the shear: `across` counts the lines that slide
// (columns for a vertical shear, rows for a horizontal one), `along` the
// pixels of each line.
struct Lines {
  const PixelView* view;
  ShearAxis axis;
  int32_t count() const { return axis == ShearAxis::Vertical ? view->width : view->height; }
  int32_t length() const { return axis == ShearAxis::Vertical ? view->height : view->width; }
  uint8_t* at(int32_t across, int32_t along) const {
    return axis == ShearAxis::Vertical ? view->at(across, along) : view->at(along, across);
  }
  // Bytes from one pixel of a line to the next.
  ptrdiff_t stepAlong() const {
    return axis == ShearAxis::Vertical ? static_cast<ptrdiff_t>(view->rowBytes)
                                       : static_cast<ptrdiff_t>(view->bytesPerPixel);
  }
  template <typename Access = PerPixel>
  PixelValue read(int32_t across, int32_t along) const {
    return fetch(Access{}, *view, at(across, along)) & 0x00FFFFFFu;
  }
  template <typename Access = PerPixel>
  void write(int32_t across, int32_t along, PixelValue v) const {
    store(Access{}, *view, at(across, along), v);
  }
};

uint8_t blend(uint32_t dw, uint8_t current, uint32_t cw, uint8_t previous) {
  return static_cast<uint8_t>((dw * current + cw * previous) / 65535u);
}
PixelValue blendColor(uint32_t dw, PixelValue current, uint32_t cw, PixelValue previous) {
  return makePixel(blend(dw, redOf(current), cw, redOf(previous)),
                   blend(dw, greenOf(current), cw, greenOf(previous)),
                   blend(dw, blueOf(current), cw, blueOf(previous)));
}
PixelValue grey(uint8_t level) { return makePixel(level, level, level); }

// The pixel past a line's last source pixel, which blends the frame with
// it: shifted by 16, not divided by 65535 as the blends within the line.
PixelValue edgeColor(uint32_t dw, PixelValue frame, uint32_t cw, PixelValue previous) {
  return makePixel(static_cast<uint8_t>((dw * redOf(frame) + cw * redOf(previous)) >> 16),
                   static_cast<uint8_t>((dw * greenOf(frame) + cw * greenOf(previous)) >> 16),
                   static_cast<uint8_t>((dw * blueOf(frame) + cw * blueOf(previous)) >> 16));
}

// Floor division by 65536 of a value that may be negative.
int64_t floorOne(int64_t v) { return v >= 0 ? v / kOne : -((-v + kOne - 1) / kOne); }

#if defined(__SSE2__)
// (dw * a + cw * b) / 65535 for every byte of four pixel pairs, dw + cw =
// 65535: the 32-bit sums are at most 255 * 65535, where (v + 1 + (v >> 16))
// >> 16 is exactly v / 65535.
// The weights are per 16-bit lane: `dwLow`/`cwLow` for the first two
// pixels, `dwHigh`/`cwHigh` for the last two.
inline __m128i blendBytes(__m128i current, __m128i previous, __m128i dwLow, __m128i cwLow,
                          __m128i dwHigh, __m128i cwHigh) {
  const __m128i zero = _mm_setzero_si128(), one = _mm_set1_epi32(1);
  auto half = [&](__m128i c, __m128i p, __m128i dw, __m128i cw) {
    const __m128i cl = _mm_mullo_epi16(c, dw), ch = _mm_mulhi_epu16(c, dw);
    const __m128i pl = _mm_mullo_epi16(p, cw), ph = _mm_mulhi_epu16(p, cw);
    auto divided = [&](__m128i v) {
      return _mm_srli_epi32(_mm_add_epi32(_mm_add_epi32(v, one), _mm_srli_epi32(v, 16)), 16);
    };
    const __m128i low =
        divided(_mm_add_epi32(_mm_unpacklo_epi16(cl, ch), _mm_unpacklo_epi16(pl, ph)));
    const __m128i high =
        divided(_mm_add_epi32(_mm_unpackhi_epi16(cl, ch), _mm_unpackhi_epi16(pl, ph)));
    return _mm_packs_epi32(low, high);
  };
  return _mm_packus_epi16(
      half(_mm_unpacklo_epi8(current, zero), _mm_unpacklo_epi8(previous, zero), dwLow, cwLow),
      half(_mm_unpackhi_epi8(current, zero), _mm_unpackhi_epi8(previous, zero), dwHigh, cwHigh));
}

// The 16-bit lanes of two pixels' weights: four of `first`, four of `second`.
inline __m128i laneWeights(uint32_t first, uint32_t second) {
  const auto a = static_cast<int16_t>(static_cast<uint16_t>(first));
  const auto b = static_cast<int16_t>(static_cast<uint16_t>(second));
  return _mm_set_epi16(b, b, b, b, a, a, a, a);
}

// One row of a horizontal shear of a 32-bit picture into a 32-bit one:
// `count` pixels, each blended with the one before it (the first with
// `previous`); the fourth bytes 0. Returns the last pixel read.
PixelValue blendRowBgrx32(const uint8_t* from, uint8_t* to, int64_t count, uint32_t dw, uint32_t cw,
                          PixelValue previous) {
  PixelValue current = accessors::fetchBgrx32(from) & 0x00FFFFFFu;
  accessors::storeBgrx32(to, blendColor(dw, current, cw, previous));
  const __m128i dw16 = _mm_set1_epi16(static_cast<int16_t>(static_cast<uint16_t>(dw)));
  const __m128i cw16 = _mm_set1_epi16(static_cast<int16_t>(static_cast<uint16_t>(cw)));
  const __m128i colours = _mm_set1_epi32(0x00FFFFFF);
  int64_t i = 1;
  for (; i + 4 <= count; i += 4) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 4 * i));
    const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 4 * (i - 1)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 4 * i),
                     _mm_and_si128(blendBytes(c, p, dw16, cw16, dw16, cw16), colours));
  }
  // The rest one by one, the portable way.
  current = accessors::fetchBgrx32(from + 4 * (i - 1)) & 0x00FFFFFFu;
  for (; i < count; ++i) {
    const PixelValue next = accessors::fetchBgrx32(from + 4 * i) & 0x00FFFFFFu;
    accessors::storeBgrx32(to + 4 * i, blendColor(dw, next, cw, current));
    current = next;
  }
  return current;
}
#endif

// The same for a 24-bit picture into a 24-bit one: the channels of each
// pixel blend with those three bytes before them, so the row is blended as
// bytes, sixteen at a time, the rest byte by byte.
PixelValue blendRowBgr24(const uint8_t* from, uint8_t* to, int64_t count, uint32_t dw, uint32_t cw,
                         PixelValue previous) {
  accessors::storeBgr24(to, blendColor(dw, accessors::fetchBgr24(from), cw, previous));
  const __m128i dw16 = _mm_set1_epi16(static_cast<int16_t>(static_cast<uint16_t>(dw)));
  const __m128i cw16 = _mm_set1_epi16(static_cast<int16_t>(static_cast<uint16_t>(cw)));
  const int64_t bytes = 3 * count;
  int64_t i = 3;
  for (; i + 16 <= bytes; i += 16) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
    const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i - 3));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), blendBytes(c, p, dw16, cw16, dw16, cw16));
  }
  for (; i < bytes; ++i) to[i] = blend(dw, from[i], cw, from[i - 3]);
  return accessors::fetchBgr24(from + bytes - 3);
}

// Where each line of a shear lands: the sizes and offsets every line shares.
struct ShearPlan {
  int64_t lines, length;              // of the source: lines across, pixels along
  int64_t resultLines, resultLength;  // of the target
  int64_t placed, firstLine, carried;
  int64_t shift;  // top - skipped: where the sheared picture starts along
  int64_t step;   // the shear in 16.16
};

// One column of a vertical shear without masks, as the general walk writes
// it: frame above row k, then the blend of each source pixel with the one
// above it, one edge pixel blended with the frame, frame below.
struct ColumnState {
  const uint8_t* source = nullptr;  // source row 0 of the column
  int64_t x = 0;                    // the source column
  int64_t k = 0, next = 0, edge = -1;
  uint32_t cw = 0, dw = 0;
  PixelValue previous = 0;
  uint8_t previousLevel = kTransparent;  // with masks
  bool carried = false;
};

// A vertical shear, walked a band of columns at a time and row by row
// within it: the same pixels as the general walk, written along memory rows
// instead of down columns, which the caches favour. With masks (both given,
// of their pictures' sizes) the frame is the masks' fill and the mask levels
// are blended alongside, through the general accessors.
template <typename In, typename Out>
void shearColumnsInBands(const PixelView& source, const PixelView* sourceMask,
                         const PixelView& target, const PixelView* targetMask,
                         const ShearPlan& plan, PixelValue frame) {
  const bool masked = sourceMask != nullptr && targetMask != nullptr;
  auto levelAt = [&](int64_t x, int64_t y) {
    return blueOf(
        readPixel(*sourceMask, sourceMask->at(static_cast<int32_t>(x), static_cast<int32_t>(y))));
  };
  auto putLevel = [&](int64_t r, int64_t j, uint8_t level) {
    writePixel(*targetMask, targetMask->at(static_cast<int32_t>(r), static_cast<int32_t>(j)),
               grey(level));
  };
  constexpr int32_t kBand = 64;
  const int32_t outStep = stepOf(Out{}, target);
  ColumnState columns[kBand];
  for (int64_t band = 0; band < plan.resultLines; band += kBand) {
    const auto count = static_cast<int32_t>(std::min<int64_t>(kBand, plan.resultLines - band));
    for (int32_t c = 0; c < count; ++c) {
      ColumnState& col = columns[c];
      const int64_t r = band + c;
      col = ColumnState{};
      if (r < plan.placed || r >= plan.placed + plan.carried) continue;
      const int64_t x = plan.firstLine + (r - plan.placed);
      const int64_t offset =
          plan.shift * kOne + (plan.step > 0 ? plan.lines * plan.step : 0) - x * plan.step;
      col.carried = true;
      col.k = floorOne(offset);
      col.cw = static_cast<uint32_t>(offset - col.k * kOne);
      col.dw = 65535u - col.cw;
      col.next = std::min(plan.resultLength, plan.length + col.k);
      col.source = source.at(static_cast<int32_t>(x), 0);
      col.previous = frame;
      if (col.k < 0 && -col.k - 1 < plan.length) {
        col.previous =
            fetch(In{}, source, col.source + (-col.k - 1) * source.rowBytes) & 0x00FFFFFFu;
        if (masked) col.previousLevel = levelAt(x, -col.k - 1);
      } else if (col.k >= 0 && masked) {
        col.previous = fetch(In{}, source, col.source) & 0x00FFFFFFu;
      }
      col.x = x;
      const int64_t rest = std::max(col.next, std::max<int64_t>(col.k, 0));
      if (rest >= 0 && rest < plan.resultLength && col.cw > 0 && col.next >= 0) col.edge = rest;
    }
#if defined(__SSE2__)
    // Four columns at a time on the rows where all four blend source pixels.
    constexpr bool kQuads = (std::is_same_v<In, Fixed<PixelFormat::Bgrx32>> &&
                             std::is_same_v<Out, Fixed<PixelFormat::Bgrx32>>) ||
                            (std::is_same_v<In, Fixed<PixelFormat::Bgr24>> &&
                             std::is_same_v<Out, Fixed<PixelFormat::Bgr24>>);
    struct Quad {
      int64_t from = 0, to = -1;
      __m128i dwLow, cwLow, dwHigh, cwHigh;
    };
    Quad quads[kBand / 4];
    const int32_t quadCount = kQuads && !masked ? count / 4 : 0;
    for (int32_t q = 0; q < quadCount; ++q) {
      const ColumnState* c = columns + 4 * q;
      Quad& quad = quads[q];
      quad.from = 0;
      quad.to = -1;
      if (c[0].carried && c[1].carried && c[2].carried && c[3].carried) {
        quad.from = std::max({c[0].k, c[1].k, c[2].k, c[3].k, int64_t{0}});
        quad.to = std::min({c[0].next, c[1].next, c[2].next, c[3].next});
      }
      quad.dwLow = laneWeights(c[0].dw, c[1].dw);
      quad.cwLow = laneWeights(c[0].cw, c[1].cw);
      quad.dwHigh = laneWeights(c[2].dw, c[3].dw);
      quad.cwHigh = laneWeights(c[2].cw, c[3].cw);
    }
    const __m128i colours = _mm_set1_epi32(0x00FFFFFF);
#endif
    for (int64_t j = 0; j < plan.resultLength; ++j) {
      uint8_t* to = target.at(static_cast<int32_t>(band), static_cast<int32_t>(j));
      int32_t c = 0;
#if defined(__SSE2__)
      // Quads from the band's start while they can; the rest column by column.
      for (int32_t q = 0; q < quadCount; ++q) {
        const Quad& quad = quads[q];
        if (j < quad.from || j >= quad.to) break;
        ColumnState* cols = columns + 4 * q;
        uint32_t current[4];
        for (int i = 0; i < 4; ++i)
          current[i] =
              fetch(In{}, source, cols[i].source + (j - cols[i].k) * source.rowBytes) & 0x00FFFFFFu;
        const __m128i now = _mm_loadu_si128(reinterpret_cast<const __m128i*>(current));
        const __m128i before = _mm_set_epi32(
            static_cast<int32_t>(cols[3].previous), static_cast<int32_t>(cols[2].previous),
            static_cast<int32_t>(cols[1].previous), static_cast<int32_t>(cols[0].previous));
        const __m128i blended = _mm_and_si128(
            blendBytes(now, before, quad.dwLow, quad.cwLow, quad.dwHigh, quad.cwHigh), colours);
        if constexpr (std::is_same_v<Out, Fixed<PixelFormat::Bgrx32>>) {
          _mm_storeu_si128(reinterpret_cast<__m128i*>(to), blended);
        } else {
          uint32_t words[4];
          _mm_storeu_si128(reinterpret_cast<__m128i*>(words), blended);
          for (int i = 0; i < 4; ++i) store(Out{}, target, to + i * outStep, words[i]);
        }
        for (int i = 0; i < 4; ++i) cols[i].previous = current[i];
        c += 4;
        to += 4 * outStep;
      }
#endif
      for (; c < count; ++c, to += outStep) {
        ColumnState& col = columns[c];
        PixelValue value = frame;
        uint8_t level = kTransparent;
        if (col.carried && j >= col.k) {
          if (j < col.next) {
            const PixelValue current =
                fetch(In{}, source, col.source + (j - col.k) * source.rowBytes) & 0x00FFFFFFu;
            value = blendColor(col.dw, current, col.cw, col.previous);
            col.previous = current;
            if (masked) {
              const uint8_t sourceLevel = levelAt(col.x, j - col.k);
              level = blend(col.dw, sourceLevel, col.cw, col.previousLevel);
              col.previousLevel = sourceLevel;
            }
          } else if (j == col.edge) {
            const PixelValue p = col.previous;
            if (masked) {
              value = p;
              level = blend(col.dw, kTransparent, col.cw, col.previousLevel);
            } else {
              value = edgeColor(col.dw, frame, col.cw, p);
            }
          }
        }
        store(Out{}, target, to, value);
        if (masked) putLevel(band + c, j, level);
      }
    }
  }
}

// The shear with the source read through `In` and the target written
// through `Out`; masks, when given, through the general accessors.
template <typename In, typename Out>
void shearWalk(const PixelView& source, const PixelView* sourceMask, const PixelView& target,
               const PixelView* targetMask, ShearAxis axis, double shear, uint32_t frameColor) {
  const Lines in{&source, axis};
  const Lines out{&target, axis};
  const bool masked = sourceMask != nullptr && targetMask != nullptr &&
                      sourceMask->sameSizeAs(source) && targetMask->sameSizeAs(target);
  const Lines inMask{masked ? sourceMask : &source, axis};
  const Lines outMask{masked ? targetMask : &target, axis};
  const PixelValue frame = masked ? kMaskFill : (frameColor & 0x00FFFFFFu);
  if (!(shear >= -1.0 && shear <= 1.0)) return;

  const int64_t w = in.count(), h = in.length();  // lines across, pixels along
  const int64_t wr = out.count(), hr = out.length();
  if (w <= 0 || h <= 0 || wr <= 0 || hr <= 0) return;
  const auto extent = static_cast<int64_t>(
      std::floor(static_cast<double>(h) + std::fabs(shear) * static_cast<double>(w)));
  const int64_t placed = w < wr ? (wr - w) / 2 : 0;  // first carried result line
  const int64_t firstLine = w < wr ? 0 : (w - wr) / 2;
  const int64_t carried = std::min(w, wr);
  const int64_t top = extent < hr ? (hr - extent) / 2 : 0;
  const int64_t skipped = extent < hr ? 0 : (extent - hr) / 2;
  const auto step = static_cast<int64_t>(std::floor(shear * 65536.0));

  if constexpr (!std::is_same_v<In, PerPixel>) {
    if (axis == ShearAxis::Vertical) {
      shearColumnsInBands<In, Out>(
          source, masked ? sourceMask : nullptr, target, masked ? targetMask : nullptr,
          {w, h, wr, hr, placed, firstLine, carried, top - skipped, step}, frame);
      return;
    }
  }

  auto fill = [&](int32_t line, int64_t from, int64_t to) {  // along [from, to)
    for (int64_t j = std::max<int64_t>(from, 0); j < std::min(to, hr); ++j) {
      out.template write<Out>(line, static_cast<int32_t>(j), frame);
      if (masked) outMask.write(line, static_cast<int32_t>(j), grey(kTransparent));
    }
  };

  for (int64_t r = 0; r < wr; ++r) {
    const auto line = static_cast<int32_t>(r);
    if (r < placed || r >= placed + carried) {
      fill(line, 0, hr);
      continue;
    }
    const int64_t x = firstLine + (r - placed);  // the source line
    const auto sx = static_cast<int32_t>(x);
    const int64_t offset = (top - skipped) * kOne + (step > 0 ? w * step : 0) - x * step;
    const int64_t k = floorOne(offset);
    const auto cw = static_cast<uint32_t>(offset - k * kOne);
    const uint32_t dw = 65535u - cw;
    const int64_t j0 = std::max<int64_t>(k, 0);
    const int64_t next = std::min(hr, h + k);  // the first row after the line

    fill(line, 0, std::min(k, hr));
    PixelValue previous = frame;
    uint8_t previousLevel = kTransparent;
    if (k < 0 && -k - 1 < h) {
      previous = in.template read<In>(sx, static_cast<int32_t>(-k - 1));
      if (masked) previousLevel = blueOf(inMask.read(sx, static_cast<int32_t>(-k - 1)));
    } else if (k >= 0 && masked) {
      previous = in.template read<In>(sx, 0);
    }
    if (j0 < next) {
      // Along the line by pointer steps: no per-pixel position arithmetic.
      const uint8_t* from = in.at(sx, static_cast<int32_t>(j0 - k));
      uint8_t* to = out.at(line, static_cast<int32_t>(j0));
      const ptrdiff_t fromStep = in.stepAlong(), toStep = out.stepAlong();
      int64_t j = j0;
#if defined(__SSE2__)
      if constexpr (std::is_same_v<In, Fixed<PixelFormat::Bgrx32>> &&
                    std::is_same_v<Out, Fixed<PixelFormat::Bgrx32>>) {
        if (axis == ShearAxis::Horizontal && !masked) {
          previous = blendRowBgrx32(from, to, next - j0, dw, cw, previous);
          j = next;
        }
      }
      if constexpr (std::is_same_v<In, Fixed<PixelFormat::Bgr24>> &&
                    std::is_same_v<Out, Fixed<PixelFormat::Bgr24>>) {
        if (axis == ShearAxis::Horizontal && !masked) {
          previous = blendRowBgr24(from, to, next - j0, dw, cw, previous);
          j = next;
        }
      }
#endif
      for (; j < next; ++j, from += fromStep, to += toStep) {
        const PixelValue current = fetch(In{}, source, from) & 0x00FFFFFFu;
        store(Out{}, target, to, blendColor(dw, current, cw, previous));
        previous = current;
        if (masked) {
          const auto y = static_cast<int32_t>(j - k);
          const uint8_t level = blueOf(inMask.read(sx, y));
          outMask.write(line, static_cast<int32_t>(j), grey(blend(dw, level, cw, previousLevel)));
          previousLevel = level;
        }
      }
    }
    int64_t rest = std::max(next, j0);
    if (rest >= 0 && rest < hr && cw > 0 && next >= 0) {
      const auto j = static_cast<int32_t>(rest);
      if (masked) {
        out.template write<Out>(line, j, previous);
        outMask.write(line, j, grey(blend(dw, kTransparent, cw, previousLevel)));
      } else {
        out.template write<Out>(line, j, edgeColor(dw, frame, cw, previous));
      }
      ++rest;
    }
    fill(line, std::max<int64_t>(rest, 0), hr);
  }
}

}  // namespace

const FastPathTable<ShearLoop, 2>& shearLoops() {
  using F = PixelFormat;
  static constexpr FastPathTable<ShearLoop, 2> table = {
      {{
          {"32-bit", F::Bgrx32, FormatSet::any(), F::Bgrx32,
           shearWalk<Fixed<F::Bgrx32>, Fixed<F::Bgrx32>>},
          {"24-bit", F::Bgr24, FormatSet::any(), F::Bgr24,
           shearWalk<Fixed<F::Bgr24>, Fixed<F::Bgr24>>},
      }},
      shearWalk<PerPixel, PerPixel>,
  };
  return table;
}

void shearInto(const PixelView& source, const PixelView* sourceMask, const PixelView& target,
               const PixelView* targetMask, ShearAxis axis, double shear, uint32_t frameColor) {
  const PixelFormat second = sourceMask != nullptr ? sourceMask->format : source.format;
  shearLoops().choose({source.format, second, target.format}, true)(
      source, sourceMask, target, targetMask, axis, shear, frameColor);
}

namespace {

RbPicture shearPicture(RbPicture p, int32_t width, int32_t height, double shear, ShearAxis axis,
                       const uint32_t* frameColor) {
  Operation op;
  const bool sourceGiven = op.check(p != nullptr, ErrorCode::SourceNil);
  const bool shearValid =
      op.check(shear >= -1.0 && shear <= 1.0, ErrorCode::ShearPixelsOutOfBounds);  // NaN too
  if (!sourceGiven || !shearValid) return nullptr;
  // From here on failures leave the code at 0.
  if (!isShearSide(width) || !isShearSide(height)) return nullptr;
  PictureLock in;
  if (!in.lock(p)) return nullptr;
  PictureLock inMask;
  if (frameColor == nullptr && !inMask.lockMaskOf(p)) return nullptr;
  OwnedPicture result;
  if (!result.create(width, height, resultDepthFor(in.view().depth))) return nullptr;
  PictureLock resultMask;
  if (frameColor == nullptr && !resultMask.lockMaskOf(result.picture())) return nullptr;
  if (frameColor != nullptr) {
    shearInto(in.view(), nullptr, result.view(), nullptr, axis, shear, *frameColor);
  } else {
    shearInto(in.view(), &inMask.view(), result.view(), &resultMask.view(), axis, shear, 0);
  }
  return result.handOver();
}

}  // namespace

RbPicture shearHorizontalMethod(RbPicture p, int32_t width, int32_t height, double shear) {
  return shearPicture(p, width, height, shear, ShearAxis::Horizontal, nullptr);
}
RbPicture shearHorizontalFramedMethod(RbPicture p, int32_t width, int32_t height, double shear,
                                      uint32_t frameColor) {
  return shearPicture(p, width, height, shear, ShearAxis::Horizontal, &frameColor);
}
RbPicture shearVerticalMethod(RbPicture p, int32_t width, int32_t height, double shear) {
  return shearPicture(p, width, height, shear, ShearAxis::Vertical, nullptr);
}
RbPicture shearVerticalFramedMethod(RbPicture p, int32_t width, int32_t height, double shear,
                                    uint32_t frameColor) {
  return shearPicture(p, width, height, shear, ShearAxis::Vertical, &frameColor);
}

}  // namespace tvq
