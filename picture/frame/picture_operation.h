// The shape every picture-to-picture operation of this plug-in shares:
//
//   1. open a 32-bit source view of the picture (nil when it cannot be read);
//   2. create a 32-bit result buffer of the size the operation states (nil
//      when it cannot be created; the view is closed);
//   3. run the operation's kernel on the rows, walked from the top;
//   4. finish the result, close the view, return the result.
//
// An operation supplies only its kernel, which sees rows and sizes and
// nothing of the host (pixel_rows.h), so it cannot leave a lock or a
// reference behind. A tone change is then, in full:
//
//   RbPicture invert(RbPicture picture) {
//     return zrw::mapRows(picture, [](const uint8_t* in, uint8_t* out, int32_t width) {
//       for (int32_t x = 0; x < width; ++x, in += 4, out += 4)
//         zrw::bgra32::storeRgb(out, 255 - in[2], 255 - in[1], 255 - in[0]);
//     });
//   }
//
// Results carry a fourth byte of 0 unless the operation states otherwise;
// the kernel writes it (bgra32::storeRgb does).
#ifndef PICTURE_FRAME_PICTURE_OPERATION_H
#define PICTURE_FRAME_PICTURE_OPERATION_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "host_binding/rb_abi.h"
#include "picture/frame/pixel_rows.h"
#include "picture/frame/result_buffer.h"
#include "picture/frame/source_view.h"

namespace zrw {

struct PictureSize {
  int32_t width = 0;
  int32_t height = 0;
};

// The result size of operations that keep the picture's size.
struct SameSize {
  PictureSize operator()(int32_t width, int32_t height) const { return {width, height}; }
};

// `resultSize(sourceWidth, sourceHeight)` gives the result's size;
// `kernel(SourceRows source, ResultRows result)` fills the result.
template <typename ResultSize, typename Kernel>
RbPicture fromSource(RbPicture source, ResultSize&& resultSize, Kernel&& kernel) {
  SourceView view;
  if (!view.open(source)) return nullptr;
  const PictureSize size = std::forward<ResultSize>(resultSize)(view.width(), view.height());
  ResultBuffer result;
  if (!result.create(size.width, size.height)) return nullptr;
  std::forward<Kernel>(kernel)(view.rows(), result.rows());
  return result.finish();
}

// A result of the source's size whose row y is made from source row y alone:
// `rowKernel(const uint8_t* sourceRow, uint8_t* resultRow, int32_t width)`
// runs once per row, from the top.
template <typename RowKernel>
RbPicture mapRows(RbPicture source, RowKernel&& rowKernel) {
  return fromSource(source, SameSize{}, [&rowKernel](SourceRows in, ResultRows out) {
    for (int32_t y = 0; y < in.height; ++y) rowKernel(in.row(y), out.row(y), in.width);
  });
}

// A result of the common size of several sources, all of which must open and
// have that one size (nil otherwise; every view opened is closed again):
// `kernel(const std::array<SourceRows, N>& sources, ResultRows result)`.
template <size_t N, typename Kernel>
RbPicture fromSameSizeSources(const std::array<RbPicture, N>& sources, Kernel&& kernel) {
  static_assert(N > 0);
  std::array<SourceView, N> views;
  std::array<SourceRows, N> rows;
  for (size_t i = 0; i < N; ++i) {
    if (!views[i].open(sources[i])) return nullptr;
    rows[i] = views[i].rows();
    if (rows[i].width != rows[0].width || rows[i].height != rows[0].height) return nullptr;
  }
  ResultBuffer result;
  if (!result.create(rows[0].width, rows[0].height)) return nullptr;
  std::forward<Kernel>(kernel)(rows, result.rows());
  return result.finish();
}

}  // namespace zrw

#endif
