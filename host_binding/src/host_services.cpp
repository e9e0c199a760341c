#include "host_binding/host_services.h"

#include <optional>

namespace host {
namespace {
using host_binding::HostEntry;

HostEntry<void(const void*)> registerMethodEntry("PluginRegisterMethod");
HostEntry<void(void*)> registerClassEntry("PluginRegisterClass");
HostEntry<void(void*)> registerClassExtensionEntry("PluginRegisterClassExtension");
HostEntry<double()> versionEntry("REALGetRBVersion");
HostEntry<void()> enterMoviesEntry("REALenterMovies");
HostEntry<RbString(const char*, int32_t)> buildStringEntry("REALBuildString");
HostEntry<void(RbString, uint32_t)> setStringEncodingEntry("REALSetStringEncoding");
HostEntry<void(RbString)> msgBoxEntry("RuntimeMsgBox");
HostEntry<const char*(RbString, int32_t*)> stringBytesEntry("stringGetBytes");
HostEntry<RbBoolean(RbPicture, RbPictureDescription*, int32_t)> realLockDescriptionEntry(
    "REALLockPictureDescription");
HostEntry<void(RbPicture, RbPictureDescription*)> lockDescriptionEntry("lockPictureDescription");
HostEntry<void(RbPicture)> unlockDescriptionEntry("unlockPictureDescription");
HostEntry<RbPicture(RbPicture, RbBoolean)> pictureMaskEntry("REALGetPictureMask");
HostEntry<RbPicture(int32_t, int32_t, int32_t)> newPictureEntry("newPicture");
HostEntry<RbPicture(int32_t, int32_t, int32_t, const void*, int32_t)> pictureFromBufferEntry(
    "REALBuildPictureFromBuffer");
HostEntry<RbPicture(uintptr_t, RbBoolean)> pictureFromGWorldEntry("REALBuildPictureFromGWorld");
HostEntry<RbPicture(void*, RbBoolean)> pictureFromDibEntry("REALBuildPictureFromDIB");
HostEntry<RbGraphics(RbPicture)> graphicsGetterEntry("pluginPictureGraphicsGetter");
HostEntry<uintptr_t(RbGraphics)> graphicsDCEntry("REALGraphicsDC");
HostEntry<void(uintptr_t, RbPicture, const RbRect16*, RbBoolean)> drawPictureEntry(
    "drawPicturePrimitive");
HostEntry<void(RbObject)> lockObjectEntry("REALLockObject");
HostEntry<void(RbObject)> unlockObjectEntry("REALUnlockObject");
HostEntry<RbClassRef(const char*)> objectTypeEntry("pluginObjectType");
HostEntry<RbObject(RbClassRef)> createInstanceEntry("CreateInstance");
HostEntry<RbObject(const char*)> newInstanceEntry("PluginNewInstance");
HostEntry<int32_t(RbArray)> uboundEntry("RuntimeUBound");
HostEntry<int32_t(RbArray, int32_t)> readIntArrayEntry("RuntimeDirectReadIntArray");
HostEntry<RbMemoryBlock(int32_t)> newMemoryBlockEntry("newMemoryBlock");
HostEntry<void*(RbMemoryBlock)> memoryBlockPtrEntry("memoryBlockGetPtr");
HostEntry<RbMemoryBlock(void*)> ptrToMemoryBlockEntry("PtrToMemoryBlock");
HostEntry<int32_t(RbMemoryBlock)> memoryBlockSizeEntry("REALMemoryBlockGetSize");
}  // namespace

void registerPluginVersion(int32_t version) {
  auto f = reinterpret_cast<void (*)(int32_t)>(host_binding::resolve("RegisterPluginVersion"));
  if (f != nullptr) f(version);
}
void pluginRegisterMethod(const void* record) { registerMethodEntry(record); }
void pluginRegisterClass(void* record) { registerClassEntry(record); }
void pluginRegisterClassExtension(void* record) { registerClassExtensionEntry(record); }
bool pluginRegisterClassAvailable() { return registerClassEntry.available(); }
bool pluginRegisterClassExtensionAvailable() { return registerClassExtensionEntry.available(); }
double realGetRBVersion() { return versionEntry(); }
void realEnterMovies() { enterMoviesEntry(); }

RbString realBuildString(const char* bytes, int32_t length) {
  return buildStringEntry(bytes, length);
}
void realSetStringEncoding(RbString s, uint32_t encoding) { setStringEncodingEntry(s, encoding); }
void runtimeMsgBox(RbString text) { msgBoxEntry(text); }
const char* stringGetBytes(RbString s, int32_t* length) {
  if (length != nullptr) *length = 0;
  if (s == nullptr) return nullptr;
  return stringBytesEntry(s, length);
}

RbBoolean realLockPictureDescription(RbPicture p, RbPictureDescription* d, int32_t kind) {
  return realLockDescriptionEntry(p, d, kind);
}
void lockPictureDescription(RbPicture p, RbPictureDescription* d) { lockDescriptionEntry(p, d); }
void unlockPictureDescription(RbPicture p) { unlockDescriptionEntry(p); }
RbPicture realGetPictureMask(RbPicture p, RbBoolean create) { return pictureMaskEntry(p, create); }
RbPicture newPicture(int32_t w, int32_t h, int32_t depth) { return newPictureEntry(w, h, depth); }
RbPicture realBuildPictureFromBuffer(int32_t w, int32_t h, int32_t format, const void* pixels,
                                     int32_t rowBytes) {
  return pictureFromBufferEntry(w, h, format, pixels, rowBytes);
}
RbPicture realBuildPictureFromGWorld(uintptr_t world, RbBoolean bypassOwnership) {
  return pictureFromGWorldEntry(world, bypassOwnership);
}
RbPicture realBuildPictureFromDIB(void* dib, RbBoolean takeOwnership) {
  return pictureFromDibEntry(dib, takeOwnership);
}
bool realBuildPictureFromDIBAvailable() { return pictureFromDibEntry.available(); }
RbGraphics pluginPictureGraphicsGetter(RbPicture p) { return graphicsGetterEntry(p); }
uintptr_t realGraphicsDC(RbGraphics g) { return graphicsDCEntry(g); }
void drawPicturePrimitive(uintptr_t dc, RbPicture p, const RbRect16* bounds,
                          RbBoolean transparent) {
  drawPictureEntry(dc, p, bounds, transparent);
}
bool lockPictureDescriptionAvailable() { return lockDescriptionEntry.available(); }
bool drawPicturePrimitiveAvailable() { return drawPictureEntry.available(); }

void realLockObject(RbObject o) { lockObjectEntry(o); }
void realUnlockObject(RbObject o) { unlockObjectEntry(o); }
bool objectReferencesAvailable() {
  return lockObjectEntry.available() && unlockObjectEntry.available();
}
RbClassRef pluginObjectType(const char* className) { return objectTypeEntry(className); }
RbObject createInstance(RbClassRef classRef) {
  if (classRef == nullptr) return nullptr;
  return createInstanceEntry(classRef);
}
RbObject pluginNewInstance(const char* className) { return newInstanceEntry(className); }

bool integerArraysAvailable() { return uboundEntry.available() && readIntArrayEntry.available(); }
int32_t runtimeUBound(RbArray a) { return uboundEntry(a); }
int32_t runtimeDirectReadIntArray(RbArray a, int32_t i) { return readIntArrayEntry(a, i); }
RbMemoryBlock newMemoryBlock(int32_t size) { return newMemoryBlockEntry(size); }
void* memoryBlockGetPtr(RbMemoryBlock b) { return memoryBlockPtrEntry(b); }
RbMemoryBlock ptrToMemoryBlock(void* bytes) { return ptrToMemoryBlockEntry(bytes); }
std::optional<int32_t> memoryBlockSize(RbMemoryBlock b) {
  if (b == nullptr || !memoryBlockSizeEntry.available()) return std::nullopt;
  const int32_t size = memoryBlockSizeEntry(b);
  if (size < 0) return std::nullopt;
  return size;
}

}  // namespace host
