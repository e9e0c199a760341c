#include "picture/classes/min_max_kernel.h"

#include <algorithm>

#include "picture/frame/bgra32.h"

namespace zrw {
namespace {

int32_t quantityOf(const uint8_t* pixel, int q) {
  switch (q) {
    case kRedQuantity:
      return pixel[bgra32::kRed];
    case kGreenQuantity:
      return pixel[bgra32::kGreen];
    case kBlueQuantity:
      return pixel[bgra32::kBlue];
    default:
      return pixel[bgra32::kRed] + pixel[bgra32::kGreen] + pixel[bgra32::kBlue];
  }
}

Extremes findGeneral(SourceRows in) {
  Extremes e;
  for (int32_t y = 0; y < in.height; ++y) {
    const uint8_t* pixel = in.row(y);
    for (int32_t x = 0; x < in.width; ++x, pixel += 4)
      for (int q = 0; q < 4; ++q) {
        const int32_t v = quantityOf(pixel, q);
        if (v > e.max[q].value) e.max[q] = {x, y, v};
        if (v < e.min[q].value) e.min[q] = {x, y, v};
      }
  }
  return e;
}

int32_t firstHolding(const uint8_t* row, int32_t width, int q, int32_t value) {
  for (int32_t x = 0; x < width; ++x)
    if (quantityOf(bgra32::at(row, x), q) == value) return x;
  return 0;  // not reached: the value came from this row
}

// A row's extremes first, in a loop without branches the compiler turns into
// vector code; only a row that beats the extremes so far is searched again
// for the first pixel holding its value, so the order of ties is kept.
Extremes findByRows(SourceRows in) {
  Extremes e;
  for (int32_t y = 0; y < in.height; ++y) {
    const uint8_t* row = in.row(y);
    uint8_t maxR = 0, maxG = 0, maxB = 0, minR = 255, minG = 255, minB = 255;
    int32_t maxS = 0, minS = 765;
    const uint8_t* p = row;
    for (int32_t x = 0; x < in.width; ++x, p += 4) {
      const uint8_t b = p[bgra32::kBlue], g = p[bgra32::kGreen], r = p[bgra32::kRed];
      maxR = std::max(maxR, r);
      maxG = std::max(maxG, g);
      maxB = std::max(maxB, b);
      minR = std::min(minR, r);
      minG = std::min(minG, g);
      minB = std::min(minB, b);
      const int32_t s = int32_t{r} + g + b;
      maxS = std::max(maxS, s);
      minS = std::min(minS, s);
    }
    const int32_t rowMax[4] = {maxR, maxG, maxB, maxS};
    const int32_t rowMin[4] = {minR, minG, minB, minS};
    for (int q = 0; q < 4; ++q) {
      if (rowMax[q] > e.max[q].value)
        e.max[q] = {firstHolding(row, in.width, q, rowMax[q]), y, rowMax[q]};
      if (rowMin[q] < e.min[q].value)
        e.min[q] = {firstHolding(row, in.width, q, rowMin[q]), y, rowMin[q]};
    }
  }
  return e;
}

}  // namespace

Extremes findExtremes(SourceRows in, KernelPath path) {
  return path == KernelPath::Fast ? findByRows(in) : findGeneral(in);
}

}  // namespace zrw
