// The geometry kernels on 4096 x 4096 pictures, each beside a memcpy of the
// bytes it writes (x_memcpy): the eight symmetries, and stretching to 0.7
// and 1.5 times the size (both passes, the intermediate included), at 32 and
// 24 bits through the loops they choose (TVQ_FAST_PATHS=0 in the environment
// times the general walk). Where OpenCV was found at configure time, its nearest calls
// run beside them.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench_bitmap.h"
#include "graphics/frame/symmetry.h"
#include "graphics/geometry/rotate_by_shear.h"
#include "graphics/geometry/rotate_direct.h"
#include "graphics/geometry/shear.h"
#include "graphics/geometry/stretch.h"

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

// A picture of any size in plain memory, laid out as the host's.
class Buffer {
 public:
  Buffer(int32_t width, int32_t height, int32_t depth) {
    view_.width = width;
    view_.height = height;
    view_.depth = depth;
    view_.bytesPerPixel = depth / 8;
    view_.rowBytes = ((width * depth + 31) / 32) * 4;
    view_.format = depth == 32 ? tvq::PixelFormat::Bgrx32 : tvq::PixelFormat::Bgr24;
    bytes_.assign(static_cast<size_t>(view_.rowBytes) * static_cast<size_t>(height), 0);
    view_.pixels = bytes_.data();
  }
  const tvq::PixelView& view() const { return view_; }
  size_t size() const { return bytes_.size(); }

 private:
  std::vector<uint8_t> bytes_;
  tvq::PixelView view_;
};

// Rows to the new width into an intermediate, then columns to the new
// height, as the operation runs them.
void stretchBy(benchmark::State& state, double factor) {
  const auto side = static_cast<int32_t>(kSide * factor);
  const Bitmap source(depthOf(state), 1);
  const Buffer middle(side, kSide, depthOf(state)), target(side, side, depthOf(state));
  bench::timeAgainstMemcpy(state, target.size(), [&] {
    tvq::stretchRows(source.view(), middle.view());
    tvq::stretchColumns(middle.view(), target.view());
  });
}
void BM_StretchDown07(benchmark::State& state) { stretchBy(state, 0.7); }
void BM_StretchUp15(benchmark::State& state) { stretchBy(state, 1.5); }
BENCHMARK(BM_StretchDown07)->Apply(depths);
BENCHMARK(BM_StretchUp15)->Apply(depths);

void shearBy(benchmark::State& state, tvq::ShearAxis axis) {
  const Bitmap source(depthOf(state), 1);
  const int32_t grown = kSide + kSide / 2;
  const bool vertical = axis == tvq::ShearAxis::Vertical;
  const Buffer target(vertical ? kSide : grown, vertical ? grown : kSide, depthOf(state));
  bench::timeAgainstMemcpy(state, target.size(), [&] {
    tvq::shearInto(source.view(), nullptr, target.view(), nullptr, axis, 0.5, 0x336699);
  });
}
void BM_ShearVertical05(benchmark::State& state) { shearBy(state, tvq::ShearAxis::Vertical); }
void BM_ShearHorizontal05(benchmark::State& state) { shearBy(state, tvq::ShearAxis::Horizontal); }
BENCHMARK(BM_ShearVertical05)->Apply(depths);
BENCHMARK(BM_ShearHorizontal05)->Apply(depths);

void BM_RotateDirect30(benchmark::State& state) {
  const double theta = 30.0 * 3.14159 / 180.0;
  const auto size = tvq::turnedSize(kSide, kSide, theta);
  const Bitmap source(depthOf(state), 1);
  const Buffer target(size->width, size->height, depthOf(state));
  bench::timeAgainstMemcpy(state, target.size(), [&] {
    tvq::rotateDirectInto(source.view(), target.view(), theta, 0x336699);
  });
}
BENCHMARK(BM_RotateDirect30)->Apply(depths);

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

void openCvResize(benchmark::State& state, double factor) {
  const cv::Mat source = randomMat(state);
  const auto side = static_cast<int>(kSide * factor);
  cv::Mat target(side, side, source.type());
  bench::timeAgainstMemcpy(state, target.total() * target.elemSize(), [&] {
    cv::resize(source, target, cv::Size(side, side), 0, 0, cv::INTER_AREA);
  });
}
void BM_OpenCvResizeArea07(benchmark::State& state) { openCvResize(state, 0.7); }
void BM_OpenCvResizeArea15(benchmark::State& state) { openCvResize(state, 1.5); }
BENCHMARK(BM_OpenCvResizeArea07)->Apply(depths);
BENCHMARK(BM_OpenCvResizeArea15)->Apply(depths);
#endif

}  // namespace
