#include "picture/functions/scaling.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <new>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "picture/frame/bgra32.h"
#include "picture/frame/picture_operation.h"

namespace zrw {
namespace {

// Where each result column (or row) starts its box: truncate(i * scale),
// kept so that the box ends inside the source even where the product rounds
// up across a whole number.
std::vector<int32_t> boxStarts(int32_t resultLength, int32_t sourceLength, int32_t box) {
  const double scale = static_cast<double>(sourceLength) / resultLength;
  std::vector<int32_t> starts(static_cast<size_t>(resultLength));
  for (int32_t i = 0; i < resultLength; ++i)
    starts[static_cast<size_t>(i)] = std::min(static_cast<int32_t>(i * scale), sourceLength - box);
  return starts;
}

int32_t boxLength(int32_t resultLength, int32_t sourceLength) {
  return static_cast<int32_t>(std::ceil(static_cast<double>(sourceLength) / resultLength));
}

// sum / n for every sum a box of n pixels can have, when that table is small;
// otherwise the division itself.
class MeanOf {
 public:
  explicit MeanOf(uint64_t n) : n_(n) {
    if (n <= kTabled) {
      table_.resize(static_cast<size_t>(255 * n + 1));
      for (size_t s = 0; s < table_.size(); ++s) table_[s] = static_cast<uint8_t>(s / n);
    }
  }
  uint8_t operator()(uint64_t sum) const {
    return table_.empty() ? static_cast<uint8_t>(sum / n_) : table_[static_cast<size_t>(sum)];
  }

 private:
  static constexpr uint64_t kTabled = 256;
  uint64_t n_;
  std::vector<uint8_t> table_;
};

}  // namespace

namespace {

// `Sum` holds the sum of a whole box of one channel. Four lanes per source
// column (the fourth unused) keep the column loop free of odd strides.
template <typename Sum>
void averageBoxes(SourceRows in, ResultRows out, int32_t boxWidth, int32_t boxHeight) {
  const std::vector<int32_t> columns = boxStarts(out.width, in.width, boxWidth);
  const std::vector<int32_t> rows = boxStarts(out.height, in.height, boxHeight);
  const MeanOf mean(static_cast<uint64_t>(boxWidth) * static_cast<uint64_t>(boxHeight));

  // Per result row, the box's rows are first summed down every source
  // column; each result pixel then adds boxWidth of those column sums.
  std::vector<Sum> columnSums(4 * static_cast<size_t>(in.width));
  const size_t lanes = columnSums.size();
  for (int32_t j = 0; j < out.height; ++j) {
    std::fill(columnSums.begin(), columnSums.end(), Sum{0});
    const int32_t top = rows[static_cast<size_t>(j)];
    for (int32_t y = top; y < top + boxHeight; ++y) {
      const uint8_t* bytes = in.row(y);
      Sum* sum = columnSums.data();
      for (size_t b = 0; b < lanes; ++b) sum[b] += bytes[b];
    }
    uint8_t* target = out.row(j);
    for (int32_t i = 0; i < out.width; ++i, target += 4) {
      const Sum* sum = columnSums.data() + 4 * static_cast<size_t>(columns[size_t(i)]);
      Sum blue = 0, green = 0, red = 0;
      for (int32_t k = 0; k < boxWidth; ++k, sum += 4) {
        blue += sum[bgra32::kBlue];
        green += sum[bgra32::kGreen];
        red += sum[bgra32::kRed];
      }
      bgra32::storeRgb(target, mean(red), mean(green), mean(blue));
    }
  }
}

}  // namespace

void averageAreas(SourceRows in, ResultRows out) {
  const int32_t boxWidth = boxLength(out.width, in.width);
  const int32_t boxHeight = boxLength(out.height, in.height);
  const uint64_t largestSum =
      255 * static_cast<uint64_t>(boxWidth) * static_cast<uint64_t>(boxHeight);
  if (largestSum <= UINT32_MAX)
    averageBoxes<uint32_t>(in, out, boxWidth, boxHeight);
  else
    averageBoxes<uint64_t>(in, out, boxWidth, boxHeight);
}

namespace {

// The two taps of one result column or row: source position `at` with
// weight `near`, and at + 1 with weight `far` unless that lies beyond the
// source (far is 0 then).
struct Taps {
  int32_t at;
  float near, far;
};

std::vector<Taps> tapsFor(int32_t resultLength, int32_t sourceLength) {
  std::vector<Taps> taps(static_cast<size_t>(resultLength));
  for (int32_t i = 0; i < resultLength; ++i) {
    const int64_t position = int64_t{i} * sourceLength;
    const float f = static_cast<float>(position % resultLength) / static_cast<float>(resultLength);
    const float f2 = f * f, f3 = f2 * f;
    Taps& t = taps[static_cast<size_t>(i)];
    t.at = static_cast<int32_t>(position / resultLength);
    t.near = 2.0f * f3 - 3.0f * f2 + 1.0f;
    t.far = t.at + 1 < sourceLength ? 3.0f * f2 - 2.0f * f3 : 0.0f;
  }
  return taps;
}

// One pixel of the result from its two taps: the four bytes are the four
// lanes of one SSE2 register (the Windows build's baseline) or, elsewhere,
// the same arithmetic a byte at a time. Both compute near x left + far x
// right in single precision, add 0.5, limit to 0..255 and truncate.
void storeFiltered(uint8_t* target, const float* left, const float* right, float near, float far) {
#if defined(__SSE2__)
  __m128 v = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(near), _mm_loadu_ps(left)),
                        _mm_mul_ps(_mm_set1_ps(far), _mm_loadu_ps(right)));
  v = _mm_min_ps(_mm_max_ps(_mm_add_ps(v, _mm_set1_ps(0.5f)), _mm_setzero_ps()),
                 _mm_set1_ps(255.0f));
  const __m128i words = _mm_cvttps_epi32(v);
  const __m128i halves = _mm_packs_epi32(words, words);
  const int32_t bytes = _mm_cvtsi128_si32(_mm_packus_epi16(halves, halves));
  std::memcpy(target, &bytes, 4);
#else
  // value + 0.5 limited to 0..255, then truncated: limiting first is the
  // same as testing for <= 0 and >= 255.
  const auto limitedByte = [](float value) {
    return static_cast<uint8_t>(static_cast<int32_t>(std::clamp(value + 0.5f, 0.0f, 255.0f)));
  };
  for (int b = 0; b < 4; ++b) target[b] = limitedByte(near * left[b] + far * right[b]);
#endif
}

}  // namespace

