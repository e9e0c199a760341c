#include "graphics/composite/add_subtract.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "graphics/frame/fast_paths.h"
#include "graphics/frame/operation.h"
#include "graphics/frame/pixel_access.h"
#include "graphics/frame/pixel_walk.h"

namespace tvq {
namespace {

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

// Fast paths: all three pictures 24-bit or all 32-bit. Their channels are
// plain bytes, so a pixel is combined byte by byte.

template <ChannelArithmetic Arithmetic>
void combineRowBytes24(const uint8_t* a, const uint8_t* b, uint8_t* out, size_t count) {
  for (size_t i = 0; i < count; ++i) out[i] = combineChannel<Arithmetic>(a[i], b[i]);
}

// A 32-bit pixel loaded as a native word: its fourth byte (the last in
// memory) is the high byte on a little-endian machine.
constexpr uint32_t kFourthByteOfWord =
    std::endian::native == std::endian::little ? 0xFF000000u : 0x000000FFu;

// Four bytes at once: each byte's top bit is set aside so that no carry or
// borrow crosses into the next byte, then put back by an exclusive or. The
// fourth byte is cleared.
template <ChannelArithmetic Arithmetic>
constexpr uint32_t combineWord(uint32_t a, uint32_t b) {
  constexpr uint32_t kHigh = 0x80808080u;
  uint32_t combined;
  if constexpr (Arithmetic == ChannelArithmetic::Add) {
    combined = ((a & ~kHigh) + (b & ~kHigh)) ^ ((a ^ b) & kHigh);
  } else {
    combined = ((a | kHigh) - (b & ~kHigh)) ^ ((a ^ ~b) & kHigh);
  }
  return combined & ~kFourthByteOfWord;
}

template <ChannelArithmetic Arithmetic>
void combineRowWords32(const uint8_t* a, const uint8_t* b, uint8_t* out, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    uint32_t wa, wb;
    std::memcpy(&wa, a + 4 * i, 4);
    std::memcpy(&wb, b + 4 * i, 4);
    const uint32_t w = combineWord<Arithmetic>(wa, wb);
    std::memcpy(out + 4 * i, &w, 4);
  }
}

template <ChannelArithmetic Arithmetic>
void combineChannelBytes(const PixelView& first, const PixelView& second, const PixelView& target) {
  const size_t width = static_cast<size_t>(first.width);
  for (int32_t y = 0; y < first.height; ++y) {
    if (first.format == PixelFormat::Bgr24) {
      combineRowBytes24<Arithmetic>(first.row(y), second.row(y), target.row(y), 3 * width);
    } else {
      combineRowWords32<Arithmetic>(first.row(y), second.row(y), target.row(y), width);
    }
  }
}

template <ChannelArithmetic Arithmetic>
void combineChannelsWith(const PixelView& first, const PixelView& second, const PixelView& target) {
  const PixelFormat format = first.format;
  if (fastPathsEnabled() && (format == PixelFormat::Bgr24 || format == PixelFormat::Bgrx32) &&
      second.format == format && target.format == format && second.sameSizeAs(first) &&
      target.sameSizeAs(first)) {
    combineChannelBytes<Arithmetic>(first, second, target);
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
  if (!op.lockSecondPicture(other, second, codes, in)) return nullptr;
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
