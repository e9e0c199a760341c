#include "graphics/frame/owned_picture.h"

#include "host_binding/host_services.h"

namespace tvq {

int32_t resultDepthFor(int32_t sourceDepth) { return sourceDepth < 16 ? 16 : sourceDepth; }

OwnedPicture::~OwnedPicture() {
  lock_.unlock();
  host::release(picture_);
}

bool OwnedPicture::create(int32_t width, int32_t height, int32_t depth) {
  lock_.unlock();
  host::release(handOver());
  if (width <= 0 || height <= 0) return false;
  if (depth != 1 && depth != 16 && depth != 24 && depth != 32) return false;
  picture_ = host::newPicture(width, height, depth);
  if (!lock_.lock(picture_)) return false;
  // Kernels write the result with the source's geometry; a picture of any
  // other size would be written out of bounds.
  const PixelView& made = lock_.view();
  return made.width == width && made.height == height && made.depth == depth;
}

RbPicture OwnedPicture::handOver() {
  RbPicture picture = picture_;
  picture_ = nullptr;
  return picture;
}

}  // namespace tvq
