// Picture locks bound to TVQ_ClientPicture instances in either form.
#ifndef TVQ_CLASSES_CLIENT_PICTURE_LOCK_H
#define TVQ_CLASSES_CLIENT_PICTURE_LOCK_H

#include "graphics/frame/picture_lock.h"
#include "host_binding/rb_abi.h"

namespace tvq {

// Locks the client picture's pixels in its own form: the host picture of
// the picture form, the buffer of the buffer form. False for a nil or empty
// instance, or a picture the host does not lock.
bool lockClientPicture(PictureLock& lock, RbObject client);

// Locks the mask the client picture has, without making one: the host
// picture's own mask in picture form, the mask buffer (grey levels) in
// buffer form. False when it has none or it cannot be locked.
bool lockClientMask(PictureLock& lock, RbObject client);

}  // namespace tvq

#endif
