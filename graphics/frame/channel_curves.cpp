#include "graphics/frame/channel_curves.h"

#include <bit>
#include <cstring>

#include "graphics/frame/color_walks.h"
#include "graphics/frame/curve_rows_avx512.h"
#include "graphics/frame/curve_rows_sse2.h"
#include "graphics/frame/processor_features.h"

namespace tvq {
namespace {

using F = PixelFormat;

template <typename In, typename Out>
void curvesOnSelection(const PixelView& source, const PixelView& target, const Selection& selection,
                       const ClampedCurves& curves, CopyRule copy) {
  mapSelection<In, Out>(
      source, target, selection, [&](PixelValue v) { return curves.apply(v); }, copy);
}

// Rows of one format looked up whole: a 32-bit pixel as one word, a 16-bit
// one by its three 5-bit fields, a 24-bit one byte by byte.
// The d, if any, for which `table` is clamp(C + d) at every C: d >= 0 shows
// at C = 0, d <= 0 at C = 255.
std::optional<int32_t> offsetOf(const std::array<uint8_t, 256>& table) {
  for (const int32_t d : {int32_t{table[0]}, int32_t{table[255]} - 255}) {
    bool fits = true;
    for (int32_t c = 0; c < 256 && fits; ++c) {
      fits = table[static_cast<size_t>(c)] == clampChannel(c + d);
    }
    if (fits) return d;
  }
  return std::nullopt;
}

template <PixelFormat Format>
void curveRows(const uint8_t* from, uint8_t* to, int32_t count, const ClampedCurves& c) {
  if constexpr (Format == PixelFormat::Bgrx32 || Format == PixelFormat::Bgr24) {
    if (c.offsets) {
      constexpr int32_t step = storedBytesOf<Format>();
      const int32_t done = Format == PixelFormat::Bgrx32 ? offsetRowsBgrx32Sse2(from, to, count, c)
                                                         : offsetRowsBgr24Sse2(from, to, count, c);
      from += done * step;
      to += done * step;
      count -= done;
    }
  }
  if constexpr (Format == PixelFormat::Bgrx32 && std::endian::native == std::endian::little) {
    for (int32_t i = 0; i < count; ++i, from += 4, to += 4) {
      uint32_t w;
      std::memcpy(&w, from, 4);
      const uint32_t out =
          c.blueWord[w & 0xFF] | c.greenWord[(w >> 8) & 0xFF] | c.redWord[(w >> 16) & 0xFF];
      std::memcpy(to, &out, 4);
    }
  } else if constexpr (Format == PixelFormat::Rgb555) {
    for (int32_t i = 0; i < count; ++i, from += 2, to += 2) {
      const uint32_t w = uint32_t{from[0]} | (uint32_t{from[1]} << 8);
      const uint32_t out = c.blue555[w & 31] | c.green555[(w >> 5) & 31] | c.red555[(w >> 10) & 31];
      to[0] = static_cast<uint8_t>(out);
      to[1] = static_cast<uint8_t>(out >> 8);
    }
  } else {
    using Access = Fixed<Format>;
    constexpr int32_t step = storedBytesOf<Format>();
    for (int32_t i = 0; i < count; ++i, from += step, to += step) {
      store(Access{}, PixelView{}, to, c.apply(fetch(Access{}, PixelView{}, from)));
    }
  }
}

template <PixelFormat Format>
void curvesOnSelectionRows(const PixelView& source, const PixelView& target,
                           const Selection& selection, const ClampedCurves& curves, CopyRule copy) {
  mapSelectionRows<Fixed<Format>, Fixed<Format>>(
      source, target, selection,
      [&](const uint8_t* from, uint8_t* to, int32_t count) {
        curveRows<Format>(from, to, count, curves);
      },
      copy);
}

// The vector loop takes whole vectors of the row; the portable loop the
// rest.
template <PixelFormat Format>
void curvesOnSelectionAvx512(const PixelView& source, const PixelView& target,
                             const Selection& selection, const ClampedCurves& curves,
                             CopyRule copy) {
  constexpr int32_t step = storedBytesOf<Format>();
  mapSelectionRows<Fixed<Format>, Fixed<Format>>(
      source, target, selection,
      [&](const uint8_t* from, uint8_t* to, int32_t count) {
        int32_t done = 0;
        if constexpr (Format == PixelFormat::Bgrx32) {
          done = curveRowsBgrx32Avx512(from, to, count, curves);
        } else if constexpr (Format == PixelFormat::Bgr24) {
          done = curveRowsBgr24Avx512(from, to, count, curves);
        } else {
          done = curveRowsRgb555Avx512(from, to, count, curves);
        }
        curveRows<Format>(from + done * step, to + done * step, count - done, curves);
      },
      copy);
}

template <typename Access>
void curvesInPlace(const PixelView& picture, const Selection& selection,
                   const ClampedCurves& curves) {
  mapSelectionInPlace<Access>(picture, selection, [&](PixelValue v) { return curves.apply(v); });
}

template <MaskWeighting Weighting>
struct CurveBlend {
  const ChannelCurves& curves;
  // Steps256 leaves a pixel of level 0 as it was; Levels255 writes even
  // those through its formula (which gives the same colour back).
  bool keeps(uint8_t level) const { return Weighting == MaskWeighting::Steps256 && level == 0; }
  PixelValue operator()(PixelValue v, uint8_t level) const {
    const uint8_t r = redOf(v), g = greenOf(v), b = blueOf(v);
    return makePixel(maskBlend<Weighting, int32_t>(curves.red[r], r, level),
                     maskBlend<Weighting, int32_t>(curves.green[g], g, level),
                     maskBlend<Weighting, int32_t>(curves.blue[b], b, level));
  }
};

template <MaskWeighting Weighting, typename In, typename Mask, typename Out>
void curvesByMask(const PixelView& source, const PixelView& mask, const PixelView& target,
                  const ChannelCurves& curves, CopyRule copy) {
  blendByMask<In, Mask, Out>(source, mask, target, CurveBlend<Weighting>{curves}, copy);
}

// The blend of every channel value at one level, made the first time a call
// meets the level: a pixel is then three lookups. Operations run one at a
// time on the host's thread, so one set of rows serves every call; each call
// starts with none made.
struct LevelRows {
  std::array<std::array<uint8_t, 768>, 256> rows;  // red, green, blue values
  std::array<bool, 256> made;
};
LevelRows& levelRows() {
  static LevelRows rows;
  return rows;
}

template <MaskWeighting Weighting>
struct TabledCurveBlend {
  explicit TabledCurveBlend(const ChannelCurves& c) : curves(c), tables(levelRows()) {
    tables.made.fill(false);
  }
  bool keeps(uint8_t level) const { return Weighting == MaskWeighting::Steps256 && level == 0; }
  PixelValue operator()(PixelValue v, uint8_t level) const {
    const uint8_t* row = rowOf(level);
    return makePixel(row[redOf(v)], row[256 + greenOf(v)], row[512 + blueOf(v)]);
  }

