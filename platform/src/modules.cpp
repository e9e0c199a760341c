// Modules over the system loader: an HMODULE is the loader's handle.
//
// Contracts beyond the declarations in win32.h:
// - A module handle must come from LoadLibraryA or GetModuleHandleA (or be
//   null): the loader's handles cannot be told from other pointers.
// - LoadLibraryA loads with every symbol resolved now and none made visible
//   to later loads, as Windows modules keep their imports to themselves.
// - GetModuleHandleA(name) finds a module only if it is loaded already, by
//   the name the loader knows it by (the path it was loaded from, or its
//   file name when it was found on the search path), and leaves its
//   reference count as it was: the handle is good while the module stays
//   loaded, as on Windows.
// - GetProcAddress with a null module searches the main program; ordinals
//   are not supported.
// - GetModuleFileNameA gives the path the module was loaded from (the
//   executable's for the main program), relative if it was loaded by a
//   relative path. When it does not fit it is cut to size - 1 characters,
//   terminated, and size is returned, as Windows does.
// - GetSystemDirectoryA names the system library folder, "/usr/lib".
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstring>

#include "platform/win32.h"

namespace {

constexpr char kSystemDirectory[] = "/usr/lib";

void* LoaderHandle(HMODULE module) { return reinterpret_cast<void*>(module); }
HMODULE ModuleHandle(void* handle) { return reinterpret_cast<HMODULE>(handle); }

// Names below 0x10000 are ordinals on Windows, not pointers to text.
bool IsOrdinal(LPCSTR name) { return reinterpret_cast<uintptr_t>(name) < 0x10000; }

// The main program's handle, without keeping a reference: the main program
// is never unloaded.
void* MainProgram() {
  void* handle = dlopen(nullptr, RTLD_NOW);
  if (handle != nullptr) dlclose(handle);
  return handle;
}

DWORD CopyModulePath(const char* path, LPSTR buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return 0;
  const size_t length = std::strlen(path);
  if (length < size) {
    std::memcpy(buffer, path, length + 1);
    return static_cast<DWORD>(length);
  }
  std::memcpy(buffer, path, size - 1);
  buffer[size - 1] = '\0';
  return size;
}

DWORD CopyExecutablePath(LPSTR buffer, DWORD size) {
  std::array<char, 4096> path;
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0 || static_cast<size_t>(length) >= path.size()) return 0;
  path[static_cast<size_t>(length)] = '\0';
  return CopyModulePath(path.data(), buffer, size);
}

}  // namespace

HMODULE LoadLibraryA(LPCSTR fileName) {
  if (fileName == nullptr || fileName[0] == '\0') return nullptr;
  return ModuleHandle(dlopen(fileName, RTLD_NOW | RTLD_LOCAL));
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  if (name == nullptr || IsOrdinal(name)) return nullptr;
  void* handle = module != nullptr ? LoaderHandle(module) : MainProgram();
  if (handle == nullptr) return nullptr;
  return reinterpret_cast<FARPROC>(dlsym(handle, name));
}

BOOL FreeLibrary(HMODULE module) {
  if (module == nullptr) return FALSE;
  return dlclose(LoaderHandle(module)) == 0 ? TRUE : FALSE;
}

HMODULE GetModuleHandleA(LPCSTR name) {
  if (name == nullptr) return ModuleHandle(MainProgram());
  if (name[0] == '\0') return nullptr;
  void* handle = dlopen(name, RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) return nullptr;
  // RTLD_NOLOAD still counted a reference; the module stays loaded through
  // the references it already had.
  dlclose(handle);
  return ModuleHandle(handle);
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
  if (module == nullptr) return CopyExecutablePath(buffer, size);
  link_map* map = nullptr;
  if (dlinfo(LoaderHandle(module), RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return 0;
  // The main program's entry carries no name.
  if (map->l_name == nullptr || map->l_name[0] == '\0') return CopyExecutablePath(buffer, size);
  return CopyModulePath(map->l_name, buffer, size);
}

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) {
  constexpr UINT length = sizeof kSystemDirectory - 1;
  // Too small: Windows leaves the buffer alone and asks for room with the
  // terminator.
  if (buffer == nullptr || size <= length) return length + 1;
  std::memcpy(buffer, kSystemDirectory, length + 1);
  return length;
}
