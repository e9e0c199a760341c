#include "picture/functions/copies.h"

#include "host_binding/host_services.h"
#include "picture/frame/drawn_copy.h"
#include "picture/frame/locked_dib32.h"

namespace zrw {

RbPicture clonePicture(RbPicture source) { return drawInto32BitCopy(source); }

RbPicture bitmapPicture(RbPicture source) {
  if (source == nullptr) return nullptr;
  // The source itself goes back only with a reference of the caller's own;
  // a host that cannot add one gets a copy.
  if (host::objectReferencesAvailable()) {
    LockedDib32 stored;
    if (stored.lock(source)) {
      host::realLockObject(toObject(source));
      return source;
    }
  }
  return clonePicture(source);
}

}  // namespace zrw
