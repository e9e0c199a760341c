#include "graphics/geometry/stretch.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <type_traits>
#include <vector>

#include "graphics/classes/client_picture.h"
#include "graphics/frame/client_picture_lock.h"
#include "graphics/frame/format_access.h"
#include "graphics/frame/operation.h"
#include "graphics/frame/sse2_available.h"
#include "host_binding/host_services.h"

#if TVQ_SSE2_AVAILABLE
#include <emmintrin.h>

#include "graphics/frame/sse2_pixels.h"
#endif

namespace tvq {
namespace {

using F = PixelFormat;

constexpr int32_t kOneSample = 32768;  // a sample's weight, 15 fraction bits

// Sample k of a row, as a colour: a 1-bit pixel black when its bit is set
// (most significant bit first), white when clear.
template <typename Access>
inline PixelValue loadSample(Access access, const PixelView& v, const uint8_t* row, int32_t k) {
  if constexpr (std::is_same_v<Access, PerPixel>) {
    if (v.depth == 1) return (row[k >> 3] & (0x80u >> (k & 7))) != 0 ? 0 : 0x00FFFFFFu;
    if (v.bytesPerPixel == 0) return 0;
  }
  return fetch(access, v, row + static_cast<ptrdiff_t>(k) * stepOf(access, v));
}

// Writes the channel means at sample i of a row: a 1-bit pixel is set
// (black) only when all three are 0; formats that cannot be written keep
// what they had.
template <typename Access>
inline void putSample(Access access, const PixelView& v, uint8_t* row, int32_t i, uint32_t red,
                      uint32_t green, uint32_t blue) {
  if constexpr (std::is_same_v<Access, PerPixel>) {
    if (v.depth == 1) {
      uint8_t& byte = row[i >> 3];
      const auto bit = static_cast<uint8_t>(0x80u >> (i & 7));
      byte = (red | green | blue) == 0 ? static_cast<uint8_t>(byte | bit)
                                       : static_cast<uint8_t>(byte & ~bit);
      return;
    }
    if (v.bytesPerPixel == 0) return;
  }
  store(access, v, row + static_cast<ptrdiff_t>(i) * stepOf(access, v),
        makePixel(static_cast<uint8_t>(red), static_cast<uint8_t>(green),
                  static_cast<uint8_t>(blue)));
}

// Where a line's cursor stands: the next sample to load and the units of
// the current one not yet given out.
struct Cursor {
  int32_t next = 0;
  int32_t left = 0;
};

// `Rows` source rows resampled together: they share the cursor, since
// every row of a pass has the same length and weights.
template <int32_t Rows, typename In, typename Out>
void stretchRowGroup(const PixelView& in, const PixelView& out, int32_t y, StretchWeights w) {
  const In inAccess{};
  const Out outAccess{};
  const int32_t n = in.width;
  const uint8_t* from[Rows];
  uint8_t* to[Rows];
  for (int32_t r = 0; r < Rows; ++r) {
    from[r] = in.row(y + r);
    to[r] = out.row(y + r);
  }
  Cursor cursor;
  PixelValue sample[Rows] = {};
  for (int32_t i = 0; i < out.width; ++i) {
    int32_t need = w.demand;
    uint32_t red[Rows] = {}, green[Rows] = {}, blue[Rows] = {};
    while (need > 0 && (cursor.next < n || cursor.left > 0)) {
      if (cursor.left <= 0) {
        for (int32_t r = 0; r < Rows; ++r)
          sample[r] = loadSample(inAccess, in, from[r], cursor.next);
        ++cursor.next;
        cursor.left = w.supply;
      }
      const auto take = static_cast<uint32_t>(std::min(cursor.left, need));
      for (int32_t r = 0; r < Rows; ++r) {
        red[r] += take * redOf(sample[r]);
        green[r] += take * greenOf(sample[r]);
        blue[r] += take * blueOf(sample[r]);
      }
      cursor.left -= static_cast<int32_t>(take);
      need -= static_cast<int32_t>(take);
    }
    const auto demand = static_cast<uint32_t>(w.demand);
    for (int32_t r = 0; r < Rows; ++r) {
      putSample(outAccess, out, to[r], i, red[r] / demand, green[r] / demand, blue[r] / demand);
    }
  }
}

// Two rows a step, and a last single row when the height is odd.
template <typename In, typename Out>
void stretchRowsWith(const PixelView& in, const PixelView& out, StretchWeights w) {
  const int32_t rows = std::min(in.height, out.height);
  int32_t y = 0;
  for (; y + 1 < rows; y += 2) stretchRowGroup<2, In, Out>(in, out, y, w);
  if (y < rows) stretchRowGroup<1, In, Out>(in, out, y, w);
}

// Columns are resampled a strip at a time, the strip's sums kept side by
// side, so the source is read a row at a time however long its columns
// are. Every column has the same weights, so one cursor serves the strip.
constexpr int32_t kColumnStrip = 64;

template <typename In, typename Out>
void stretchColumnsWith(const PixelView& in, const PixelView& out, StretchWeights w) {
  const In inAccess{};
  const Out outAccess{};
  const int32_t n = in.height;
  const int32_t columns = std::min(in.width, out.width);
  const auto demand = static_cast<uint32_t>(w.demand);
  for (int32_t c0 = 0; c0 < columns; c0 += kColumnStrip) {
    const int32_t count = std::min(kColumnStrip, columns - c0);
    Cursor cursor;
    const uint8_t* current = nullptr;
    for (int32_t i = 0; i < out.height; ++i) {
      int32_t need = w.demand;
      uint32_t red[kColumnStrip] = {}, green[kColumnStrip] = {}, blue[kColumnStrip] = {};
      while (need > 0 && (cursor.next < n || cursor.left > 0)) {
        if (cursor.left <= 0) {
          current = in.row(cursor.next);
          ++cursor.next;
          cursor.left = w.supply;
        }
        const auto take = static_cast<uint32_t>(std::min(cursor.left, need));
        for (int32_t c = 0; c < count; ++c) {
          const PixelValue v = loadSample(inAccess, in, current, c0 + c);
          red[c] += take * redOf(v);
          green[c] += take * greenOf(v);
          blue[c] += take * blueOf(v);
        }
        cursor.left -= static_cast<int32_t>(take);
        need -= static_cast<int32_t>(take);
      }
      uint8_t* to = out.row(i);
      for (int32_t c = 0; c < count; ++c) {
        putSample(outAccess, out, to, c0 + c, red[c] / demand, green[c] / demand, blue[c] / demand);
      }
    }
  }
}

// The fast loops take each line's weights from a plan made once per pass:
// every line of a pass has the same length and weights, so the cursor walk
// gives every line the same terms. Output i is the sum of weight[i][t] x
// sample first[i] + t over the taps, divided by the demand.
struct LinePlan {
  int32_t taps = 0;
  std::vector<int32_t> first;
  std::vector<uint32_t> weight;  // taps per output
  // Division by the demand as a multiplication in double precision: a sum
  // is below 2^23 and the demand at most 32768, so (sum + 1/2) / demand
  // lies at least 1/65536 from any integer and the product's error is far
  // smaller; truncating it gives the integer quotient exactly.
  double reciprocal = 0;
  // When the demand is a power of two (as whenever the supply divides
  // exactly), the division is this shift; else -1.
  int32_t shift = -1;
  uint32_t divide(uint32_t sum) const {
    // Through signed integers, which convert to and from double in vectors.
    return static_cast<uint32_t>(
        static_cast<int32_t>((static_cast<double>(static_cast<int32_t>(sum)) + 0.5) * reciprocal));
  }
};

LinePlan planLine(int32_t n, int32_t m, StretchWeights w) {
  LinePlan plan;
  plan.reciprocal = 1.0 / w.demand;
  if ((w.demand & (w.demand - 1)) == 0) {
    plan.shift = 0;
    while ((int32_t{1} << plan.shift) < w.demand) ++plan.shift;
  }
  std::vector<int32_t> firstTerm(static_cast<size_t>(m) + 1);
  std::vector<int32_t> sample;
  std::vector<uint32_t> take;
  Cursor cursor;
  for (int32_t i = 0; i < m; ++i) {
    firstTerm[static_cast<size_t>(i)] = static_cast<int32_t>(sample.size());
    int32_t need = w.demand;
    while (need > 0 && (cursor.next < n || cursor.left > 0)) {
      if (cursor.left <= 0) {
        ++cursor.next;
        cursor.left = w.supply;
      }
      const int32_t t = std::min(cursor.left, need);
      sample.push_back(cursor.next - 1);
      take.push_back(static_cast<uint32_t>(t));
      cursor.left -= t;
      need -= t;
    }
  }
  firstTerm[static_cast<size_t>(m)] = static_cast<int32_t>(sample.size());
  for (int32_t i = 0; i < m; ++i) {
    plan.taps = std::max(plan.taps,
                         firstTerm[static_cast<size_t>(i) + 1] - firstTerm[static_cast<size_t>(i)]);
  }
  plan.taps = std::max(plan.taps, 1);
  plan.first.assign(static_cast<size_t>(m), 0);
  plan.weight.assign(static_cast<size_t>(m) * static_cast<size_t>(plan.taps), 0);
  for (int32_t i = 0; i < m; ++i) {
    const int32_t begin = firstTerm[static_cast<size_t>(i)];
    const int32_t count = firstTerm[static_cast<size_t>(i) + 1] - begin;
    // Terms are consecutive samples; padding taps of weight 0 go where they
    // keep every read inside the line (a line has at least `taps` samples).
    int32_t first = count > 0 ? sample[static_cast<size_t>(begin)] : 0;
    const int32_t shift = std::max(0, first + plan.taps - n);
    first -= shift;
    plan.first[static_cast<size_t>(i)] = first;
    for (int32_t t = 0; t < count; ++t) {
      plan.weight[static_cast<size_t>(i) * static_cast<size_t>(plan.taps) +
                  static_cast<size_t>(t + shift)] = take[static_cast<size_t>(begin + t)];
    }
  }
  return plan;
}

// Rows of 24- or 32-bit pixels, channel bytes summed where they lie; two
// rows a step, and a last single row when the height is odd. A 32-bit
// result's fourth byte is 0. `Taps` fixes the plan's taps where it is small
// (0: as many as the plan has).
template <int32_t Bytes, int32_t Taps, bool Shifted>
void planRowsWith(const PixelView& in, const PixelView& out, const LinePlan& plan) {
  const int32_t rows = std::min(in.height, out.height);
  const int32_t taps = Taps > 0 ? Taps : plan.taps;
  for (int32_t y = 0; y < rows; y += 2) {
    const int32_t count = std::min(2, rows - y);
    const uint8_t* from[2] = {in.row(y), in.row(y + count - 1)};
    uint8_t* to[2] = {out.row(y), out.row(y + count - 1)};
    for (int32_t i = 0; i < out.width; ++i) {
      const uint32_t* weight = plan.weight.data() + static_cast<size_t>(i) * taps;
      const ptrdiff_t at = static_cast<ptrdiff_t>(plan.first[static_cast<size_t>(i)]) * Bytes;
      for (int32_t r = 0; r < count; ++r) {
        const uint8_t* s = from[r] + at;
        uint32_t sum[Bytes] = {};
        for (int32_t t = 0; t < taps; ++t, s += Bytes) {
          const auto wt = static_cast<uint16_t>(weight[t]);
          for (int32_t c = 0; c < Bytes; ++c) sum[c] += uint32_t{wt} * uint32_t{s[c]};
        }
        uint8_t* d = to[r] + static_cast<ptrdiff_t>(i) * Bytes;
        for (int32_t c = 0; c < 3; ++c) {
          d[c] = static_cast<uint8_t>(Shifted ? sum[c] >> plan.shift : plan.divide(sum[c]));
        }
        if constexpr (Bytes == 4) d[3] = 0;
      }
    }
  }
}

template <int32_t Bytes, bool Shifted>
void planRowsShifted(const PixelView& in, const PixelView& out, const LinePlan& plan) {
  switch (plan.taps) {
    case 1:
      return planRowsWith<Bytes, 1, Shifted>(in, out, plan);
    case 2:
      return planRowsWith<Bytes, 2, Shifted>(in, out, plan);
    case 3:
      return planRowsWith<Bytes, 3, Shifted>(in, out, plan);
    case 4:
      return planRowsWith<Bytes, 4, Shifted>(in, out, plan);
    default:
      return planRowsWith<Bytes, 0, Shifted>(in, out, plan);
  }
}

template <int32_t Bytes>
void planRows(const PixelView& in, const PixelView& out, StretchWeights w) {
  const LinePlan plan = planLine(in.width, out.width, w);
  if (plan.shift >= 0) {
    planRowsShifted<Bytes, true>(in, out, plan);
  } else {
    planRowsShifted<Bytes, false>(in, out, plan);
  }
}

// Columns of 24- or 32-bit pixels: each result row is the weighted sum of a
// few consecutive source rows, taken a run of bytes at a time.
template <int32_t Bytes>
void planColumns(const PixelView& in, const PixelView& out, StretchWeights w) {
  const LinePlan plan = planLine(in.height, out.height, w);
  const int32_t rowLength = std::min(in.width, out.width) * Bytes;
  constexpr int32_t kRun = 1024;
  uint32_t sum[kRun];
  for (int32_t i = 0; i < out.height; ++i) {
    const uint32_t* weight = plan.weight.data() + static_cast<size_t>(i) * plan.taps;
    const int32_t first = plan.first[static_cast<size_t>(i)];
    uint8_t* to = out.row(i);
    for (int32_t b0 = 0; b0 < rowLength; b0 += kRun) {
      const int32_t count = std::min(kRun, rowLength - b0);
      std::fill(sum, sum + count, 0u);
      for (int32_t t = 0; t < plan.taps; ++t) {
        const auto wt = static_cast<uint16_t>(weight[t]);
        if (wt == 0) continue;
        const uint8_t* s = in.row(first + t) + b0;
        for (int32_t j = 0; j < count; ++j) sum[j] += uint32_t{wt} * uint32_t{s[j]};
      }
      if (plan.shift >= 0) {
        const int32_t shift = plan.shift;
        for (int32_t j = 0; j < count; ++j) to[b0 + j] = static_cast<uint8_t>(sum[j] >> shift);
      } else {
        for (int32_t j = 0; j < count; ++j) {
          to[b0 + j] = static_cast<uint8_t>(plan.divide(sum[j]));
        }
      }
      if constexpr (Bytes == 4) {
        for (int32_t j = 3; j < count; j += 4) to[b0 + j] = 0;
      }
    }
  }
}

#if TVQ_SSE2_AVAILABLE

// The division of four sums by the demand. A power of two is a shift.
// Otherwise (the demand then below 32768) a float product by a reciprocal,
// truncated: a sum, at most 255 x demand, converts exactly, and converting,
// multiplying by a positive number and truncating never decrease, so the
// quotients are all exact once they are at each step, at k x demand and one
// below, for k = 1..255; a reciprocal passing that check is looked for near
// 1/demand. Where none passes, one a little above 1/demand gives a product
// above the true quotient by less than 1/1000, so truncating it gives the
// quotient or one more; the remainder, negative only in the second case,
// takes that one off.
class Sse2Divider {
 public:
  Sse2Divider(const LinePlan& plan, int32_t demand)
      : shift_(_mm_cvtsi32_si128(std::max(plan.shift, 0))), demandWords_(_mm_set1_epi32(demand)) {
    if (plan.shift >= 0) {
      mode_ = Mode::Shift;
      return;
    }
    float candidate = 1.0f / static_cast<float>(demand);
    for (int32_t step = 0; step < 4; ++step) {
      if (exactFor(candidate, demand)) {
        mode_ = Mode::Multiply;
        reciprocal_ = _mm_set1_ps(candidate);
        return;
      }
      candidate = std::nextafter(candidate, 1.0f);
    }
    mode_ = Mode::Corrected;
    reciprocal_ = _mm_set1_ps((1.0f / static_cast<float>(demand)) * (1.0f + 0x1p-20f));
  }
  __m128i divide(__m128i sum) const {
    if (mode_ == Mode::Shift) return _mm_srl_epi32(sum, shift_);
    const __m128i q = _mm_cvttps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(sum), reciprocal_));
    if (mode_ == Mode::Multiply) return q;
    // q * demand: q is below 2^9 and the demand below 2^15, each in the low
    // half of its word, so one _mm_madd_epi16 makes the product.
    const __m128i r = _mm_sub_epi32(sum, _mm_madd_epi16(q, demandWords_));
    return _mm_add_epi32(q, _mm_srai_epi32(r, 31));
  }

