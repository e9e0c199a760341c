#include "graphics/frame/startup.h"

#include "graphics/frame/registration_tables.h"
#include "graphics/frame/version_gate.h"
#include "host_binding/host_services.h"

namespace tvq {

void startPlugin(RbResolver resolver) {
  host_binding::setResolver(resolver);
  // A host without this entry cannot be told the interface version; the
  // plug-in goes on, and the version gate decides as for any host.
  host::registerPluginVersion(static_cast<int32_t>(kRbClassRecordVersion));

  const double version = host::realGetRBVersion();
  if (!hostVersionAccepted(version)) {
    explainRejectedVersion(version);
    return;
  }
  registerPluginInterface();
}

}  // namespace tvq
