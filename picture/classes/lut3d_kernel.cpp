#include "picture/classes/lut3d_kernel.h"

#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "picture/classes/channel_arithmetic.h"
#include "picture/frame/bgra32.h"

namespace zrw {
namespace {

constexpr int32_t kBlueStep = 3;
constexpr int32_t kGreenStep = kLutNodes * kBlueStep;
constexpr int32_t kRedStep = kLutNodes * kGreenStep;

// Where a channel value lies on its axis: the base node's offset in the
// table, the step to the upper node (0 at the last node) and the distance
// above the base in seventeenths.
struct AxisPosition {
  int32_t base;
  int32_t up;
  int32_t seventeenths;
};

using Axis = std::array<AxisPosition, 256>;

Axis axisOf(int32_t step) {
  Axis axis{};
  for (int32_t v = 0; v < 256; ++v) {
    const int32_t node = v / 17;
    axis[size_t(v)] = {node * step, node + 1 <= 15 ? step : 0, v % 17};
  }
  return axis;
}

const Axis& redAxis() {
  static const Axis axis = axisOf(kRedStep);
  return axis;
}
const Axis& greenAxis() {
  static const Axis axis = axisOf(kGreenStep);
  return axis;
}
const Axis& blueAxis() {
  static const Axis axis = axisOf(kBlueStep);
  return axis;
}

void mapGeneral(SourceRows in, ResultRows out, AreaBounds area, const Lut3DTable& table) {
  const double* t = &table[0][0][0][0];
  const Axis& ra = redAxis();
  const Axis& ga = greenAxis();
  const Axis& ba = blueAxis();
  for (int32_t y = area.top; y < area.bottom; ++y) {
    const uint8_t* source = bgra32::at(in.row(y), area.left);
    uint8_t* target = bgra32::at(out.row(y), area.left);
    for (int32_t x = area.left; x < area.right; ++x, source += 4, target += 4) {
      const AxisPosition r = ra[source[bgra32::kRed]];
      const AxisPosition g = ga[source[bgra32::kGreen]];
      const AxisPosition b = ba[source[bgra32::kBlue]];
      const double* c000 = t + r.base + g.base + b.base;
      const int32_t dr = r.seventeenths, dg = g.seventeenths, db = b.seventeenths;
      // The tetrahedron holding the point: from the base corner along the
      // axes in the order of their distances, largest first. w0..w3 are the
      // weights of the four corners in seventeenths; they add up to 17.
      int32_t w0, w1, w2, w3;
      const double *c1, *c2;
      const double* c111 = c000 + r.up + g.up + b.up;
      if (dr >= dg && dg >= db) {
        w0 = 17 - dr, w1 = dr - dg, w2 = dg - db, w3 = db;
        c1 = c000 + r.up, c2 = c000 + r.up + g.up;
      } else if (dr >= db && db >= dg) {
        w0 = 17 - dr, w1 = dr - db, w2 = db - dg, w3 = dg;
        c1 = c000 + r.up, c2 = c000 + r.up + b.up;
      } else if (db >= dr && dr >= dg) {
        w0 = 17 - db, w1 = db - dr, w2 = dr - dg, w3 = dg;
        c1 = c000 + b.up, c2 = c000 + r.up + b.up;
      } else if (dg >= dr && dr >= db) {
        w0 = 17 - dg, w1 = dg - dr, w2 = dr - db, w3 = db;
        c1 = c000 + g.up, c2 = c000 + r.up + g.up;
      } else if (dg >= db && db >= dr) {
        w0 = 17 - dg, w1 = dg - db, w2 = db - dr, w3 = dr;
        c1 = c000 + g.up, c2 = c000 + g.up + b.up;
      } else {
        w0 = 17 - db, w1 = db - dg, w2 = dg - dr, w3 = dr;
        c1 = c000 + b.up, c2 = c000 + g.up + b.up;
      }
      uint8_t o[3];
      for (int c = 0; c < 3; ++c)
        o[c] = channelFromDouble((w0 * c000[c] + w1 * c1[c] + w2 * c2[c] + w3 * c111[c]) / 17.0);
      bgra32::storeRgb(target, o[0], o[1], o[2]);
    }
  }
}

// The tetrahedron of the general loop without its branches: the six
// comparisons of the distances pick, through a table made by the very same
// tests in the same order, the axes from largest distance to smallest, so
// ties go where they go there.
struct AxisOrder {
  uint8_t first, second, third;  // 0 red, 1 green, 2 blue
};

std::array<AxisOrder, 64> makeOrders() {
  std::array<AxisOrder, 64> orders{};
  for (unsigned bits = 0; bits < 64; ++bits) {
    const bool rg = bits & 1, gr = bits & 2, gb = bits & 4, bg = bits & 8, rb = bits & 16,
               br = bits & 32;  // rg: dr >= dg, and so on
    AxisOrder o;
    if (rg && gb)
      o = {0, 1, 2};
    else if (rb && bg)
      o = {0, 2, 1};
    else if (br && rg)
      o = {2, 0, 1};
    else if (gr && rb)
      o = {1, 0, 2};
    else if (gb && br)
      o = {1, 2, 0};
    else
      o = {2, 1, 0};
    orders[bits] = o;
  }
  return orders;
}

const std::array<AxisOrder, 64>& axisOrders() {
  static const std::array<AxisOrder, 64> orders = makeOrders();
  return orders;
}

#if defined(__SSE2__)
// Red and green outputs in one SSE2 register, blue in another; the same
// products, sums and division as the general loop, lane by lane.
void mapSse2(SourceRows in, ResultRows out, AreaBounds area, const Lut3DTable& table) {
  const double* t = &table[0][0][0][0];
  const Axis& ra = redAxis();
  const Axis& ga = greenAxis();
  const Axis& ba = blueAxis();
  const std::array<AxisOrder, 64>& orders = axisOrders();
  const __m128d seventeen = _mm_set1_pd(17.0), zero = _mm_setzero_pd(), top = _mm_set1_pd(255.0);
  auto limited = [&](__m128d v) {
    return _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(_mm_div_pd(v, seventeen), zero), top));
  };
  for (int32_t y = area.top; y < area.bottom; ++y) {
    const uint8_t* source = bgra32::at(in.row(y), area.left);
    uint8_t* target = bgra32::at(out.row(y), area.left);
    for (int32_t x = area.left; x < area.right; ++x, source += 4, target += 4) {
      const AxisPosition p[3] = {ra[source[bgra32::kRed]], ga[source[bgra32::kGreen]],
                                 ba[source[bgra32::kBlue]]};
      const int32_t d[3] = {p[0].seventeenths, p[1].seventeenths, p[2].seventeenths};
      const unsigned bits = unsigned(d[0] >= d[1]) | unsigned(d[1] >= d[0]) << 1 |
                            unsigned(d[1] >= d[2]) << 2 | unsigned(d[2] >= d[1]) << 3 |
                            unsigned(d[0] >= d[2]) << 4 | unsigned(d[2] >= d[0]) << 5;
      const AxisOrder o = orders[bits];
      const double* c000 = t + p[0].base + p[1].base + p[2].base;
      const double* c1 = c000 + p[o.first].up;
      const double* c2 = c1 + p[o.second].up;
      const double* c111 = c2 + p[o.third].up;
      const __m128d w0 = _mm_set1_pd(double(17 - d[o.first]));
      const __m128d w1 = _mm_set1_pd(double(d[o.first] - d[o.second]));
      const __m128d w2 = _mm_set1_pd(double(d[o.second] - d[o.third]));
      const __m128d w3 = _mm_set1_pd(double(d[o.third]));
      auto weighed = [&](int c, bool pair) {
        auto load = [&](const double* corner) {
          return pair ? _mm_loadu_pd(corner + c) : _mm_load_sd(corner + c);
        };
        return _mm_add_pd(
            _mm_add_pd(_mm_add_pd(_mm_mul_pd(w0, load(c000)), _mm_mul_pd(w1, load(c1))),
                       _mm_mul_pd(w2, load(c2))),
            _mm_mul_pd(w3, load(c111)));
      };
      const __m128i redGreen = limited(weighed(0, true));
      const __m128i blue = limited(weighed(2, false));
      bgra32::storeRgb(target, uint8_t(_mm_cvtsi128_si32(redGreen)),
                       uint8_t(_mm_cvtsi128_si32(_mm_shuffle_epi32(redGreen, 1))),
                       uint8_t(_mm_cvtsi128_si32(blue)));
    }
  }
}
#endif

}  // namespace

void mapThroughLut3D(SourceRows in, ResultRows out, AreaBounds area, const Lut3DTable& table,
                     KernelPath path) {
  if (area.empty()) return;
#if defined(__SSE2__)
  if (path == KernelPath::Fast) {
    mapSse2(in, out, area, table);
    return;
  }
#endif
  (void)path;
  mapGeneral(in, out, area, table);
}

}  // namespace zrw
