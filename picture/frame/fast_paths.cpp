#include "picture/frame/fast_paths.h"

#include <cstdlib>
#include <cstring>

namespace zrw {

KernelPath kernelPath() {
  static const KernelPath path = [] {
    const char* setting = std::getenv("TVQ_FAST_PATHS");
    return setting != nullptr && std::strcmp(setting, "0") == 0 ? KernelPath::General
                                                                : KernelPath::Fast;
  }();
  return path;
}

}  // namespace zrw
