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

// A row at a time: each tap adds its weight times a row of bytes to double
// sums over all four bytes of the row's pixels, in tap order as the general
// loop does, a loop the compiler turns into vector code.
void storeRow(const std::vector<double>& sums, const uint8_t* centre, uint8_t* target,
              int32_t pixels, const Channels& ch) {
  for (int32_t x = 0; x < pixels; ++x, centre += 4, target += 4)
    for (int c = 0; c < 3; ++c)
      target[c] = ch.filtered[c] ? channelFromDouble(sums[size_t(4 * x + c)]) : centre[c];
}

void horizontalRows(SourceRows in, ResultRows mid, const SeparableFilter& f,
                    std::vector<double>& sums) {
  const int32_t half = f.taps / 2;
  const PassRange r = passRange(in.width, half);
  if (r.first > r.last) return;
  const int32_t pixels = r.last - r.first + 1;
  const size_t count = size_t(pixels) * 4;
  const Channels ch = channelsOf(f);
  for (int32_t y = 0; y < in.height; ++y) {
    std::fill(sums.begin(), sums.begin() + ptrdiff_t(count), 0.0);
    double* acc = sums.data();
    for (int32_t i = 0; i < f.taps; ++i) {
      const uint8_t* source = bgra32::at(in.row(y), r.first - half + i);
      const double w = f.horizontal[i];
      for (size_t j = 0; j < count; ++j) acc[j] += w * source[j];
    }
    storeRow(sums, bgra32::at(in.row(y), r.first), bgra32::at(mid.row(y), r.first), pixels, ch);
  }
}

void verticalRows(SourceRows mid, ResultRows out, const SeparableFilter& f,
                  std::vector<double>& sums) {
  const int32_t half = f.taps / 2;
  const PassRange r = passRange(mid.height, half);
  const size_t count = size_t(mid.width) * 4;
  const Channels ch = channelsOf(f);
  for (int32_t y = r.first; y <= r.last; ++y) {
    std::fill(sums.begin(), sums.begin() + ptrdiff_t(count), 0.0);
    double* acc = sums.data();
    for (int32_t i = 0; i < f.taps; ++i) {
      const uint8_t* source = mid.row(y - half + i);
      const double w = f.vertical[i];
      for (size_t j = 0; j < count; ++j) acc[j] += w * source[j];
    }
    storeRow(sums, mid.row(y), out.row(y), mid.width, ch);
  }
}

}  // namespace

bool convolveSeparable(SourceRows in, ResultRows out, const SeparableFilter& f, KernelPath path) {
  if (f.taps < 1 || f.taps > kMaxTaps) return false;
  std::vector<uint8_t> intermediate;
  std::vector<double> sums;
  try {
    intermediate.assign(size_t(in.width) * 4 * size_t(in.height), 0);
    if (path == KernelPath::Fast) sums.resize(size_t(in.width) * 4);
  } catch (const std::bad_alloc&) {
    if (intermediate.empty()) return false;
    path = KernelPath::General;
  }
  // The intermediate is bottom-up like every picture here, rows packed.
  const ResultRows mid(intermediate.data(), size_t(in.width) * 4, in.width, in.height);
  if (path == KernelPath::Fast) {
    horizontalRows(in, mid, f, sums);
    verticalRows(mid, out, f, sums);
  } else {
    horizontalGeneral(in, mid, f);
    verticalGeneral(mid, out, f);
  }
  return true;
}

}  // namespace zrw
