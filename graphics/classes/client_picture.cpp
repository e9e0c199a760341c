#include "graphics/classes/client_picture.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "graphics/frame/bitmap_geometry.h"
#include "graphics/frame/last_error.h"
#include "graphics/frame/owned_picture.h"
#include "graphics/frame/picture_lock.h"
#include "graphics/frame/pixel_access.h"
#include "host_binding/host_services.h"
#include "host_binding/instance_data.h"

namespace tvq {
namespace {

enum ClientPictureProperty : RbWord {
  kWidth = 1,
  kHeight = 2,
  kDepth = 3,
  kRowBytes = 5,
  kHasMask = 6,
  kMaskDepth = 7,
  kMaskRowBytes = 9,
  kPic = 10,
};

// A DIB row's length, or 0 when it would not fit 32 bits.
int32_t dibRowBytes(int32_t width, int32_t depth) {
  const int64_t bytes = ((int64_t{width} * depth + 31) / 32) * 4;
  return bytes > 0 && bytes <= INT32_MAX ? static_cast<int32_t>(bytes) : 0;
}

void construct(RbObject self) {
  if (ClientPictureData* c = clientPictureData(self)) *c = {};
}

void destruct(RbObject self) {
  if (ClientPictureData* c = clientPictureData(self)) emptyClientPicture(*c);
}

int32_t getInteger(RbObject self, RbWord selector) {
  const ClientPictureData* c = clientPictureData(self);
  if (c == nullptr) return 0;
  switch (selector) {
    case kWidth:
      return c->width;
    case kHeight:
      return c->height;
    case kDepth:
      return c->depth;
    case kRowBytes:
      return c->rowBytes;
    case kMaskDepth:
      return c->maskDepth;
    case kMaskRowBytes:
      return c->maskRowBytes;
    default:
      return 0;
  }
}

RbBoolean getHasMask(RbObject self, RbWord) {
  const ClientPictureData* c = clientPictureData(self);
  return c != nullptr && c->hasMask != 0;
}

// The caller gets a reference of its own.
RbPicture getPic(RbObject self, RbWord) {
  const ClientPictureData* c = clientPictureData(self);
  if (c == nullptr || c->pic == nullptr) return nullptr;
  host::realLockObject(toObject(c->pic));
  return c->pic;
}

// Width, height and depth of a picture as its description gives them.
// A host without the lock entry locks nothing, so nothing is unlocked.
RbPictureDescription describe(RbPicture p) {
  RbPictureDescription d{};
  if (!host::lockPictureDescriptionAvailable()) return d;
  host::lockPictureDescription(p, &d);
  host::unlockPictureDescription(p);
  return d;
}

void convertFromPicture(RbObject self, RbPicture p) {
  ClientPictureData* c = clientPictureData(self);
  if (c == nullptr) return;
  emptyClientPicture(*c);
  // The picture form keeps a reference of its own; a host that cannot add
  // one leaves the client picture empty.
  if (p == nullptr || !host::objectReferencesAvailable()) return;
  const RbPictureDescription d = describe(p);
  c->width = d.width;
  c->height = d.height;
  c->depth = d.depth;
  c->rowBytes = dibRowBytes(d.width, d.depth);
  if (RbPicture mask = host::realGetPictureMask(p, false)) {
    const RbPictureDescription m = describe(mask);
    c->hasMask = 1;
    c->maskDepth = m.depth;
    c->maskRowBytes = dibRowBytes(m.width, m.depth);
    host::release(mask);
  }
  host::realLockObject(toObject(p));
  c->pic = p;
}

// Writes level g into a host mask pixel the way its depth stores grey.
void writeLevel(const PixelView& mask, uint8_t* at, uint8_t g) {
  switch (mask.depth) {
    case 32: {
      const uint32_t w = uint32_t{g} * 0x010101u;
      at[0] = static_cast<uint8_t>(w);
      at[1] = static_cast<uint8_t>(w >> 8);
      at[2] = static_cast<uint8_t>(w >> 16);
      at[3] = 0;
      return;
    }
    case 16: {
      const uint32_t w = (uint32_t{g} >> 3) * 0x421u;
      at[0] = static_cast<uint8_t>(w);
      at[1] = static_cast<uint8_t>(w >> 8);
      return;
    }
    case 8:
      at[0] = g;
      return;
    default:
      writePixel(mask, at, makePixel(g, g, g));
  }
}

// A copy of the client's mask levels into the new picture's own mask.
void copyMask(const ClientPictureData& c, RbPicture picture) {
  const std::optional<PixelView> levels = clientPictureView(c, true);
  if (!levels) return;
  PictureLock mask;
  if (!mask.lockMaskOf(picture)) return;
  const PixelView& m = mask.view();
  const int32_t width = std::min(levels->width, m.width);
  const int32_t height = std::min(levels->height, m.height);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* from = levels->row(y);
    for (int32_t x = 0; x < width; ++x) writeLevel(m, m.at(x, y), from[x]);
  }
}

RbPicture convertToPicture(RbObject self) {
  setLastError(ErrorCode::None);
  const ClientPictureData* c = clientPictureData(self);
  return c == nullptr ? nullptr : pictureFromClient(*c);
}

RbPropertyRecord integerProperty(const char* name, RbWord selector) {
  return {"ClientPicture", name, "integer", 0, rbFunction(getInteger), nullptr, selector, {}};
}

std::array properties = {
    integerProperty("width", kWidth),
    integerProperty("height", kHeight),
    integerProperty("depth", kDepth),
    integerProperty("rowBytes", kRowBytes),
    RbPropertyRecord{
        "ClientPicture", "hasMask", "boolean", 0, rbFunction(getHasMask), nullptr, kHasMask, {}},
    integerProperty("maskDepth", kMaskDepth),
    integerProperty("maskRowBytes", kMaskRowBytes),
    RbPropertyRecord{"ClientPicture", "pic", "picture", 0, rbFunction(getPic), nullptr, kPic, {}},
};

std::array methods = {
    RbMethodRecord{rbFunction(convertFromPicture), nullptr, "operator_convert(p as picture)", 0},
    RbMethodRecord{rbFunction(convertToPicture), nullptr, "operator_convert() as picture", 0},
};

RbClassRecord record = {
    kRbClassRecordVersion,
    "TVQ_ClientPicture",
    nullptr,
    sizeof(ClientPictureData),
    0,
    rbFunction(construct),
    rbFunction(destruct),
    properties.data(),
    static_cast<RbWord>(properties.size()),
    methods.data(),
    static_cast<RbWord>(methods.size()),
    {},
};

// Looked up once: the class reference stays valid for the life of the host.
RbClassRef clientPictureClassRef() {
  static RbClassRef ref = nullptr;
  if (ref == nullptr) ref = host::pluginObjectType("TVQ_ClientPicture");
  return ref;
}

int32_t bufferBytesPerPixel(int32_t depth) {
  switch (depth) {
    case 32:
      return 4;
    case 24:
      return 3;
    case 16:
      return 2;
    default:
      return 0;
  }
}

bool makePictureForm(ClientPictureData& c, int32_t width, int32_t height, int32_t depth,
                     bool withMask) {
  // The picture is handed out later with a reference added for each caller.
  if (!host::objectReferencesAvailable()) return false;
  RbPicture p = host::newPicture(width, height, depth);
  if (p == nullptr) return false;
  c.width = width;
  c.height = height;
  c.depth = depth;
  c.rowBytes = dibRowBytes(width, depth);
  c.pic = p;
  if (withMask) {
    if (RbPicture mask = host::realGetPictureMask(p, false)) {
      const RbPictureDescription m = describe(mask);
      c.hasMask = 1;
      c.maskDepth = m.depth;
      c.maskRowBytes = dibRowBytes(m.width, m.depth);
      host::release(mask);
    }
  }
  return true;
}

}  // namespace

