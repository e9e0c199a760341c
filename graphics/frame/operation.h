// The steps every picture operation repeats, each setting its own error code.
//
// An operation is written as a straight sequence of these steps; the first
// one that fails has set the last-error code, and the operation returns nil
// (or false, or nothing). Locks and created pictures are stack objects
// declared in the order they are taken, so they are released in reverse
// order however the operation ends:
//
//   RbPicture adjustSomething(RbPicture source, RbObject rect, int32_t amount) {
//     Operation op;                                         // code 0
//     if (!op.check(source != nullptr, ErrorCode::SourceNil)) return nullptr;
//     if (!op.check(amount >= 0, ErrorCode::RedOutOfBounds)) return nullptr;
//     PictureLock in;
//     if (!op.lock(in, source, ErrorCode::SourceLock)) return nullptr;
//     std::optional<Selection> area = op.select(in, rect);
//     if (!area) return nullptr;
//     OwnedPicture result;
//     if (!op.createResult(result, in)) return nullptr;
//     adjustKernel(in.view(), result.view(), *area, amount);  // pixels only
//     return result.handOver();                             // unlocks after
//   }
#ifndef TVQ_FRAME_OPERATION_H
#define TVQ_FRAME_OPERATION_H

#include <optional>

#include "graphics/frame/last_error.h"
#include "graphics/frame/owned_picture.h"
#include "graphics/frame/picture_lock.h"
#include "graphics/frame/selection.h"
#include "host_binding/rb_abi.h"

namespace tvq {

// A second picture argument's own three codes: it is nil, it cannot be
// locked, or it is not of the first picture's size.
struct SecondPictureCodes {
  ErrorCode nil;
  ErrorCode lock;
  ErrorCode wrongSize;
};

class Operation {
 public:
  // Clears the last-error code: an operation that succeeds leaves 0 behind.
  Operation();

  // Sets `code` and answers false, for an operation's own checks.
  bool fail(ErrorCode code);
  // `passes`, or fail(code).
  bool check(bool passes, ErrorCode code);

  // Locks a picture argument; `failure` is that argument's "can't lock" code.
  bool lock(PictureLock& lock, RbPicture picture, ErrorCode failure);
  // Locks the picture's own mask (created when missing) to read or write it.
  bool lockMaskOf(PictureLock& lock, RbPicture picture, ErrorCode failure);
  // Locks a mask argument, already known not to be nil, and checks it
  // against the locked picture it weights: MaskLock, MaskSize, MaskNotGrey.
  bool lockMaskArgument(PictureLock& mask, RbPicture maskPicture, const PictureLock& picture);

  // Locks a second picture argument, already known not to be nil, and
  // checks that it has the size of `first`: codes.lock, codes.wrongSize.
  bool lockSecondPicture(PictureLock& second, RbPicture picture, const SecondPictureCodes& codes,
                         const PictureLock& first);

  // The selection `rect` (a TVQ_Rectangle, or nil for everything) makes in
  // the locked picture; InvalidSelection when it is empty.
  std::optional<Selection> select(const PictureLock& picture, RbObject rect);

  // A locked result of the source's size at depth max(source depth, 16).
  // `failure` is ResultLock for results, IntermediateLock for a working
  // picture.
  bool createResult(OwnedPicture& result, const PictureLock& source,
                    ErrorCode failure = ErrorCode::ResultLock);
  // A locked result of any size a result can have, at 16, 24 or 32 bits
  // (or 1 bit, for the operations that keep black-and-white pictures so).
  bool createResult(OwnedPicture& result, int32_t width, int32_t height, int32_t depth,
                    ErrorCode failure = ErrorCode::ResultLock);
};

}  // namespace tvq

#endif
