#include "picture/frame/locked_dib32.h"

#include <cstring>

#include "host_binding/host_services.h"
#include "platform/win32.h"

namespace zrw {
namespace {

constexpr size_t kHeaderBytes = sizeof(BITMAPINFOHEADER);

HGLOBAL asGlobal(void* handle) { return static_cast<HGLOBAL>(handle); }

// The pixels of a locked block, or an empty set of rows when the block does
// not hold what the description promises.
ResultRows addressPixels(uint8_t* block, size_t blockBytes, const RbPictureDescription& d) {
  if (block == nullptr || blockBytes < kHeaderBytes) return {};
  BITMAPINFOHEADER header;
  std::memcpy(&header, block, sizeof header);
  if (header.biSize != kHeaderBytes || header.biBitCount != 32 || header.biCompression != BI_RGB)
    return {};
  if (header.biWidth <= 0 || header.biHeight <= 0) return {};
  if (header.biWidth != d.width || header.biHeight != d.height) return {};
  std::optional<size_t> rowBytes = rowBytes32(header.biWidth);
  std::optional<size_t> pixelBytes = pixelBytes32(header.biWidth, header.biHeight);
  if (!rowBytes || !pixelBytes || *pixelBytes > blockBytes - kHeaderBytes) return {};
  return ResultRows(block + kHeaderBytes, *rowBytes, header.biWidth, header.biHeight);
}

}  // namespace

bool LockedDib32::lock(RbPicture picture) {
  unlock();
  description_ = RbPictureDescription{};
  // Without the locking service nothing is locked, so nothing may be unlocked.
  if (picture == nullptr || !host::lockPictureDescriptionAvailable()) return false;
  host::lockPictureDescription(picture, &description_);
  picture_ = picture;
  if (description_.kind == kRbPictureGlobalDib && description_.handle != nullptr) {
    auto* block = static_cast<uint8_t*>(GlobalLock(asGlobal(description_.handle)));
    if (block != nullptr) {
      handle_ = description_.handle;
      rows_ = addressPixels(block, GlobalSize(asGlobal(handle_)), description_);
    }
  }
  if (rows_.empty()) {
    unlock();
    return false;
  }
  return true;
}

void LockedDib32::unlock() {
  if (handle_ != nullptr) GlobalUnlock(asGlobal(handle_));
  handle_ = nullptr;
  rows_ = {};
  if (picture_ != nullptr) host::unlockPictureDescription(picture_);
  picture_ = nullptr;
}

}  // namespace zrw
