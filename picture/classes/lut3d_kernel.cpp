#include "picture/classes/lut3d_kernel.h"

#include <array>

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

}  // namespace

void mapThroughLut3D(SourceRows in, ResultRows out, AreaBounds area, const Lut3DTable& table) {
  if (area.empty()) return;
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

}  // namespace zrw
