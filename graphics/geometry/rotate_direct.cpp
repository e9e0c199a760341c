#include "graphics/geometry/rotate_direct.h"

#include <cmath>

#include "graphics/frame/operation.h"
#include "graphics/frame/pixel_access.h"
#include "graphics/geometry/flip_rotate.h"
#include "graphics/geometry/rotate_by_shear.h"
#include "host_binding/host_services.h"

namespace tvq {
namespace {

constexpr double kPi = 3.14159;
constexpr double kSubUnit = 16.0 * 65536.0;  // a source pixel in 16.16 sub-units

int64_t fixedOf(double v) { return static_cast<int64_t>(v); }  // |v| well below 2^62 here

int64_t floorDiv16(int64_t v) { return v >= 0 ? v / 16 : -((-v + 15) / 16); }

// The weight of a column (or row) of the footprint [first, last] in
// sub-units, by the edge rules: the first column by its start, the last by
// its end, whole columns between.
int64_t edgeWeight(int64_t index, int64_t firstIndex, int64_t lastIndex, int64_t low,
                   int64_t high) {
  if (index == firstIndex) {
    if (low >= 0) return 16 - low % 16;
    const int64_t w = (-low) % 16;
    return w == 0 ? 16 : w;
  }
  if (index == lastIndex) return high % 16;
  return 16;
}

}  // namespace

void rotateDirectInto(const PixelView& source, const PixelView& target, double theta,
                      uint32_t frameColor) {
  const PixelValue frame = frameColor & 0x00FFFFFFu;
  const int64_t w = source.width, h = source.height;
  const int64_t wr = target.width, hr = target.height;
  if (w <= 0 || h <= 0 || wr <= 0 || hr <= 0) return;
  const int64_t cx = wr / 2 - (wr - 16 * w) / 2;
  const int64_t cy = hr / 2 - (hr - 16 * h) / 2;
  const int64_t stepX = -fixedOf(std::cos(kPi - theta) * kSubUnit);
  const int64_t stepY = -fixedOf(std::sin(kPi - theta) * kSubUnit);
  const int64_t lx = fixedOf(std::cos(3.9269875 - theta) * std::sqrt(2.0) * kSubUnit);
  const int64_t ty = fixedOf(std::sin(4.712385 - theta) * kSubUnit);
  const int64_t by = fixedOf(std::sin(kPi - theta) * kSubUnit);
  const int64_t nextLeft = fixedOf(std::cos(4.712385 - theta) * kSubUnit);

  for (int64_t row = 0; row < hr; ++row) {
    const int64_t j = hr / 2 - hr + row;  // from the centre
    PixelWriter out(target, static_cast<int32_t>(row));
    bool covering = false;  // a pixel of this row has been covered
    bool ended = false;
    int64_t x = 0, y = 0;  // the reference corner, 16.16 sub-units
    for (int64_t col = 0; col < wr; ++col) {
      if (ended) {
        out.put(frame);
        continue;
      }
      const int64_t c = wr / 2 - wr + col;
      int64_t left, bottom;
      if (!covering) {
        const double d = std::sqrt(static_cast<double>((c + 1) * (c + 1) + (j + 1) * (j + 1)));
        if (d > 0) {
          double beta = std::asin(static_cast<double>(j + 1) / d);
          if (c < -1) beta = j < 0 ? 9.42477 - beta : kPi - beta;
          x = fixedOf((static_cast<double>(cx) + 16.0 * d * std::cos(beta - theta)) * 65536.0);
          y = fixedOf((static_cast<double>(cy) + 16.0 * d * std::sin(beta - theta)) * 65536.0);
        } else {
          x = cx * 65536;
          y = cy * 65536;
        }
        left = (x + lx) / 65536;
        bottom = (y + by + 65535) / 65536;
      } else {
        const int64_t px = x, py = y;
        x += stepX;
        y += stepY;
        left = (px + nextLeft) / 65536;
        bottom = (py + 65535) / 65536;
      }
      const int64_t right = (x + 65535) / 65536;
      const int64_t top = (y + ty) / 65536;
      const bool covered = left < 16 * w && right >= 0 && top < 16 * h && bottom >= 0;
      if (!covered) {
        if (covering) ended = true;
        out.put(frame);
        continue;
      }
      covering = true;
      const int64_t x0 = floorDiv16(left), x1 = right / 16;
      const int64_t y0 = floorDiv16(top), y1 = bottom / 16;
      uint64_t red = 0, green = 0, blue = 0, total = 0;
      for (int64_t sy = y0; sy <= y1; ++sy) {
        const int64_t wy = edgeWeight(sy, y0, y1, top, bottom);
        for (int64_t sx = x0; sx <= x1; ++sx) {
          const auto weight = static_cast<uint64_t>(wy * edgeWeight(sx, x0, x1, left, right));
          const bool inside = sx >= 0 && sx < w && sy >= 0 && sy < h;
          const PixelValue v =
              inside
                  ? readPixel(source, source.at(static_cast<int32_t>(sx), static_cast<int32_t>(sy)))
                  : frame;
          red += weight * redOf(v);
          green += weight * greenOf(v);
          blue += weight * blueOf(v);
          total += weight;
        }
      }
      out.put(total == 0 ? frame
                         : makePixel(static_cast<uint8_t>(red / total),
                                     static_cast<uint8_t>(green / total),
                                     static_cast<uint8_t>(blue / total)));
    }
  }
}

RbPicture freeRotateDirectMethod(RbPicture p, double rotation, uint32_t frameColor) {
  {
    Operation op;
    const bool sourceGiven = op.check(p != nullptr, ErrorCode::SourceNil);
    const bool rotationValid =
        op.check(rotation >= 0.0 && rotation < 360.0, ErrorCode::RotationOutOfBounds);
    if (!sourceGiven || !rotationValid) return nullptr;
  }
  const double turns = std::floor(rotation / 90.0);
  const double phi = rotation - 90.0 * turns;
  // The quarter turns' own codes stand.
  RbPicture turned = flipRotateMethod(p, false, false, static_cast<int32_t>(turns));
  if (turned == nullptr || phi == 0.0) return turned;
  // The quarter-turned picture is this call's own; it goes when the call
  // ends.
  struct Release {
    RbPicture picture;
    ~Release() { host::release(picture); }
  } release{turned};
  Operation op;
  PictureLock in;
  if (!op.lock(in, turned, ErrorCode::IntermediateLock)) return nullptr;
  const double theta = phi * 2.0 * kPi / 360.0;
  const std::optional<TurnedSize> size = turnedSize(in.view().width, in.view().height, theta);
  OwnedPicture result;
  if (!op.check(size.has_value(), ErrorCode::ResultLock) ||
      !op.createResult(result, size->width, size->height, resultDepthFor(in.view().depth))) {
    return nullptr;
  }
  rotateDirectInto(in.view(), result.view(), theta, frameColor);
  return result.handOver();
}

}  // namespace tvq
