// The 32-bit source view: a host picture opened for reading its pixels.
//
// A picture the host keeps as a packed 32-bit bitmap is viewed in place: the
// rows are the picture's own storage. Any other picture (fewer bits, a DIB
// section, anything the checks of LockedDib32 refuse) is first drawn into a
// new 32-bit picture and the view opens that copy instead; the copy lives as
// long as the view.
//
// While open, the view holds the description lock, the memory lock and one
// reference on the viewed picture (on a picture viewed in place, only where
// the host has both "REALLockObject" and "REALUnlockObject"); close() and the
// destructor release them, so an operation may simply return on any path.
//
//   SourceView view;
//   if (!view.open(picture)) return nullptr;
//   for (int32_t y = 0; y < view.height(); ++y) {
//     const uint8_t* row = view.row(y);   // y from the top; see pixel_rows.h
//     ...
//   }
#ifndef PICTURE_FRAME_SOURCE_VIEW_H
#define PICTURE_FRAME_SOURCE_VIEW_H

#include "host_binding/rb_abi.h"
#include "picture/frame/locked_dib32.h"
#include "picture/frame/pixel_rows.h"

namespace zrw {

class SourceView {
 public:
  enum class Conversion { DrawInto32Bit, None };

  SourceView() = default;
  ~SourceView() { close(); }
  SourceView(const SourceView&) = delete;
  SourceView& operator=(const SourceView&) = delete;

  // False for nil, and for a picture that is neither stored as a 32-bit
  // bitmap nor drawable into a new one (with Conversion::None: not stored as
  // a 32-bit bitmap). Opening an open view closes it first.
  bool open(RbPicture picture, Conversion conversion = Conversion::DrawInto32Bit);

  // Releases every lock and the reference. Closing twice is harmless.
  void close();

  bool isOpen() const { return dib_.locked(); }
  int32_t width() const { return dib_.rows().width; }
  int32_t height() const { return dib_.rows().height; }
  size_t rowBytes() const { return dib_.rows().stride; }

  // Row y counted from the top, 0 <= y < height().
  const uint8_t* row(int32_t y) const { return dib_.rows().row(y); }
  SourceRows rows() const { return dib_.rows(); }

  // The viewed storage for writing. When the picture had to be converted this
  // is the temporary copy, so the change does not reach the picture opened.
  ResultRows writableRows() const { return dib_.rows(); }

  // The picture whose storage is viewed: the one opened, or its 32-bit copy.
  RbPicture viewedPicture() const { return dib_.picture(); }
  bool isConverted() const { return isOpen() && converted_; }

 private:
  bool openStored(RbPicture picture);

  LockedDib32 dib_;
  RbPicture referenced_ = nullptr;  // the picture this view holds a reference on
  bool converted_ = false;
};

}  // namespace zrw

#endif