 private:
  enum class Mode { Shift, Multiply, Corrected };
  static bool exactFor(float reciprocal, int32_t demand) {
    const __m128 r = _mm_set1_ps(reciprocal);
    for (int32_t k = 1; k <= 255; ++k) {
      const int32_t at = k * demand;
      const __m128i sums = _mm_setr_epi32(at, at - 1, at, at - 1);
      const __m128i q = _mm_cvttps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(sums), r));
      if (_mm_cvtsi128_si32(q) != k || _mm_cvtsi128_si32(_mm_srli_si128(q, 4)) != k - 1) {
        return false;
      }
    }
    return true;
  }
  __m128i shift_;
  __m128i demandWords_;
  __m128 reciprocal_ = _mm_setzero_ps();
  Mode mode_ = Mode::Corrected;
};

// Four words of sums, 0..255 once divided, to 16 bytes.
inline __m128i packSums(const Sse2Divider& d, __m128i s0, __m128i s1, __m128i s2, __m128i s3) {
  return _mm_packus_epi16(_mm_packs_epi32(d.divide(s0), d.divide(s1)),
                          _mm_packs_epi32(d.divide(s2), d.divide(s3)));
}

// Columns as planColumns, 16 bytes of a result row at a time: the taps of
// nonzero weight taken two by two, the bytes of their two rows interleaved
// and each pair summed by one signed _mm_madd_epi16 against the two weights
// into 32-bit words, which hold 255 x 32768. A last tap alone is paired
// with itself, its weight split in two halves, so no weight reaches 32768
// (one that does is the only nonzero tap).
template <int32_t Bytes>
void planColumnsSse2(const PixelView& in, const PixelView& out, StretchWeights w) {
  const LinePlan plan = planLine(in.height, out.height, w);
  const Sse2Divider divider(plan, w.demand);
  const int32_t rowLength = std::min(in.width, out.width) * Bytes;
  const __m128i zero = _mm_setzero_si128();
  const __m128i keep = _mm_set1_epi32(Bytes == 4 ? 0x00FFFFFF : -1);
  struct Pair {
    const uint8_t* first;
    const uint8_t* second;
    __m128i weights;  // (first's, second's) in every word
    uint32_t sum(int32_t b) const {
      const auto word = static_cast<uint32_t>(_mm_cvtsi128_si32(weights));
      return (word & 0xFFFFu) * uint32_t{first[b]} + (word >> 16) * uint32_t{second[b]};
    }
  };
  std::vector<Pair> pairs(static_cast<size_t>(plan.taps + 1) / 2);
  for (int32_t i = 0; i < out.height; ++i) {
    const uint32_t* weight = plan.weight.data() + static_cast<size_t>(i) * plan.taps;
    const int32_t first = plan.first[static_cast<size_t>(i)];
    size_t count = 0;
    int32_t waiting = -1;  // a tap not yet paired
    auto add = [&](int32_t a, uint32_t wa, int32_t b, uint32_t wb) {
      const auto word = static_cast<int32_t>(wa | (wb << 16));
      pairs[count++] = {in.row(first + a), in.row(first + b), _mm_set1_epi32(word)};
    };
    for (int32_t t = 0; t < plan.taps; ++t) {
      if (weight[t] == 0) continue;
      if (waiting < 0) {
        waiting = t;
      } else {
        add(waiting, weight[waiting], t, weight[t]);
        waiting = -1;
      }
    }
    if (waiting >= 0)
      add(waiting, weight[waiting] / 2, waiting, weight[waiting] - weight[waiting] / 2);
    uint8_t* to = out.row(i);
    int32_t b = 0;
    for (; b + 16 <= rowLength; b += 16) {
      __m128i s0 = zero, s1 = zero, s2 = zero, s3 = zero;
      for (size_t k = 0; k < count; ++k) {
        const Pair& pair = pairs[k];
        const __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pair.first + b));
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pair.second + b));
        const __m128i lo = _mm_unpacklo_epi8(u, v);
        const __m128i hi = _mm_unpackhi_epi8(u, v);
        s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi8(lo, zero), pair.weights));
        s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi8(lo, zero), pair.weights));
        s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi8(hi, zero), pair.weights));
        s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_unpackhi_epi8(hi, zero), pair.weights));
      }
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to + b),
                       _mm_and_si128(packSums(divider, s0, s1, s2, s3), keep));
    }
    for (; b < rowLength; ++b) {
      uint32_t sum = 0;
      for (size_t k = 0; k < count; ++k) sum += pairs[k].sum(b);
      to[b] = Bytes == 4 && (b & 3) == 3
                  ? uint8_t{0}
                  : static_cast<uint8_t>(plan.shift >= 0 ? sum >> plan.shift : plan.divide(sum));
    }
  }
}

