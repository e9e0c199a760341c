#include "picture/frame/source_view.h"

#include "host_binding/host_services.h"
#include "picture/frame/drawn_copy.h"

namespace zrw {

bool SourceView::openStored(RbPicture picture) {
  if (!dib_.lock(picture)) return false;
  // The caller's reference keeps the picture alive during the call; the
  // view's own is taken only where the host can also drop it, so a host
  // without either service never loses a reference it did not give.
  if (host::objectReferencesAvailable()) {
    host::realLockObject(toObject(picture));
    referenced_ = picture;
  }
  return true;
}

bool SourceView::open(RbPicture picture, Conversion conversion) {
  close();
  if (picture == nullptr) return false;
  if (openStored(picture)) return true;
  if (conversion == Conversion::None) return false;

  // The description of the failed attempt gives the size to draw at.
  const RbPictureDescription& description = dib_.description();
  RbPicture copy = drawInto32BitCopy(picture, description.width, description.height);
  if (copy == nullptr) return false;
  if (!dib_.lock(copy)) {
    host::release(copy);
    return false;
  }
  // The view keeps the creation reference, so closing it destroys the copy;
  // no other service is needed to keep the copy alive while it is read.
  referenced_ = copy;
  converted_ = true;
  return true;
}

void SourceView::close() {
  dib_.unlock();
  host::release(referenced_);
  referenced_ = nullptr;
  converted_ = false;
}

}  // namespace zrw
