#include "graphics/frame/fast_paths.h"

#include <cstdlib>
#include <cstring>

namespace tvq {
namespace {

bool& fastPathsFlag() {
  static bool enabled = [] {
    const char* setting = std::getenv("TVQ_FAST_PATHS");
    return setting == nullptr || std::strcmp(setting, "0") != 0;
  }();
  return enabled;
}

}  // namespace

bool fastPathsEnabled() { return fastPathsFlag(); }

void setFastPathsEnabled(bool enabled) { fastPathsFlag() = enabled; }

}  // namespace tvq
