#include "frame/mask_argument.h"

namespace tvq {

ErrorCode maskArgumentError(const PixelView& mask, const PixelView& picture) {
  ErrorCode error = ErrorCode::None;
  if (!mask.sameSizeAs(picture)) error = ErrorCode::MaskSize;
  switch (mask.depth) {
    case 1:
    case 2:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      error = ErrorCode::MaskNotGrey;
      break;
  }
  return error;
}

}  // namespace tvq
