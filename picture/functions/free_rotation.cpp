#include "picture/functions/free_rotation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <memory>
#include <new>
#include <numbers>
#include <optional>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "picture/frame/bgra32.h"
#include "picture/frame/fast_paths.h"
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

using Channels = std::array<uint8_t, 3>;  // blue, green, red, as stored

// A skew shifts a line by `whole` pixels and blends each pixel with the
// `weight` part of its predecessor: of every channel value v the part
// truncate(weight * v) spills into the next pixel. The spill of each value
// is worked out once per line.
// Where a 16-bit multiplier m gives every spill as (m v) >> 16, `multiplier`
// holds it; otherwise it is nullopt.
struct Skew {
  int32_t whole;
  std::array<uint8_t, 256> spill;
  std::optional<uint16_t> multiplier;

  explicit Skew(double shift) : whole(static_cast<int32_t>(std::floor(shift))) {
    const double weight = shift - std::floor(shift);
    for (int v = 0; v < 256; ++v) spill[static_cast<size_t>(v)] = static_cast<uint8_t>(weight * v);
    const auto near = static_cast<uint32_t>(weight * 65536.0);  // weight < 1
    for (uint32_t m : {near, near + 1}) {
      bool exact = m <= 0xFFFF;
      for (uint32_t v = 0; exact && v < 256; ++v) exact = ((m * v) >> 16) == spill[v];
      if (exact) {
        multiplier = static_cast<uint16_t>(m);
        break;
      }
    }
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

// `count` pixels of one value, side by side.
void fillPixels(uint8_t* first, int64_t count, uint32_t value) {
  for (int64_t j = 0; j < count; ++j, first += 4) pixel_words::store(first, value);
}

// Pixels [begin, end) of the skew of one line of `length` pixels (4 bytes
// apart) into `out`, which holds pixel `begin` first. Source pixel j lands at
// whole + j as itself less its spill plus its predecessor's spill; before
// the first pixel and after the last the line holds the background, and the
// position just after the last pixel receives the background less its spill
// plus the last pixel's spill.
// With `vectors`, where the skew has a multiplier, four pixels at a time in
// 16-bit lanes, each pixel's predecessor's spill shifted in beside it.
void skewSegment(const uint8_t* in, int32_t length, const Skew& skew, Channels background,
                 uint8_t* out, int32_t begin, int32_t end, bool vectors) {
  const uint32_t paper = valueOf(background);
  const int64_t whole = skew.whole;
  int64_t x = begin;
  const int64_t paperEnd = std::clamp<int64_t>(whole, begin, end);
  fillPixels(out, paperEnd - x, paper);
  x = paperEnd;
  const int64_t insideEnd = std::clamp<int64_t>(whole + length, x, end);
  if (x < end) {
    // The predecessor of the pixel landing at x.
    const int64_t before = x - whole - 1;
    const uint8_t* b = before >= 0 && before < length ? in + 4 * before : background.data();
    int carry0 = skew.spill[b[0]], carry1 = skew.spill[b[1]], carry2 = skew.spill[b[2]];
    const uint8_t* pixel = x < insideEnd ? in + 4 * (x - whole) : in;
    uint8_t* to = out + 4 * (x - begin);
#if defined(__SSE2__)
    if (vectors && skew.multiplier) {
      const __m128i zero = _mm_setzero_si128(), keep = _mm_set1_epi32(0x00FFFFFF);
      const __m128i factor = _mm_set1_epi16(static_cast<int16_t>(*skew.multiplier));
      __m128i carry = _mm_setr_epi16(static_cast<int16_t>(carry0), static_cast<int16_t>(carry1),
                                     static_cast<int16_t>(carry2), 0, 0, 0, 0, 0);
      for (; x + 4 <= insideEnd; x += 4, pixel += 16, to += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixel));
        const __m128i lo = _mm_unpacklo_epi8(v, zero), hi = _mm_unpackhi_epi8(v, zero);
        const __m128i spillLo = _mm_mulhi_epu16(lo, factor), spillHi = _mm_mulhi_epu16(hi, factor);
        const __m128i beforeLo = _mm_or_si128(_mm_slli_si128(spillLo, 8), carry);
        const __m128i beforeHi =
            _mm_or_si128(_mm_slli_si128(spillHi, 8), _mm_srli_si128(spillLo, 8));
        carry = _mm_srli_si128(spillHi, 8);
        const __m128i mixedLo = _mm_add_epi16(_mm_sub_epi16(lo, spillLo), beforeLo);
        const __m128i mixedHi = _mm_add_epi16(_mm_sub_epi16(hi, spillHi), beforeHi);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to),
                         _mm_and_si128(_mm_packus_epi16(mixedLo, mixedHi), keep));
      }
      carry0 = _mm_extract_epi16(carry, 0);
      carry1 = _mm_extract_epi16(carry, 1);
      carry2 = _mm_extract_epi16(carry, 2);
    }