 private:
  const uint8_t* rowOf(uint8_t level) const {
    std::array<uint8_t, 768>& row = tables.rows[level];
    if (!tables.made[level]) {
      for (int32_t c = 0; c < 256; ++c) {
        const auto i = static_cast<size_t>(c);
        const auto original = static_cast<uint8_t>(c);
        row[i] = maskBlend<Weighting, int32_t>(curves.red[i], original, level);
        row[256 + i] = maskBlend<Weighting, int32_t>(curves.green[i], original, level);
        row[512 + i] = maskBlend<Weighting, int32_t>(curves.blue[i], original, level);
      }
      tables.made[level] = true;
    }
    return row.data();
  }
  const ChannelCurves& curves;
  LevelRows& tables;
};

template <MaskWeighting Weighting, typename In, typename Mask, typename Out>
void tabledCurvesByMask(const PixelView& source, const PixelView& mask, const PixelView& target,
                        const ChannelCurves& curves, CopyRule copy) {
  blendByMask<In, Mask, Out>(source, mask, target, TabledCurveBlend<Weighting>(curves), copy);
}

template <typename In>
ChannelSums curveSums(const PixelView& source, const Selection& selection,
                      const ChannelCurves& curves) {
  ChannelSums sums;
  auto add = [&](PixelValue v) {
    sums.red += curves.red[redOf(v)];
    sums.green += curves.green[greenOf(v)];
    sums.blue += curves.blue[blueOf(v)];
    ++sums.count;
  };
  visitSelection<In>(source, selection, add);
  return sums;
}

template <MaskWeighting W>
constexpr FastPathTable<CurveMaskLoop, 6> kCurveMaskLoops = {
    {{
        {"32-bit, 8-bit mask", F::Bgrx32, F::Indexed8, F::Bgrx32,
         tabledCurvesByMask<W, Fixed<F::Bgrx32>, Fixed<F::Indexed8>, Fixed<F::Bgrx32>>},
        {"32-bit, 32-bit mask", F::Bgrx32, F::Bgrx32, F::Bgrx32,
         tabledCurvesByMask<W, Fixed<F::Bgrx32>, Fixed<F::Bgrx32>, Fixed<F::Bgrx32>>},
        {"24-bit, 8-bit mask", F::Bgr24, F::Indexed8, F::Bgr24,
         tabledCurvesByMask<W, Fixed<F::Bgr24>, Fixed<F::Indexed8>, Fixed<F::Bgr24>>},
        {"24-bit, 24-bit mask", F::Bgr24, F::Bgr24, F::Bgr24,
         tabledCurvesByMask<W, Fixed<F::Bgr24>, Fixed<F::Bgr24>, Fixed<F::Bgr24>>},
        {"16-bit, 16-bit mask", F::Rgb555, F::Rgb555, F::Rgb555,
         tabledCurvesByMask<W, Fixed<F::Rgb555>, Fixed<F::Rgb555>, Fixed<F::Rgb555>>},
        {"16-bit, 8-bit mask", F::Rgb555, F::Indexed8, F::Rgb555,
         tabledCurvesByMask<W, Fixed<F::Rgb555>, Fixed<F::Indexed8>, Fixed<F::Rgb555>>},
    }},
    curvesByMask<W, PerPixel, PerPixel, PerPixel>,
};

}  // namespace

ClampedCurves::ClampedCurves(const ChannelCurves& curves) {
  for (size_t i = 0; i < 256; ++i) {
    red[i] = clampChannel(int32_t{curves.red[i]});
    green[i] = clampChannel(int32_t{curves.green[i]});
    blue[i] = clampChannel(int32_t{curves.blue[i]});
    redWord[i] = uint32_t{red[i]} << 16;
    greenWord[i] = uint32_t{green[i]} << 8;
    blueWord[i] = blue[i];
  }
  const std::optional<int32_t> r = offsetOf(red), g = offsetOf(green), b = offsetOf(blue);
  if (r && g && b) offsets = ChannelOffsets{*r, *g, *b};
  // The 16-bit reader turns field f into f × 8; the writer keeps the top
  // five bits.
  for (size_t f = 0; f < 32; ++f) {
    red555[f] = static_cast<uint16_t>((red[8 * f] >> 3) << 10);
    green555[f] = static_cast<uint16_t>((green[8 * f] >> 3) << 5);
    blue555[f] = static_cast<uint16_t>(blue[8 * f] >> 3);
  }
}

const FastPathTable<CurveSelectionLoop, 6>& curveSelectionLoops() {
  static constexpr FastPathTable<CurveSelectionLoop, 6> table = {
      {{
          {"32-bit, AVX-512", F::Bgrx32, FormatSet::any(), F::Bgrx32,
           curvesOnSelectionAvx512<F::Bgrx32>, hasAvx512BytePermutes},
          {"24-bit, AVX-512", F::Bgr24, FormatSet::any(), F::Bgr24,
           curvesOnSelectionAvx512<F::Bgr24>, hasAvx512BytePermutes},
          {"16-bit, AVX-512", F::Rgb555, FormatSet::any(), F::Rgb555,
           curvesOnSelectionAvx512<F::Rgb555>, hasAvx512BytePermutes},
          {"32-bit", F::Bgrx32, FormatSet::any(), F::Bgrx32, curvesOnSelectionRows<F::Bgrx32>},
          {"24-bit", F::Bgr24, FormatSet::any(), F::Bgr24, curvesOnSelectionRows<F::Bgr24>},
          {"16-bit", F::Rgb555, FormatSet::any(), F::Rgb555, curvesOnSelectionRows<F::Rgb555>},
      }},
      curvesOnSelection<PerPixel, PerPixel>,
  };
  return table;
}

const FastPathTable<CurveSumLoop, 2>& curveSumLoops() {
  static constexpr FastPathTable<CurveSumLoop, 2> table = {
      {{
          {"32-bit", F::Bgrx32, FormatSet::any(), FormatSet::any(), curveSums<Fixed<F::Bgrx32>>},
          {"24-bit", F::Bgr24, FormatSet::any(), FormatSet::any(), curveSums<Fixed<F::Bgr24>>},
      }},
      curveSums<PerPixel>,
  };
  return table;
}

ChannelSums sumCurves(const PixelView& source, const Selection& selection,
                      const ChannelCurves& curves) {
  return curveSumLoops().choose({source.format, source.format, source.format}, true)(
      source, selection, curves);
}

const FastPathTable<CurveInPlaceLoop, 2>& curveInPlaceLoops() {
  static constexpr FastPathTable<CurveInPlaceLoop, 2> table = {
      {{
          {"32-bit", F::Bgrx32, FormatSet::any(), F::Bgrx32, curvesInPlace<Fixed<F::Bgrx32>>},
          {"24-bit", F::Bgr24, FormatSet::any(), F::Bgr24, curvesInPlace<Fixed<F::Bgr24>>},
      }},
      curvesInPlace<PerPixel>,
  };
  return table;
}

const FastPathTable<CurveMaskLoop, 6>& curveMaskLoops(MaskWeighting weighting) {
  return weighting == MaskWeighting::Levels255 ? kCurveMaskLoops<MaskWeighting::Levels255>
                                               : kCurveMaskLoops<MaskWeighting::Steps256>;
}

void applyCurves(const PixelView& source, const PixelView& target, const Selection& selection,
                 const ChannelCurves& curves, CopyRule copy) {
  const ClampedCurves clamped(curves);
  curveSelectionLoops().choose({source.format, source.format, target.format},
                               sameShape(source, target))(source, target, selection, clamped, copy);
}

void applyCurvesInPlace(const PixelView& picture, const Selection& selection,
                        const ChannelCurves& curves) {
  if (!holdsColorBytes(picture.format)) return;
  const ClampedCurves clamped(curves);
  curveInPlaceLoops().choose({picture.format, picture.format, picture.format}, true)(
      picture, selection, clamped);
}

void applyCurvesByMask(const PixelView& source, const PixelView& mask, const PixelView& target,
                       const ChannelCurves& curves, MaskWeighting weighting, CopyRule copy) {
  curveMaskLoops(weighting).choose({source.format, mask.format, target.format},
                                   sameShape(source, mask) && sameShape(source, target))(
      source, mask, target, curves, copy);
}

}  // namespace tvq
