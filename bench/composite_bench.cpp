// The compositing kernels on 4096 x 4096 pictures at 32 and 24 bits, single
// threaded, each beside a memcpy of the bytes of its result (x_memcpy) timed
// in the same run: the overlay composite (also weighted by an overlay mask),
// the colour over a selection, the composite through a mask argument, the
// transition, the difference map, the comparison of two equal pictures and
// the separable convolution of 3 and 21 taps. With TVQ_FAST_PATHS=0 in the
// environment the same run times the general walks. Where OpenCV was found
// at configure time its nearest calls run beside them.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

#include "bench_bitmap.h"
#include "graphics/composite/compare.h"
#include "graphics/composite/composite.h"
#include "graphics/composite/composite_color.h"
#include "graphics/composite/composite_mask.h"
#include "graphics/composite/convolute.h"
#include "graphics/composite/difference.h"
#include "graphics/composite/transition.h"

#ifdef RB_BENCH_WITH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

using bench::Bitmap;
using bench::kSide;

const tvq::Selection kAll{0, 0, kSide - 1, kSide - 1};

int32_t depthOf(const benchmark::State& state) { return static_cast<int32_t>(state.range(0)); }

// An 8-bit bitmap read as a mask's grey levels.
tvq::PixelView asGrey(const Bitmap& b) {
  tvq::PixelView v = b.view();
  v.format = tvq::PixelFormat::Grey8;
  v.colorTable = nullptr;
  v.colorCount = 0;
  return v;
}

void BM_Composite(benchmark::State& state) {
  const Bitmap source(depthOf(state), 1), overlay(depthOf(state), 2), target(depthOf(state), 3);
  bench::timeAgainstMemcpy(state, target.size(), [&] {
    tvq::compositePixels(source.view(), overlay.view(), nullptr, target.view(), {0, 0}, 128);
  });
}

void BM_CompositeWithOwnMask(benchmark::State& state) {
  const Bitmap source(depthOf(state), 1), overlay(depthOf(state), 2), target(depthOf(state), 3);
  const Bitmap levels(8, 4);
  const tvq::PixelView mask = asGrey(levels);
  bench::timeAgainstMemcpy(state, target.size(), [&] {
    tvq::compositePixels(source.view(), overlay.view(), &mask, target.view(), {0, 0}, 200);
  });
}

void BM_CompositeColor(benchmark::State& state) {
  const Bitmap source(depthOf(state), 1), target(depthOf(state), 3);
  bench::timeAgainstMemcpy(state, target.size(), [&] {
    tvq::compositeColor(source.view(), target.view(), kAll, 0xFF8000, {179, 76});
  });
}

void BM_CompositeThroughMask(benchmark::State& state) {
  const Bitmap source(depthOf(state), 1), overlay(depthOf(state), 2), target(depthOf(state), 3);
  const Bitmap levels(8, 4);
  const tvq::PixelView mask = asGrey(levels);
  bench::timeAgainstMemcpy(state, target.size(), [&] {
    tvq::compositeByMask(source.view(), overlay.view(), mask, target.view(), {0, 0});
  });
}

void BM_Transition(benchmark::State& state) {
  const Bitmap source(depthOf(state), 1), a(depthOf(state), 2), b(depthOf(state), 3),
      target(depthOf(state), 4);
  bench::timeAgainstMemcpy(state, target.size(), [&] {
    tvq::transitionPixels(source.view(), a.view(), b.view(), target.view(), {179, 76});
  });
}

// The map is 32-bit whatever the pictures; two pictures that differ in
// about half their pixels.
void BM_Difference(benchmark::State& state) {
  const Bitmap source(depthOf(state), 1), map(32, 3);
  Bitmap other(depthOf(state), 1);
  for (size_t i = 0; i < other.size(); i += 2 * static_cast<size_t>(depthOf(state) / 8))
    other.data()[i] ^= 1;
  bench::timeAgainstMemcpy(state, map.size(),
                           [&] { tvq::differenceMap(source.view(), other.view(), map.view()); });
}

