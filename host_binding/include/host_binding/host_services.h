// Typed calls of the host services the plug-ins use. Plug-in code calls
// these, never a raw entry point; each is a lazily bound HostEntry.
#ifndef HOST_BINDING_HOST_SERVICES_H
#define HOST_BINDING_HOST_SERVICES_H

#include <cstdint>
#include <optional>

#include "host_binding/host_entry.h"

namespace host {

// Registration.
void registerPluginVersion(int32_t version);  // looked up directly, no slot
void pluginRegisterMethod(const void* record);
void pluginRegisterClass(void* record);
void pluginRegisterClassExtension(void* record);
bool pluginRegisterClassAvailable();
bool pluginRegisterClassExtensionAvailable();
double realGetRBVersion();
void realEnterMovies();

// Strings and messages.
RbString realBuildString(const char* bytes, int32_t length);
void realSetStringEncoding(RbString string, uint32_t encoding);
void runtimeMsgBox(RbString text);
// The bytes of a host string and their count; null and 0 for nil. The bytes
// stay valid while the string is alive and unchanged.
const char* stringGetBytes(RbString string, int32_t* length);

// Pictures.
RbBoolean realLockPictureDescription(RbPicture picture, RbPictureDescription* description,
                                     int32_t kind);
void lockPictureDescription(RbPicture picture, RbPictureDescription* description);
void unlockPictureDescription(RbPicture picture);
RbPicture realGetPictureMask(RbPicture picture, RbBoolean create);
RbPicture newPicture(int32_t width, int32_t height, int32_t depth);
RbPicture realBuildPictureFromBuffer(int32_t width, int32_t height, int32_t format,
                                     const void* pixels, int32_t rowBytes);
RbPicture realBuildPictureFromGWorld(uintptr_t world, RbBoolean bypassOwnership);
// A picture from a packed device-independent bitmap in the global memory
// block `dib` (an HGLOBAL); with `takeOwnership` the host frees the block,
// whether or not a picture could be made. Nil without the service (the
// block then stays the caller's).
RbPicture realBuildPictureFromDIB(void* dib, RbBoolean takeOwnership);
bool realBuildPictureFromDIBAvailable();
RbGraphics pluginPictureGraphicsGetter(RbPicture picture);
uintptr_t realGraphicsDC(RbGraphics graphics);
void drawPicturePrimitive(uintptr_t dc, RbPicture picture, const RbRect16* bounds,
                          RbBoolean transparent);
bool lockPictureDescriptionAvailable();
bool drawPicturePrimitiveAvailable();

// Objects and classes.
void realLockObject(RbObject object);
void realUnlockObject(RbObject object);
// Both "REALLockObject" and "REALUnlockObject": a reference taken can be dropped.
bool objectReferencesAvailable();
RbClassRef pluginObjectType(const char* className);
RbObject createInstance(RbClassRef classRef);  // nil without a class reference
RbObject pluginNewInstance(const char* className);

// Arrays and memory blocks.
int32_t runtimeUBound(RbArray array);
// Both array services resolved: without the upper bound no element can be
// read safely.
bool integerArraysAvailable();
int32_t runtimeDirectReadIntArray(RbArray array, int32_t index);
RbMemoryBlock newMemoryBlock(int32_t size);
void* memoryBlockGetPtr(RbMemoryBlock block);
RbMemoryBlock ptrToMemoryBlock(void* bytes);
// The size in bytes the host reports for the block; nullopt for nil, for a
// block whose size the host does not know (one made from foreign memory) and
// for a host without the service.
std::optional<int32_t> memoryBlockSize(RbMemoryBlock block);

// Drops one reference when `object` is not nil.
template <typename Handle>
void release(Handle object) {
  if (object != nullptr) realUnlockObject(toObject(object));
}

}  // namespace host

#endif
