#include "composite/add_subtract.h"

#include <cstddef>
#include <cstdint>

#include "frame/fast_paths.h"
#include "frame/operation.h"
#include "frame/pixel_access.h"
#include "frame/pixel_walk.h"

namespace tvq {
namespace {

// The second picture's own three codes: it is nil, cannot be locked, or is
// not of the first one's size.
struct SecondPictureCodes {
  ErrorCode nil;
  ErrorCode lock;
  ErrorCode wrongSize;
};

constexpr SecondPictureCodes kAddendCodes = {ErrorCode::AddendNil, ErrorCode::AddendLock,
                                             ErrorCode::AddendWrongSize};
constexpr SecondPictureCodes kSubtractendCodes = {
    ErrorCode::SubtractendNil, ErrorCode::SubtractendLock, ErrorCode::SubtractendWrongSize};

// Unsigned 8-bit arithmetic: the conversion back to a byte is the
// wrap-around modulo 256.
template <ChannelArithmetic Arithmetic>
constexpr uint8_t combineChannel(uint8_t a, uint8_t b) {
  if constexpr (Arithmetic == ChannelArithmetic::Add) {
    return static_cast<uint8_t>(a + b);
  } else {
    return static_cast<uint8_t>(a - b);
  }
}

template <ChannelArithmetic Arithmetic>
constexpr PixelValue combinePixel(PixelValue a, PixelValue b) {
  return makePixel(combineChannel<Arithmetic>(redOf(a), redOf(b)),
                   combineChannel<Arithmetic>(greenOf(a), greenOf(b)),
                   combineChannel<Arithmetic>(blueOf(a), blueOf(b)));
}

// Fast path: all three pictures 24-bit or all 32-bit. Their channels are
// plain bytes, so a pixel is combined byte by byte, the fourth byte set to 0.
template <ChannelArithmetic Arithmetic, int BytesPerPixel>
void combineChannelBytes(const PixelView& first, const PixelView& second, const PixelView& target) {
  const size_t width = static_cast<size_t>(first.width);
  for (int32_t y = 0; y < first.height; ++y) {
    const uint8_t* a = first.row(y);
    const uint8_t* b = second.row(y);
    uint8_t* out = target.row(y);
    for (size_t x = 0; x < width;
         ++x, a += BytesPerPixel, b += BytesPerPixel, out += BytesPerPixel) {
      const uint8_t blue = combineChannel<Arithmetic>(a[0], b[0]);
      const uint8_t green = combineChannel<Arithmetic>(a[1], b[1]);
      const uint8_t red = combineChannel<Arithmetic>(a[2], b[2]);
      out[0] = blue;
      out[1] = green;
      out[2] = red;
      if constexpr (BytesPerPixel == 4) out[3] = 0;
    }
  }
}

template <ChannelArithmetic Arithmetic>
void combineChannelsWith(const PixelView& first, const PixelView& second, const PixelView& target) {
  const PixelFormat format = first.format;
  if (fastPathsEnabled() && (format == PixelFormat::Bgr24 || format == PixelFormat::Bgrx32) &&
      second.format == format && target.format == format && second.sameSizeAs(first) &&
      target.sameSizeAs(first)) {
    if (format == PixelFormat::Bgr24) {
      combineChannelBytes<Arithmetic, 3>(first, second, target);
    } else {
      combineChannelBytes<Arithmetic, 4>(first, second, target);
    }
    return;
  }
  combinePixels(first, second, target, [](int32_t, int32_t, PixelValue a, PixelValue b) {
    return combinePixel<Arithmetic>(a, b);
  });
}

RbPicture combinePictures(RbPicture p, RbPicture second, ChannelArithmetic arithmetic,
                          const SecondPictureCodes& codes) {
  Operation op;
  if (!op.check(p != nullptr, ErrorCode::SourceNil)) return nullptr;
  if (!op.check(second != nullptr, codes.nil)) return nullptr;
  PictureLock in;
  if (!op.lock(in, p, ErrorCode::SourceLock)) return nullptr;
  PictureLock other;
  if (!op.lock(other, second, codes.lock)) return nullptr;
  if (!op.check(other.view().sameSizeAs(in.view()), codes.wrongSize)) return nullptr;
  OwnedPicture result;
  if (!op.createResult(result, in)) return nullptr;
  combineChannels(in.view(), other.view(), result.view(), arithmetic);
  return result.handOver();
}

}  // namespace

void combineChannels(const PixelView& first, const PixelView& second, const PixelView& target,
                     ChannelArithmetic arithmetic) {
  switch (arithmetic) {
    case ChannelArithmetic::Add:
      combineChannelsWith<ChannelArithmetic::Add>(first, second, target);
      return;
    case ChannelArithmetic::Subtract:
      combineChannelsWith<ChannelArithmetic::Subtract>(first, second, target);
      return;
  }
}

RbPicture addMethod(RbPicture p, RbPicture addend) {
  return combinePictures(p, addend, ChannelArithmetic::Add, kAddendCodes);
}

RbPicture subtractMethod(RbPicture p, RbPicture subtractend) {
  return combinePictures(p, subtractend, ChannelArithmetic::Subtract, kSubtractendCodes);
}

}  // namespace tvq
