#include "picture/frame/quicktime_binding.h"

#include <string>

#include "platform/win32.h"

namespace zrw::quicktime {
namespace {

constexpr char kLibraryName[] = "QuickTime.qts";
constexpr char kRegistryKey[] = "Software\\Apple Computer, Inc.\\QuickTime";
constexpr char kRegistryValue[] = "QuickTime.qts folder";
constexpr DWORD kPathRoom = 260;

uintptr_t notBound(uint32_t, const uintptr_t*) { return static_cast<uint16_t>(kNotBound); }

void bindLibrary();

// Plain data: nothing to run at load or unload.
struct Binding {
  HMODULE library;  // held only while binding, or for good once bound from a folder
  Dispatcher dispatcher;
  Dispatcher callComponent;
  Dispatcher callComponentFunctionWithStorage;
  void (*beforeCall)();
};

Binding binding = {nullptr, &notBound, &notBound, &notBound, &bindLibrary};

bool endsWithSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

HMODULE loadFrom(std::string folder) {
  if (!endsWithSeparator(folder)) folder += '\\';
  return LoadLibraryA((folder + kLibraryName).c_str());
}

HMODULE fromRegistry(HKEY root) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, kRegistryKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
  char folder[kPathRoom];
  DWORD size = sizeof folder;
  const LSTATUS status = RegQueryValueExA(key, kRegistryValue, nullptr, nullptr,
                                          reinterpret_cast<LPBYTE>(folder), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) return nullptr;
  // A value stored without its terminator ends where its bytes end.
  const std::string text(folder, size <= sizeof folder ? size : 0);
  return loadFrom(text.substr(0, text.find('\0')));
}

// The library, and whether it was loaded before this search.
HMODULE locate(bool& alreadyLoaded) {
  char path[kPathRoom];
  alreadyLoaded = false;
  if (HMODULE loaded = GetModuleHandleA(kLibraryName)) {
    const DWORD length = GetModuleFileNameA(loaded, path, kPathRoom);
    if (length > 0 && length < kPathRoom) {
      alreadyLoaded = true;
      return LoadLibraryA(path);
    }
  }
  const DWORD length = GetModuleFileNameA(nullptr, path, kPathRoom);
  if (length > 0 && length < kPathRoom) {
    const std::string program(path, length);
    const size_t cut = program.find_last_of("\\/");
    if (cut != std::string::npos) {
      if (HMODULE beside = LoadLibraryA((program.substr(0, cut + 1) + kLibraryName).c_str()))
        return beside;
    }
  }
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
    if (HMODULE found = fromRegistry(root)) return found;
  const UINT systemLength = GetSystemDirectoryA(path, kPathRoom);
  if (systemLength == 0 || systemLength >= kPathRoom) return nullptr;
  return LoadLibraryA((std::string(path, systemLength) + "\\" + kLibraryName).c_str());
}

bool readSlot(const char* name, Dispatcher& slot) {
  FARPROC found = GetProcAddress(binding.library, name);
  if (found == nullptr) return false;
  slot = reinterpret_cast<Dispatcher>(reinterpret_cast<void (*)()>(found));
  return true;
}

void bindLibrary() {
  bool locatedNow = false;
  bool alreadyLoaded = false;
  if (binding.library == nullptr) {
    binding.library = locate(alreadyLoaded);
    if (binding.library == nullptr) return;
    locatedNow = true;
  }
  const bool bound =
      readSlot("_CallComponentFunctionWithStorage", binding.callComponentFunctionWithStorage) &&
      readSlot("_CallComponent", binding.callComponent) &&
      readSlot("theQuickTimeDispatcher", binding.dispatcher);
  if (bound) binding.beforeCall = nullptr;
  // Entry points of a library that only this plug-in loaded would be gone
  // with the library: that reference is kept.
  if (!locatedNow || (bound && !alreadyLoaded)) return;
  FreeLibrary(binding.library);
  binding.library = nullptr;
}

template <typename... Args>
uintptr_t call(uint32_t selector, Args... args) {
  if (binding.beforeCall != nullptr) binding.beforeCall();
  const uintptr_t arguments[sizeof...(Args) + 1] = {static_cast<uintptr_t>(args)..., 0};
  return binding.dispatcher(selector, arguments);
}

uintptr_t word(const void* pointer) { return reinterpret_cast<uintptr_t>(pointer); }

}  // namespace

int16_t ptrToHand(const void* source, void** handle, int32_t size) {
  const uintptr_t result =
      call(kPtrToHandSelector, word(source), word(handle), static_cast<uint32_t>(size));
  return static_cast<int16_t>(static_cast<uint16_t>(result));
}

void* pictureToDib(void* picture) {
  return reinterpret_cast<void*>(call(kPictureToDibSelector, word(picture)));
}

void getGWorld(void** port, void** device) { call(kGetGWorldSelector, word(port), word(device)); }

void setGWorld(void* port, void* device) { call(kSetGWorldSelector, word(port), word(device)); }

void killPicture(void* picture) { call(kKillPictureSelector, word(picture)); }

}  // namespace zrw::quicktime
