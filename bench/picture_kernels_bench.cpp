// The picture plug-in's pixel kernels on a 4096 x 4096 32-bit picture, single
// thread, each beside a memcpy of the source's 64 MiB in the same run:
// every line reports the kernel's time divided by the memcpy's. Times are
// the best of several runs, in processor time of this process (std::clock),
// so that other programs sharing the machine do not inflate them. No host is involved: the rows
// point at plain buffers laid out as the host's bitmaps are.
//
//   picture_kernels_bench [repetitions]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <random>
#include <vector>

#include "picture/frame/pixel_rows.h"
#include "picture/functions/blending.h"
#include "picture/functions/color_counting.h"
#include "picture/functions/free_rotation.h"
#include "picture/functions/inversion.h"
#include "picture/functions/lookup_transform.h"
#include "picture/functions/memory_block_copies.h"
#include "picture/functions/scaling.h"
#include "picture/functions/tint.h"
#include "picture/functions/turns.h"

namespace {

constexpr int32_t kSide = 4096;

struct Picture {
  std::vector<uint8_t> bytes;
  int32_t width, height;
  Picture(int32_t w, int32_t h, uint32_t seed = 0)
      : bytes(4 * static_cast<size_t>(w) * static_cast<size_t>(h)), width(w), height(h) {
    if (seed != 0) {
      std::mt19937 random(seed);
      for (size_t i = 0; i < bytes.size(); i += 4) {
        const uint32_t v = random();
        std::memcpy(&bytes[i], &v, 4);
      }
    }
  }
  zrw::ResultRows rows() { return {bytes.data(), 4 * static_cast<size_t>(width), width, height}; }
};

int repetitions = 5;

double bestSeconds(const std::function<void()>& run) {
  double best = 1e30;
  for (int i = 0; i < repetitions; ++i) {
    const std::clock_t start = std::clock();
    run();
    best = std::min(best, static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) repetitions = std::max(1, std::atoi(argv[1]));
  Picture a(kSide, kSide, 1), b(kSide, kSide, 2), c(kSide, kSide, 3);
  Picture same(kSide, kSide);
  const zrw::SourceRows source = a.rows();

  std::vector<uint8_t> copy(a.bytes.size());
  const double memcpySeconds =
      bestSeconds([&] { std::memcpy(copy.data(), a.bytes.data(), a.bytes.size()); });
  std::printf("memcpy of %zu bytes: %.2f ms\n", a.bytes.size(), memcpySeconds * 1e3);

  const auto report = [&](const char* name, const std::function<void()>& run) {
    const double s = bestSeconds(run);
    std::printf("%-36s %8.2f ms  %6.2f x memcpy\n", name, s * 1e3, s / memcpySeconds);
    std::fflush(stdout);
  };

  report("InvertZRW (whole picture)", [&] {
    zrw::invertArea(source, same.rows(), {0, 0, kSide, kSide});
  });
  report("Rotate90ZRW",
         [&] { zrw::turnRows(source, same.rows(), zrw::Turn::QuarterCounterClockwise); });
  report("Rotate270ZRW", [&] { zrw::turnRows(source, same.rows(), zrw::Turn::QuarterClockwise); });
  report("Rotate180ZRW", [&] { zrw::turnRows(source, same.rows(), zrw::Turn::Half); });
  report("VMirrorZRW", [&] { zrw::mirrorRowsVertically(source, same.rows()); });
  report("HMirrorZRW", [&] { zrw::mirrorRowsHorizontally(source, same.rows()); });
  {
    const zrw::TurnedSize size = zrw::shearedSize(kSide, kSide, 30.0);
    Picture turned(size.width, size.height);
    report("RotateZRW 30 degrees",
           [&] { zrw::rotateByShears(source, turned.rows(), 30.0, 0x336699); });
  }
  {
    Picture smaller(kSide * 7 / 10, kSide * 7 / 10);
    report("ScaleZRW 0.7 (area)", [&] { zrw::averageAreas(source, smaller.rows()); });
    Picture larger(kSide * 3 / 2, kSide * 3 / 2);
    report("ScaleZRW 1.5 (interpolated)", [&] { zrw::interpolateRows(source, larger.rows()); });
  }
  report("BlendPicturesZRW", [&] { zrw::blendRows(source, 614, b.rows(), 410, same.rows()); });
  report("BlendPicturesWithMaskZRW",
         [&] { zrw::blendRowsWithMask(source, b.rows(), c.rows(), same.rows()); });
  report("TintPictureZRW", [&] { zrw::tintRows(source, same.rows(), 0x402000, 0xFFE0A0); });
  report("CombinePicturesZRW", [&] { zrw::combineRows(source, b.rows(), c.rows(), same.rows()); });
  {
    zrw::LookupTables tables;
    for (int v = 0; v < 256; ++v) {
      tables.red[size_t(v)] = uint8_t(255 - v);
      tables.green[size_t(v)] = uint8_t(v);
      tables.blue[size_t(v)] = uint8_t(v / 2);
    }
    report("TransformColorsZRW", [&] { zrw::lookUpRows(source, same.rows(), tables); });
  }
  report("CountColorsZRW (histograms)", [&] {
    zrw::Histograms h;
    zrw::countChannels(source, h);
    if (h.red[0] == 0xFFFFFFFF) std::puts("");
  });
  report("CountColorZRW", [&] {
    if (zrw::countPixelsOf(source, 0x123456) == 0xFFFFFFFF) std::puts("");
  });
  report("CopyRGBtoMemoryblock", [&] { zrw::copyRgb(source, copy.data()); });
  report("CopyARGBtoMemoryblock", [&] { zrw::copyArgb(source, copy.data(), false, 255); });
  report("CopyRtoMemoryblock (spacing 1)", [&] { zrw::copyChannel(source, copy.data(), 2, 1); });
  return 0;
}
