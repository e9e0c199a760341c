// The plug-in's only export.
#include "graphics/frame/startup.h"
#include "host_binding/rb_abi.h"

RB_PLUGIN_ENTRY void REALPluginMain(RbResolver resolver) {
  // Nothing may unwind into the host.
  try {
    tvq::startPlugin(resolver);
  } catch (...) {
  }
}
