#include "graphics/composite/composite_client.h"

#include "graphics/classes/client_picture.h"
#include "graphics/composite/composite.h"
#include "graphics/frame/client_picture_lock.h"
#include "graphics/frame/operation.h"
#include "graphics/frame/owned_picture.h"
#include "host_binding/host_services.h"

namespace tvq {

RbObject compositeClientMethod(RbObject cp, RbObject overlay, double fraction, int32_t left,
                               int32_t top, RbBoolean asPicture) {
  Operation op;
  if (!op.check(cp != nullptr, ErrorCode::SourceNil)) return nullptr;
  if (!op.check(overlay != nullptr, ErrorCode::OverlayNil)) return nullptr;
  uint32_t weight = 0;
  if (!overlayWeight(op, fraction, weight)) return nullptr;
  PictureLock in;
  if (!op.check(lockClientPicture(in, cp), ErrorCode::SourceLock)) return nullptr;
  PictureLock over;
  if (!op.check(lockClientPicture(over, overlay), ErrorCode::OverlayLock)) return nullptr;
  const PixelView& source = in.view();
  RbObject made = makeClientPicture(source.width, source.height, resultDepthFor(source.depth),
                                    false, asPicture);
  PictureLock out;
  if (!op.check(made != nullptr && lockClientPicture(out, made), ErrorCode::ResultLock)) {
    // The lock gives back what it holds before the instance (and with it a
    // picture-form result's picture) goes.
    out.unlock();
    host::release(made);
    return nullptr;
  }
  PictureLock mask;
  const bool masked = lockExistingClientMask(mask, overlay);
  compositePixels(source, over.view(), masked ? &mask.view() : nullptr, out.view(), {left, top},
                  weight);
  return made;
}

}  // namespace tvq