// Equal pictures: every pixel is read. The bytes of one picture are copied.
void BM_CompareEqual(benchmark::State& state) {
  const Bitmap source(depthOf(state), 1), copy(depthOf(state), 1);
  bool same = false;
  bench::timeAgainstMemcpy(state, source.size(), [&] {
    same = tvq::sameColors(source.view(), copy.view(), kAll);
    benchmark::DoNotOptimize(same);
  });
  if (!same) state.SkipWithError("the copies compare unequal");
}

// Both passes, rows then columns through an intermediate of the same depth.
void convolution(benchmark::State& state, int32_t taps) {
  const Bitmap source(depthOf(state), 1), middle(depthOf(state), 2), target(depthOf(state), 3);
  tvq::PassKernel kernel;
  kernel.taps = taps;
  kernel.divisor = 0;
  for (int32_t t = 0; t < taps; ++t) {
    const int64_t c = 1 + (t < taps / 2 ? t : taps - 1 - t);
    kernel.coefficients[static_cast<size_t>(t)] = c;
    kernel.divisor += c;
  }
  bench::timeAgainstMemcpy(state, target.size(), [&] {
    tvq::convolvePass(source.view(), middle.view(), kAll, &kernel, true);
    tvq::convolvePass(middle.view(), target.view(), kAll, &kernel, false);
  });
}
void BM_Convolution3(benchmark::State& state) { convolution(state, 3); }
void BM_Convolution21(benchmark::State& state) { convolution(state, 21); }

void depths(benchmark::internal::Benchmark* b) {
  b->Arg(32)->Arg(24)->UseManualTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Composite)->Apply(depths);
BENCHMARK(BM_CompositeWithOwnMask)->Apply(depths);
BENCHMARK(BM_CompositeColor)->Apply(depths);
BENCHMARK(BM_CompositeThroughMask)->Apply(depths);
BENCHMARK(BM_Transition)->Apply(depths);
BENCHMARK(BM_Difference)->Apply(depths);
BENCHMARK(BM_CompareEqual)->Apply(depths);
BENCHMARK(BM_Convolution3)->Apply(depths);
BENCHMARK(BM_Convolution21)->Apply(depths);

#ifdef RB_BENCH_WITH_OPENCV
int cvTypeOf(const benchmark::State& state) { return depthOf(state) == 32 ? CV_8UC4 : CV_8UC3; }

cv::Mat randomMat(const benchmark::State& state) {
  cv::Mat m(kSide, kSide, cvTypeOf(state));
  cv::randu(m, 0, 256);
  return m;
}

void BM_OpenCvAddWeighted(benchmark::State& state) {
  const cv::Mat a = randomMat(state), b = randomMat(state);
  cv::Mat out(kSide, kSide, cvTypeOf(state));
  bench::timeAgainstMemcpy(state, out.total() * out.elemSize(),
                           [&] { cv::addWeighted(a, 0.5, b, 0.5, 0.0, out); });
}

void BM_OpenCvAbsDiff(benchmark::State& state) {
  const cv::Mat a = randomMat(state), b = randomMat(state);
  cv::Mat out(kSide, kSide, cvTypeOf(state));
  bench::timeAgainstMemcpy(state, out.total() * out.elemSize(), [&] { cv::absdiff(a, b, out); });
}

void openCvSepFilter(benchmark::State& state, int taps) {
  const cv::Mat a = randomMat(state);
  cv::Mat out(kSide, kSide, cvTypeOf(state));
  cv::Mat kernel(1, taps, CV_32F);
  for (int t = 0; t < taps; ++t) kernel.at<float>(0, t) = 1.0f / static_cast<float>(taps);
  bench::timeAgainstMemcpy(state, out.total() * out.elemSize(),
                           [&] { cv::sepFilter2D(a, out, -1, kernel, kernel); });
}
void BM_OpenCvSepFilter3(benchmark::State& state) { openCvSepFilter(state, 3); }
void BM_OpenCvSepFilter21(benchmark::State& state) { openCvSepFilter(state, 21); }

BENCHMARK(BM_OpenCvAddWeighted)->Apply(depths);
BENCHMARK(BM_OpenCvAbsDiff)->Apply(depths);
BENCHMARK(BM_OpenCvSepFilter3)->Apply(depths);
BENCHMARK(BM_OpenCvSepFilter21)->Apply(depths);
#endif

}  // namespace
