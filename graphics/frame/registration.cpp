#include "graphics/frame/registration.h"

#include "graphics/frame/method_table.h"
#include "host_binding/host_services.h"

namespace tvq {
namespace {

constexpr double kFirstHostWithLongMethodRecords = 5.9;

// Prepares the record for the running host. False when the host would have
// to read a method table that could not be built.
bool prepareForHost(RbClassRecord& record) {
  if (host::realGetRBVersion() >= kFirstHostWithLongMethodRecords) return true;
  RbShortMethodRecord* table = shortMethodTable(static_cast<const RbMethodRecord*>(record.methods),
                                                static_cast<size_t>(record.methodCount));
  if (table == nullptr) return false;
  record.methods = table;
  return true;
}

}  // namespace

void registerGlobalMethods(std::span<const RbMethodRecord> methods) {
  for (const RbMethodRecord& method : methods) host::pluginRegisterMethod(&method);
}

void registerClass(RbClassRecord& record) {
  // The records are prepared even for a host without the entry, so a record
  // always matches the host it was read against.
  const bool hostRegistersClasses = host::pluginRegisterClassAvailable();
  if (!prepareForHost(record)) return;
  if (hostRegistersClasses) host::pluginRegisterClass(&record);
}

void registerClassExtension(RbClassRecord& record) {
  const bool hostRegistersExtensions = host::pluginRegisterClassExtensionAvailable();
  if (!prepareForHost(record)) return;
  if (hostRegistersExtensions) host::pluginRegisterClassExtension(&record);
}

}  // namespace tvq
