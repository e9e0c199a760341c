// TVQ_ClientPicture: pixels a chain of operations can work on without a host
// picture (buffer form: a 16-, 24- or 32-bit pixel buffer the plug-in owns,
// with an optional 8-bit mask buffer), or a host picture it keeps a
// reference to (picture form). A picture lock bound to a buffer-form client
// picture (or to its mask) reads and writes it as any picture.
#ifndef TVQ_CLASSES_CLIENT_PICTURE_H
#define TVQ_CLASSES_CLIENT_PICTURE_H

#include <cstddef>
#include <cstdint>
#include <optional>

#include "graphics/frame/pixel_view.h"
#include "host_binding/rb_abi.h"

namespace tvq {

// The instance data, 44 bytes on the 32-bit host, fields in this order.
struct ClientPictureData {
  int32_t width;
  int32_t height;
  int32_t depth;         // 16, 24 or 32 in buffer form; the picture's own in picture form
  uint8_t* bufferBlock;  // owned heap block of the pixels; null in picture form
  uint8_t* pixels;       // first row: bufferBlock rounded up to 16 bytes
  int32_t rowBytes;      // buffer form: a multiple of 16; picture form: the picture's
  uint8_t hasMask;
  int32_t maskDepth;     // 8 for a mask buffer; the host mask's depth in picture form
  uint8_t* maskBuffer;   // owned heap block of levels, one byte a pixel
  int32_t maskRowBytes;  // buffer form: width; picture form: the host mask's
  RbPicture pic;         // picture form: the picture, holding one reference
};
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(ClientPictureData) == 44);
static_assert(offsetof(ClientPictureData, hasMask) == 24);
static_assert(offsetof(ClientPictureData, pic) == 40);
#endif

// The class record handed to the host.
RbClassRecord& clientPictureClass();

// The data of a TVQ_ClientPicture instance; null for a nil instance.
ClientPictureData* clientPictureData(RbObject instance);

// A new client picture for an operation's result: in picture form a new
// width x height host picture of `depth` (any depth the host makes), else a
// buffer of 16, 24 or 32 bits, not initialised, with a mask buffer when
// `withMask` and it can be had. Nil for sizes that are not positive, a
// buffer whose size would not fit 32 bits, or what the host or the heap
// refuses.
RbObject makeClientPicture(int32_t width, int32_t height, int32_t depth, bool withMask,
                           bool asPicture);

// Makes empty data a buffer-form client picture of width x height at 16, 24
// or 32 bits, with a mask buffer when `withMask` and the heap has room:
// rows of ((width + 15) × bytes per pixel / 16) × 16 bytes from a 16-byte
// boundary, not initialised. False, with nothing allocated, for another
// depth, a size that is not positive or a block beyond 32 bits.
bool fillBufferForm(ClientPictureData& client, int32_t width, int32_t height, int32_t depth,
                    bool withMask);

// Gives back everything the data holds (buffers, the picture's reference)
// and leaves it empty.
void emptyClientPicture(ClientPictureData& client);

// A host picture with the client picture's contents: its own picture, with
// a reference added for the caller, in picture form; a new picture of the
// buffer's size and depth, and a mask of its levels, in buffer form; nil
// when empty or when the new picture cannot be made or locked.
RbPicture pictureFromClient(const ClientPictureData& client);

// How a picture lock sees a buffer-form client picture's pixels, or with
// `mask` its mask buffer (grey levels); nothing for any other client
// picture.
std::optional<PixelView> clientPictureView(const ClientPictureData& client, bool mask);

}  // namespace tvq

#endif
