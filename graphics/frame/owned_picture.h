// A picture an operation creates: its result, or a working picture.
#ifndef TVQ_FRAME_OWNED_PICTURE_H
#define TVQ_FRAME_OWNED_PICTURE_H

#include <cstdint>

#include "graphics/frame/picture_lock.h"
#include "host_binding/rb_abi.h"

namespace tvq {

// Results never have fewer than 16 bits per pixel: palette and sub-byte
// sources are written as 16-bit pictures, deeper ones keep their depth.
int32_t resultDepthFor(int32_t sourceDepth);

// Holds the reference "newPicture" hands out until handOver() passes it on
// as the operation's result. A picture that is never handed over (a working
// picture, or a result abandoned on a failure) is released with this object,
// after its lock.
class OwnedPicture {
 public:
  OwnedPicture() = default;
  ~OwnedPicture();
  OwnedPicture(const OwnedPicture&) = delete;
  OwnedPicture& operator=(const OwnedPicture&) = delete;

  // A new width x height picture of `depth` (16, 24 or 32 bits, or 1 bit
  // for the operations that keep black-and-white pictures so), locked.
  // False when the size or depth is not one a result can have, the host
  // creates nothing, or the new picture cannot be locked.
  bool create(int32_t width, int32_t height, int32_t depth);

  const PixelView& view() const { return lock_.view(); }
  // The picture, still owned here (nil before a successful create).
  RbPicture picture() const { return picture_; }

  // The picture, with the creation reference, for the host to own. The lock
  // is still released when this object goes out of scope.
  RbPicture handOver();

 private:
  PictureLock lock_;
  RbPicture picture_ = nullptr;
};

}  // namespace tvq

#endif
