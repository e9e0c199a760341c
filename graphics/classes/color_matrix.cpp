#include "graphics/classes/color_matrix.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace tvq {
namespace {

double at(const ColorMatrixData& m, int32_t i, int32_t j) { return m.element[elementIndex(i, j)]; }

// The determinant of a matrix of unit rows lies in -1..1 (1 for orthogonal
// rows); at or below this it is rounding noise, and the rows are dependent
// as far as doubles can tell.
constexpr double kSingularDeterminant = 1e-12;

// "%4.2f", except that a value that is not finite prints the same on every
// C library.
std::string formatElement(double x) {
  char text[400];  // 1e308 printed in full is 312 characters
  if (std::isnan(x)) {
    std::snprintf(text, sizeof text, "%4s", "nan");
  } else if (std::isinf(x)) {
    std::snprintf(text, sizeof text, "%4s", x < 0 ? "-inf" : "inf");
  } else {
    std::snprintf(text, sizeof text, "%4.2f", x);
  }
  return text;
}

}  // namespace

ColorMatrixData identityMatrix() {
  ColorMatrixData m;
  m.element[0] = m.element[4] = m.element[8] = 1.0;
  return m;
}

ColorMatrixData scaled(const ColorMatrixData& m, double factor) {
  ColorMatrixData result;
  for (size_t i = 0; i < 9; ++i) result.element[i] = m.element[i] * factor;
  return result;
}

ColorMatrixData transposedProduct(const ColorMatrixData& a, const ColorMatrixData& b) {
  ColorMatrixData p;
  for (int32_t i = 0; i < 3; ++i) {
    for (int32_t j = 0; j < 3; ++j) {
      p.element[elementIndex(i, j)] =
          at(a, j, 0) * at(b, 0, i) + at(a, j, 1) * at(b, 1, i) + at(a, j, 2) * at(b, 2, i);
    }
  }
  return p;
}

std::optional<ColorMatrixData> inverse(const ColorMatrixData& m) {
  for (double x : m.element) {
    if (!std::isfinite(x)) return std::nullopt;
  }
  // Each row scaled to length 1 first (M = S N with S the diagonal of the
  // row lengths), so that det(N) lies in -1..1 and says how far from
  // dependent the rows are at any scale; then inverse(M) = inverse(N) / S,
  // column j divided by the length of row j.
  std::array<double, 3> length{};
  ColorMatrixData n;
  for (int32_t i = 0; i < 3; ++i) {
    const auto row = static_cast<size_t>(i);
    length[row] = std::hypot(at(m, i, 0), at(m, i, 1), at(m, i, 2));
    if (!(length[row] > 0.0) || !std::isfinite(length[row])) return std::nullopt;
    for (int32_t j = 0; j < 3; ++j) n.element[elementIndex(i, j)] = at(m, i, j) / length[row];
  }
  auto cofactor = [&](int32_t i, int32_t j) {
    const int32_t r0 = (i + 1) % 3, r1 = (i + 2) % 3;
    const int32_t c0 = (j + 1) % 3, c1 = (j + 2) % 3;
    return at(n, r0, c0) * at(n, r1, c1) - at(n, r0, c1) * at(n, r1, c0);
  };
  const double det =
      at(n, 0, 0) * cofactor(0, 0) + at(n, 0, 1) * cofactor(0, 1) + at(n, 0, 2) * cofactor(0, 2);
  if (!(std::fabs(det) > kSingularDeterminant)) return std::nullopt;
  ColorMatrixData result;
  for (int32_t i = 0; i < 3; ++i) {
    for (int32_t j = 0; j < 3; ++j) {
      const double x = cofactor(j, i) / det / length[static_cast<size_t>(j)];
      if (!std::isfinite(x)) return std::nullopt;
      result.element[elementIndex(i, j)] = x;
    }
  }
  return result;
}

std::string describe(const ColorMatrixData& m) {
  std::string text;
  for (size_t k = 0; k < 9; ++k) {
    if (k > 0) text += k % 3 == 0 ? "\n" : "  ";
    text += formatElement(m.element[k]);
  }
  return text;
}

}  // namespace tvq