RbClassRecord& clientPictureClass() { return record; }

void emptyClientPicture(ClientPictureData& c) {
  std::free(c.bufferBlock);
  std::free(c.maskBuffer);
  host::release(c.pic);
  c = {};
}

bool fillBufferForm(ClientPictureData& c, int32_t width, int32_t height, int32_t depth,
                    bool withMask) {
  const int32_t bytesPerPixel = bufferBytesPerPixel(depth);
  if (bytesPerPixel == 0 || width <= 0 || height <= 0) return false;
  // ((width + 15) × bytes per pixel / 16) × 16, and the block 32 bytes
  // more, all within 32 bits.
  const int64_t rowBytes = ((int64_t{width} + 15) * bytesPerPixel / 16) * 16;
  const int64_t blockBytes = rowBytes * height + 32;
  if (blockBytes > INT32_MAX) return false;
  auto* block = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(blockBytes)));
  if (block == nullptr) return false;
  c.width = width;
  c.height = height;
  c.depth = depth;
  c.bufferBlock = block;
  c.pixels = block + ((16 - reinterpret_cast<uintptr_t>(block) % 16) % 16);
  c.rowBytes = static_cast<int32_t>(rowBytes);
  if (withMask && int64_t{width} * height <= INT32_MAX) {
    c.maskBuffer = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(width) * height));
    if (c.maskBuffer != nullptr) {
      c.hasMask = 1;
      c.maskDepth = 8;
      c.maskRowBytes = width;
    }
  }
  return true;
}