// Rows as planRows, four result pixels at a time, each pixel's channels in
// the four words of a register: source pixels are paired channel by channel
// (taps 0 and 2, 1 and 3 of a group of four, or taps 0 and 1 when a pixel
// has two at most) and each pair summed by one signed _mm_madd_epi16
// against its two weights. The fourth word has weight 0, so a 32-bit
// result's fourth byte is 0. Signed weights must stay below 32768: a plan
// with a weight of 32768 (a power-of-two demand) is halved when all its
// weights are even, which leaves every quotient as it was, else it goes to
// the portable loop, as do plans of taps in no group of four.
template <int32_t Bytes>
void planRowsSse2(const PixelView& in, const PixelView& out, StretchWeights w) {
  LinePlan plan = planLine(in.width, out.width, w);
  const LinePlan exact = plan;
  const bool wide = std::any_of(plan.weight.begin(), plan.weight.end(),
                                [](uint32_t weight) { return weight > 32767; });
  if (wide) {
    const bool even = std::all_of(plan.weight.begin(), plan.weight.end(),
                                  [](uint32_t weight) { return (weight & 1) == 0; });
    if (!even || plan.shift < 1) return planRows<Bytes>(in, out, w);
    for (uint32_t& weight : plan.weight) weight >>= 1;
    --plan.shift;
  }
  const int32_t n = in.width;
  const int32_t m = out.width;
  const bool pairs = plan.taps <= 2;  // one pair of taps, else groups of four
  const int32_t groups = pairs ? 1 : (plan.taps + 3) / 4;
  const int32_t vectorsPerGroup = pairs ? 1 : 2;
  // Samples from a pixel's first that its loads read.
  const int32_t span = pairs ? (Bytes == 4 ? 2 : 3) : 4 * groups + (Bytes == 4 ? 0 : 2);
  struct Weight {
    __m128i words;  // (a, b) in each of the first three words, 0 in the fourth
  };
  std::vector<Weight> weights(static_cast<size_t>(m) * groups * vectorsPerGroup);
  auto weightOf = [&](int32_t i, int32_t t) -> int32_t {
    return t < plan.taps
               ? static_cast<int32_t>(
                     plan.weight[static_cast<size_t>(i) * plan.taps + static_cast<size_t>(t)])
               : 0;
  };
  for (int32_t i = 0; i < m; ++i) {
    for (int32_t g = 0; g < groups; ++g) {
      for (int32_t v = 0; v < vectorsPerGroup; ++v) {
        const int32_t a = pairs ? weightOf(i, 0) : weightOf(i, 4 * g + v);
        const int32_t b = pairs ? weightOf(i, 1) : weightOf(i, 4 * g + v + 2);
        const int32_t word =
            static_cast<int32_t>(static_cast<uint32_t>(a) | (static_cast<uint32_t>(b) << 16));
        weights[(static_cast<size_t>(i) * groups + g) * vectorsPerGroup + v].words =
            _mm_setr_epi32(word, word, word, 0);
      }
    }
  }
  // Result pixels [0, vectorEnd) in fours read inside the row; firsts never
  // fall along the row.
  int32_t vectorEnd = 0;
  while (vectorEnd < m && plan.first[static_cast<size_t>(vectorEnd)] + span <= n) ++vectorEnd;
  vectorEnd -= vectorEnd % 4;
  const Sse2Divider divider(plan, w.demand);
  const __m128i zero = _mm_setzero_si128();
  auto tail = [&](const uint8_t* from, uint8_t* to) {
    for (int32_t i = vectorEnd; i < m; ++i) {
      const uint32_t* weight = exact.weight.data() + static_cast<size_t>(i) * exact.taps;
      const uint8_t* s = from + static_cast<ptrdiff_t>(exact.first[static_cast<size_t>(i)]) * Bytes;
      uint8_t* d = to + static_cast<ptrdiff_t>(i) * Bytes;
      for (int32_t c = 0; c < 3; ++c) {
        uint32_t sum = 0;
        for (int32_t t = 0; t < exact.taps; ++t) sum += weight[t] * uint32_t{s[t * Bytes + c]};
        d[c] = static_cast<uint8_t>(exact.shift >= 0 ? sum >> exact.shift : exact.divide(sum));
      }
      if constexpr (Bytes == 4) d[3] = 0;
    }
  };
  auto store = [](uint8_t* to, int32_t i, __m128i bytes) {
    if constexpr (Bytes == 4) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to + static_cast<ptrdiff_t>(i) * 4), bytes);
    } else {
      sse2::storeBgr24(to + static_cast<ptrdiff_t>(i) * 3, bytes);
    }
  };
  // Two rows a step share each result pixel's weights; `Groups` fixes the
  // groups of four taps (0: one pair of taps, -1: as many as the plan has).
  auto run = [&](auto groupsTag) {
    constexpr int32_t kGroups = decltype(groupsTag)::value;
    auto sumOf = [&](const uint8_t* from, int32_t i) {
      const uint8_t* s = from + static_cast<ptrdiff_t>(plan.first[static_cast<size_t>(i)]) * Bytes;
      const Weight* wt = weights.data() + static_cast<size_t>(i) * groups * vectorsPerGroup;
      if constexpr (kGroups == 0) {
        const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s));
        const __m128i p = _mm_unpacklo_epi8(_mm_unpacklo_epi8(v, _mm_srli_si128(v, Bytes)), zero);
        return _mm_madd_epi16(p, wt[0].words);
      } else {
        __m128i sum = zero;
        const int32_t count = kGroups > 0 ? kGroups : groups;
        for (int32_t g = 0; g < count; ++g, s += 4 * Bytes, wt += 2) {
          const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
          __m128i p02, p13;
          if constexpr (Bytes == 4) {
            // Pixels 0 and 2 in the low half, 1 and 3 in the high half.
            const __m128i paired = _mm_unpacklo_epi8(v, _mm_srli_si128(v, 8));
            p02 = _mm_unpacklo_epi8(paired, zero);
            p13 = _mm_unpackhi_epi8(paired, zero);
          } else {
            p02 = _mm_unpacklo_epi8(_mm_unpacklo_epi8(v, _mm_srli_si128(v, 6)), zero);
            const __m128i w1 = _mm_srli_si128(v, 3);
            p13 = _mm_unpacklo_epi8(_mm_unpacklo_epi8(w1, _mm_srli_si128(w1, 6)), zero);
          }
          sum = _mm_add_epi32(sum, _mm_add_epi32(_mm_madd_epi16(p02, wt[0].words),
                                                 _mm_madd_epi16(p13, wt[1].words)));
        }
        return sum;
      }
    };
    const int32_t rows = std::min(in.height, out.height);
    for (int32_t y = 0; y < rows; y += 2) {
      const int32_t last = std::min(y + 1, rows - 1);
      const uint8_t* from0 = in.row(y);
      const uint8_t* from1 = in.row(last);
      uint8_t* to0 = out.row(y);
      uint8_t* to1 = out.row(last);
      for (int32_t i = 0; i < vectorEnd; i += 4) {
        const __m128i a0 = sumOf(from0, i), b0 = sumOf(from1, i);
        const __m128i a1 = sumOf(from0, i + 1), b1 = sumOf(from1, i + 1);
        const __m128i a2 = sumOf(from0, i + 2), b2 = sumOf(from1, i + 2);
        const __m128i a3 = sumOf(from0, i + 3), b3 = sumOf(from1, i + 3);
        store(to0, i, packSums(divider, a0, a1, a2, a3));
        store(to1, i, packSums(divider, b0, b1, b2, b3));
      }
      tail(from0, to0);
      if (last != y) tail(from1, to1);
    }
  };
  if (pairs) {
    run(std::integral_constant<int32_t, 0>{});
  } else if (groups == 1) {
    run(std::integral_constant<int32_t, 1>{});
  } else {
    run(std::integral_constant<int32_t, -1>{});
  }
}

