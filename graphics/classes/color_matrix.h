// The 3 x 3 matrix of doubles programs pass to the colour-matrix forms of
// TVQ_AdjustRGB: element (i, j) says how much input channel i (red, green,
// blue) contributes to output channel j.
#ifndef TVQ_CLASSES_COLOR_MATRIX_H
#define TVQ_CLASSES_COLOR_MATRIX_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tvq {

// The instance data of TVQ_ColorMatrix, exactly as it lies in the instance:
// nine doubles row by row, element (i, j) at i * 3 + j.
struct ColorMatrixData {
  std::array<double, 9> element{};
};
static_assert(sizeof(ColorMatrixData) == 72);

ColorMatrixData identityMatrix();

// Whether (i, j) names an element: both 0..2.
constexpr bool isElementIndex(int32_t i, int32_t j) { return i >= 0 && i <= 2 && j >= 0 && j <= 2; }
constexpr size_t elementIndex(int32_t i, int32_t j) { return static_cast<size_t>(i * 3 + j); }

// Every element times `factor`.
ColorMatrixData scaled(const ColorMatrixData& m, double factor);

// P(i, j) = sum over k of a(j, k) * b(k, i), accumulated in k order: the
// transpose of a * b.
ColorMatrixData transposedProduct(const ColorMatrixData& a, const ColorMatrixData& b);

// The inverse of `m`; nothing when `m` is singular (with every row scaled to
// length 1, its determinant is at most 1e-12 in size) or when an element of
// `m` or of the inverse is not finite.
std::optional<ColorMatrixData> inverse(const ColorMatrixData& m);

// Three lines of three numbers, "%4.2f" each, two blanks apart, no line break
// at the end. A value that is not finite shows as nan, inf or -inf on every
// platform.
std::string describe(const ColorMatrixData& m);

}  // namespace tvq

#endif
