// The graphics plug-in's pixel kernels on a 1024 x 768 picture, each with its
// per-format fast loop and with the general reader/writer walk, so the gain
// of every fast path stays visible. No host is involved: the views point at
// plain buffers laid out as the host's bitmaps are.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "graphics/color/rgb_offsets.h"
#include "graphics/composite/add_subtract.h"
#include "graphics/frame/fast_paths.h"
#include "graphics/frame/pixel_view.h"
#include "graphics/frame/selection.h"

namespace {

constexpr int32_t kWidth = 1024;
constexpr int32_t kHeight = 768;

// A bitmap in memory: rows padded to 4 bytes, random contents.
class Bitmap {
 public:
  explicit Bitmap(int32_t depth) {
    view_.width = kWidth;
    view_.height = kHeight;
    view_.depth = depth;
    view_.bytesPerPixel = depth / 8;
    view_.rowBytes = ((kWidth * depth + 31) / 32) * 4;
    view_.format = depth == 32 ? tvq::PixelFormat::Bgrx32 : tvq::PixelFormat::Bgr24;
    bytes_.resize(static_cast<size_t>(view_.rowBytes) * kHeight);
    std::mt19937 rng(static_cast<uint32_t>(depth));
    for (uint8_t& b : bytes_) b = static_cast<uint8_t>(rng());
    view_.pixels = bytes_.data();
  }
  const tvq::PixelView& view() const { return view_; }

 private:
  std::vector<uint8_t> bytes_;
  tvq::PixelView view_;
};

// Arguments: depth, fast paths on (1) or off (0).
void setUp(benchmark::State& state) { tvq::setFastPathsEnabled(state.range(1) != 0); }

void countPixels(benchmark::State& state, int64_t pixelsPerIteration) {
  state.SetItemsProcessed(state.iterations() * pixelsPerIteration);
  tvq::setFastPathsEnabled(true);
}

constexpr tvq::RgbDeltas kDeltas{40, -25, 90};

void BM_OffsetWholePicture(benchmark::State& state) {
  setUp(state);
  const Bitmap source(static_cast<int32_t>(state.range(0)));
  const Bitmap target(static_cast<int32_t>(state.range(0)));
  const tvq::Selection all{0, 0, kWidth - 1, kHeight - 1};
  for (auto _ : state) {
    tvq::offsetSelection(source.view(), target.view(), all, kDeltas);
    benchmark::ClobberMemory();
  }
  countPixels(state, int64_t{kWidth} * kHeight);
}

// A selection in the middle: rows copied whole, and rows copied on both
// sides of the changed part.
void BM_OffsetCentreSelection(benchmark::State& state) {
  setUp(state);
  const Bitmap source(static_cast<int32_t>(state.range(0)));
  const Bitmap target(static_cast<int32_t>(state.range(0)));
  const tvq::Selection centre{kWidth / 4, kHeight / 4, 3 * kWidth / 4, 3 * kHeight / 4};
  for (auto _ : state) {
    tvq::offsetSelection(source.view(), target.view(), centre, kDeltas);
    benchmark::ClobberMemory();
  }
  countPixels(state, int64_t{kWidth} * kHeight);
}

void BM_OffsetInPlace(benchmark::State& state) {
  setUp(state);
  const Bitmap picture(static_cast<int32_t>(state.range(0)));
  const tvq::Selection all{0, 0, kWidth - 1, kHeight - 1};
  for (auto _ : state) {
    tvq::offsetInPlace(picture.view(), all, kDeltas);
    benchmark::ClobberMemory();
  }
  countPixels(state, int64_t{kWidth} * kHeight);
}

void BM_Add(benchmark::State& state) {
  setUp(state);
  const Bitmap first(static_cast<int32_t>(state.range(0)));
  const Bitmap second(static_cast<int32_t>(state.range(0)));
  const Bitmap target(static_cast<int32_t>(state.range(0)));
  for (auto _ : state) {
    tvq::combineChannels(first.view(), second.view(), target.view(), tvq::ChannelArithmetic::Add);
    benchmark::ClobberMemory();
  }
  countPixels(state, int64_t{kWidth} * kHeight);
}

void BM_Subtract(benchmark::State& state) {
  setUp(state);
  const Bitmap first(static_cast<int32_t>(state.range(0)));
  const Bitmap second(static_cast<int32_t>(state.range(0)));
  const Bitmap target(static_cast<int32_t>(state.range(0)));
  for (auto _ : state) {
    tvq::combineChannels(first.view(), second.view(), target.view(),
                         tvq::ChannelArithmetic::Subtract);
    benchmark::ClobberMemory();
  }
  countPixels(state, int64_t{kWidth} * kHeight);
}

void depthsAndPaths(benchmark::internal::Benchmark* b) {
  b->ArgNames({"depth", "fast"});
  for (int64_t depth : {24, 32})
    for (int64_t fast : {0, 1}) b->Args({depth, fast});
  b->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_OffsetWholePicture)->Apply(depthsAndPaths);
BENCHMARK(BM_OffsetCentreSelection)->Apply(depthsAndPaths);
BENCHMARK(BM_OffsetInPlace)->Apply(depthsAndPaths);
BENCHMARK(BM_Add)->Apply(depthsAndPaths);
BENCHMARK(BM_Subtract)->Apply(depthsAndPaths);

}  // namespace
