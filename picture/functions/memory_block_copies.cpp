#include "picture/functions/memory_block_copies.h"

#include <optional>

#include "host_binding/host_services.h"
#include "picture/frame/bgra32.h"
#include "picture/frame/source_view.h"

namespace zrw {

void copyRgb(SourceRows source, uint8_t* out) {
  for (int32_t y = 0; y < source.height; ++y) {
    const uint8_t* in = source.row(y);
    for (int32_t x = 0; x < source.width; ++x, in += 4, out += 3) {
      out[0] = in[bgra32::kRed];
      out[1] = in[bgra32::kGreen];
      out[2] = in[bgra32::kBlue];
    }
  }
}

void copyArgb(SourceRows source, uint8_t* out, bool littleEndian, int32_t alpha) {
  const bool writeAlpha = alpha >= 0 && alpha <= 255;
  const auto alphaByte = static_cast<uint8_t>(alpha);
  for (int32_t y = 0; y < source.height; ++y) {
    const uint8_t* in = source.row(y);
    for (int32_t x = 0; x < source.width; ++x, in += 4, out += 4) {
      if (littleEndian) {
        out[0] = in[bgra32::kBlue];
        out[1] = in[bgra32::kGreen];
        out[2] = in[bgra32::kRed];
        if (writeAlpha) out[3] = alphaByte;
      } else {
        if (writeAlpha) out[0] = alphaByte;
        out[1] = in[bgra32::kRed];
        out[2] = in[bgra32::kGreen];
        out[3] = in[bgra32::kBlue];
      }
    }
  }
}

void copyChannel(SourceRows source, uint8_t* out, int channel, size_t pixelStep) {
  for (int32_t y = 0; y < source.height; ++y) {
    const uint8_t* in = source.row(y) + channel;
    for (int32_t x = 0; x < source.width; ++x, in += 4, out += pixelStep) *out = *in;
  }
}

namespace {

// Opens the picture and finds where the layout starts in the block: null
// unless the block is reported to hold all of the bytes the layout spans.
// `span(pixels)` gives those bytes for a picture of that many pixels.
template <typename Span, typename Write>
bool copyInto(RbPicture picture, RbMemoryBlock block, int32_t offset, Span span, Write write) {
  if (picture == nullptr || block == nullptr || offset < 0) return false;
  SourceView view;
  if (!view.open(picture)) return false;
  const std::optional<int32_t> size = host::memoryBlockSize(block);
  if (!size) return false;
  const uint64_t pixels =
      static_cast<uint64_t>(view.width()) * static_cast<uint64_t>(view.height());
  if (static_cast<uint64_t>(offset) + span(pixels) > static_cast<uint64_t>(*size)) return false;
  auto* bytes = static_cast<uint8_t*>(host::memoryBlockGetPtr(block));
  if (bytes == nullptr) return false;
  write(view.rows(), bytes + offset);
  return true;
}

RbBoolean copyChannelInto(RbPicture picture, RbMemoryBlock block, int32_t offset,
                          int32_t pixelByteSize, int channel) {
  if (pixelByteSize <= 0) return false;
  const auto step = static_cast<uint64_t>(pixelByteSize);
  // Pixels is at least 1 for an open picture.
  return copyInto(
      picture, block, offset, [step](uint64_t pixels) { return (pixels - 1) * step + 1; },
      [channel, step](SourceRows rows, uint8_t* out) {
        copyChannel(rows, out, channel, static_cast<size_t>(step));
      });
}

}  // namespace

RbBoolean copyRgbToMemoryBlock(RbPicture picture, RbMemoryBlock block, int32_t offset) {
  return copyInto(
      picture, block, offset, [](uint64_t pixels) { return 3 * pixels; }, &copyRgb);
}

RbBoolean copyArgbToMemoryBlock(RbPicture picture, RbMemoryBlock block, int32_t offset,
                                RbBoolean littleEndian, int32_t alpha) {
  return copyInto(
      picture, block, offset, [](uint64_t pixels) { return 4 * pixels; },
      [=](SourceRows rows, uint8_t* out) { copyArgb(rows, out, littleEndian, alpha); });
}

RbBoolean copyRedToMemoryBlock(RbPicture picture, RbMemoryBlock block, int32_t offset,
                               int32_t pixelByteSize) {
  return copyChannelInto(picture, block, offset, pixelByteSize, bgra32::kRed);
}

RbBoolean copyGreenToMemoryBlock(RbPicture picture, RbMemoryBlock block, int32_t offset,
                                 int32_t pixelByteSize) {
  return copyChannelInto(picture, block, offset, pixelByteSize, bgra32::kGreen);
}

RbBoolean copyBlueToMemoryBlock(RbPicture picture, RbMemoryBlock block, int32_t offset,
                                int32_t pixelByteSize) {
  return copyChannelInto(picture, block, offset, pixelByteSize, bgra32::kBlue);
}

}  // namespace zrw
