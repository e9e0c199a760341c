// Client pictures as operations' sources and results: locked in either form
// with the same picture lock, and a new one held until it is handed over.
#ifndef TVQ_FRAME_CLIENT_PICTURE_LOCK_H
#define TVQ_FRAME_CLIENT_PICTURE_LOCK_H

#include <cstdint>

#include "graphics/classes/client_picture.h"
#include "graphics/frame/picture_lock.h"
#include "host_binding/rb_abi.h"

namespace tvq {

// Locks the pixels of a client picture in either form (its host picture, or
// its own buffer). False for an empty one.
bool lockClientPicture(PictureLock& lock, const ClientPictureData& client);

// The same for an instance as a program passes it: false for nil too.
bool lockClientPicture(PictureLock& lock, RbObject client);

// Locks the mask a client picture has, without making one: its mask buffer
// (grey levels), or its host picture's own mask. False when it has none or
// it cannot be locked.
bool lockExistingClientMask(PictureLock& lock, RbObject client);

// Whether the client picture has a mask: its mask buffer, or the mask of
// its host picture (only asked, never made).
bool clientPictureHasMask(const ClientPictureData& client);

// Locks a client picture's mask: its mask buffer, or its host picture's
// mask, made when missing. False when there is none to be had.
bool lockClientPictureMask(PictureLock& lock, const ClientPictureData& client);

// A client picture an operation makes for its result. Released with this
// object unless handed over.
class OwnedClientPicture {
 public:
  OwnedClientPicture() = default;
  ~OwnedClientPicture();
  OwnedClientPicture(const OwnedClientPicture&) = delete;
  OwnedClientPicture& operator=(const OwnedClientPicture&) = delete;

  // A new client picture (see makeClientPicture), its pixels locked. False
  // when it cannot be made or locked, or is not of the size asked for.
  bool create(int32_t width, int32_t height, int32_t depth, bool withMask, bool asPicture);
  const PixelView& view() const { return lock_.view(); }
  // Valid after a successful create.
  const ClientPictureData& data() const { return *data_; }
  // Locks the new client picture's mask: its mask buffer, or a mask made for
  // its host picture, which the client picture then reports (hasMask,
  // maskDepth).
  bool lockMask(PictureLock& lock);

  // The instance, with its creation reference, for the host to own.
  RbObject handOver();

 private:
  PictureLock lock_;
  RbObject instance_ = nullptr;
  ClientPictureData* data_ = nullptr;
};

}  // namespace tvq

#endif
