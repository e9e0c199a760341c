// The plug-in's only export.
#include "frame/startup.h"
#include "host_binding/rb_abi.h"

#if defined(_WIN32)
#define TVQ_PLUGIN_EXPORT __declspec(dllexport)
#else
#define TVQ_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

extern "C" TVQ_PLUGIN_EXPORT void REALPluginMain(RbResolver resolver) {
  // Nothing may unwind into the host.
  try {
    tvq::startPlugin(resolver);
  } catch (...) {
  }
}
