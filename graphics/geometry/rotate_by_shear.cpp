#include "graphics/geometry/rotate_by_shear.h"

#include <cmath>

#include "graphics/frame/operation.h"
#include "graphics/frame/symmetry.h"
#include "graphics/geometry/shear.h"

namespace tvq {
namespace {

constexpr double kPi = 3.14159;
constexpr double kTwoPi = 6.28318;

double wrapped(double a) {
  if (a < 0) a += kTwoPi;
  if (a > kTwoPi) a -= kTwoPi;
  return a;
}

std::optional<int32_t> side(double v) {
  if (!(v >= 1.0 && v <= 65535.0)) return std::nullopt;
  return static_cast<int32_t>(v);
}

// The extent of a w-wide picture sheared by `shear` across h lines.
std::optional<int32_t> shearedExtent(int32_t w, int32_t h, double shear) {
  const auto q = static_cast<int64_t>(std::fabs(std::trunc(shear * 65536.0)));
  const int64_t extent = (int64_t{w} * 65536 + q * h + 65535) / 65536;
  if (extent < 1 || extent > 65535) return std::nullopt;
  return static_cast<int32_t>(extent);
}

// A working picture and, for the transparent variant, its mask beside it.
struct Stage {
  OwnedPicture pixels;
  OwnedPicture levels;
  // maskDepth 0: no mask beside it.
  bool create(int32_t width, int32_t height, int32_t depth, int32_t maskDepth) {
    return pixels.create(width, height, depth) &&
           (maskDepth == 0 || levels.create(width, height, maskDepth));
  }
};

RbPicture rotateByShear(RbPicture p, double rotation, const uint32_t* frameColor) {
  Operation op;
  const bool sourceGiven = op.check(p != nullptr, ErrorCode::SourceNil);
  const bool rotationValid =
      op.check(rotation >= 0.0 && rotation < 360.0, ErrorCode::RotationOutOfBounds);  // NaN too
  if (!sourceGiven || !rotationValid) return nullptr;
  // From here on failures leave the code at 0.
  const bool masked = frameColor == nullptr;
  const uint32_t frame = masked ? 0 : *frameColor;
  PictureLock in;
  if (!in.lock(p)) return nullptr;
  PictureLock inMask;
  if (masked && !inMask.lockMaskOf(p)) return nullptr;

  const double turns = std::floor((rotation + 45.0) / 90.0);  // 0 to 4
  const Symmetry quarterTurns = symmetryOf(false, false, static_cast<int32_t>(turns));
  const double theta = (rotation - 90.0 * turns) * kPi / 180.0;
  const int32_t depth = resultDepthFor(in.view().depth);
  // Mask intermediates are made at the mask's own depth, and working
  // pictures exist at 1, 16, 24 and 32 bits only: with an 8-bit mask (what
  // the host makes for a source without one) the transparent form gives nil.
  const int32_t maskDepth = masked ? inMask.view().depth : 0;
  if (masked && maskDepth != 1 && maskDepth != 16 && maskDepth != 24 && maskDepth != 32)
    return nullptr;
  const bool exchanged = exchangesSides(quarterTurns);
  const int32_t w = exchanged ? in.view().height : in.view().width;
  const int32_t h = exchanged ? in.view().width : in.view().height;

  Stage turned;
  if (!turned.create(w, h, depth, maskDepth)) return nullptr;
  convertAlong(in.view(), turned.pixels.view(), quarterTurns);
  if (masked) convertAlong(inMask.view(), turned.levels.view(), quarterTurns);

  const std::optional<TurnedSize> size = turnedSize(w, h, theta);
  const double s1 = -std::tan(-theta / 2.0);
  const double s2 = std::sin(-theta);
  const double s3 = std::tan(theta / 2.0);
  const std::optional<int32_t> w2 = shearedExtent(w, h, s1);
  if (!size || !w2) return nullptr;
  const std::optional<int32_t> h3 = shearedExtent(h, *w2, s2);
  if (!h3) return nullptr;

  auto shearStage = [&](const Stage& from, const PixelView& to, const PixelView* toMask,
                        ShearAxis axis, double shear) {
    shearInto(from.pixels.view(), masked ? &from.levels.view() : nullptr, to, toMask, axis, shear,
              frame);
  };
  Stage first;
  if (!first.create(*w2, h, depth, maskDepth)) return nullptr;
  shearStage(turned, first.pixels.view(), masked ? &first.levels.view() : nullptr,
             ShearAxis::Horizontal, s1);
  Stage second;
  if (!second.create(*w2, *h3, depth, maskDepth)) return nullptr;
  shearStage(first, second.pixels.view(), masked ? &second.levels.view() : nullptr,
             ShearAxis::Vertical, s2);
  OwnedPicture result;
  if (!result.create(size->width, size->height, depth)) return nullptr;
  PictureLock resultMask;
  if (masked && !resultMask.lockMaskOf(result.picture())) return nullptr;
  shearStage(second, result.view(), masked ? &resultMask.view() : nullptr, ShearAxis::Horizontal,
             s3);
  return result.handOver();
}

}  // namespace

std::optional<TurnedSize> turnedSize(int32_t w, int32_t h, double theta) {
  if (theta == 0.0) return TurnedSize{w, h};
  const double wd = w, hd = h;
  const double r = std::sqrt((wd * wd + hd * hd) / 4.0);
  const double alpha = std::atan(hd / wd);
  const double a1 = wrapped(alpha + theta);
  const double a2 = wrapped((kPi - alpha) + theta);
  const double a4 = wrapped(theta - alpha);
  const double width = std::ceil((theta > 0 ? std::cos(a4) : std::cos(a1)) * 2.0 * r);
  const double height = std::ceil((theta > 0 ? std::sin(a1) : std::sin(a2)) * 2.0 * r);
  const std::optional<int32_t> sw = side(width), sh = side(height);
  if (!sw || !sh) return std::nullopt;
  return TurnedSize{*sw, *sh};
}

RbPicture freeRotateByShearMethod(RbPicture p, double rotation) {
  return rotateByShear(p, rotation, nullptr);
}

RbPicture freeRotateByShearFramedMethod(RbPicture p, double rotation, uint32_t frameColor) {
  return rotateByShear(p, rotation, &frameColor);
}

}  // namespace tvq
