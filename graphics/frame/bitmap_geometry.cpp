#include "graphics/frame/bitmap_geometry.h"

namespace tvq {
namespace {

constexpr uint64_t kLargestBitmap = INT32_MAX;

}  // namespace

std::optional<PixelView> geometryOf(const BITMAPINFOHEADER& header) {
  if (header.biSize < sizeof(BITMAPINFOHEADER)) return std::nullopt;
  if (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS) return std::nullopt;
  const int32_t depth = header.biBitCount;
  if (!isPictureDepth(depth)) return std::nullopt;
  if (header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == INT32_MIN) {
    return std::nullopt;
  }
  const int32_t height = header.biHeight < 0 ? -header.biHeight : header.biHeight;

  const uint64_t rowBytes = (static_cast<uint64_t>(header.biWidth) * depth + 31) / 32 * 4;
  if (rowBytes * static_cast<uint64_t>(height) > kLargestBitmap) return std::nullopt;

  PixelView view;
  view.width = header.biWidth;
  view.height = height;
  view.depth = depth;
  view.bytesPerPixel = depth >= 8 ? depth / 8 : 0;
  view.bitsPerPixelBelowByte = depth < 8 ? depth : 0;
  view.rowBytes = static_cast<int32_t>(rowBytes);
  return view;
}

uint64_t packedColorCount(const BITMAPINFOHEADER& header) {
  if (header.biClrUsed != 0) return header.biClrUsed;
  if (header.biBitCount <= 8) return uint64_t{1} << header.biBitCount;
  return 0;
}

std::optional<PackedBitmap> packedBitmapAt(uint8_t* block, size_t size) {
  if (block == nullptr || size < sizeof(BITMAPINFOHEADER)) return std::nullopt;
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(block);
  std::optional<PixelView> view = geometryOf(*header);
  if (!view) return std::nullopt;

  const uint64_t colorCount = packedColorCount(*header);
  const uint64_t pixelOffset = uint64_t{header->biSize} + 4 * colorCount;
  const uint64_t pixelBytes = static_cast<uint64_t>(view->rowBytes) * view->height;
  if (pixelOffset > size || pixelBytes > size - pixelOffset) return std::nullopt;

  view->pixels = block + pixelOffset;
  view->colorTable = block + header->biSize;
  // Only 256 indices exist, so a longer table is never read past entry 255.
  view->colorCount = static_cast<uint32_t>(colorCount < 256 ? colorCount : 256);
  return PackedBitmap{header, *view};
}

PixelFormat formatFor(int32_t depth, bool mask) {
  switch (depth) {
    case 32:
      return PixelFormat::Bgrx32;
    case 16:
      return PixelFormat::Rgb555;
    case 24:
      return PixelFormat::Bgr24;
    case 8:
      return mask ? PixelFormat::Grey8 : PixelFormat::Indexed8;
    default:
      return PixelFormat::Unreadable;
  }
}

}  // namespace tvq
