// The shapes of the colour operations' methods. An operation supplies its
// own argument checks and its kernel; the shape does the rest of the method
// skeleton in its fixed order (operation.h):
//
//   RbPicture adjustThingMethod(RbPicture p, RbObject rect, double amount) {
//     return adjustSelection(
//         p, rect, [&](Operation& op) { return op.check(amount >= 0, ErrorCode::...); },
//         [&](const PixelView& in, const PixelView& out, const Selection& s) {
//           thingKernel(in, out, s, amount);
//         });
//   }
//
// `checks(op)` runs after the nil-source (and nil-mask) checks and before any
// lock; it sets its code through op and answers false to stop.
#ifndef TVQ_FRAME_COLOR_METHODS_H
#define TVQ_FRAME_COLOR_METHODS_H

#include <optional>

#include "graphics/frame/operation.h"
#include "graphics/frame/pixel_view.h"
#include "graphics/frame/selection.h"
#include "host_binding/rb_abi.h"

namespace tvq {

inline constexpr auto kNoChecks = [](Operation&) { return true; };

// A new picture of the source's size: the kernel changes the selection `rect`
// makes (nil: the whole picture) and copies the rest.
// kernel(source, result, selection).
template <typename Checks, typename Kernel>
RbPicture adjustSelection(RbPicture source, RbObject rect, Checks checks, Kernel kernel) {
  Operation op;
  if (!op.check(source != nullptr, ErrorCode::SourceNil)) return nullptr;
  if (!checks(op)) return nullptr;
  PictureLock in;
  if (!op.lock(in, source, ErrorCode::SourceLock)) return nullptr;
  const std::optional<Selection> selection = op.select(in, rect);
  if (!selection) return nullptr;
  OwnedPicture result;
  if (!op.createResult(result, in)) return nullptr;
  kernel(in.view(), result.view(), *selection);
  return result.handOver();
}

// The source's own pixels changed in the selection. kernel(picture, selection).
template <typename Checks, typename Kernel>
void adjustSelectionInPlace(RbPicture source, RbObject rect, Checks checks, Kernel kernel) {
  Operation op;
  if (!op.check(source != nullptr, ErrorCode::SourceNil)) return;
  if (!checks(op)) return;
  PictureLock picture;
  if (!op.lock(picture, source, ErrorCode::SourceLock)) return;
  const std::optional<Selection> selection = op.select(picture, rect);
  if (!selection) return;
  kernel(picture.view(), *selection);
}

// A new picture of the source's size, every pixel weighted by the mask
// argument. kernel(source, mask, result).
template <typename Checks, typename Kernel>
RbPicture adjustByMask(RbPicture source, RbPicture mask, Checks checks, Kernel kernel) {
  Operation op;
  if (!op.check(source != nullptr, ErrorCode::SourceNil)) return nullptr;
  if (!op.check(mask != nullptr, ErrorCode::MaskNil)) return nullptr;
  if (!checks(op)) return nullptr;
  PictureLock in;
  if (!op.lock(in, source, ErrorCode::SourceLock)) return nullptr;
  PictureLock levels;
  if (!op.lockMaskArgument(levels, mask, in)) return nullptr;
  OwnedPicture result;
  if (!op.createResult(result, in)) return nullptr;
  kernel(in.view(), levels.view(), result.view());
  return result.handOver();
}

// Reads the selection and writes nothing: measure(source, selection) runs
// only when the source is locked and the selection is not empty.
template <typename Measure>
void measureSelection(RbPicture source, RbObject rect, Measure measure) {
  Operation op;
  if (!op.check(source != nullptr, ErrorCode::SourceNil)) return;
  PictureLock in;
  if (!op.lock(in, source, ErrorCode::SourceLock)) return;
  const std::optional<Selection> selection = op.select(in, rect);
  if (!selection) return;
  measure(in.view(), *selection);
}

// Writes `value` through a ByRef argument the host passed; a nil reference
// is skipped.
template <typename T>
void writeIfPassed(T* reference, T value) {
  if (reference != nullptr) *reference = value;
}

}  // namespace tvq

#endif
