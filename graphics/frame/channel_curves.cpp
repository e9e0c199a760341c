#include "graphics/frame/channel_curves.h"

#include "graphics/frame/color_walks.h"

namespace tvq {
namespace {

using F = PixelFormat;

template <typename In, typename Out>
void curvesOnSelection(const PixelView& source, const PixelView& target, const Selection& selection,
                       const ClampedCurves& curves, CopyRule copy) {
  mapSelection<In, Out>(
      source, target, selection, [&](PixelValue v) { return curves.apply(v); }, copy);
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
    return makePixel(maskBlend<Weighting>(curves.red[r], r, level),
                     maskBlend<Weighting>(curves.green[g], g, level),
                     maskBlend<Weighting>(curves.blue[b], b, level));
  }
};

template <MaskWeighting Weighting, typename In, typename Mask, typename Out>
void curvesByMask(const PixelView& source, const PixelView& mask, const PixelView& target,
                  const ChannelCurves& curves, CopyRule copy) {
  blendByMask<In, Mask, Out>(source, mask, target, CurveBlend<Weighting>{curves}, copy);
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
         curvesByMask<W, Fixed<F::Bgrx32>, Fixed<F::Indexed8>, Fixed<F::Bgrx32>>},
        {"32-bit, 32-bit mask", F::Bgrx32, F::Bgrx32, F::Bgrx32,
         curvesByMask<W, Fixed<F::Bgrx32>, Fixed<F::Bgrx32>, Fixed<F::Bgrx32>>},
        {"24-bit, 8-bit mask", F::Bgr24, F::Indexed8, F::Bgr24,
         curvesByMask<W, Fixed<F::Bgr24>, Fixed<F::Indexed8>, Fixed<F::Bgr24>>},
        {"24-bit, 24-bit mask", F::Bgr24, F::Bgr24, F::Bgr24,
         curvesByMask<W, Fixed<F::Bgr24>, Fixed<F::Bgr24>, Fixed<F::Bgr24>>},
        {"16-bit, 16-bit mask", F::Rgb555, F::Rgb555, F::Rgb555,
         curvesByMask<W, Fixed<F::Rgb555>, Fixed<F::Rgb555>, Fixed<F::Rgb555>>},
        {"16-bit, 8-bit mask", F::Rgb555, F::Indexed8, F::Rgb555,
         curvesByMask<W, Fixed<F::Rgb555>, Fixed<F::Indexed8>, Fixed<F::Rgb555>>},
    }},
    curvesByMask<W, PerPixel, PerPixel, PerPixel>,
};

}  // namespace

ClampedCurves::ClampedCurves(const ChannelCurves& curves) {
  for (size_t i = 0; i < 256; ++i) {
    red[i] = clampChannel(int32_t{curves.red[i]});
    green[i] = clampChannel(int32_t{curves.green[i]});
    blue[i] = clampChannel(int32_t{curves.blue[i]});
  }
}

const FastPathTable<CurveSelectionLoop, 3>& curveSelectionLoops() {
  static constexpr FastPathTable<CurveSelectionLoop, 3> table = {
      {{
          {"32-bit", F::Bgrx32, FormatSet::any(), F::Bgrx32,
           curvesOnSelection<Fixed<F::Bgrx32>, Fixed<F::Bgrx32>>},
          {"24-bit", F::Bgr24, FormatSet::any(), F::Bgr24,
           curvesOnSelection<Fixed<F::Bgr24>, Fixed<F::Bgr24>>},
          {"16-bit", F::Rgb555, FormatSet::any(), F::Rgb555,
           curvesOnSelection<Fixed<F::Rgb555>, Fixed<F::Rgb555>>},
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