RbPicture pictureFromClient(const ClientPictureData& c) {
  if (c.pic != nullptr) {
    host::realLockObject(toObject(c.pic));
    return c.pic;
  }
  const std::optional<PixelView> pixels = clientPictureView(c, false);
  if (!pixels) return nullptr;
  OwnedPicture result;
  if (!result.create(c.width, c.height, c.depth)) return nullptr;
  // Same depth on both sides: every row is copied as it is stored (a 16-bit
  // pixel keeps bit 15).
  const PixelView& out = result.view();
  const size_t rowLength = static_cast<size_t>(c.width) * static_cast<size_t>(out.bytesPerPixel);
  for (int32_t y = 0; y < c.height; ++y) std::memcpy(out.row(y), pixels->row(y), rowLength);
  RbPicture picture = result.handOver();
  if (c.hasMask != 0) copyMask(c, picture);
  return picture;
}

ClientPictureData* clientPictureData(RbObject instance) {
  return host::instanceData<ClientPictureData>(instance, record);
}

RbObject makeClientPicture(int32_t width, int32_t height, int32_t depth, bool withMask,
                           bool asPicture) {
  if (width <= 0 || height <= 0) return nullptr;
  RbClassRef cls = clientPictureClassRef();
  if (cls == nullptr) return nullptr;
  RbObject instance = host::createInstance(cls);
  ClientPictureData* c = clientPictureData(instance);
  if (c == nullptr) return nullptr;
  const bool made = asPicture ? makePictureForm(*c, width, height, depth, withMask)
                              : fillBufferForm(*c, width, height, depth, withMask);
  if (!made) {
    host::release(instance);
    return nullptr;
  }
  return instance;
}

std::optional<PixelView> clientPictureView(const ClientPictureData& c, bool mask) {
  if (c.bufferBlock == nullptr || c.width <= 0 || c.height <= 0) return std::nullopt;
  PixelView v;
  v.width = c.width;
  v.height = c.height;
  if (mask) {
    if (c.maskBuffer == nullptr) return std::nullopt;
    v.depth = 8;
    v.bytesPerPixel = 1;
    v.rowBytes = c.maskRowBytes;
    v.pixels = c.maskBuffer;
  } else {
    v.depth = c.depth;
    v.bytesPerPixel = c.depth / 8;
    v.rowBytes = c.rowBytes;
    v.pixels = c.pixels;
  }
  v.format = formatFor(v.depth, mask);
  return v;
}

}  // namespace tvq
