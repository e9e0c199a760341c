#include "picture/classes/sepia_kernel.h"

#include <cstdlib>

#include "picture/classes/channel_arithmetic.h"
#include "picture/frame/bgra32.h"

namespace zrw {

int32_t sepiaWeight(double factor) { return int32FromDouble(factor * 1024.0); }

namespace {

// `Sum` holds every luminance sum exactly: int64_t always, int32_t where
// fitsInt32 says so. The tint is added in 64 bits either way.
template <typename Sum>
void toneRows(SourceRows in, ResultRows out, AreaBounds area, const SepiaTone& t) {
  const Sum wr = t.redWeight, wg = t.greenWeight, wb = t.blueWeight;
  for (int32_t y = area.top; y < area.bottom; ++y) {
    const uint8_t* source = bgra32::at(in.row(y), area.left);
    uint8_t* target = bgra32::at(out.row(y), area.left);
    for (int32_t x = area.left; x < area.right; ++x, source += 4, target += 4) {
      const int64_t luminance =
          (source[bgra32::kRed] * wr + source[bgra32::kGreen] * wg + source[bgra32::kBlue] * wb) /
          1024;
      bgra32::storeRgb(target, channelFromInteger(luminance + t.redTint),
                       channelFromInteger(luminance + t.greenTint),
                       channelFromInteger(luminance + t.blueTint));
    }
  }
}

bool fitsInt32(const SepiaTone& t) {
  const int64_t bound =
      255 * (std::abs(int64_t{t.redWeight}) + std::abs(int64_t{t.greenWeight}) +
             std::abs(int64_t{t.blueWeight}));
  return bound <= INT32_MAX;
}

}  // namespace

void toneSepia(SourceRows in, ResultRows out, AreaBounds area, const SepiaTone& tone,
               KernelPath path) {
  if (area.empty()) return;
  if (path == KernelPath::Fast && fitsInt32(tone))
    toneRows<int32_t>(in, out, area, tone);
  else
    toneRows<int64_t>(in, out, area, tone);
}

}  // namespace zrw
