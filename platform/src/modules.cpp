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
// - Every backslash in a path handed to LoadLibraryA or GetModuleHandleA is
//   read as "/", so that a path a caller builds the Windows way names the
//   same file.
// - GetModuleHandleA with a bare file name (no separator) finds a module the
//   loader knows by that name, or else any loaded module whose file name is
//   that name without regard to case (as Windows compares module names).
// - GetSystemDirectoryA names the system library folder, "/usr/lib", or the
//   folder RB_EMULATED_SYSTEM_DIRECTORY names when that is set and not empty.
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <strings.h>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

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

// The path with every backslash read as "/".
std::string SystemPath(LPCSTR path) {
  std::string converted(path);
  for (char& c : converted)
    if (c == '\\') c = '/';
  return converted;
}

const char* FileNamePart(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash != nullptr ? slash + 1 : path;
}

// The path of a loaded module whose file name is `name`, case ignored.
std::string LoadedModuleNamed(const std::string& name) {
  struct Search {
    const std::string* name;
    std::string found;
  } search{&name, {}};
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        auto* s = static_cast<Search*>(data);
        if (info->dlpi_name == nullptr || info->dlpi_name[0] == '\0') return 0;
        if (strcasecmp(FileNamePart(info->dlpi_name), s->name->c_str()) != 0) return 0;
        s->found = info->dlpi_name;
        return 1;
      },
      &search);
  return search.found;
}

const char* SystemDirectory() {
  const char* configured = std::getenv("RB_EMULATED_SYSTEM_DIRECTORY");
  return configured != nullptr && configured[0] != '\0' ? configured : kSystemDirectory;
}

}  // namespace

HMODULE LoadLibraryA(LPCSTR fileName) {
  if (fileName == nullptr || fileName[0] == '\0') return nullptr;
  return ModuleHandle(dlopen(SystemPath(fileName).c_str(), RTLD_NOW | RTLD_LOCAL));
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
  const std::string path = SystemPath(name);
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr && path.find('/') == std::string::npos) {
    const std::string loaded = LoadedModuleNamed(path);
    if (!loaded.empty()) handle = dlopen(loaded.c_str(), RTLD_NOW | RTLD_NOLOAD);
  }
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
  const char* directory = SystemDirectory();
  const size_t fullLength = std::strlen(directory);
  if (fullLength >= MAX_PATH) return 0;  // not a folder Windows could name
  const UINT length = static_cast<UINT>(fullLength);
  // Too small: Windows leaves the buffer alone and asks for room with the
  // terminator.
  if (buffer == nullptr || size <= length) return length + 1;
  std::memcpy(buffer, directory, length + 1);
  return length;
}
