// The colour operations' kernels on 4096 x 4096 pictures at 32, 24 and 16
// bits, each beside a memcpy of the bytes it writes (x_memcpy), through the
// fast loops the kernels choose. With TVQ_FAST_PATHS=0 in the environment the
// same run times the general walk. Where OpenCV was found at configure time,
// the nearest OpenCV call runs beside them for comparison.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "bench_bitmap.h"
#include "graphics/color/averaging.h"
#include "graphics/color/contrast.h"
#include "graphics/color/gamma.h"
#include "graphics/color/rgb_offsets.h"
#include "graphics/color/threshold.h"
#include "graphics/conversion/downsample.h"
#include "graphics/frame/channel_curves.h"

#ifdef RB_BENCH_WITH_OPENCV
#include <opencv2/core.hpp>
#endif

namespace {

using bench::Bitmap;
using bench::kSide;

const tvq::Selection kAll{0, 0, kSide - 1, kSide - 1};

int32_t depthOf(const benchmark::State& state) { return static_cast<int32_t>(state.range(0)); }

void curves(benchmark::State& state, const tvq::ChannelCurves& c, tvq::CopyRule copy) {
  const Bitmap source(depthOf(state), 1), target(depthOf(state), 2);
  bench::timeAgainstMemcpy(state, target.size(),
                           [&] { tvq::applyCurves(source.view(), target.view(), kAll, c, copy); });
}

void BM_RgbOffsets(benchmark::State& state) {
  const tvq::RgbDeltas deltas{40, -25, 90};
  const Bitmap source(depthOf(state), 1), target(depthOf(state), 2);
  bench::timeAgainstMemcpy(state, target.size(), [&] {
    tvq::offsetSelection(source.view(), target.view(), kAll, deltas);
  });
}

void BM_Contrast(benchmark::State& state) {
  curves(state, tvq::contrastCurves(0x808080, 1.6, 0.7, 2.2), tvq::CopyRule::StoredBits);
}

void BM_Gamma(benchmark::State& state) {
  curves(state, tvq::gammaCurves(0x808080, 0.6, 1.8, 2.5), tvq::CopyRule::Converted);
}

void BM_WeightedAveraging(benchmark::State& state) {
  curves(state, tvq::averagingCurves(0xFF8000, 0.5, 1.0, 3.0), tvq::CopyRule::Converted);
}

void BM_Downsample(benchmark::State& state) {
  curves(state, tvq::downsampleCurves(3), tvq::CopyRule::Converted);
}

void BM_Threshold(benchmark::State& state) {
  const tvq::ThresholdRule rule{true, false, 0x808080, 0xFF00FF};
  const Bitmap source(depthOf(state), 1), target(depthOf(state), 2);
  bench::timeAgainstMemcpy(state, target.size(), [&] {
    tvq::thresholdSelection(source.view(), target.view(), kAll, rule);
  });
}

// The mask forms, with an 8-bit mask of random levels.
void BM_ContrastWithMask(benchmark::State& state) {
  const Bitmap source(depthOf(state), 1), mask(8, 3), target(depthOf(state), 2);
  const tvq::ChannelCurves c = tvq::contrastCurves(0x808080, 1.6, 0.7, 2.2);
  bench::timeAgainstMemcpy(state, target.size(), [&] {
    tvq::applyCurvesByMask(source.view(), mask.view(), target.view(), c,
                           tvq::MaskWeighting::Steps256, tvq::CopyRule::Converted);
  });
}

void BM_GammaWithMask(benchmark::State& state) {
  const Bitmap source(depthOf(state), 1), mask(8, 3), target(depthOf(state), 2);
  const tvq::ChannelCurves c = tvq::gammaCurves(0x808080, 0.6, 1.8, 2.5);
  bench::timeAgainstMemcpy(state, target.size(), [&] {
    tvq::applyCurvesByMask(source.view(), mask.view(), target.view(), c,
                           tvq::MaskWeighting::Levels255, tvq::CopyRule::Converted);
  });
}

// Every loop of the curve and threshold tables on its own, the general walk
// included, so the portable loops' figures show beside the vector ones on a
// processor that has both.
int32_t depthFor(const tvq::FormatSet& formats) {
  if (formats.contains(tvq::PixelFormat::Bgrx32)) return 32;
  if (formats.contains(tvq::PixelFormat::Bgr24)) return 24;
  return 16;
}

template <typename Loop, size_t N, typename Run>
void registerLoops(const char* kernel, const tvq::FastPathTable<Loop, N>& table, Run run) {
  for (const tvq::FastPath<Loop>& entry : table.fast) {
    if (!entry.usable()) continue;
    const int32_t depth = depthFor(entry.source);
    benchmark::RegisterBenchmark((std::string(kernel) + "/" + entry.name).c_str(),
                                 [=](benchmark::State& state) { run(state, entry.loop, depth); })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  }
  for (int32_t depth : {32, 24, 16}) {
    benchmark::RegisterBenchmark(
        (std::string(kernel) + "/general walk, " + std::to_string(depth) + "-bit").c_str(),
        [=](benchmark::State& state) { run(state, table.general, depth); })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  }
}

const bool kLoopsRegistered = [] {
  registerLoops("BM_CurveLoop", tvq::curveSelectionLoops(),
                [](benchmark::State& state, tvq::CurveSelectionLoop loop, int32_t depth) {
                  const Bitmap source(depth, 1), target(depth, 2);
                  const tvq::ClampedCurves c(tvq::contrastCurves(0x808080, 1.6, 0.7, 2.2));
                  bench::timeAgainstMemcpy(state, target.size(), [&] {
                    loop(source.view(), target.view(), kAll, c, tvq::CopyRule::StoredBits);
                  });
                });
  registerLoops("BM_ThresholdLoop", tvq::thresholdSelectionLoops(),
                [](benchmark::State& state, tvq::ThresholdSelectionLoop loop, int32_t depth) {
                  const Bitmap source(depth, 1), target(depth, 2);
                  const tvq::ThresholdRule rule{true, false, 0x808080, 0xFF00FF};
                  bench::timeAgainstMemcpy(state, target.size(),
                                           [&] { loop(source.view(), target.view(), kAll, rule); });
                });
  return true;
}();

#ifdef RB_BENCH_WITH_OPENCV
// cv::LUT with one table per channel, the nearest OpenCV call to a curve.
void BM_OpenCvLut(benchmark::State& state) {
  const int type = depthOf(state) == 32 ? CV_8UC4 : CV_8UC3;
  cv::Mat source(kSide, kSide, type), target(kSide, kSide, type);
  cv::randu(source, 0, 256);
  cv::Mat table(1, 256, depthOf(state) == 32 ? CV_8UC4 : CV_8UC3);
  for (int i = 0; i < 256; ++i) {
    uint8_t* t = table.ptr<uint8_t>(0) + i * table.channels();
    for (int c = 0; c < table.channels(); ++c) t[c] = static_cast<uint8_t>(255 - i);
  }
  bench::timeAgainstMemcpy(state, target.total() * target.elemSize(),
                           [&] { cv::LUT(source, table, target); });
}
BENCHMARK(BM_OpenCvLut)
    ->ArgName("depth")
    ->Arg(32)
    ->Arg(24)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
#endif

void depths(benchmark::internal::Benchmark* b) {
  b->ArgName("depth")->Arg(32)->Arg(24)->Arg(16)->UseManualTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_RgbOffsets)->Apply(depths);
BENCHMARK(BM_Contrast)->Apply(depths);
BENCHMARK(BM_Gamma)->Apply(depths);
BENCHMARK(BM_WeightedAveraging)->Apply(depths);
BENCHMARK(BM_Downsample)->Apply(depths);
BENCHMARK(BM_Threshold)->Apply(depths);
BENCHMARK(BM_ContrastWithMask)->Apply(depths);
BENCHMARK(BM_GammaWithMask)->Apply(depths);

}  // namespace
