#include "graphics/geometry/flip_rotate.h"

#include "graphics/frame/operation.h"
#include "graphics/frame/symmetry.h"
#include "host_binding/host_services.h"

namespace tvq {

int32_t flipRotateDepthFor(int32_t sourceDepth, bool hasMask) {
  if (sourceDepth == 1 && !hasMask) return 1;
  return resultDepthFor(sourceDepth);
}

RbPicture flipRotateMethod(RbPicture p, RbBoolean flipH, RbBoolean flipV, int32_t rotation) {
  Operation op;
  // Both checks are made; the rotation's code is the one left.
  const bool sourceGiven = op.check(p != nullptr, ErrorCode::SourceNil);
  const bool rotationValid =
      op.check(rotation >= 0 && rotation <= 3, ErrorCode::RotationOutOfBounds);
  if (!sourceGiven || !rotationValid) return nullptr;
  PictureLock in;
  if (!op.lock(in, p, ErrorCode::SourceLock)) return nullptr;

  // Only asked here; the mask is locked below when there is one.
  RbPicture existingMask = host::realGetPictureMask(p, false);
  host::release(existingMask);
  const bool masked = existingMask != nullptr;

  const Symmetry s = symmetryOf(flipH != 0, flipV != 0, rotation);
  const PixelView& source = in.view();
  const bool exchanged = exchangesSides(s);
  const int32_t width = exchanged ? source.height : source.width;
  const int32_t height = exchanged ? source.width : source.height;

  PictureLock inMask;
  if (masked && !op.lockMaskOf(inMask, p, ErrorCode::MaskLock)) return nullptr;
  OwnedPicture result;
  if (!op.createResult(result, width, height, flipRotateDepthFor(source.depth, masked))) {
    return nullptr;
  }
  PictureLock resultMask;
  if (masked && !op.lockMaskOf(resultMask, result.picture(), ErrorCode::ResultLock)) {
    return nullptr;
  }
  convertAlong(source, result.view(), s);
  if (masked) convertAlong(inMask.view(), resultMask.view(), s);
  return result.handOver();
}

}  // namespace tvq