#endif

}  // namespace

bool stretchWeightsFor(int32_t n, int32_t m, StretchWeights& weights) {
  if (n < 1 || m < 1 || m > kLargestStretchSide) return false;
  const int64_t supply = int64_t{m} * kOneSample / n;
  if (supply < 1) return false;
  weights.supply = static_cast<int32_t>(supply);
  weights.demand = static_cast<int32_t>(int64_t{n} * supply / m);
  return true;
}

const FastPathTable<StretchLoop, kStretchRowFastLoops>& stretchRowLoops() {
  static constexpr FastPathTable<StretchLoop, kStretchRowFastLoops> table = {
      {{
#if TVQ_SSE2_AVAILABLE
          {"32-bit SSE2", F::Bgrx32, FormatSet::any(), F::Bgrx32, planRowsSse2<4>},
          {"24-bit SSE2", F::Bgr24, FormatSet::any(), F::Bgr24, planRowsSse2<3>},
#endif
          {"32-bit", F::Bgrx32, FormatSet::any(), F::Bgrx32, planRows<4>},
          {"24-bit", F::Bgr24, FormatSet::any(), F::Bgr24, planRows<3>},
      }},
      stretchRowsWith<PerPixel, PerPixel>,
  };
  return table;
}

const FastPathTable<StretchLoop, kStretchColumnFastLoops>& stretchColumnLoops() {
  static constexpr FastPathTable<StretchLoop, kStretchColumnFastLoops> table = {
      {{
#if TVQ_SSE2_AVAILABLE
          {"32-bit SSE2", F::Bgrx32, FormatSet::any(), F::Bgrx32, planColumnsSse2<4>},
          {"24-bit SSE2", F::Bgr24, FormatSet::any(), F::Bgr24, planColumnsSse2<3>},
#endif
          {"32-bit", F::Bgrx32, FormatSet::any(), F::Bgrx32, planColumns<4>},
          {"24-bit", F::Bgr24, FormatSet::any(), F::Bgr24, planColumns<3>},
      }},
      stretchColumnsWith<PerPixel, PerPixel>,
  };
  return table;
}

