#include "picture/frame/drawn_copy.h"

#include "host_binding/host_services.h"

namespace zrw {

RbPicture drawInto32BitCopy(RbPicture source, int32_t width, int32_t height) {
  if (source == nullptr) return nullptr;
  if (width <= 0 || height <= 0 || width > INT16_MAX || height > INT16_MAX) return nullptr;
  // Without the drawing service the copy would hold the host's fill bytes.
  if (!host::drawPicturePrimitiveAvailable()) return nullptr;
  RbPicture copy = host::newPicture(width, height, 32);
  if (copy == nullptr) return nullptr;
  RbGraphics graphics = host::pluginPictureGraphicsGetter(copy);
  uintptr_t dc = graphics != nullptr ? host::realGraphicsDC(graphics) : 0;
  if (dc == 0) {
    host::release(copy);
    return nullptr;
  }
  const RbRect16 bounds{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
  host::drawPicturePrimitive(dc, source, &bounds, false);
  return copy;
}

RbPicture drawInto32BitCopy(RbPicture source) {
  if (source == nullptr) return nullptr;
  // A host without the lock entry locks nothing: nothing to unlock, and no
  // size to draw at.
  if (!host::lockPictureDescriptionAvailable()) return nullptr;
  RbPictureDescription description{};
  host::lockPictureDescription(source, &description);
  host::unlockPictureDescription(source);
  return drawInto32BitCopy(source, description.width, description.height);
}

}  // namespace zrw
