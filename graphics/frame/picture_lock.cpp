#include "graphics/frame/picture_lock.h"

#include <optional>

#include "graphics/frame/bitmap_geometry.h"
#include "host_binding/host_services.h"

namespace tvq {
namespace {

// The description kind asked for first; hosts that cannot deliver it fill
// the description through the older entry instead.
constexpr int32_t kRequestedKind = kRbPictureDibSection;

}  // namespace

bool PictureLock::lock(RbPicture picture) {
  unlock();
  if (picture == nullptr) return false;
  picture_ = picture;
  binding_ = Binding::HostPicture;
  return bind();
}

bool PictureLock::lockMaskOf(RbPicture picture) { return lockMask(picture, true); }

bool PictureLock::lockExistingMaskOf(RbPicture picture) { return lockMask(picture, false); }

bool PictureLock::lockMask(RbPicture picture, bool create) {
  unlock();
  if (picture == nullptr) return false;
  RbPicture mask = host::realGetPictureMask(picture, create);
  if (mask == nullptr) return false;
  picture_ = mask;
  binding_ = Binding::HostPicture;
  mask_ = true;
  holdsReference_ = true;
  return bind();
}

bool PictureLock::lockBuffer(const PixelView& view) {
  unlock();
  if (view.pixels == nullptr || view.width <= 0 || view.height <= 0) return false;
  binding_ = Binding::Buffer;
  view_ = view;
  locked_ = true;
  return true;
}

bool PictureLock::bind() {
  switch (binding_) {
    case Binding::HostPicture:
      locked_ = bindHostPicture();
      break;
    case Binding::Buffer:
    case Binding::None:
      locked_ = false;
      break;
  }
  return locked_;
}

bool PictureLock::bindHostPicture() {
  description_ = {};
  descriptionLocked_ = host::realLockPictureDescription(picture_, &description_, kRequestedKind);
  if (!descriptionLocked_) {
    description_ = {};
    // A host without the older entry locks nothing here: nothing to unlock.
    descriptionLocked_ = host::lockPictureDescriptionAvailable();
    host::lockPictureDescription(picture_, &description_);
  }
  switch (description_.kind) {
    case kRbPictureGlobalDib:
      return resolvePackedBitmap();
    case kRbPictureDibSection:
      return resolveDibSection();
    default:
      return false;
  }
}

bool PictureLock::resolvePackedBitmap() {
  auto memory = static_cast<HGLOBAL>(description_.handle);
  if (memory == nullptr) return false;
  auto* block = static_cast<uint8_t*>(GlobalLock(memory));
  if (block == nullptr) return false;
  lockedMemory_ = memory;
  std::optional<PackedBitmap> bitmap = packedBitmapAt(block, GlobalSize(memory));
  if (!bitmap) return false;
  view_ = bitmap->view;
  view_.format = formatFor(view_.depth, mask_);
  return true;
}

bool PictureLock::resolveDibSection() {
  auto bitmap = static_cast<HBITMAP>(description_.handle);
  if (bitmap == nullptr) return false;
  section_ = {};
  // A smaller answer means a device-dependent bitmap, whose header part of
  // the record would be left unfilled.
  if (GetObjectA(bitmap, sizeof(DIBSECTION), &section_) != static_cast<int>(sizeof(DIBSECTION))) {
    return false;
  }
  std::optional<PixelView> view = geometryOf(section_.dsBmih);
  if (!view || section_.dsBm.bmBits == nullptr) return false;
  view_ = *view;
  view_.pixels = static_cast<uint8_t*>(section_.dsBm.bmBits);
  view_.format = formatFor(view_.depth, mask_);
  if (view_.format == PixelFormat::Indexed8) readSectionColors();
  return true;
}

void PictureLock::readSectionColors() {
  // The palette lives with the section, not in the copied record; it is
  // reached by selecting the section into a scratch device context. When that
  // fails the table stays empty and every index reads as black.
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) return;
  HGDIOBJ previous = SelectObject(dc, static_cast<HBITMAP>(description_.handle));
  view_.colorCount =
      GetDIBColorTable(dc, 0, static_cast<UINT>(sectionColors_.size()), sectionColors_.data());
  view_.colorTable = reinterpret_cast<const uint8_t*>(sectionColors_.data());
  if (previous != nullptr) SelectObject(dc, previous);
  DeleteDC(dc);
}

void PictureLock::unlock() {
  if (lockedMemory_ != nullptr) GlobalUnlock(lockedMemory_);
  lockedMemory_ = nullptr;
  locked_ = false;
  view_ = {};
  release();
  binding_ = Binding::None;
  picture_ = nullptr;
  mask_ = false;
  holdsReference_ = false;
  descriptionLocked_ = false;
}

void PictureLock::release() {
  switch (binding_) {
    case Binding::HostPicture:
      if (descriptionLocked_) host::unlockPictureDescription(picture_);
      if (holdsReference_) host::release(picture_);
      break;
    case Binding::Buffer:
    case Binding::None:
      break;
  }
}

}  // namespace tvq
