#include "graphics/conversion/picture_properties.h"

#include "graphics/frame/operation.h"
#include "host_binding/host_services.h"

namespace tvq {
namespace {

// The picture locked as every operation locks it, then `read` of its view.
template <typename Read>
auto readLocked(RbPicture p, Read read) -> decltype(read(PixelView{})) {
  Operation op;
  if (!op.check(p != nullptr, ErrorCode::SourceNil)) return {};
  PictureLock lock;
  if (!op.lock(lock, p, ErrorCode::SourceLock)) return {};
  return read(lock.view());
}

}  // namespace

int32_t bitDepthGetter(RbPicture p, RbWord) {
  return readLocked(p, [](const PixelView& v) { return v.depth; });
}

int32_t rowBytesGetter(RbPicture p, RbWord) {
  return readLocked(p, [](const PixelView& v) { return v.rowBytes; });
}

RbBoolean hasMaskGetter(RbPicture p, RbWord) {
  return readLocked(p, [p](const PixelView&) -> RbBoolean {
    // Only asked, never made: the reference the host hands over goes back
    // at once.
    RbPicture mask = host::realGetPictureMask(p, false);
    host::release(mask);
    return mask != nullptr;
  });
}

}  // namespace tvq
