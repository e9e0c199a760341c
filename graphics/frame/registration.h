// Handing registration records to the host.
//
// The host keeps the addresses it is given for the life of the process, so
// every record passed here must be static data.
#ifndef TVQ_FRAME_REGISTRATION_H
#define TVQ_FRAME_REGISTRATION_H

#include <span>

#include "host_binding/rb_abi.h"

namespace tvq {

// Global methods always travel as 16-byte records, whatever the host version.
void registerGlobalMethods(std::span<const RbMethodRecord> methods);

// A class of this plug-in, or the extension of a host class. Hosts older than
// 5.9 read 12-byte method records: the record's method table is replaced by a
// converted copy first. The version is read again for every record.
void registerClass(RbClassRecord& record);
void registerClassExtension(RbClassRecord& record);

}  // namespace tvq

#endif
