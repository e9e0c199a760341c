#include "picture/classes/matrix_filter_kernels.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "picture/classes/channel_arithmetic.h"
#include "picture/frame/bgra32.h"

namespace zrw {
namespace {

struct Tap {
  int32_t dx, dy, weight;
};

// The taps that take part. A weight of 0 adds nothing, so it is left out too.
std::vector<Tap> activeTaps(const SpatialFilter& filter) {
  std::vector<Tap> taps;
  for (int32_t j = 0; j < 5; ++j)
    for (int32_t k = 0; k < 5; ++k) {
      const int32_t w = filter.weights[j][k];
      if (w < kTapOff && w != 0) taps.push_back({k - 2, j - 2, w});
    }
  return taps;
}

// The displaced sum of one channel, scaled and limited.
uint8_t spatialResult(int64_t sum, const SpatialFilter& filter) {
  const int64_t value = sum + filter.displacement;
  if (filter.scaleFactor == 1.0) return channelFromInteger(value);
  return channelFromDouble(static_cast<double>(value) * filter.scaleFactor);
}

void storeFiltered(uint8_t* pixel, const int64_t sums[3], const SpatialFilter& filter) {
  bgra32::storeRgb(pixel, filter.red ? spatialResult(sums[bgra32::kRed], filter) : 0,
                   filter.green ? spatialResult(sums[bgra32::kGreen], filter) : 0,
                   filter.blue ? spatialResult(sums[bgra32::kBlue], filter) : 0);
}

// Every pixel on its own, in 64-bit sums: exact for any weights.
void filterSpatialGeneral(SourceRows in, ResultRows out, AreaBounds inner,
                          const SpatialFilter& filter) {
  for (int32_t y = inner.top; y < inner.bottom; ++y) {
    uint8_t* target = out.row(y);
    for (int32_t x = inner.left; x < inner.right; ++x) {
      int64_t sums[3] = {0, 0, 0};
      for (int32_t j = 0; j < 5; ++j) {
        const uint8_t* row = in.row(y + j - 2);
        for (int32_t k = 0; k < 5; ++k) {
          const int32_t w = filter.weights[j][k];
          if (w >= kTapOff) continue;
          const uint8_t* p = bgra32::at(row, x + k - 2);
          for (int c = 0; c < 3; ++c) sums[c] += int64_t{w} * p[c];
        }
      }
      storeFiltered(bgra32::at(target, x), sums, filter);
    }
  }
}

// Whether every sum fits a 32-bit integer (the displacement is added later,
// in 64 bits).
bool sumsFitInt32(const std::vector<Tap>& taps) {
  int64_t bound = 0;
  for (const Tap& t : taps) bound += 255 * std::abs(int64_t{t.weight});
  return bound <= INT32_MAX;
}

// A row at a time: each tap adds its weight times a shifted source row to
// 32-bit sums over all four bytes of every pixel, a loop the compiler turns
// into vector code. Exact where sumsFitInt32 holds.
bool filterSpatialRows(SourceRows in, ResultRows out, AreaBounds inner, const SpatialFilter& filter,
                       const std::vector<Tap>& taps) {
  const size_t count = static_cast<size_t>(inner.right - inner.left) * 4;
  std::vector<int32_t> sums;
  try {
    sums.resize(count);
  } catch (const std::bad_alloc&) {
    return false;
  }
  int32_t* acc = sums.data();
  for (int32_t y = inner.top; y < inner.bottom; ++y) {
    std::fill(sums.begin(), sums.end(), 0);
    for (const Tap& t : taps) {
      const uint8_t* source = bgra32::at(in.row(y + t.dy), inner.left + t.dx);
      const int32_t w = t.weight;
      for (size_t i = 0; i < count; ++i) acc[i] += w * int32_t{source[i]};
    }
    uint8_t* target = bgra32::at(out.row(y), inner.left);
    for (size_t i = 0; i < count; i += 4, target += 4) {
      const int64_t pixelSums[3] = {acc[i], acc[i + 1], acc[i + 2]};
      storeFiltered(target, pixelSums, filter);
    }
  }
  return true;
}

#if defined(__SSE2__)
// Whether every partial sum fits a 16-bit integer.
bool sumsFitInt16(const std::vector<Tap>& taps) {
  int64_t bound = 0;
  for (const Tap& t : taps) bound += 255 * std::abs(int64_t{t.weight});
  return bound <= INT16_MAX;
}

// The displaced, scaled and limited channels of one pixel's four 32-bit sums
// (blue, green, red, fourth byte), in 32-bit lanes.
__m128i scaledPixel(__m128i sums, const SpatialFilter& filter, __m128d displacement,
                    __m128d scale) {
  if (filter.scaleFactor == 1.0) {
    // |sum| < 2^15: a displacement limited to +-2^24 limits to the same byte.
    return _mm_add_epi32(sums,
                         _mm_set1_epi32(std::clamp(filter.displacement, -(1 << 24), 1 << 24)));
  }
  // Sum plus displacement is exact in a double, as in the general loop.
  const __m128d zero = _mm_setzero_pd(), top = _mm_set1_pd(255.0);
  auto limited = [&](__m128d v) {
    // max(v, 0) answers 0 for NaN; truncation of 0..255 is exact.
    return _mm_cvttpd_epi32(
        _mm_min_pd(_mm_max_pd(_mm_mul_pd(_mm_add_pd(v, displacement), scale), zero), top));
  };
  const __m128i low = limited(_mm_cvtepi32_pd(sums));
  const __m128i high = limited(_mm_cvtepi32_pd(_mm_shuffle_epi32(sums, 0x0E)));
  return _mm_unpacklo_epi64(low, high);
}

// Four pixels at a time in SSE2, the Windows library's baseline: 16-bit sums
// held in registers across all taps, exact where sumsFitInt16 holds; the
// saturating packs limit to 0..255. Columns left over take the general loop.
void filterSpatialSse2(SourceRows in, ResultRows out, AreaBounds inner, const SpatialFilter& filter,
                       const std::vector<Tap>& taps) {
  const int32_t vectorEnd = inner.left + ((inner.right - inner.left) & ~3);
  const __m128i zero = _mm_setzero_si128();
  const __m128d displacement = _mm_set1_pd(double(filter.displacement));
  const __m128d scale = _mm_set1_pd(filter.scaleFactor);
  const __m128i keep = _mm_set1_epi32(int32_t(
      (filter.blue ? 0xFFu : 0) | (filter.green ? 0xFF00u : 0) | (filter.red ? 0xFF0000u : 0)));
  __m128i weights[25];  // at most 25 taps
  for (size_t i = 0; i < taps.size(); ++i) weights[i] = _mm_set1_epi16(int16_t(taps[i].weight));
  for (int32_t y = inner.top; y < inner.bottom; ++y) {
    const uint8_t* rows[5];
    for (int32_t j = 0; j < 5; ++j) rows[j] = in.row(y + j - 2);
    uint8_t* target = out.row(y);
    for (int32_t x = inner.left; x < vectorEnd; x += 4) {
      __m128i low = zero, high = zero;  // pixels x, x + 1 and x + 2, x + 3
      for (size_t i = 0; i < taps.size(); ++i) {
        const __m128i p = _mm_loadu_si128(
            reinterpret_cast<const __m128i*>(bgra32::at(rows[taps[i].dy + 2], x + taps[i].dx)));
        low = _mm_add_epi16(low, _mm_mullo_epi16(_mm_unpacklo_epi8(p, zero), weights[i]));
        high = _mm_add_epi16(high, _mm_mullo_epi16(_mm_unpackhi_epi8(p, zero), weights[i]));
      }
      // Sign-extended to 32 bits, one pixel a vector.
      auto widen = [](__m128i v, bool upper) {
        const __m128i doubled = upper ? _mm_unpackhi_epi16(v, v) : _mm_unpacklo_epi16(v, v);
        return _mm_srai_epi32(doubled, 16);
      };
      const __m128i p0 = scaledPixel(widen(low, false), filter, displacement, scale);
      const __m128i p1 = scaledPixel(widen(low, true), filter, displacement, scale);
      const __m128i p2 = scaledPixel(widen(high, false), filter, displacement, scale);
      const __m128i p3 = scaledPixel(widen(high, true), filter, displacement, scale);
      const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(p0, p1), _mm_packs_epi32(p2, p3));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(bgra32::at(target, x)),
                       _mm_and_si128(bytes, keep));
    }
  }
  if (vectorEnd < inner.right)
    filterSpatialGeneral(in, out, {vectorEnd, inner.top, inner.right, inner.bottom}, filter);
}
#endif

}  // namespace

