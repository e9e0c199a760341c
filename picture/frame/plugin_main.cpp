// The library's one export.
#include "host_binding/rb_abi.h"
#include "picture/frame/registration.h"

RB_PLUGIN_ENTRY void REALPluginMain(RbResolver resolver) {
  // Nothing may unwind into the host.
  try {
    zrw::startPlugin(resolver);
  } catch (...) {
  }
}
