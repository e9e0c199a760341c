// What the kernel benchmarks share: bitmaps in plain memory laid out as the
// host's are, and timing a kernel beside a memcpy of the same bytes in the
// same process, reported as the ratio kernel time / memcpy time.
#ifndef BENCH_BENCH_BITMAP_H
#define BENCH_BENCH_BITMAP_H

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "graphics/frame/pixel_view.h"

namespace bench {

constexpr int32_t kSide = 4096;

// A kSide x kSide bitmap of random bytes, rows padded to 4 bytes. 8-bit
// bitmaps are greyscale masks read through a grey palette.
class Bitmap {
 public:
  explicit Bitmap(int32_t depth, uint32_t seed = 1) {
    view_.width = kSide;
    view_.height = kSide;
    view_.depth = depth;
    view_.bytesPerPixel = depth / 8;
    view_.rowBytes = ((kSide * depth + 31) / 32) * 4;
    switch (depth) {
      case 32:
        view_.format = tvq::PixelFormat::Bgrx32;
        break;
      case 24:
        view_.format = tvq::PixelFormat::Bgr24;
        break;
      case 16:
        view_.format = tvq::PixelFormat::Rgb555;
        break;
      default:
        view_.format = tvq::PixelFormat::Indexed8;
        for (uint32_t i = 0; i < 256; ++i) {
          const auto v = static_cast<uint8_t>(i);
          palette_.insert(palette_.end(), {v, v, v, 0});
        }
        view_.colorTable = palette_.data();
        view_.colorCount = 256;
    }
    bytes_.resize(static_cast<size_t>(view_.rowBytes) * kSide);
    std::mt19937 rng(seed);
    for (uint8_t& b : bytes_) b = static_cast<uint8_t>(rng());
    view_.pixels = bytes_.data();
  }
  const tvq::PixelView& view() const { return view_; }
  size_t size() const { return bytes_.size(); }
  uint8_t* data() { return bytes_.data(); }
  const uint8_t* data() const { return bytes_.data(); }

 private:
  std::vector<uint8_t> bytes_;
  std::vector<uint8_t> palette_;
  tvq::PixelView view_;
};

inline double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Times `kernel` (which writes or reads `bytes` bytes) with manual timing and
// reports x_memcpy: its best time over the best time of a memcpy of that many
// bytes between two other buffers. A memcpy runs before every run of the
// kernel, so both bests come from the same stretch of the run, whatever else
// the machine is doing.
template <typename Kernel>
void timeAgainstMemcpy(benchmark::State& state, size_t bytes, Kernel kernel) {
  std::vector<uint8_t> from(bytes, 1), to(bytes, 2);
  double copy = 1e30;
  double best = 1e30;
  for (auto _ : state) {
    const auto copyStart = std::chrono::steady_clock::now();
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::ClobberMemory();
    copy = std::min(copy, secondsSince(copyStart));
    const auto start = std::chrono::steady_clock::now();
    kernel();
    benchmark::ClobberMemory();
    const double s = secondsSince(start);
    state.SetIterationTime(s);
    best = std::min(best, s);
  }
  state.counters["x_memcpy"] = best / copy;
  state.counters["memcpy_ms"] = copy * 1e3;
  state.counters["best_ms"] = best * 1e3;
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

}  // namespace bench

#endif
