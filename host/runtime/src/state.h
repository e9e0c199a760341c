// The host's private state: every object it owns, keyed by the handle the
// plug-ins see, and the bookkeeping the audit reports.
#ifndef RBHOST_STATE_H
#define RBHOST_STATE_H

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/large_blocks.h"
#include "platform/win32.h"
#include "rbhost/host.h"

namespace rbhost {

struct Object {
  enum class Type { Picture, String, MemoryBlock, Array, Instance };
  explicit Object(Type t) : type(t) {}
  virtual ~Object() = default;
  Type type;
  int64_t references = 1;
  bool dying = false;
};

struct PictureObject;

// The drawing surface of a picture; owned by it, handed out without a
// reference. Its device context, made when first asked for, draws on the
// picture's pixels: in the emulation whatever the storage, on Windows for
// a DIB section (a packed picture's DC reaches no pixels there).
struct GraphicsObject {
  PictureObject* picture = nullptr;
  HDC dc = nullptr;
  HGDIOBJ previousBitmap = nullptr;  // Windows: what the DC held before the picture
  ~GraphicsObject();
};

struct PictureObject : Object {
  PictureObject() : Object(Type::Picture) {}
  ~PictureObject() override;
  int32_t width = 0, height = 0, depth = 0, rowBytes = 0;
  PictureStorage storage = PictureStorage::GlobalDib;
  HGLOBAL global = nullptr;  // GlobalDib
  HBITMAP bitmap = nullptr;  // DibSection
  int64_t descriptionLocks = 0;
  bool failLocks = false;
  PictureObject* mask = nullptr;  // the picture holds one reference on it
  std::unique_ptr<GraphicsObject> graphics;
};

// The bytes of a host string; a large one sits on huge pages where the
// system offers them, as pictures do.
using StringBytes =
    std::basic_string<char, std::char_traits<char>, platform_detail::BlockAllocator<char>>;

struct StringObject : Object {
  StringObject() : Object(Type::String) {}
  StringBytes bytes;
  uint32_t encoding = 0;
};

struct MemoryBlockObject : Object {
  MemoryBlockObject() : Object(Type::MemoryBlock) {}
  std::vector<uint8_t> bytes;
  uint8_t* foreign = nullptr;  // PtrToMemoryBlock: memory the block does not own
  uint8_t* data() { return foreign != nullptr ? foreign : bytes.data(); }
};

struct ArrayObject : Object {
  ArrayObject() : Object(Type::Array) {}
  std::vector<int32_t> values;
};

struct InstanceObject : Object {
  InstanceObject() : Object(Type::Instance) {}
  ClassRegistration* cls = nullptr;
  std::unique_ptr<std::byte[]> storage;  // the handle; plug-in data at cls->dataOffset
};

// Plug-in data starts this many bytes into an instance.
constexpr RbWord kInstanceDataOffset = 16;

// A graphics world: the host's own off-screen pixels, 0x00RRGGBB words, top
// row first.
struct GWorld {
  int32_t width = 0, height = 0;
  std::vector<uint32_t> pixels;
};

struct Host::State {
  std::unordered_map<const void*, std::unique_ptr<Object>> objects;
  std::unordered_map<const void*, GraphicsObject*> graphics;
  std::unordered_map<const void*, GraphicsObject*> deviceContexts;  // by HDC
  std::map<uintptr_t, std::unique_ptr<GWorld>> gworlds;             // by handle
  uintptr_t nextGWorld = 0x6B000010;
  // GDI objects and device contexts that existed when the host was made.
  int64_t gdiObjectsBefore = 0, deviceContextsBefore = 0;
  std::vector<std::string> violations;
  Plugin* loading = nullptr;  // the plug-in whose REALPluginMain is running
  std::optional<int64_t> newPicturesLeft;
  std::vector<HMODULE> modules;
  std::vector<std::string> tempFiles;

  Object* find(const void* handle) const;
  template <typename T>
  T* find(const void* handle, Object::Type type) const {
    Object* o = find(handle);
    return o != nullptr && o->type == type ? static_cast<T*>(o) : nullptr;
  }
  // Looks a handle up for a host service; records a violation naming the
  // service when it is not a live object of the expected type.
  template <typename T>
  T* expect(const void* handle, Object::Type type, const char* service) {
    T* o = find<T>(handle, type);
    if (o == nullptr) violation(std::string(service) + ": invalid handle");
    return o;
  }
  void violation(std::string what) { violations.push_back(std::move(what)); }

  void* adopt(std::unique_ptr<Object> object, const void* handle = nullptr);
  void retain(const void* handle, const char* service);
  void release(const void* handle, const char* service);
};

// The device context of a graphics object, made on first use; null when
// none can be made.
HDC graphicsDC(Host::State& s, GraphicsObject& g);

// GDI objects and device contexts that exist in the process now (on Windows
// one figure for both, in `objects`).
struct GdiTotals {
  int64_t objects = 0, deviceContexts = 0;
};
GdiTotals gdiTotals();

// Pixel memory of a picture, without taking a lock that the audit would see.
BITMAPINFOHEADER* pictureHeader(PictureObject& p);
RGBQUAD* pictureColorTable(PictureObject& p);  // nullptr above 8 bits
uint8_t* pictureBits(PictureObject& p);

std::vector<Rgb> readPalette(PictureObject& p);  // empty above 8 bits
void writePalette(PictureObject& p, const std::vector<Rgb>& colors);

// Reads and writes the pixels of one picture; takes the palette once.
// Coordinates are checked by the caller.
class PixelAccess {
 public:
  explicit PixelAccess(PictureObject& picture);
  uint32_t raw(int32_t x, int32_t memoryRow) const;
  void setRaw(int32_t x, int32_t memoryRow, uint32_t value);
  Rgb color(int32_t x, int32_t memoryRow) const;
  // Nearest palette entry up to 8 bits, 5-5-5 truncation at 16 bits, the
  // fourth byte of a 32-bit pixel set to 0.
  void setColor(int32_t x, int32_t memoryRow, Rgb c);

 private:
  uint32_t nearestIndex(Rgb c) const;
  PictureObject& p_;
  uint8_t* bits_;
  std::vector<Rgb> palette_;
};

// nullptr when the size or depth cannot be made.
std::unique_ptr<PictureObject> makePicture(int32_t width, int32_t height, int32_t depth,
                                           PictureStorage storage, uint8_t fillByte);

// The host service "REALBuildPictureFromDIB" (picture_from_dib.cpp).
RbPicture REALBuildPictureFromDIB(HGLOBAL dib, RbBoolean takeOwnership);

RbResolver serviceResolver();

}  // namespace rbhost

#endif
