#include "picture/functions/binary_string.h"

#include <cstring>
#include <optional>

#include "host_binding/host_services.h"
#include "picture/frame/bgra32.h"
#include "picture/frame/host_string.h"
#include "picture/frame/pixel_rows.h"
#include "picture/frame/result_buffer.h"
#include "picture/frame/source_view.h"
#include "platform/win32.h"

namespace zrw {
namespace {

constexpr uint8_t kMagic[4] = {'P', 'P', 'I', 'C'};
constexpr size_t kHeaderBytes = 40;
constexpr uint32_t kBitsPerPixelField = 32;
constexpr uint64_t kBytesPerStoredPixel = 3;

constexpr size_t kLengthAt = 4;
constexpr size_t kWidthAt = 8;
constexpr size_t kHeightAt = 12;
constexpr size_t kBitsPerPixelAt = 16;
constexpr size_t kPixelOffsetAt = 20;

uint32_t readBigEndian32(const uint8_t* at) {
  return (uint32_t{at[0]} << 24) | (uint32_t{at[1]} << 16) | (uint32_t{at[2]} << 8) |
         uint32_t{at[3]};
}

void writeBigEndian32(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value >> 24);
  at[1] = static_cast<uint8_t>(value >> 16);
  at[2] = static_cast<uint8_t>(value >> 8);
  at[3] = static_cast<uint8_t>(value);
}

// Bytes of the pixel data of a width x height picture (both positive).
uint64_t storedPixelBytes(int32_t width, int32_t height) {
  return static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * kBytesPerStoredPixel;
}

// The whole string's length, when the length field and a host string can
// both hold it.
std::optional<size_t> binaryStringLength(int32_t width, int32_t height) {
  const uint64_t length = kHeaderBytes + storedPixelBytes(width, height);
  if (length > UINT32_MAX || length > INT32_MAX) return std::nullopt;
  return static_cast<size_t>(length);
}

struct StoredPicture {
  int32_t width = 0;
  int32_t height = 0;
  const uint8_t* pixels = nullptr;  // width * height * 3 bytes, all within the string
};

std::optional<StoredPicture> readHeader(const uint8_t* bytes, size_t length) {
  if (bytes == nullptr || length < kHeaderBytes) return std::nullopt;
  if (std::memcmp(bytes, kMagic, sizeof kMagic) != 0) return std::nullopt;
  if (readBigEndian32(bytes + kLengthAt) != static_cast<uint64_t>(length)) return std::nullopt;
  const auto width = static_cast<int32_t>(readBigEndian32(bytes + kWidthAt));
  const auto height = static_cast<int32_t>(readBigEndian32(bytes + kHeightAt));
  if (width <= 0 || height <= 0) return std::nullopt;
  // Both at most 2^31 - 1, so the product times 3 stays below 2^64.
  const uint64_t pixelBytes = storedPixelBytes(width, height);
  const uint64_t offset = readBigEndian32(bytes + kPixelOffsetAt);
  if (offset > length || pixelBytes > length - offset) return std::nullopt;
  return StoredPicture{width, height, bytes + offset};
}

// Pixel kernels: 32-bit rows to and from packed red, green, blue triples.

void packRows(SourceRows rows, uint8_t* out) {
  for (int32_t y = 0; y < rows.height; ++y) {
    const uint8_t* in = rows.row(y);
    for (int32_t x = 0; x < rows.width; ++x, in += 4, out += 3) {
      out[0] = in[bgra32::kRed];
      out[1] = in[bgra32::kGreen];
      out[2] = in[bgra32::kBlue];
    }
  }
}

void unpackRows(const uint8_t* in, ResultRows rows) {
  for (int32_t y = 0; y < rows.height; ++y) {
    uint8_t* out = rows.row(y);
    for (int32_t x = 0; x < rows.width; ++x, in += 3, out += 4)
      bgra32::storeRgb(out, in[0], in[1], in[2]);
  }
}

// The header and the pixels of the string, into `length` bytes.
void writeBinaryString(const SourceView& view, size_t length, uint8_t* out) {
  std::memset(out, 0, kHeaderBytes);
  std::memcpy(out, kMagic, sizeof kMagic);
  writeBigEndian32(out + kLengthAt, static_cast<uint32_t>(length));
  writeBigEndian32(out + kWidthAt, static_cast<uint32_t>(view.width()));
  writeBigEndian32(out + kHeightAt, static_cast<uint32_t>(view.height()));
  writeBigEndian32(out + kBitsPerPixelAt, kBitsPerPixelField);
  writeBigEndian32(out + kPixelOffsetAt, static_cast<uint32_t>(kHeaderBytes));
  packRows(view.rows(), out + kHeaderBytes);
}

// A block of global memory, locked for as long as this object lives.
class StringBuffer {
 public:
  explicit StringBuffer(size_t bytes) : handle_(GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    if (handle_ != nullptr) bytes_ = static_cast<uint8_t*>(GlobalLock(handle_));
  }
  ~StringBuffer() {
    if (bytes_ != nullptr) GlobalUnlock(handle_);
    if (handle_ != nullptr) GlobalFree(handle_);
  }
  StringBuffer(const StringBuffer&) = delete;
  StringBuffer& operator=(const StringBuffer&) = delete;
  uint8_t* bytes() const { return bytes_; }

 private:
  HGLOBAL handle_;
  uint8_t* bytes_ = nullptr;
};

}  // namespace

RbString pictureToBinaryString(RbPicture picture) {
  SourceView view;
  if (!view.open(picture)) return nullptr;
  const std::optional<size_t> length = binaryStringLength(view.width(), view.height());
  if (!length) return nullptr;
  // One buffer, written once and never cleared, that the host copies into
  // its string: "REALBuildString" is only promised to copy bytes it is
  // given, so no string is asked for without them. Global memory, because
  // the system serves large blocks of it cheaply (whole pages, reused).
  StringBuffer buffer(*length);
  if (buffer.bytes() == nullptr) return nullptr;
  writeBinaryString(view, *length, buffer.bytes());
  return buildBinaryString(buffer.bytes(), static_cast<int64_t>(*length));
}

RbPicture pictureFromBinaryString(const uint8_t* bytes, size_t length) {
  const std::optional<StoredPicture> stored = readHeader(bytes, length);
  if (!stored) return nullptr;
  ResultBuffer result;
  if (!result.create(stored->width, stored->height)) return nullptr;
  unpackRows(stored->pixels, result.rows());
  return result.finish();
}

RbPicture binaryStringToPicture(RbString data) {
  int32_t length = 0;
  const char* bytes = host::stringGetBytes(data, &length);
  if (bytes == nullptr || length <= 0) return pictureFromBinaryString(nullptr, 0);
  return pictureFromBinaryString(reinterpret_cast<const uint8_t*>(bytes), size_t(length));
}

}  // namespace zrw
