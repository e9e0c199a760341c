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

#include "bench_bitmap.h"
#include "graphics/color/color_matrix_adjust.h"
#include "graphics/color/hsv_adjust.h"
#include "graphics/frame/pixel_view.h"

#ifdef RB_BENCH_WITH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

using bench::Bitmap;
using bench::kSide;
using bench::timeAgainstMemcpy;

const tvq::Selection kAll{0, 0, kSide - 1, kSide - 1};

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
