#include "picture/functions/color_counting.h"

#include <cstring>

#include "host_binding/host_services.h"
#include "picture/frame/bgra32.h"
#include "picture/frame/source_view.h"

namespace zrw {

uint32_t countPixelsOf(SourceRows source, RbColor color) {
  if ((color >> 24) != 0) return 0;  // no pixel's colour has bits above 23
  uint32_t count = 0;
  for (int32_t y = 0; y < source.height; ++y) {
    const uint8_t* pixel = source.row(y);
    for (int32_t x = 0; x < source.width; ++x, pixel += 4)
      count += (bgra32::load(pixel) & 0x00FFFFFFu) == color;
  }
  return count;
}

void countChannels(SourceRows source, Histograms& histograms) {
  // Two sets of counters, for even and odd pixels, so that neighbouring
  // pixels of one colour do not wait on each other's increments.
  Histograms odd;
  for (int32_t y = 0; y < source.height; ++y) {
    const uint8_t* pixel = source.row(y);
    int32_t x = 0;
    for (; x + 1 < source.width; x += 2, pixel += 8) {
      ++histograms.blue[pixel[0]];
      ++histograms.green[pixel[1]];
      ++histograms.red[pixel[2]];
      ++odd.blue[pixel[4]];
      ++odd.green[pixel[5]];
      ++odd.red[pixel[6]];
    }
    if (x < source.width) {
      ++histograms.blue[pixel[0]];
      ++histograms.green[pixel[1]];
      ++histograms.red[pixel[2]];
    }
  }
  for (size_t v = 0; v < 256; ++v) {
    histograms.red[v] += odd.red[v];
    histograms.green[v] += odd.green[v];
    histograms.blue[v] += odd.blue[v];
  }
}

int32_t countColor(RbPicture picture, RbColor color) {
  SourceView view;
  if (!view.open(picture)) return -1;
  return static_cast<int32_t>(countPixelsOf(view.rows(), color));
}

namespace {

constexpr int32_t kHistogramBytes = 1024;

// A new histogram block stored into the variable; its bytes, or null when
// the block cannot be had whole.
uint8_t* newHistogramBlock(RbMemoryBlock* variable) {
  RbMemoryBlock block = host::newMemoryBlock(kHistogramBytes);
  *variable = block;
  if (block == nullptr) return nullptr;
  const std::optional<int32_t> size = host::memoryBlockSize(block);
  if (size && *size < kHistogramBytes) return nullptr;
  return static_cast<uint8_t*>(host::memoryBlockGetPtr(block));
}

void storeCounters(uint8_t* block, const std::array<uint32_t, 256>& counters) {
  for (size_t v = 0; v < counters.size(); ++v)
    for (size_t b = 0; b < 4; ++b) block[4 * v + b] = static_cast<uint8_t>(counters[v] >> (8 * b));
}

}  // namespace

void countColors(RbPicture picture, RbMemoryBlock* red, RbMemoryBlock* blue, RbMemoryBlock* green,
                 int32_t* count) {
  for (RbMemoryBlock* variable : {red, blue, green}) {
    if (variable == nullptr) continue;
    host::release(*variable);
    *variable = nullptr;
  }
  if (count != nullptr) *count = -1;
  if (red == nullptr || blue == nullptr || green == nullptr || count == nullptr) return;

  SourceView view;
  if (!view.open(picture)) return;
  uint8_t* redBytes = newHistogramBlock(red);
  uint8_t* blueBytes = newHistogramBlock(blue);
  uint8_t* greenBytes = newHistogramBlock(green);
  if (redBytes == nullptr || blueBytes == nullptr || greenBytes == nullptr) return;

  Histograms histograms;
  countChannels(view.rows(), histograms);
  storeCounters(redBytes, histograms.red);
  storeCounters(greenBytes, histograms.green);
  storeCounters(blueBytes, histograms.blue);
  *count = view.width() * view.height();
}

}  // namespace zrw
