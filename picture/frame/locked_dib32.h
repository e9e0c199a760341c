// A picture's own pixel storage, locked for direct access when the host keeps
// it as a packed 32-bit device-independent bitmap.
//
// The host describes a picture through "lockPictureDescription": description
// kind 5 means a movable global memory block holding a 40-byte bitmap
// information header followed directly by the pixels. Everything the host
// hands back is checked before a pixel is addressed:
//   - kind 5 and a handle that locks;
//   - a block large enough for the header;
//   - header size 40, bit count 32, compression 0 (plain RGB);
//   - header width and height positive (bottom-up rows) and equal to the
//     description's;
//   - row length x height, computed without overflow, fitting in the block.
// Anything else is not addressed at all. Whatever the outcome, lock() leaves
// nothing locked when it fails, and unlock() releases the handle and then the
// description, so every description lock is matched.
#ifndef PICTURE_FRAME_LOCKED_DIB32_H
#define PICTURE_FRAME_LOCKED_DIB32_H

#include "host_binding/rb_abi.h"
#include "picture/frame/pixel_rows.h"

namespace zrw {

class LockedDib32 {
 public:
  LockedDib32() = default;
  ~LockedDib32() { unlock(); }
  LockedDib32(const LockedDib32&) = delete;
  LockedDib32& operator=(const LockedDib32&) = delete;

  // Locks `picture` (not nil). True when its storage is a packed 32-bit
  // bitmap that passed every check; the description and the memory then stay
  // locked until unlock(). False leaves nothing locked; description() still
  // shows what the host filled in.
  bool lock(RbPicture picture);

  // Idempotent.
  void unlock();

  bool locked() const { return picture_ != nullptr; }
  RbPicture picture() const { return picture_; }
  const RbPictureDescription& description() const { return description_; }
  ResultRows rows() const { return rows_; }

 private:
  RbPicture picture_ = nullptr;  // set while the description is locked
  void* handle_ = nullptr;       // set while the memory is locked
  RbPictureDescription description_{};
  ResultRows rows_;
};

}  // namespace zrw

#endif
