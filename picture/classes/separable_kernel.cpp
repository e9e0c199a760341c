#include "picture/classes/separable_kernel.h"

#include <algorithm>
#include <new>
#include <vector>

#include "picture/classes/channel_arithmetic.h"
#include "picture/frame/bgra32.h"

namespace zrw {
namespace {

// The pixels a pass computes along an axis of `length` pixels: half ..
// length - 2 * half, stopping at length - 1 (one tap would reach one past
// the end otherwise).
struct PassRange {
  int32_t first, last;  // inclusive; empty when first > last
};

PassRange passRange(int32_t length, int32_t half) {
  return {half, std::min(length - 2 * half, length - 1)};
}

struct Channels {
  bool filtered[3];  // by byte position: blue, green, red
};

Channels channelsOf(const SeparableFilter& f) { return {{f.blue, f.green, f.red}}; }

// One output pixel from `taps` pixels `step` bytes apart starting at `first`.
void convolvePixel(const uint8_t* first, ptrdiff_t step, const uint8_t* centre, uint8_t* target,
                   const double* weights, int32_t taps, const Channels& ch) {
  for (int c = 0; c < 3; ++c) {
    if (!ch.filtered[c]) {
      target[c] = centre[c];
      continue;
    }
    double sum = 0.0;
    for (int32_t i = 0; i < taps; ++i) sum += weights[i] * first[i * step + c];
    target[c] = channelFromDouble(sum);
  }
}

void horizontalGeneral(SourceRows in, ResultRows mid, const SeparableFilter& f) {
  const int32_t half = f.taps / 2;
  const PassRange r = passRange(in.width, half);
  const Channels ch = channelsOf(f);
  for (int32_t y = 0; y < in.height; ++y)
    for (int32_t x = r.first; x <= r.last; ++x)
      convolvePixel(bgra32::at(in.row(y), x - half), 4, bgra32::at(in.row(y), x),
                    bgra32::at(mid.row(y), x), f.horizontal, f.taps, ch);
}

void verticalGeneral(SourceRows mid, ResultRows out, const SeparableFilter& f) {
  const int32_t half = f.taps / 2;
  const PassRange r = passRange(mid.height, half);
  const Channels ch = channelsOf(f);
  // Rows from the top lie at decreasing addresses.
  const ptrdiff_t step = -static_cast<ptrdiff_t>(mid.stride);
  for (int32_t y = r.first; y <= r.last; ++y) {
    for (int32_t x = 0; x < mid.width; ++x)
      convolvePixel(bgra32::at(mid.row(y - half), x), step, bgra32::at(mid.row(y), x),
                    bgra32::at(out.row(y), x), f.vertical, f.taps, ch);
  }
}

// A row at a time, in blocks of pixels small enough for their sums to stay
// in the first-level cache. Each byte becomes a double once; then each tap
// adds its weight times those doubles to the sums over all four bytes of the
// pixels, in tap order as the general loop does, a loop the compiler turns
// into vector code.
constexpr size_t kBlockBytes = 512;

// channelFromDouble without branches: NaN fails the first comparison too.
inline int32_t limitedChannel(double v) {
  v = v > 0.0 ? v : 0.0;
  v = v < 255.0 ? v : 255.0;
  return static_cast<int32_t>(v);
}

// Stores the filtered channels of the `n / 4` pixels from their sums, copies
// the others from `centre`.
void storeBlock(const double* acc, size_t n, const uint8_t* centre, uint8_t* target,
                const Channels& ch) {
  alignas(16) uint8_t limited[kBlockBytes];
  for (size_t j = 0; j < n; ++j) limited[j] = uint8_t(limitedChannel(acc[j]));
  for (size_t j = 0; j < n; j += 4)
    for (size_t k = 0; k < 3; ++k) target[j + k] = ch.filtered[k] ? limited[j + k] : centre[j + k];
}

// Row y of the intermediate picture into `target` (a whole row, zero where
// the pass computes nothing, fourth bytes zero).
void horizontalRow(SourceRows in, int32_t y, const SeparableFilter& f, uint8_t* target) {
  const int32_t half = f.taps / 2;
  const PassRange r = passRange(in.width, half);
  std::fill(target, target + size_t(in.width) * 4, uint8_t(0));
  if (r.first > r.last) return;
  const size_t count = size_t(r.last - r.first + 1) * 4;
  const size_t reach = size_t(f.taps - 1) * 4;
  const Channels ch = channelsOf(f);
  alignas(16) double acc[kBlockBytes];
  alignas(16) double values[kBlockBytes + 4 * kMaxTaps];
  const uint8_t* first = bgra32::at(in.row(y), r.first - half);
  const uint8_t* centre = bgra32::at(in.row(y), r.first);
  target = bgra32::at(target, r.first);
  for (size_t j0 = 0; j0 < count; j0 += kBlockBytes) {
    const size_t n = std::min(kBlockBytes, count - j0);
    for (size_t j = 0; j < n + reach; ++j) values[j] = first[j0 + j];
    for (size_t j = 0; j < n; ++j) acc[j] = 0.0;
    for (int32_t i = 0; i < f.taps; ++i) {
      const double* v = values + 4 * i;
      const double w = f.horizontal[i];
      for (size_t j = 0; j < n; ++j) acc[j] += w * v[j];
    }
    storeBlock(acc, n, centre + j0, target + j0, ch);
  }
}

// Both passes without the whole intermediate picture: the last `taps` rows
// of it are kept, as bytes and as doubles, row y at y mod taps, each made
// and converted once.
struct RowRing {
  std::vector<uint8_t> bytes;
  std::vector<double> values;
};

void convolveByRows(SourceRows in, ResultRows out, const SeparableFilter& f, RowRing& ring) {
  const int32_t half = f.taps / 2;
  const PassRange r = passRange(in.height, half);
  if (r.first > r.last) return;
  const size_t count = size_t(in.width) * 4;
  const Channels ch = channelsOf(f);
  auto slot = [&](int32_t y) { return size_t(y % f.taps) * count; };
  auto make = [&](int32_t y) {
    uint8_t* row = ring.bytes.data() + slot(y);
    horizontalRow(in, y, f, row);
    double* v = ring.values.data() + slot(y);
    for (size_t j = 0; j < count; ++j) v[j] = row[j];
  };
  for (int32_t y = r.first - half; y < r.first - half + f.taps - 1; ++y) make(y);
  alignas(16) double acc[kBlockBytes];
  for (int32_t y = r.first; y <= r.last; ++y) {
    make(y - half + f.taps - 1);
    const uint8_t* centre = ring.bytes.data() + slot(y);
    for (size_t j0 = 0; j0 < count; j0 += kBlockBytes) {
      const size_t n = std::min(kBlockBytes, count - j0);
      for (size_t j = 0; j < n; ++j) acc[j] = 0.0;
      for (int32_t i = 0; i < f.taps; ++i) {
        const double* v = ring.values.data() + slot(y - half + i) + j0;
        const double w = f.vertical[i];
        for (size_t j = 0; j < n; ++j) acc[j] += w * v[j];
      }
      storeBlock(acc, n, centre + j0, out.row(y) + j0, ch);
    }
  }
}

}  // namespace

bool convolveSeparable(SourceRows in, ResultRows out, const SeparableFilter& f, KernelPath path) {
  if (f.taps < 1 || f.taps > kMaxTaps) return false;
  if (path == KernelPath::Fast) {
    RowRing ring;
    try {
      ring.bytes.resize(size_t(in.width) * 4 * size_t(f.taps));
      ring.values.resize(ring.bytes.size());
    } catch (const std::bad_alloc&) {
      return false;
    }
    convolveByRows(in, out, f, ring);
    return true;
  }
  std::vector<uint8_t> intermediate;
  try {
    intermediate.assign(size_t(in.width) * 4 * size_t(in.height), 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  // The intermediate is bottom-up like every picture here, rows packed.
  const ResultRows mid(intermediate.data(), size_t(in.width) * 4, in.width, in.height);
  horizontalGeneral(in, mid, f);
  verticalGeneral(mid, out, f);
  return true;
}

}  // namespace zrw