void interpolateRows(SourceRows in, ResultRows out) {
  const std::vector<Taps> columnTaps = tapsFor(out.width, in.width);
  const std::vector<Taps> rowTaps = tapsFor(out.height, in.height);
  std::vector<float> blended(4 * static_cast<size_t>(in.width));
  const size_t bytes = blended.size();
  for (int32_t j = 0; j < out.height; ++j) {
    // Down the columns: the two source rows into one row of values.
    const Taps& r = rowTaps[static_cast<size_t>(j)];
    const uint8_t* upper = in.row(r.at);
    if (r.far != 0.0f) {
      const uint8_t* lower = in.row(r.at + 1);
      for (size_t b = 0; b < bytes; ++b) blended[b] = r.near * upper[b] + r.far * lower[b];
    } else {
      for (size_t b = 0; b < bytes; ++b) blended[b] = r.near * upper[b];
    }
    // Along the row.
    uint8_t* target = out.row(j);
    for (int32_t i = 0; i < out.width; ++i, target += 4) {
      const Taps& c = columnTaps[static_cast<size_t>(i)];
      const float* left = blended.data() + 4 * static_cast<size_t>(c.at);
      // A far tap beyond the row has weight 0 and reads the near one again.
      const float* right = c.far != 0.0f ? left + 4 : left;
      storeFiltered(target, left, right, c.near, c.far);
    }
  }
}

RbPicture scalePicture(RbPicture source, int32_t width, int32_t height, RbBoolean antiAlias) {
  if (width <= 0 || height <= 0) return nullptr;
  SourceView view;
  if (!view.open(source)) return nullptr;
  ResultBuffer result;
  if (!result.create(width, height)) return nullptr;
  if (antiAlias && width > view.width() && height > view.height()) {
    try {
      interpolateRows(view.rows(), result.rows());
      return result.finish();
    } catch (const std::bad_alloc&) {
      // Area averaging below writes every pixel again.
    }
  }
  try {
    averageAreas(view.rows(), result.rows());
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return result.finish();
}

}  // namespace zrw
