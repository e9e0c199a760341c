#include "graphics/classes/client_picture_lock.h"

#include <optional>

#include "graphics/classes/client_picture.h"

namespace tvq {

bool lockClientPicture(PictureLock& lock, RbObject client) {
  const ClientPictureData* c = clientPictureData(client);
  if (c == nullptr) return false;
  if (c->pic != nullptr) return lock.lock(c->pic);
  const std::optional<PixelView> pixels = clientPictureView(*c, false);
  return pixels && lock.lockBuffer(*pixels);
}

bool lockClientMask(PictureLock& lock, RbObject client) {
  const ClientPictureData* c = clientPictureData(client);
  if (c == nullptr) return false;
  if (c->pic != nullptr) return lock.lockExistingMaskOf(c->pic);
  const std::optional<PixelView> levels = clientPictureView(*c, true);
  return levels && lock.lockBuffer(*levels);
}

}  // namespace tvq
