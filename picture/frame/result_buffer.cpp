#include "picture/frame/result_buffer.h"

#include "host_binding/host_services.h"

namespace zrw {

bool ResultBuffer::create(int32_t width, int32_t height) {
  abandon();
  if (!pixelBytes32(width, height)) return false;
  RbPicture picture = host::newPicture(width, height, 32);
  if (picture == nullptr) return false;
  // The checks behind lock() include the size: a host that made a picture of
  // another size or depth than asked is refused, not written past.
  if (!dib_.lock(picture) || dib_.rows().width != width || dib_.rows().height != height) {
    dib_.unlock();
    host::release(picture);
    return false;
  }
  return true;
}

RbPicture ResultBuffer::finish() {
  RbPicture picture = dib_.picture();
  dib_.unlock();
  return picture;
}

void ResultBuffer::abandon() { host::release(finish()); }

}  // namespace zrw
