#include "picture/frame/source_view.h"

#include "host_binding/host_services.h"
#include "picture/frame/drawn_copy.h"

namespace zrw {

bool SourceView::openStored(RbPicture picture) {
  if (!dib_.lock(picture)) return false;
  host::realLockObject(toObject(picture));
  referenced_ = picture;
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
  bool opened = openStored(copy);
  // The view's own reference keeps the copy alive; the creation reference
  // goes now, so closing the view destroys the copy.
  host::release(copy);
  converted_ = opened;
  return opened;
}

void SourceView::close() {
  dib_.unlock();
  host::release(referenced_);
  referenced_ = nullptr;
  converted_ = false;
}

}  // namespace zrw
