#include "graphics/frame/operation.h"

#include "graphics/classes/rectangle_class.h"
#include "graphics/frame/mask_argument.h"

namespace tvq {

Operation::Operation() { setLastError(ErrorCode::None); }

bool Operation::fail(ErrorCode code) {
  setLastError(code);
  return false;
}

bool Operation::check(bool passes, ErrorCode code) { return passes || fail(code); }

bool Operation::lock(PictureLock& lock, RbPicture picture, ErrorCode failure) {
  return lock.lock(picture) || fail(failure);
}

bool Operation::lockMaskOf(PictureLock& lock, RbPicture picture, ErrorCode failure) {
  return lock.lockMaskOf(picture) || fail(failure);
}

bool Operation::lockMaskArgument(PictureLock& mask, RbPicture maskPicture,
                                 const PictureLock& picture) {
  if (!lock(mask, maskPicture, ErrorCode::MaskLock)) return false;
  const ErrorCode error = maskArgumentError(mask.view(), picture.view());
  return error == ErrorCode::None || fail(error);
}

bool Operation::lockSecondPicture(PictureLock& second, RbPicture picture,
                                  const SecondPictureCodes& codes, const PictureLock& first) {
  return lock(second, picture, codes.lock) &&
         check(second.view().sameSizeAs(first.view()), codes.wrongSize);
}

std::optional<Selection> Operation::select(const PictureLock& picture, RbObject rect) {
  const PixelView& view = picture.view();
  std::optional<Selection> selection = clipSelection(view.width, view.height, rectangleData(rect));
  if (!selection) fail(ErrorCode::InvalidSelection);
  return selection;
}

bool Operation::createResult(OwnedPicture& result, const PictureLock& source, ErrorCode failure) {
  const PixelView& view = source.view();
  return createResult(result, view.width, view.height, resultDepthFor(view.depth), failure);
}

bool Operation::createResult(OwnedPicture& result, int32_t width, int32_t height, int32_t depth,
                             ErrorCode failure) {
  return result.create(width, height, depth) || fail(failure);
}

}  // namespace tvq
