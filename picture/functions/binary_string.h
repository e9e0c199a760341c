// The binary string form of a picture: a self-describing byte string that a
// program can keep in a string variable, a database field or a file and
// turn back into a picture later.
//
// FORMAT (all numbers unsigned 32-bit big-endian)
//
//   offset  bytes  field
//        0      4  magic "PPIC"
//        4      4  total length of the string in bytes: 40 + width * height * 3
//        8      4  width in pixels
//       12      4  height in pixels
//       16      4  32, although a pixel takes 24 bits; readers ignore it
//       20      4  offset of the pixel data: 40
//       24     16  zero (readers ignore them)
//       40      .  pixels: rows from the top, each from the left, each pixel
//                  three bytes red, green, blue; no padding, nothing after
//
// A picture's mask and the fourth bytes of its pixels are not kept.
#ifndef PICTURE_FUNCTIONS_BINARY_STRING_H
#define PICTURE_FUNCTIONS_BINARY_STRING_H

#include <cstddef>
#include <cstdint>

#include "host_binding/rb_abi.h"

namespace zrw {

// "PicturetoBinaryStringZRW(p as picture) as string": the string of the
// picture, marked as binary data. Nil when the picture cannot be opened or
// the string cannot be built.
RbString pictureToBinaryString(RbPicture picture);

// The picture a binary string describes, as a new 32-bit picture with
// fourth bytes 0. Nil unless:
//   - the bytes hold at least the 40-byte header and start with "PPIC";
//   - the length field equals `length` exactly;
//   - width and height are positive;
//   - the offset field points at width * height * 3 bytes that all lie
//     within the string (any such offset is honoured);
//   - the host can create the picture.
// Nothing is read outside the `length` bytes. Null bytes count as empty.
RbPicture pictureFromBinaryString(const uint8_t* bytes, size_t length);

// "BinaryStringtoPictureZRW(data as String) as Picture": the reader above on
// the string's bytes; a nil string counts as empty.
RbPicture binaryStringToPicture(RbString data);

}  // namespace zrw

#endif
