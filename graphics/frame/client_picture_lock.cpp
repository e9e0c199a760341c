#include "graphics/frame/client_picture_lock.h"

#include <optional>

#include "host_binding/host_services.h"

namespace tvq {

bool lockClientPicture(PictureLock& lock, const ClientPictureData& client) {
  if (client.pic != nullptr) return lock.lock(client.pic);
  const std::optional<PixelView> view = clientPictureView(client, false);
  return view && lock.lockBuffer(*view);
}

bool lockClientPicture(PictureLock& lock, RbObject client) {
  const ClientPictureData* data = clientPictureData(client);
  return data != nullptr && lockClientPicture(lock, *data);
}

bool lockExistingClientMask(PictureLock& lock, RbObject client) {
  const ClientPictureData* data = clientPictureData(client);
  if (data == nullptr) return false;
  if (data->pic != nullptr) return lock.lockExistingMaskOf(data->pic);
  const std::optional<PixelView> levels = clientPictureView(*data, true);
  return levels && lock.lockBuffer(*levels);
}

bool clientPictureHasMask(const ClientPictureData& client) {
  if (client.pic == nullptr) return clientPictureView(client, true).has_value();
  RbPicture mask = host::realGetPictureMask(client.pic, false);
  host::release(mask);
  return mask != nullptr;
}

bool lockClientPictureMask(PictureLock& lock, const ClientPictureData& client) {
  if (client.pic != nullptr) return lock.lockMaskOf(client.pic);
  const std::optional<PixelView> view = clientPictureView(client, true);
  return view && lock.lockBuffer(*view);
}

OwnedClientPicture::~OwnedClientPicture() {
  lock_.unlock();
  host::release(handOver());
}

bool OwnedClientPicture::create(int32_t width, int32_t height, int32_t depth, bool withMask,
                                bool asPicture) {
  lock_.unlock();
  host::release(handOver());
  instance_ = makeClientPicture(width, height, depth, withMask, asPicture);
  data_ = clientPictureData(instance_);
  if (data_ == nullptr || !lockClientPicture(lock_, *data_)) return false;
  return lock_.view().width == width && lock_.view().height == height;
}

bool OwnedClientPicture::lockMask(PictureLock& lock) {
  if (data_ == nullptr) return false;
  if (data_->pic == nullptr) return lockClientPictureMask(lock, *data_);
  if (!lock.lockMaskOf(data_->pic)) return false;
  data_->hasMask = 1;
  data_->maskDepth = lock.view().depth;
  return true;
}

RbObject OwnedClientPicture::handOver() {
  RbObject instance = instance_;
  instance_ = nullptr;
  data_ = nullptr;
  return instance;
}

}  // namespace tvq
