#include "graphics/frame/mask_argument.h"

namespace tvq {

ErrorCode maskArgumentError(const PixelView& mask, const PixelView& picture) {
  ErrorCode error = ErrorCode::None;
  if (!mask.sameSizeAs(picture)) error = ErrorCode::MaskSize;
  // Checked even when the size is wrong: this later code wins.
  if (!isPictureDepth(mask.depth)) error = ErrorCode::MaskNotGrey;
  return error;
}

}  // namespace tvq
