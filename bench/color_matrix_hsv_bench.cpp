// The colour-matrix and HSV kernels on 4096 x 4096 pictures at 32, 24 and 16
// bits, each beside a memcpy of the bytes it writes (x_memcpy), through the
// loops the kernels choose. With TVQ_FAST_PATHS=0 in the environment the same
// run times the general walk. Where OpenCV was found at configure time,
// cv::transform and cvtColor to HSV and back run beside them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "graphics/color/color_matrix_adjust.h"
#include "graphics/color/hsv_adjust.h"
#include "graphics/frame/pixel_view.h"

#ifdef RB_BENCH_WITH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr int32_t kSide = 4096;
const tvq::Selection kAll{0, 0, kSide - 1, kSide - 1};

// A kSide x kSide bitmap of random bytes, rows padded to 4 bytes; 8-bit
// bitmaps are masks read through a grey palette.
class Bitmap {
 public:
  explicit Bitmap(int32_t depth, uint32_t seed) {
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

 private:
  std::vector<uint8_t> bytes_;
  std::vector<uint8_t> palette_;
  tvq::PixelView view_;
};

double seconds(std::chrono::steady_clock::time_point start) {
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
    copy = std::min(copy, seconds(copyStart));
    const auto start = std::chrono::steady_clock::now();
    kernel();
    benchmark::ClobberMemory();
    const double s = seconds(start);
    state.SetIterationTime(s);
    best = std::min(best, s);
  }
  state.counters["x_memcpy"] = best / copy;
  state.counters["memcpy_ms"] = copy * 1e3;
  state.counters["best_ms"] = best * 1e3;
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

int32_t depthOf(const benchmark::State& state) { return static_cast<int32_t>(state.range(0)); }

// A sepia-like matrix: every element below 2, so the 32-bit sums.
tvq::FixedColorMatrix sepia() {
  tvq::ColorMatrixData m;
  m.element = {0.393, 0.349, 0.272, 0.769, 0.686, 0.534, 0.189, 0.168, 0.131};
  return tvq::FixedColorMatrix::from(m);
}
// Elements beyond 32, so the 64-bit sums.
tvq::FixedColorMatrix wide() {
  tvq::ColorMatrixData m;
  m.element = {40.0, -1, 0, 0, 1, 0, 0, 0, -50.0};
  return tvq::FixedColorMatrix::from(m);
}

constexpr tvq::HsvShift kShift{2048 + 300, 1300, 900};

void BM_ColorMatrix(benchmark::State& state) {
  const Bitmap source(depthOf(state), 1), target(depthOf(state), 2);
  const tvq::FixedColorMatrix m = sepia();
  timeAgainstMemcpy(state, target.size(),
                    [&] { tvq::applyColorMatrix(source.view(), target.view(), kAll, m); });
}

void BM_ColorMatrixWide(benchmark::State& state) {
  const Bitmap source(depthOf(state), 1), target(depthOf(state), 2);
  const tvq::FixedColorMatrix m = wide();
  timeAgainstMemcpy(state, target.size(),
                    [&] { tvq::applyColorMatrix(source.view(), target.view(), kAll, m); });
}

void BM_ColorMatrixWithMask(benchmark::State& state) {
  const Bitmap source(depthOf(state), 1), mask(8, 3), target(depthOf(state), 2);
  const tvq::FixedColorMatrix m = sepia();
  timeAgainstMemcpy(state, target.size(), [&] {
    tvq::applyColorMatrixByMask(source.view(), mask.view(), target.view(), m);
  });
}

void BM_Hsv(benchmark::State& state) {
  const Bitmap source(depthOf(state), 1), target(depthOf(state), 2);
  timeAgainstMemcpy(state, target.size(),
                    [&] { tvq::adjustHsv(source.view(), target.view(), kAll, kShift, false); });
}

void BM_HsvWithMask(benchmark::State& state) {
  const Bitmap source(depthOf(state), 1), mask(8, 3), target(depthOf(state), 2);
  timeAgainstMemcpy(state, target.size(), [&] {
    tvq::adjustHsvByMask(source.view(), mask.view(), target.view(), kShift);
  });
}

// Reads only: beside a memcpy of the bytes read.
void BM_AverageHsv(benchmark::State& state) {
  const Bitmap source(depthOf(state), 1);
  timeAgainstMemcpy(state, source.size(), [&] {
    benchmark::DoNotOptimize(tvq::averagesOf(tvq::sumHsv(source.view(), kAll)));
  });
}

void depths(benchmark::internal::Benchmark* b) {
  b->ArgName("depth")->Arg(32)->Arg(24)->Arg(16)->UseManualTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_ColorMatrix)->Apply(depths);
BENCHMARK(BM_ColorMatrixWide)->Apply(depths);
BENCHMARK(BM_ColorMatrixWithMask)->Apply(depths);
BENCHMARK(BM_Hsv)->Apply(depths);
BENCHMARK(BM_HsvWithMask)->Apply(depths);
BENCHMARK(BM_AverageHsv)->Apply(depths);

#ifdef RB_BENCH_WITH_OPENCV
int openCvType(int32_t depth) { return depth == 32 ? CV_8UC4 : CV_8UC3; }

// cv::transform with a 3 x 3 matrix (the fourth channel of 32-bit pixels
// kept by a 4 x 4 one).
void BM_OpenCvTransform(benchmark::State& state) {
  const int32_t depth = depthOf(state);
  cv::Mat source(kSide, kSide, openCvType(depth)), target(kSide, kSide, openCvType(depth));
  cv::randu(source, 0, 256);
  const int n = depth == 32 ? 4 : 3;
  cv::Mat m = cv::Mat::eye(n, n, CV_32F);
  const float sepiaRows[3][3] = {
      {0.131f, 0.534f, 0.272f}, {0.168f, 0.686f, 0.349f}, {0.189f, 0.769f, 0.393f}};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) m.at<float>(i, j) = sepiaRows[i][j];
  timeAgainstMemcpy(state, target.total() * target.elemSize(),
                    [&] { cv::transform(source, target, m); });
}
BENCHMARK(BM_OpenCvTransform)
    ->ArgName("depth")
    ->Arg(32)
    ->Arg(24)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// cvtColor to HSV, a hue turn, and back: the nearest OpenCV counterpart.
void BM_OpenCvHsvRoundTrip(benchmark::State& state) {
  cv::Mat source(kSide, kSide, CV_8UC3), hsv, target;
  cv::randu(source, 0, 256);
  timeAgainstMemcpy(state, source.total() * source.elemSize(), [&] {
    cv::cvtColor(source, hsv, cv::COLOR_BGR2HSV);
    cv::add(hsv, cv::Scalar(30, 0, 0), hsv);
    cv::cvtColor(hsv, target, cv::COLOR_HSV2BGR);
  });
}
BENCHMARK(BM_OpenCvHsvRoundTrip)->UseManualTime()->Unit(benchmark::kMillisecond);
#endif

}  // namespace
