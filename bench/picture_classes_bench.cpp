// The picture plug-in's processing-class kernels on a 4096 x 4096 picture,
// single thread, each beside a memcpy of the same bytes in the same run; the
// figure is time / memcpy time (the best of several runs of each). Where
// OpenCV is found at configure time, its nearest call runs beside them.
//
//   picture_classes_bench [repetitions]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "picture/classes/lut3d_kernel.h"
#include "picture/classes/matrix_filter_kernels.h"
#include "picture/classes/min_max_kernel.h"
#include "picture/classes/separable_kernel.h"
#include "picture/classes/sepia_kernel.h"

#if RB_BENCH_WITH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr int32_t kSide = 4096;
constexpr size_t kBytes = size_t(kSide) * kSide * 4;

struct Picture {
  std::vector<uint8_t> bytes = std::vector<uint8_t>(kBytes);
  zrw::SourceRows in() const { return {bytes.data(), size_t(kSide) * 4, kSide, kSide}; }
  zrw::ResultRows out() { return {bytes.data(), size_t(kSide) * 4, kSide, kSide}; }
};

int repetitions = 5;

double bestSeconds(const std::function<void()>& run) {
  double best = 1e30;
  for (int i = 0; i < repetitions; ++i) {
    const auto start = std::chrono::steady_clock::now();
    run();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

double memcpySeconds = 0;

void report(const char* what, double seconds, double target) {
  const double ratio = seconds / memcpySeconds;
  std::printf("%-46s %8.2f ms %7.2f x memcpy   (target <= %.1f)%s\n", what, seconds * 1e3, ratio,
              target, ratio <= target ? "" : "  MISSED");
}

#if RB_BENCH_WITH_OPENCV
void reportOpenCv(const char* what, double seconds) {
  std::printf("  OpenCV %-39s %8.2f ms %7.2f x memcpy\n", what, seconds * 1e3,
              seconds / memcpySeconds);
}
#endif

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) repetitions = std::max(1, std::atoi(argv[1]));
  Picture source, result;
  std::mt19937 random(14);
  for (uint8_t& b : source.bytes) b = uint8_t(random());
  const zrw::AreaBounds whole{0, 0, kSide, kSide};

  memcpySeconds =
      bestSeconds([&] { std::memcpy(result.bytes.data(), source.bytes.data(), kBytes); });
  std::printf("4096 x 4096 x 4 bytes; memcpy %.2f ms (%.2f GB/s)\n", memcpySeconds * 1e3,
              kBytes / memcpySeconds / 1e9);

  zrw::ColourMatrix colour{};
  const double m[3][3] = {{0.6, 0.3, 0.1}, {0.2, 0.7, 0.1}, {0.1, 0.2, 0.7}};
  for (int c = 0; c < 3; ++c)
    for (int k = 0; k < 3; ++k) colour.m[c][k] = m[c][k];
  colour.m[0][3] = -4;   // input offsets
  colour.m[3][2] = 6.5;  // output offset
  report("PictureMatrix3DZRW (colour matrix)",
         bestSeconds([&] { zrw::applyColourMatrix(source.in(), result.out(), whole, colour); }), 2);

  const zrw::SepiaTone sepia{
      zrw::sepiaWeight(0.299), zrw::sepiaWeight(0.587), zrw::sepiaWeight(0.114), 40, 20, -20};
  report("PictureSepiaZRW",
         bestSeconds([&] { zrw::toneSepia(source.in(), result.out(), whole, sepia); }), 2);

  zrw::Extremes extremes;
  report("PictureMinMaxZRW FindAll",
         bestSeconds([&] { extremes = zrw::findExtremes(source.in()); }), 1.5);

  static zrw::Lut3DTable table;
  for (int r = 0; r < 18; ++r)
    for (int g = 0; g < 18; ++g)
      for (int b = 0; b < 18; ++b) {
        table[r][g][b][0] = 17.0 * r * 0.9 + 10;
        table[r][g][b][1] = 17.0 * g;
        table[r][g][b][2] = 17.0 * (b + r) / 2;
      }
  report("PictureLut3DZRW",
         bestSeconds([&] { zrw::mapThroughLut3D(source.in(), result.out(), whole, table); }), 4);

  zrw::SpatialFilter blur{};
  for (auto& row : blur.weights)
    for (int32_t& w : row) w = 1;
  blur.scaleFactor = 1.0 / 25;
  blur.red = blur.green = blur.blue = true;
  report("PictureMatrixZRW 5 x 5 blur",
         bestSeconds([&] { zrw::filterSpatial(source.in(), result.out(), whole, blur); }), 12);

  zrw::SpatialFilter edges{};
  edges.weights[2][2] = 4;
  edges.weights[1][2] = edges.weights[3][2] = edges.weights[2][1] = edges.weights[2][3] = -1;
  edges.displacement = 128;
  edges.scaleFactor = 1.0;
  edges.red = edges.green = edges.blue = true;
  report("PictureMatrixZRW 5 x 5 edges (5 taps, scale 1)",
         bestSeconds([&] { zrw::filterSpatial(source.in(), result.out(), whole, edges); }), 12);

  zrw::SeparableFilter separable{};
  separable.taps = 7;
  const double taps[7] = {0.03, 0.11, 0.22, 0.28, 0.22, 0.11, 0.03};
  for (int i = 0; i < 7; ++i) separable.horizontal[i] = separable.vertical[i] = taps[i];
  separable.red = separable.green = separable.blue = true;
  report("PictureConvolutionZRW 7 + 7 taps",
         bestSeconds([&] { zrw::convolveSeparable(source.in(), result.out(), separable); }), 6);

#if RB_BENCH_WITH_OPENCV
  cv::setNumThreads(0);
  const cv::Mat in(kSide, kSide, CV_8UC4, source.bytes.data());
  cv::Mat out(kSide, kSide, CV_8UC4, result.bytes.data());
  const cv::Mat box = cv::Mat::ones(5, 5, CV_32F) / 25.0;
  reportOpenCv("cv::filter2D 5 x 5", bestSeconds([&] { cv::filter2D(in, out, -1, box); }));
  const cv::Mat mat =
      (cv::Mat_<float>(4, 4) << 0.1, 0.2, 0.7, 0, 0.1, 0.7, 0.2, 0, 0.1, 0.3, 0.6, 0, 0, 0, 0, 1);
  reportOpenCv("cv::transform", bestSeconds([&] { cv::transform(in, out, mat); }));
  const cv::Mat k7 = cv::Mat(1, 7, CV_64F, const_cast<double*>(taps)).clone();
  reportOpenCv("cv::sepFilter2D 7 + 7", bestSeconds([&] { cv::sepFilter2D(in, out, -1, k7, k7); }));
  cv::Mat plane;
  cv::extractChannel(in, plane, 2);
  double lo, hi;
  cv::Point at1, at2;
  reportOpenCv("cv::minMaxLoc (one channel)",
               bestSeconds([&] { cv::minMaxLoc(plane, &lo, &hi, &at1, &at2); }));
#endif
  // Keep the results alive.
  std::printf("(checks: %d %u)\n", extremes.max[3].value, unsigned(result.bytes[12345]));
  return 0;
}
