#include "graphics/conversion/memory_block_export.h"

#include <optional>

#include "graphics/frame/color_methods.h"
#include "graphics/frame/color_walks.h"
#include "graphics/frame/operation.h"
#include "host_binding/host_services.h"

namespace tvq {
namespace {

using F = PixelFormat;

// 255 - level where the mask reaches (x, y), else 255.
inline uint8_t alphaAt(const PixelView& mask, int32_t x, int32_t y) {
  if (x >= mask.width || y >= mask.height) return 255;
  return static_cast<uint8_t>(255 - blueOf(readPixel(mask, mask.at(x, y))));
}

template <typename In>
void exportWalk(const PixelView& source, const Selection& selection, const PixelView* alpha,
                uint8_t* block) {
  const RowSpan span = spanWithin(selection, source.width, source.height);
  if (span.empty()) return;
  const int32_t step = stepOf(In{}, source);
  const bool wide = exportedBytesPerPixel(source.depth) == 4;
  for (int32_t y = span.top; y <= span.bottom; ++y) {
    const uint8_t* from = source.row(y) + static_cast<ptrdiff_t>(span.left) * step;
    for (int32_t x = span.left; x <= span.right; ++x, from += step) {
      const PixelValue v = fetch(In{}, source, from);
      if (wide) {
        block[0] = blueOf(v);
        block[1] = greenOf(v);
        block[2] = redOf(v);
        block[3] = alpha != nullptr ? alphaAt(*alpha, x, y) : 0;
        block += 4;
      } else {
        accessors::storeRgb555(block, v);
        block += 2;
      }
    }
  }
}

}  // namespace

const FastPathTable<ExportLoop, 2>& exportLoops() {
  static constexpr FastPathTable<ExportLoop, 2> table = {
      {{
          {"32-bit", F::Bgrx32, FormatSet::any(), FormatSet::any(), exportWalk<Fixed<F::Bgrx32>>},
          {"24-bit", F::Bgr24, FormatSet::any(), FormatSet::any(), exportWalk<Fixed<F::Bgr24>>},
      }},
      exportWalk<PerPixel>,
  };
  return table;
}

void exportPixels(const PixelView& source, const Selection& selection, const PixelView* alpha,
                  uint8_t* block) {
  exportLoops().choose({source.format, source.format, source.format}, true)(source, selection,
                                                                            alpha, block);
}

RbPicture makeMemoryBlockMethod(RbPicture p, RbObject rect, bool maskToAlpha, int32_t* rowBytes) {
  Operation op;
  writeIfPassed(rowBytes, 0);
  if (!op.check(p != nullptr, ErrorCode::SourceNil)) return nullptr;
  PictureLock in;
  if (!op.lock(in, p, ErrorCode::SourceLock)) return nullptr;
  const std::optional<Selection> selection = op.select(in, rect);
  if (!selection) return nullptr;
  // The mask is read only to fill the alpha byte; a missing or unlockable
  // mask leaves it 0, as without the flag.
  PictureLock mask;
  const bool withAlpha =
      maskToAlpha && exportedBytesPerPixel(in.view().depth) == 4 && mask.lockExistingMaskOf(p);
  const int64_t length =
      int64_t{selection->right - selection->left + 1} * exportedBytesPerPixel(in.view().depth);
  const int64_t size = length * (selection->bottom - selection->top + 1);
  // A block the host cannot address with 32 bits is not made.
  if (size > INT32_MAX) return nullptr;
  RbMemoryBlock block = host::newMemoryBlock(static_cast<int32_t>(size));
  if (block == nullptr) return nullptr;
  auto* bytes = static_cast<uint8_t*>(host::memoryBlockGetPtr(block));
  if (bytes == nullptr) {
    host::release(block);
    return nullptr;
  }
  exportPixels(in.view(), *selection, withAlpha ? &mask.view() : nullptr, bytes);
  writeIfPassed(rowBytes, static_cast<int32_t>(length));
  return reinterpret_cast<RbPicture>(block);
}

}  // namespace tvq