void stretchRows(const PixelView& in, const PixelView& out) {
  StretchWeights w;
  if (!stretchWeightsFor(in.width, out.width, w)) return;
  stretchRowLoops().choose({in.format, in.format, out.format}, in.height == out.height)(in, out, w);
}

void stretchColumns(const PixelView& in, const PixelView& out) {
  StretchWeights w;
  if (!stretchWeightsFor(in.height, out.height, w)) return;
  stretchColumnLoops().choose({in.format, in.format, out.format}, in.width == out.width)(in, out,
                                                                                         w);
}

namespace {

// The checks that need no lock, all made: the last failing one's code is
// left. Sides beyond kLargestStretchSide are refused with the side's code.
bool argumentsValid(Operation& op, bool sourceGiven, int32_t width, int32_t height) {
  const bool source = op.check(sourceGiven, ErrorCode::SourceNil);
  const bool w =
      op.check(width >= 1 && width <= kLargestStretchSide, ErrorCode::StretchWidthOutOfBounds);
  const bool h =
      op.check(height >= 1 && height <= kLargestStretchSide, ErrorCode::StretchHeightOutOfBounds);
  return source && w && h;
}

// A reduction by more than 32768 in a direction is refused with that
// side's code, once the source's size is known.
bool reductionValid(Operation& op, const PixelView& source, int32_t width, int32_t height) {
  StretchWeights unused;
  const bool w =
      op.check(stretchWeightsFor(source.width, width, unused), ErrorCode::StretchWidthOutOfBounds);
  const bool h = op.check(stretchWeightsFor(source.height, height, unused),
                          ErrorCode::StretchHeightOutOfBounds);
  return w && h;
}

// Both passes into `result` by way of an intermediate of the result's width
// and the source's height; with masks, the mask likewise.
bool stretchBothPasses(Operation& op, const PixelView& source, const PixelView& result,
                       const PixelView* sourceMask, const PixelView* resultMask) {
  OwnedPicture pixels;
  if (!op.createResult(pixels, result.width, source.height, resultDepthFor(result.depth),
                       ErrorCode::IntermediateLock)) {
    return false;
  }
  OwnedPicture levels;
  if (sourceMask != nullptr &&
      !op.createResult(levels, result.width, source.height, resultDepthFor(sourceMask->depth),
                       ErrorCode::IntermediateLock)) {
    return false;
  }
  stretchRows(source, pixels.view());
  if (sourceMask != nullptr) stretchRows(*sourceMask, levels.view());
  stretchColumns(pixels.view(), result);
  if (sourceMask != nullptr) stretchColumns(levels.view(), *resultMask);
  return true;
}

}  // namespace

