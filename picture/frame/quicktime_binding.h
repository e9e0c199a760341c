// QuickTime, bound at run time.
//
// The plug-in does not link against QuickTime. On the first QuickTime call it
// finds the library "QuickTime.qts", takes three entry points from it by
// name ("theQuickTimeDispatcher", "_CallComponent",
// "_CallComponentFunctionWithStorage") and from then on sends every call
// through the dispatcher with the routine's selector.
//
// How a call reaches the dispatcher (this plug-in's convention; a library
// answering it must follow it):
//
//   uintptr_t theQuickTimeDispatcher(uint32_t selector, const uintptr_t* arguments);
//
// a plain C function of the platform's default convention, given the
// selector and the routine's arguments in order, each widened to a
// pointer-sized word. It returns one word: a 16-bit error code in the low
// half-word (0 for success) for routines that return one, a handle for the
// picture-to-bitmap routine, anything for routines that return nothing. The
// other two entry points are bound alongside but not called; their slots
// hold the same type.
//
// Until binding has succeeded every slot holds a placeholder of that type
// that does nothing and answers the error -2095, so that a call made without
// QuickTime fails in the ordinary way.
//
// Locating "QuickTime.qts", first match wins: a module of that name already
// loaded (loaded again by its full path); the folder of the host executable;
// the folder the registry value "QuickTime.qts folder" of
// HKEY_LOCAL_MACHINE\Software\Apple Computer, Inc.\QuickTime names, then the
// same under HKEY_CURRENT_USER; the system folder. Until all three names
// are found, every call tries again.
//
// The binding state is one per copy of the plug-in and lives as long as it.
// A library found already loaded is not held: whoever loaded it keeps it
// loaded. A library this plug-in loaded from a folder is held for good once
// bound, so the bound entry points stay valid (a plug-in is never unloaded).
#ifndef PICTURE_FRAME_QUICKTIME_BINDING_H
#define PICTURE_FRAME_QUICKTIME_BINDING_H

#include <cstdint>

namespace zrw::quicktime {

using Dispatcher = uintptr_t (*)(uint32_t selector, const uintptr_t* arguments);

// The error every routine answers while QuickTime is not bound.
constexpr int16_t kNotBound = -2095;

constexpr uint32_t kPtrToHandSelector = 0x0015005D;
constexpr uint32_t kPictureToDibSelector = 0x0017000F;
constexpr uint32_t kGetGWorldSelector = 0x001C0006;
constexpr uint32_t kSetGWorldSelector = 0x001C0007;
constexpr uint32_t kKillPictureSelector = 0x001E0060;

// Copies `size` bytes from `source` into a new handle stored in *handle; the
// error code, 0 on success.
int16_t ptrToHand(const void* source, void** handle, int32_t size);
// A packed device-independent bitmap (a global memory handle) of the picture
// handle `picture`; null on failure.
void* pictureToDib(void* picture);
void getGWorld(void** port, void** device);
void setGWorld(void* port, void* device);
void killPicture(void* picture);

}  // namespace zrw::quicktime

#endif
