// The one way an operation reaches a picture's pixels.
//
// A PictureLock lives on the operation's stack, one per picture the call
// touches. Locking asks the host for the picture's description and resolves
// the pixel geometry; unlocking gives the description back. The destructor
// unlocks, so locks declared in the order source, second input or mask,
// result are released in reverse order on every path, failed or not.
#ifndef TVQ_FRAME_PICTURE_LOCK_H
#define TVQ_FRAME_PICTURE_LOCK_H

#include <array>

#include "graphics/frame/pixel_view.h"
#include "host_binding/rb_abi.h"
#include "platform/win32.h"

namespace tvq {

class PictureLock {
 public:
  PictureLock() = default;
  ~PictureLock() { unlock(); }
  PictureLock(const PictureLock&) = delete;
  PictureLock& operator=(const PictureLock&) = delete;

  // Locks the pixels of `picture`. False for a nil picture, a description
  // the host does not fill, a storage kind other than a packed bitmap (5) or
  // a DIB section (7), or a bitmap whose header does not describe memory
  // that can be read safely. Even then the description is given back on
  // unlock, so every description lock the host granted is matched.
  bool lock(RbPicture picture);

  // Locks the mask of `picture`, creating an empty one when it has none. The
  // host hands the mask over with a reference; this lock keeps it and drops
  // it on unlock. An 8-bit mask reads and writes grey levels.
  bool lockMaskOf(RbPicture picture);

  // Locks the mask `picture` already has, without making one: false when it
  // has none. Reads and unlocks as lockMaskOf.
  bool lockExistingMaskOf(RbPicture picture);
  // Binds the lock to pixels the plug-in itself holds (a client picture's
  // buffer or mask buffer): no host call is made, and unlocking gives
  // nothing back. False for a view without pixels.
  bool lockBuffer(const PixelView& view);
  void unlock();

  bool locked() const { return locked_; }
  RbPicture picture() const { return picture_; }
  // Valid while locked.
  const PixelView& view() const { return view_; }

 private:
  // What the lock is bound to. A client picture's own buffers are the other
  // binding a lock can have; each binding has its branch in bind() and
  // release().
  enum class Binding { None, HostPicture, Buffer };

  bool lockMask(RbPicture picture, bool create);
  bool bind();
  void release();
  bool bindHostPicture();
  bool resolvePackedBitmap();
  bool resolveDibSection();
  void readSectionColors();

  Binding binding_ = Binding::None;
  RbPicture picture_ = nullptr;
  bool mask_ = false;
  bool holdsReference_ = false;
  bool locked_ = false;
  bool descriptionLocked_ = false;  // the host counts a description lock to undo
  RbPictureDescription description_{};
  HGLOBAL lockedMemory_ = nullptr;  // a packed bitmap's memory while locked
  DIBSECTION section_{};
  // An 8-bit DIB section's palette: its colour table is not part of the
  // section record, so it is copied here for the length of the lock.
  std::array<RGBQUAD, 256> sectionColors_{};
  PixelView view_;
};

}  // namespace tvq

#endif
