#include "picture/functions/free_rotation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <memory>
#include <new>
#include <numbers>
#include <vector>

#include "picture/frame/bgra32.h"
#include "picture/frame/picture_operation.h"
#include "picture/frame/pixel_words.h"
#include "picture/functions/copies.h"
#include "picture/functions/turns.h"

namespace zrw {
namespace {

// A picture held in plain memory between two steps of a turn. Every step
// writes all of its pixels, so the memory is not cleared first.
struct WorkPicture {
  std::unique_ptr<uint8_t[]> bytes;
  int32_t width = 0;
  int32_t height = 0;

  WorkPicture(int32_t width_, int32_t height_)
      : bytes(std::make_unique_for_overwrite<uint8_t[]>(4 * static_cast<size_t>(width_) *
                                                        static_cast<size_t>(height_))),
        width(width_),
        height(height_) {}
  ResultRows rows() { return {bytes.get(), 4 * static_cast<size_t>(width), width, height}; }
};

// One row of pixels: `step` bytes from one pixel to the next.
template <typename Byte>
struct Line {
  Byte* first;
  ptrdiff_t step;
  int32_t length;
  Byte* at(int32_t i) const { return first + step * i; }
};

using Channels = std::array<uint8_t, 3>;  // blue, green, red, as stored

// A skew shifts a line by `whole` pixels and blends each pixel with the
// `weight` part of its predecessor: of every channel value v the part
// truncate(weight * v) spills into the next pixel. The spill of each value
// is worked out once per line.
struct Skew {
  int32_t whole;
  std::array<uint8_t, 256> spill;

