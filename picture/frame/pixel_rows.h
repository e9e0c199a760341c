// The rows of a 32-bit picture as pixel kernels see them.
//
// ORIENTATION AND STRIDE CONTRACT
//
//   Every picture this plug-in reads or writes is a bottom-up 32-bit bitmap:
//
//     first                       lowest address of the pixel storage; it holds
//                                 the BOTTOM row of the picture as shown.
//     first + k * stride          the k-th row in memory, k = 0 .. height - 1,
//                                 so the TOP row is the LAST row in memory.
//     stride                      bytes from one row to the next; a multiple of
//                                 4 and at least 4 * width (for 32-bit pixels
//                                 exactly 4 * width, but kernels must not rely
//                                 on that).
//
//   Kernels never do that arithmetic themselves: rows.row(y) gives row y
//   counted from the TOP (y = 0 is the top row), so a kernel walks a picture
//   the way a person reads it. x counts pixels from the left; pixel x of a row
//   is the 4 bytes at row + 4 * x (see bgra32.h for their order). Only the
//   4 * width bytes at the start of a row belong to the picture.
//
//   A kernel sees nothing but these fields: it never calls the host, never
//   locks or releases anything and cannot fail, which keeps the pixel loops
//   testable on plain memory.
#ifndef PICTURE_FRAME_PIXEL_ROWS_H
#define PICTURE_FRAME_PIXEL_ROWS_H

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <type_traits>

namespace zrw {

inline constexpr int32_t kBytesPerPixel = 4;

// Largest pixel storage this plug-in addresses: the product is a 32-bit
// library, where no block can be larger, and every size below then fits a
// signed 32-bit host argument.
inline constexpr uint64_t kMaxPixelBytes = INT32_MAX;

// Row length in bytes of a 32-bit row `width` pixels wide; nullopt when the
// width is not positive or the row cannot be addressed.
inline std::optional<size_t> rowBytes32(int32_t width) {
  if (width <= 0) return std::nullopt;
  uint64_t bytes = static_cast<uint64_t>(width) * kBytesPerPixel;
  if (bytes > kMaxPixelBytes) return std::nullopt;
  return static_cast<size_t>(bytes);
}

// Bytes of the pixel storage of a width x height 32-bit picture; nullopt when
// either side is not positive or the total cannot be addressed.
inline std::optional<size_t> pixelBytes32(int32_t width, int32_t height) {
  std::optional<size_t> row = rowBytes32(width);
  if (!row || height <= 0) return std::nullopt;
  uint64_t bytes = static_cast<uint64_t>(*row) * static_cast<uint64_t>(height);
  if (bytes > kMaxPixelBytes) return std::nullopt;
  return static_cast<size_t>(bytes);
}

// `Byte` is `const uint8_t` for pixels that are only read, `uint8_t` for
// pixels that are written.
template <typename Byte>
struct PixelRows {
  static_assert(std::is_same_v<std::remove_const_t<Byte>, uint8_t>);

  Byte* first = nullptr;
  size_t stride = 0;
  int32_t width = 0;
  int32_t height = 0;

  PixelRows() = default;
  PixelRows(Byte* first_, size_t stride_, int32_t width_, int32_t height_)
      : first(first_), stride(stride_), width(width_), height(height_) {}
  // Writable rows can always be read.
  template <typename Other>
  requires(std::is_same_v<Other, uint8_t>&& std::is_same_v<Byte, const uint8_t>)
      PixelRows(const PixelRows<Other>& other)  // NOLINT(google-explicit-constructor)
      : first(other.first), stride(other.stride), width(other.width), height(other.height) {}

  // Row y counted from the top, 0 <= y < height.
  Byte* row(int32_t y) const {
    assert(y >= 0 && y < height);
    return first + static_cast<size_t>(height - 1 - y) * stride;
  }

  bool empty() const { return first == nullptr; }
};

using SourceRows = PixelRows<const uint8_t>;
using ResultRows = PixelRows<uint8_t>;

}  // namespace zrw

#endif
