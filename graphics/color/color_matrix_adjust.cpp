#include "graphics/color/color_matrix_adjust.h"

#include <cmath>
#include <limits>

#include "graphics/classes/color_matrix_class.h"
#include "graphics/frame/channel_math.h"
#include "graphics/frame/color_methods.h"
#include "graphics/frame/color_walks.h"
#include "graphics/frame/last_error.h"

namespace tvq {
namespace {

using F = PixelFormat;

int32_t toFixed22_10(double element) {
  if (std::isnan(element)) return 0;
  const double scaled = element * 1024.0;
  // trunc(scaled) fits exactly when -2^31 - 1 < scaled < 2^31.
  if (!(scaled < 2147483648.0)) return std::numeric_limits<int32_t>::max();
  if (!(scaled > -2147483649.0)) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(scaled);
}

// Every |k| below 2^15 keeps each sum within 3 * 255 * 2^15, so 32-bit sums
// give the 64-bit results; matrices of elements below 32 in size take them.
bool fitsNarrowSums(const FixedColorMatrix& m) {
  for (int32_t k : m.k) {
    if (k < -32768 || k > 32767) return false;
  }
  return true;
}

// The three products of one pixel before any clamp. Every |k| is at most
// 2^31, so |sum| / 1024 < 3 * 255 * 2^21 fits 32 bits.
struct Products {
  int32_t red, green, blue;
};
template <typename Sum>
inline Products multiply(const FixedColorMatrix& m, PixelValue v) {
  const Sum r = redOf(v), g = greenOf(v), b = blueOf(v);
  auto channel = [&](int32_t j) {
    return static_cast<int32_t>((r * Sum{m.at(0, j)} + g * Sum{m.at(1, j)} + b * Sum{m.at(2, j)}) /
                                1024);
  };
  return {channel(0), channel(1), channel(2)};
}

template <typename Sum, typename In, typename Out>
void matrixOnSelectionAs(const PixelView& source, const PixelView& target,
                         const Selection& selection, const FixedColorMatrix& matrix) {
  mapSelection<In, Out>(
      source, target, selection,
      [&](PixelValue v) {
        const Products a = multiply<Sum>(matrix, v);
        return clampedPixel(a.red, a.green, a.blue);
      },
      CopyRule::Converted);
}

template <typename In, typename Out>
void matrixOnSelection(const PixelView& source, const PixelView& target, const Selection& selection,
                       const FixedColorMatrix& matrix) {
  if (fitsNarrowSums(matrix)) {
    matrixOnSelectionAs<int32_t, In, Out>(source, target, selection, matrix);
  } else {
    matrixOnSelectionAs<int64_t, In, Out>(source, target, selection, matrix);
  }
}

template <typename Sum>
struct MatrixBlend {
  const FixedColorMatrix& matrix;
  // Level 0 is written through the formula too, which gives the colour back.
  bool keeps(uint8_t) const { return false; }
  PixelValue operator()(PixelValue v, uint8_t level) const {
    const Products a = multiply<Sum>(matrix, v);
    using W = MaskWeighting;
    return makePixel(maskBlend<W::Levels255>(a.red, redOf(v), level),
                     maskBlend<W::Levels255>(a.green, greenOf(v), level),
                     maskBlend<W::Levels255>(a.blue, blueOf(v), level));
  }
};

template <typename In, typename Mask, typename Out>
void matrixByMask(const PixelView& source, const PixelView& mask, const PixelView& target,
                  const FixedColorMatrix& matrix) {
  if (fitsNarrowSums(matrix)) {
    blendByMask<In, Mask, Out>(source, mask, target, MatrixBlend<int32_t>{matrix},
                               CopyRule::Converted);
  } else {
    blendByMask<In, Mask, Out>(source, mask, target, MatrixBlend<int64_t>{matrix},
                               CopyRule::Converted);
  }
}

constexpr FastPathTable<ColorMatrixSelectionLoop, 3> kSelectionLoops = {
    {{
        {"32-bit", F::Bgrx32, FormatSet::any(), F::Bgrx32,
         matrixOnSelection<Fixed<F::Bgrx32>, Fixed<F::Bgrx32>>},
        {"24-bit", F::Bgr24, FormatSet::any(), F::Bgr24,
         matrixOnSelection<Fixed<F::Bgr24>, Fixed<F::Bgr24>>},
        {"16-bit", F::Rgb555, FormatSet::any(), F::Rgb555,
         matrixOnSelection<Fixed<F::Rgb555>, Fixed<F::Rgb555>>},
    }},
    matrixOnSelection<PerPixel, PerPixel>,
};

constexpr FastPathTable<ColorMatrixMaskLoop, 5> kMaskLoops = {
    {{
        {"32-bit, 8-bit mask", F::Bgrx32, F::Indexed8, F::Bgrx32,
         matrixByMask<Fixed<F::Bgrx32>, Fixed<F::Indexed8>, Fixed<F::Bgrx32>>},
        {"32-bit, 32-bit mask", F::Bgrx32, F::Bgrx32, F::Bgrx32,
         matrixByMask<Fixed<F::Bgrx32>, Fixed<F::Bgrx32>, Fixed<F::Bgrx32>>},
        {"24-bit, 8-bit mask", F::Bgr24, F::Indexed8, F::Bgr24,
         matrixByMask<Fixed<F::Bgr24>, Fixed<F::Indexed8>, Fixed<F::Bgr24>>},
        {"24-bit, 24-bit mask", F::Bgr24, F::Bgr24, F::Bgr24,
         matrixByMask<Fixed<F::Bgr24>, Fixed<F::Bgr24>, Fixed<F::Bgr24>>},
        {"16-bit, 16-bit mask", F::Rgb555, F::Rgb555, F::Rgb555,
         matrixByMask<Fixed<F::Rgb555>, Fixed<F::Rgb555>, Fixed<F::Rgb555>>},
    }},
    matrixByMask<PerPixel, PerPixel, PerPixel>,
};

// Code 23 names a nil matrix whatever else is nil: it is checked before the
// shape's own nil checks, which would report the source or mask.
const ColorMatrixData* matrixArgument(RbObject cm) {
  const ColorMatrixData* m = colorMatrixData(cm);
  if (m == nullptr) setLastError(ErrorCode::ColorMatrixNil);
  return m;
}

}  // namespace

FixedColorMatrix FixedColorMatrix::from(const ColorMatrixData& m) {
  FixedColorMatrix fixed;
  for (size_t i = 0; i < 9; ++i) fixed.k[i] = toFixed22_10(m.element[i]);
  return fixed;
}

const FastPathTable<ColorMatrixSelectionLoop, 3>& colorMatrixSelectionLoops() {
  return kSelectionLoops;
}
const FastPathTable<ColorMatrixMaskLoop, 5>& colorMatrixMaskLoops() { return kMaskLoops; }

void applyColorMatrix(const PixelView& source, const PixelView& target, const Selection& selection,
                      const FixedColorMatrix& matrix) {
  kSelectionLoops.choose({source.format, source.format, target.format}, sameShape(source, target))(
      source, target, selection, matrix);
}

void applyColorMatrixByMask(const PixelView& source, const PixelView& mask, const PixelView& target,
                            const FixedColorMatrix& matrix) {
  kMaskLoops.choose({source.format, mask.format, target.format},
                    sameShape(source, mask) && sameShape(source, target))(source, mask, target,
                                                                          matrix);
}

RbPicture adjustRgbByMatrixMethod(RbPicture source, RbObject rect, RbObject cm) {
  const ColorMatrixData* m = matrixArgument(cm);
  if (m == nullptr) return nullptr;
  const FixedColorMatrix matrix = FixedColorMatrix::from(*m);
  return adjustSelection(source, rect, kNoChecks,
                         [&](const PixelView& in, const PixelView& out, const Selection& s) {
                           applyColorMatrix(in, out, s, matrix);
                         });
}

RbPicture adjustRgbByMatrixWithMaskMethod(RbPicture source, RbPicture mask, RbObject cm) {
  const ColorMatrixData* m = matrixArgument(cm);
  if (m == nullptr) return nullptr;
  const FixedColorMatrix matrix = FixedColorMatrix::from(*m);
  return adjustByMask(source, mask, kNoChecks,
                      [&](const PixelView& in, const PixelView& levels, const PixelView& out) {
                        applyColorMatrixByMask(in, levels, out, matrix);
                      });
}

}  // namespace tvq
