// The geometry kernels on 4096 x 4096 pictures, each beside a memcpy of the
// bytes it writes (x_memcpy): the eight symmetries at 32 and 24 bits through
// the loops they choose (TVQ_FAST_PATHS=0 in the environment times the
// general walk). Where OpenCV was found at configure time, its nearest calls
// run beside them.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench_bitmap.h"
#include "graphics/frame/symmetry.h"

#ifdef RB_BENCH_WITH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

using bench::Bitmap;
using bench::kSide;

int32_t depthOf(const benchmark::State& state) { return static_cast<int32_t>(state.range(0)); }

void symmetry(benchmark::State& state, tvq::Symmetry s) {
  const Bitmap source(depthOf(state), 1), target(depthOf(state), 2);
  bench::timeAgainstMemcpy(state, target.size(),
                           [&] { tvq::convertAlong(source.view(), target.view(), s); });
}

void BM_Copy(benchmark::State& state) { symmetry(state, tvq::Symmetry::Copy); }
void BM_MirrorColumns(benchmark::State& state) { symmetry(state, tvq::Symmetry::MirrorColumns); }
void BM_MirrorRows(benchmark::State& state) { symmetry(state, tvq::Symmetry::MirrorRows); }
void BM_HalfTurn(benchmark::State& state) { symmetry(state, tvq::Symmetry::HalfTurn); }
void BM_QuarterTurn(benchmark::State& state) { symmetry(state, tvq::Symmetry::QuarterTurn); }
void BM_ThreeQuarterTurn(benchmark::State& state) {
  symmetry(state, tvq::Symmetry::ThreeQuarterTurn);
}
void BM_Transpose(benchmark::State& state) { symmetry(state, tvq::Symmetry::Transpose); }
void BM_AntiTranspose(benchmark::State& state) { symmetry(state, tvq::Symmetry::AntiTranspose); }

void depths(benchmark::internal::Benchmark* b) {
  b->ArgName("depth")->Arg(32)->Arg(24)->UseManualTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Copy)->Apply(depths);
BENCHMARK(BM_MirrorColumns)->Apply(depths);
BENCHMARK(BM_MirrorRows)->Apply(depths);
BENCHMARK(BM_HalfTurn)->Apply(depths);
BENCHMARK(BM_QuarterTurn)->Apply(depths);
BENCHMARK(BM_ThreeQuarterTurn)->Apply(depths);
BENCHMARK(BM_Transpose)->Apply(depths);
BENCHMARK(BM_AntiTranspose)->Apply(depths);

#ifdef RB_BENCH_WITH_OPENCV
cv::Mat randomMat(const benchmark::State& state) {
  cv::Mat m(kSide, kSide, depthOf(state) == 32 ? CV_8UC4 : CV_8UC3);
  cv::randu(m, 0, 256);
  return m;
}

void BM_OpenCvRotate90(benchmark::State& state) {
  const cv::Mat source = randomMat(state);
  cv::Mat target = source.clone();
  bench::timeAgainstMemcpy(state, target.total() * target.elemSize(),
                           [&] { cv::rotate(source, target, cv::ROTATE_90_CLOCKWISE); });
}
void BM_OpenCvFlipColumns(benchmark::State& state) {
  const cv::Mat source = randomMat(state);
  cv::Mat target = source.clone();
  bench::timeAgainstMemcpy(state, target.total() * target.elemSize(),
                           [&] { cv::flip(source, target, 1); });
}
void BM_OpenCvFlipRows(benchmark::State& state) {
  const cv::Mat source = randomMat(state);
  cv::Mat target = source.clone();
  bench::timeAgainstMemcpy(state, target.total() * target.elemSize(),
                           [&] { cv::flip(source, target, 0); });
}
void BM_OpenCvTranspose(benchmark::State& state) {
  const cv::Mat source = randomMat(state);
  cv::Mat target = source.clone();
  bench::timeAgainstMemcpy(state, target.total() * target.elemSize(),
                           [&] { cv::transpose(source, target); });
}
BENCHMARK(BM_OpenCvRotate90)->Apply(depths);
BENCHMARK(BM_OpenCvFlipColumns)->Apply(depths);
BENCHMARK(BM_OpenCvFlipRows)->Apply(depths);
BENCHMARK(BM_OpenCvTranspose)->Apply(depths);
#endif

}  // namespace