  explicit Skew(double shift) : whole(static_cast<int32_t>(std::floor(shift))) {
    const double weight = shift - std::floor(shift);
    for (int v = 0; v < 256; ++v) spill[static_cast<size_t>(v)] = static_cast<uint8_t>(weight * v);
  }
};

// Channels stay within 0..255 by construction: v - truncate(f v) +
// truncate(f u) < v (1 - f) + f u + 1 <= 256.
void storeChannels(uint8_t* pixel, int blue, int green, int red) {
  pixel_words::store(pixel, static_cast<uint32_t>(blue) | (static_cast<uint32_t>(green) << 8) |
                                (static_cast<uint32_t>(red) << 16));
}

uint32_t valueOf(Channels c) {
  return uint32_t{c[0]} | (uint32_t{c[1]} << 8) | (uint32_t{c[2]} << 16);
}

// `count` pixels of one value, `step` bytes apart.
void fillPixels(uint8_t* first, int32_t count, ptrdiff_t step, uint32_t value) {
  for (int32_t j = 0; j < count; ++j, first += step) pixel_words::store(first, value);
}

// Skews one source line into one result line: the result line is filled
// with the background, then source pixel i lands at whole + i as itself less
// its spill plus its predecessor's spill (the background's before the first
// pixel); after the last pixel the background receives the last spill.
// Positions outside the result line are skipped.
void skewLine(Line<const uint8_t> in, Line<uint8_t> out, const Skew& skew, Channels background) {
  fillPixels(out.first, out.length, out.step, valueOf(background));

  const int64_t firstInside = std::clamp<int64_t>(-int64_t{skew.whole}, 0, in.length);
  const int64_t endInside = std::min<int64_t>(in.length, int64_t{out.length} - int64_t{skew.whole});
  std::array<int, 3> carry;
  for (size_t c = 0; c < 3; ++c) {
    const uint8_t before = firstInside == 0 ? background[c] : in.at(int32_t(firstInside - 1))[c];
    carry[c] = skew.spill[before];
  }
  for (int64_t i = firstInside; i < endInside; ++i) {
    const uint8_t* pixel = in.at(static_cast<int32_t>(i));
    const int blue = pixel[0] - skew.spill[pixel[0]] + carry[0];
    const int green = pixel[1] - skew.spill[pixel[1]] + carry[1];
    const int red = pixel[2] - skew.spill[pixel[2]] + carry[2];
    carry = {skew.spill[pixel[0]], skew.spill[pixel[1]], skew.spill[pixel[2]]};
    storeChannels(out.at(static_cast<int32_t>(i + skew.whole)), blue, green, red);
  }
  const int64_t after = int64_t{skew.whole} + in.length;
  if (after >= 0 && after < out.length) {
    storeChannels(out.at(static_cast<int32_t>(after)),
                  background[0] - skew.spill[background[0]] + carry[0],
                  background[1] - skew.spill[background[1]] + carry[1],
                  background[2] - skew.spill[background[2]] + carry[2]);
  }
}

// The column skews of a whole picture, one Skew per column: the same as
// skewLine down each column, but walked a strip of columns at a time and row
// by row within it, so that memory is read and written along rows (a column
// walk would touch a new page at every pixel).
void skewColumns(SourceRows in, ResultRows out, const std::vector<Skew>& skews,
                 Channels background) {
  for (int32_t y = 0; y < out.height; ++y)
    fillPixels(out.row(y), out.width, 4, valueOf(background));
  constexpr int32_t kStrip = 512;
  std::array<std::array<int, 3>, kStrip> carry;
  for (int32_t x0 = 0; x0 < in.width; x0 += kStrip) {
    const int32_t strip = std::min(kStrip, in.width - x0);
    for (int32_t k = 0; k < strip; ++k)
      for (size_t c = 0; c < 3; ++c)
        carry[size_t(k)][c] = skews[size_t(x0 + k)].spill[background[c]];
    for (int32_t i = 0; i < in.height; ++i) {
      const uint8_t* pixel = in.row(i) + 4 * static_cast<ptrdiff_t>(x0);
      for (int32_t k = 0; k < strip; ++k, pixel += 4) {
        const Skew& skew = skews[size_t(x0 + k)];
        std::array<int, 3>& before = carry[size_t(k)];
        const int64_t at = int64_t{skew.whole} + i;
        if (at >= 0 && at < out.height)
          storeChannels(out.row(static_cast<int32_t>(at)) + 4 * static_cast<ptrdiff_t>(x0 + k),
                        pixel[0] - skew.spill[pixel[0]] + before[0],
                        pixel[1] - skew.spill[pixel[1]] + before[1],
                        pixel[2] - skew.spill[pixel[2]] + before[2]);
        before = {skew.spill[pixel[0]], skew.spill[pixel[1]], skew.spill[pixel[2]]};
      }
    }
    for (int32_t k = 0; k < strip; ++k) {
      const Skew& skew = skews[size_t(x0 + k)];
      const int64_t after = int64_t{skew.whole} + in.height;
      if (after >= 0 && after < out.height)
        storeChannels(out.row(static_cast<int32_t>(after)) + 4 * static_cast<ptrdiff_t>(x0 + k),
                      background[0] - skew.spill[background[0]] + carry[size_t(k)][0],
                      background[1] - skew.spill[background[1]] + carry[size_t(k)][1],
                      background[2] - skew.spill[background[2]] + carry[size_t(k)][2]);
    }
  }
}

Line<const uint8_t> rowOf(SourceRows rows, int32_t y) { return {rows.row(y), 4, rows.width}; }
Line<uint8_t> rowOf(ResultRows rows, int32_t y) { return {rows.row(y), 4, rows.width}; }

struct ShearAngles {
  double sine, cosine, tangentOfHalf;
  explicit ShearAngles(double degrees) {
    const double radians = degrees * std::numbers::pi / 180.0;
    sine = std::sin(radians);
    cosine = std::cos(radians);
    tangentOfHalf = std::tan(radians / 2.0);
  }
};

int32_t firstShearWidth(int32_t width, int32_t height, const ShearAngles& a) {
  return width + static_cast<int32_t>(std::fabs(a.tangentOfHalf) * height);
}

}  // namespace

std::optional<double> reducedAngle(double degrees) {
  if (!std::isfinite(degrees)) return std::nullopt;
  double reduced = std::fmod(degrees, 360.0);
  if (reduced < 0.0) reduced += 360.0;
  // A tiny negative angle rounds up to 360 when 360 is added: that is 0.
  if (reduced >= 360.0) reduced = 0.0;
  return reduced;
}

TurnedSize shearedSize(int32_t width, int32_t height, double degrees) {
  const ShearAngles a(degrees);
  return {static_cast<int32_t>(height * std::fabs(a.sine) + width * a.cosine) + 1,
          static_cast<int32_t>(width * std::fabs(a.sine) + height * a.cosine) + 1};
}

void rotateByShears(SourceRows source, ResultRows result, double degrees, RbColor background) {
  const ShearAngles a(degrees);
  const double s = a.sine, t = a.tangentOfHalf;
  const int32_t width = source.width, height = source.height;
  const Channels paper = {static_cast<uint8_t>(background), static_cast<uint8_t>(background >> 8),
                          static_cast<uint8_t>(background >> 16)};

  // Rows, each shifted right by t (y + 1/2).
  WorkPicture first(firstShearWidth(width, height, a), height);
  ResultRows firstRows = first.rows();
  for (int32_t y = 0; y < height; ++y) {
    const double shift = t >= 0.0 ? t * (0.5 + y) : t * (0.5 + y - height);
    skewLine(rowOf(source, y), rowOf(firstRows, y), Skew(shift), paper);
  }

  // Columns, shifted down by less the further right they are.
  const int32_t secondHeight = result.height;
  WorkPicture second(first.width, secondHeight);
  ResultRows secondRows = second.rows();
  std::vector<Skew> columnSkews;
  columnSkews.reserve(static_cast<size_t>(first.width));
  double columnShift = s > 0.0 ? (width - 1) * s : -s * (width - first.width);
  for (int32_t x = 0; x < first.width; ++x, columnShift -= s) columnSkews.emplace_back(columnShift);
  skewColumns(firstRows, secondRows, columnSkews, paper);

  // Rows again, into the result.
  double rowShift =
      s >= 0.0 ? -t * (width - 1) * s : ((1.0 - secondHeight) + (width - 1) * (-s)) * t;
  for (int32_t y = 0; y < secondHeight; ++y, rowShift += t)
    skewLine(rowOf(SourceRows(secondRows), y), rowOf(result, y), Skew(rowShift), paper);
}

RbPicture rotatePicture(RbPicture source, double degrees, RbColor background) {
  const std::optional<double> angle = reducedAngle(degrees);
  if (!angle) return nullptr;
  if (*angle == 0.0) return clonePicture(source);
  if (*angle == 90.0) return rotate90(source);
  if (*angle == 180.0) return rotate180(source);
  if (*angle == 270.0) return rotate270(source);

  const int quarters = static_cast<int>(*angle / 90.0);
  const double rest = *angle - 90.0 * quarters;
  SourceView view;
  if (!view.open(source)) return nullptr;
  try {
    SourceRows picture = view.rows();
    std::optional<WorkPicture> turned;
    if (quarters > 0) {
      const bool quarter = quarters != 2;
      turned.emplace(quarter ? picture.height : picture.width,
                     quarter ? picture.width : picture.height);
      const Turn turn = quarters == 1   ? Turn::QuarterCounterClockwise
                        : quarters == 2 ? Turn::Half
                                        : Turn::QuarterClockwise;
      turnRows(picture, turned->rows(), turn);
      picture = turned->rows();
    }
    const TurnedSize size = shearedSize(picture.width, picture.height, rest);
    ResultBuffer result;
    if (!result.create(size.width, size.height)) return nullptr;
    rotateByShears(picture, result.rows(), rest, background);
    return result.finish();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace zrw