#else
    (void)vectors;
#endif
    for (; x < insideEnd; ++x, pixel += 4, to += 4) {
      const int s0 = skew.spill[pixel[0]], s1 = skew.spill[pixel[1]], s2 = skew.spill[pixel[2]];
      storeChannels(to, pixel[0] - s0 + carry0, pixel[1] - s1 + carry1, pixel[2] - s2 + carry2);
      carry0 = s0;
      carry1 = s1;
      carry2 = s2;
    }
    if (x < end && x == whole + length) {
      storeChannels(to, background[0] - skew.spill[background[0]] + carry0,
                    background[1] - skew.spill[background[1]] + carry1,
                    background[2] - skew.spill[background[2]] + carry2);
      ++x;
    }
  }
  if (x < end) fillPixels(out + 4 * (x - begin), end - x, paper);
}

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

// The three shears are worked a band of result rows at a time. The rows of
// the first shear are made on demand, a strip of columns at a time, and are
// skewed down the columns into the band; the band's rows are then skewed
// into the result. Only the band lives in memory between the steps: no
// picture-sized intermediate is written, which keeps the work in cache and
// away from fresh memory.
void rotateByShears(SourceRows source, ResultRows result, double degrees, RbColor background,
                    KernelPath path) {
  const ShearAngles a(degrees);
  const double s = a.sine, t = a.tangentOfHalf;
  const int32_t width = source.width, height = source.height;
  const Channels paper = {static_cast<uint8_t>(background), static_cast<uint8_t>(background >> 8),
                          static_cast<uint8_t>(background >> 16)};
  const uint32_t paperValue = valueOf(paper);

  // First shear: rows, each shifted right by t (y + 1/2).
  const int32_t firstWidth = firstShearWidth(width, height, a);
  std::vector<Skew> rowSkews;
  rowSkews.reserve(static_cast<size_t>(height));
  for (int32_t y = 0; y < height; ++y)
    rowSkews.emplace_back(t >= 0.0 ? t * (0.5 + y) : t * (0.5 + y - height));

  // Second shear: columns, shifted down by less the further right they are.
  std::vector<Skew> columnSkews;
  columnSkews.reserve(static_cast<size_t>(firstWidth));
  double columnShift = s > 0.0 ? (width - 1) * s : -s * (width - firstWidth);
  for (int32_t x = 0; x < firstWidth; ++x, columnShift -= s) columnSkews.emplace_back(columnShift);

  // Third shear: rows again, into the result.
  double rowShift =
      s >= 0.0 ? -t * (width - 1) * s : ((1.0 - result.height) + (width - 1) * (-s)) * t;

  constexpr int32_t kBand = 128, kStrip = 32;
  WorkPicture band(firstWidth, std::min(kBand, result.height));
  ResultRows bandRows = band.rows();
  std::array<uint8_t, 4 * kStrip> segment;
  std::array<std::array<int, 3>, kStrip> carry;
  // Pixels [x0, x0 + count) of row i of the first shear; the background
  // above and below the picture.
  const auto firstShearRow = [&](int64_t i, int32_t x0, int32_t count) {
    if (i >= 0 && i < height)
      skewSegment(source.row(static_cast<int32_t>(i)), width, rowSkews[size_t(i)], paper,
                  segment.data(), x0, x0 + count, path == KernelPath::Fast);
    else
      fillPixels(segment.data(), count, paperValue);
  };

  for (int32_t y0 = 0; y0 < result.height; y0 += kBand) {
    const int32_t rows = std::min(kBand, result.height - y0);
    for (int32_t y = 0; y < rows; ++y) fillPixels(bandRows.row(y), firstWidth, paperValue);
    for (int32_t x0 = 0; x0 < firstWidth; x0 += kStrip) {
      const int32_t count = std::min(kStrip, firstWidth - x0);
      int64_t lowest = columnSkews[size_t(x0)].whole, highest = lowest;
      for (int32_t k = 1; k < count; ++k) {
        lowest = std::min<int64_t>(lowest, columnSkews[size_t(x0 + k)].whole);
        highest = std::max<int64_t>(highest, columnSkews[size_t(x0 + k)].whole);
      }
      // Row i of the first shear lands at i + whole; past row `height`
      // only the background remains, as it is before row 0.
      const int64_t first = std::max<int64_t>(int64_t{y0} - highest, 0);
      const int64_t last = std::min<int64_t>(int64_t{y0} + rows - 1 - lowest, height);
      if (first > last) continue;
      firstShearRow(first - 1, x0, count);
#if defined(__SSE2__)
      // Two columns to a vector of 16-bit lanes, each column's multiplier
      // in its pixel's lanes; the carry down a column is the spill of the
      // row above.
      bool multiplied = path == KernelPath::Fast;
      for (int32_t k = 0; multiplied && k < count; ++k)
        multiplied = columnSkews[size_t(x0 + k)].multiplier.has_value();
      if (multiplied) {
        __m128i factors[kStrip / 2], carries[kStrip / 2];
        const __m128i zero = _mm_setzero_si128();
        const auto channels = [&](int32_t pair) {
          return _mm_unpacklo_epi8(
              _mm_loadl_epi64(reinterpret_cast<const __m128i*>(segment.data() + 8 * pair)), zero);
        };
        const int32_t pairs = (count + 1) / 2;
        for (int32_t pair = 0; pair < pairs; ++pair) {
          const auto factor = [&](int32_t k) -> int16_t {
            return k < count ? static_cast<int16_t>(*columnSkews[size_t(x0 + k)].multiplier) : 0;
          };
          const int16_t left = factor(2 * pair), right = factor(2 * pair + 1);
          factors[pair] = _mm_set_epi16(right, right, right, right, left, left, left, left);
          carries[pair] = _mm_mulhi_epu16(channels(pair), factors[pair]);
        }
        for (int64_t i = first; i <= last; ++i) {
          firstShearRow(i, x0, count);
          for (int32_t pair = 0; pair < pairs; ++pair) {
            const __m128i v = channels(pair);
            const __m128i spill = _mm_mulhi_epu16(v, factors[pair]);
            const __m128i mixed = _mm_add_epi16(_mm_sub_epi16(v, spill), carries[pair]);
            carries[pair] = spill;
            const __m128i two = _mm_packus_epi16(mixed, mixed);
            for (int32_t k = 2 * pair, lane = 0; lane < 2 && k < count; ++k, ++lane) {
              const int64_t at = i + columnSkews[size_t(x0 + k)].whole - y0;
              if (at >= 0 && at < rows)
                pixel_words::store(
                    bandRows.row(static_cast<int32_t>(at)) + 4 * static_cast<ptrdiff_t>(x0 + k),
                    static_cast<uint32_t>(
                        _mm_cvtsi128_si32(lane == 0 ? two : _mm_srli_epi64(two, 32))));
            }
          }
        }
        continue;
      }
#endif
      for (int32_t k = 0; k < count; ++k)
        for (size_t c = 0; c < 3; ++c)
          carry[size_t(k)][c] = columnSkews[size_t(x0 + k)].spill[segment[4 * size_t(k) + c]];
      for (int64_t i = first; i <= last; ++i) {
        firstShearRow(i, x0, count);
        const uint8_t* pixel = segment.data();
        for (int32_t k = 0; k < count; ++k, pixel += 4) {
          const Skew& skew = columnSkews[size_t(x0 + k)];
          std::array<int, 3>& before = carry[size_t(k)];
          const int64_t at = i + skew.whole - y0;
          const int s0 = skew.spill[pixel[0]], s1 = skew.spill[pixel[1]], s2 = skew.spill[pixel[2]];
          if (at >= 0 && at < rows)
            storeChannels(
                bandRows.row(static_cast<int32_t>(at)) + 4 * static_cast<ptrdiff_t>(x0 + k),
                pixel[0] - s0 + before[0], pixel[1] - s1 + before[1], pixel[2] - s2 + before[2]);
          before = {s0, s1, s2};
        }
      }
    }
    for (int32_t y = 0; y < rows; ++y, rowShift += t)
      skewSegment(bandRows.row(y), firstWidth, Skew(rowShift), paper, result.row(y0 + y), 0,
                  result.width, path == KernelPath::Fast);
  }
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
    rotateByShears(picture, result.rows(), rest, background, kernelPath());
    return result.finish();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace zrw