RbPicture stretchMethod(RbPicture p, int32_t width, int32_t height) {
  Operation op;
  if (!argumentsValid(op, p != nullptr, width, height)) return nullptr;
  PictureLock in;
  if (!op.lock(in, p, ErrorCode::SourceLock)) return nullptr;
  RbPicture existingMask = host::realGetPictureMask(p, false);
  host::release(existingMask);
  const bool masked = existingMask != nullptr;
  if (!reductionValid(op, in.view(), width, height)) return nullptr;
  // Only 1-, 16-, 24- and 32-bit results can be made.
  OwnedPicture result;
  if (!op.createResult(result, width, height, in.view().depth)) return nullptr;
  PictureLock inMask;
  PictureLock resultMask;
  if (masked && !(op.lockMaskOf(inMask, p, ErrorCode::SourceLock) &&
                  op.lockMaskOf(resultMask, result.picture(), ErrorCode::SourceLock))) {
    return nullptr;
  }
  if (!stretchBothPasses(op, in.view(), result.view(), masked ? &inMask.view() : nullptr,
                         masked ? &resultMask.view() : nullptr)) {
    return nullptr;
  }
  return result.handOver();
}

RbObject stretchClientMethod(RbObject cp, int32_t width, int32_t height, RbBoolean asPicture) {
  Operation op;
  const ClientPictureData* client = clientPictureData(cp);
  if (!argumentsValid(op, client != nullptr, width, height)) return nullptr;
  PictureLock in;
  if (!op.check(lockClientPicture(in, *client), ErrorCode::SourceLock)) return nullptr;
  const bool masked = clientPictureHasMask(*client);
  if (!reductionValid(op, in.view(), width, height)) return nullptr;
  OwnedClientPicture result;
  if (!op.check(result.create(width, height, in.view().depth, masked, asPicture),
                ErrorCode::ResultLock)) {
    return nullptr;
  }
  PictureLock inMask;
  PictureLock resultMask;
  if (masked && !op.check(lockClientPictureMask(inMask, *client) && result.lockMask(resultMask),
                          ErrorCode::SourceLock)) {
    return nullptr;
  }
  if (!stretchBothPasses(op, in.view(), result.view(), masked ? &inMask.view() : nullptr,
                         masked ? &resultMask.view() : nullptr)) {
    return nullptr;
  }
  return result.handOver();
}

}  // namespace tvq
