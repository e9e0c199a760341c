#include <filesystem>

#include "platform/win32.h"
#include "rbhost/host.h"

namespace rbhost {
namespace {

#ifdef _WIN32
constexpr const char* kPluginSuffix = ".dll";
#else
constexpr const char* kPluginSuffix = ".so";
#endif

std::string besideExecutable(const char* baseName) {
  char path[4096] = {};
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  std::filesystem::path dir = n > 0 && n < sizeof path ? std::filesystem::path(path).parent_path()
                                                       : std::filesystem::current_path();
  return (dir / (std::string(baseName) + kPluginSuffix)).string();
}

}  // namespace

std::string graphicsPluginPath() { return besideExecutable("TVQ-Release-2006r1"); }
std::string picturePluginPath() { return besideExecutable("ZRWPicturePlugin"); }

}  // namespace rbhost