void filterSpatial(SourceRows in, ResultRows out, AreaBounds area, const SpatialFilter& filter,
                   KernelPath path) {
  const AreaBounds inner = area.inset(2);
  if (inner.empty()) return;
  if (path == KernelPath::Fast) {
    const std::vector<Tap> taps = activeTaps(filter);
#if defined(__SSE2__)
    if (sumsFitInt16(taps)) {
      filterSpatialSse2(in, out, inner, filter, taps);
      return;
    }
#endif
    if (sumsFitInt32(taps) && filterSpatialRows(in, out, inner, filter, taps)) return;
  }
  filterSpatialGeneral(in, out, inner, filter);
}

namespace {

uint8_t colourOutput(const ColourMatrix& m, int c, double i0, double i1, double i2) {
  return channelFromDouble(m.m[c][0] * i0 + m.m[c][1] * i1 + m.m[c][2] * i2 + m.m[3][c]);
}

void colourMatrixGeneral(SourceRows in, ResultRows out, AreaBounds area, const ColourMatrix& m) {
  for (int32_t y = area.top; y < area.bottom; ++y) {
    const uint8_t* source = bgra32::at(in.row(y), area.left);
    uint8_t* target = bgra32::at(out.row(y), area.left);
    for (int32_t x = area.left; x < area.right; ++x, source += 4, target += 4) {
      const double i0 = source[bgra32::kRed] + m.m[0][3];
      const double i1 = source[bgra32::kGreen] + m.m[1][3];
      const double i2 = source[bgra32::kBlue] + m.m[2][3];
      bgra32::storeRgb(target, colourOutput(m, 0, i0, i1, i2), colourOutput(m, 1, i0, i1, i2),
                       colourOutput(m, 2, i0, i1, i2));
    }
  }
}

// Each product depends on one channel value alone, so it is taken from a
// table made with the very same multiplication; the sums then run in the
// general loop's order, which keeps every result bit for bit.
struct ProductTables {
  // [output c][input k][value]: m[c][k] * (value + m[k][3])
  std::array<std::array<std::array<double, 256>, 3>, 3> product;
};

void colourMatrixTables(SourceRows in, ResultRows out, AreaBounds area, const ColourMatrix& m,
                        ProductTables& t) {
  for (int c = 0; c < 3; ++c)
    for (int k = 0; k < 3; ++k)
      for (int v = 0; v < 256; ++v) t.product[c][k][v] = m.m[c][k] * (v + m.m[k][3]);
  const double offset[3] = {m.m[3][0], m.m[3][1], m.m[3][2]};
  for (int32_t y = area.top; y < area.bottom; ++y) {
    const uint8_t* source = bgra32::at(in.row(y), area.left);
    uint8_t* target = bgra32::at(out.row(y), area.left);
    for (int32_t x = area.left; x < area.right; ++x, source += 4, target += 4) {
      const uint8_t r = source[bgra32::kRed], g = source[bgra32::kGreen], b = source[bgra32::kBlue];
      uint8_t o[3];
      for (int c = 0; c < 3; ++c)
        o[c] = channelFromDouble(t.product[c][0][r] + t.product[c][1][g] + t.product[c][2][b] +
                                 offset[c]);
      bgra32::storeRgb(target, o[0], o[1], o[2]);
    }
  }
}

#if defined(__SSE2__)
// The same products and sums, two outputs to an SSE2 register: a table entry
// holds the products of one input value for the blue, green and red outputs
// (and a 0), so a pixel takes three pairs of loads and adds and its offsets;
// max with 0 answers 0 for NaN as the scalar limit does. Four pixels are
// packed and stored together; the rest of a row takes the table loop.
struct alignas(16) OutputProducts {
  double blueGreen[2];
  double redNone[2];
};

void colourMatrixSse2(SourceRows in, ResultRows out, AreaBounds area, const ColourMatrix& m) {
  OutputProducts table[3][256];  // [input red, green, blue][value]
  for (int k = 0; k < 3; ++k)
    for (int v = 0; v < 256; ++v) {
      const double input = v + m.m[k][3];
      table[k][v] = {{m.m[2][k] * input, m.m[1][k] * input}, {m.m[0][k] * input, 0.0}};
    }
  const __m128d offsetBlueGreen = _mm_setr_pd(m.m[3][2], m.m[3][1]);
  const __m128d offsetRed = _mm_setr_pd(m.m[3][0], 0.0);
  const __m128d zero = _mm_setzero_pd(), top = _mm_set1_pd(255.0);
  auto limited = [&](__m128d v) { return _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(v, zero), top)); };
  auto pixel = [&](const uint8_t* p) {
    const OutputProducts& r = table[0][p[bgra32::kRed]];
    const OutputProducts& g = table[1][p[bgra32::kGreen]];
    const OutputProducts& b = table[2][p[bgra32::kBlue]];
    const __m128d blueGreen =
        _mm_add_pd(_mm_add_pd(_mm_add_pd(_mm_load_pd(r.blueGreen), _mm_load_pd(g.blueGreen)),
                              _mm_load_pd(b.blueGreen)),
                   offsetBlueGreen);
    const __m128d red =
        _mm_add_pd(_mm_add_pd(_mm_add_pd(_mm_load_pd(r.redNone), _mm_load_pd(g.redNone)),
                              _mm_load_pd(b.redNone)),
                   offsetRed);
    return _mm_unpacklo_epi64(limited(blueGreen), limited(red));  // blue, green, red, 0
  };
  const int32_t vectorEnd = area.left + ((area.right - area.left) & ~3);
  for (int32_t y = area.top; y < area.bottom; ++y) {
    const uint8_t* source = in.row(y);
    uint8_t* target = out.row(y);
    for (int32_t x = area.left; x < vectorEnd; x += 4) {
      const uint8_t* p = bgra32::at(source, x);
      const __m128i low = _mm_packs_epi32(pixel(p), pixel(p + 4));
      const __m128i high = _mm_packs_epi32(pixel(p + 8), pixel(p + 12));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(bgra32::at(target, x)),
                       _mm_packus_epi16(low, high));
    }
  }
  if (vectorEnd < area.right) {
    ProductTables tables;
    colourMatrixTables(in, out, {vectorEnd, area.top, area.right, area.bottom}, m, tables);
  }
}
#endif

}  // namespace

void applyColourMatrix(SourceRows in, ResultRows out, AreaBounds area, const ColourMatrix& matrix,
                       KernelPath path) {
  if (area.empty()) return;
  if (path == KernelPath::Fast) {
#if defined(__SSE2__)
    colourMatrixSse2(in, out, area, matrix);
#else
    ProductTables tables;
    colourMatrixTables(in, out, area, matrix, tables);
#endif
    return;
  }
  colourMatrixGeneral(in, out, area, matrix);
}

}  // namespace zrw
