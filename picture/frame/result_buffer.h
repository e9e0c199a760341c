// The 32-bit result buffer: a new host picture whose pixels an operation
// writes before handing the picture back.
//
// While the buffer holds a picture, it holds the picture's creation reference
// and its description and memory locks. finish() releases the locks and hands
// the reference to the caller; abandon() and the destructor release the locks
// and drop the reference, so a half-built result can never leak.
//
//   ResultBuffer result;
//   if (!result.create(width, height)) return nullptr;
//   uint8_t* top = result.row(0);   // y from the top; see pixel_rows.h
//   ...
//   return result.finish();
//
// The host decides what a new picture holds before it is written; every
// pixel an operation leaves unwritten keeps that.
#ifndef PICTURE_FRAME_RESULT_BUFFER_H
#define PICTURE_FRAME_RESULT_BUFFER_H

#include "host_binding/rb_abi.h"
#include "picture/frame/locked_dib32.h"
#include "picture/frame/pixel_rows.h"

namespace zrw {

class ResultBuffer {
 public:
  ResultBuffer() = default;
  ~ResultBuffer() { abandon(); }
  ResultBuffer(const ResultBuffer&) = delete;
  ResultBuffer& operator=(const ResultBuffer&) = delete;

  // A new width x height 32-bit picture, locked for writing. False when
  // either side is not positive, the storage would be too large to address,
  // the host cannot create the picture, or its storage is not a packed
  // 32-bit bitmap of that size; nothing is held then. A buffer already
  // holding a picture abandons it first.
  bool create(int32_t width, int32_t height);

  // Unlocks the picture and hands it over with its creation reference; the
  // buffer is empty afterwards. Nil when the buffer holds nothing.
  RbPicture finish();

  // Unlocks and drops the picture. Harmless on an empty buffer.
  void abandon();

  bool holdsPicture() const { return dib_.locked(); }
  int32_t width() const { return dib_.rows().width; }
  int32_t height() const { return dib_.rows().height; }
  size_t rowBytes() const { return dib_.rows().stride; }

  // Row y counted from the top, 0 <= y < height().
  uint8_t* row(int32_t y) const { return dib_.rows().row(y); }
  ResultRows rows() const { return dib_.rows(); }

 private:
  LockedDib32 dib_;
};

}  // namespace zrw

#endif
