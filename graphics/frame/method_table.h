// Method tables for hosts that read 12-byte method records.
#ifndef TVQ_FRAME_METHOD_TABLE_H
#define TVQ_FRAME_METHOD_TABLE_H

#include <cstddef>

#include "host_binding/rb_abi.h"

namespace tvq {

// A copy of `methods` in the short record layout (function, setter,
// declaration; no flags), in the same order. The host keeps reading the table
// after registration, so it lives as long as the plug-in's own static records
// do. Null when the memory cannot be had: the caller must then not hand the
// host a table that was never built.
RbShortMethodRecord* shortMethodTable(const RbMethodRecord* methods, size_t count);

}  // namespace tvq

#endif
