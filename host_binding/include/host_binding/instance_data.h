// Reaching a plug-in's data inside an instance of one of its classes.
#ifndef HOST_BINDING_INSTANCE_DATA_H
#define HOST_BINDING_INSTANCE_DATA_H

#include "host_binding/rb_abi.h"

namespace host {

// The host places a class's plug-in data at the offset it wrote into that
// class's record at registration; the plug-in never chooses the offset. A nil
// instance has no data: callers then do nothing and answer 0, false or nil.
// `ClassRecord` is either plug-in's class record; both carry `dataOffset`.
template <typename Data, typename ClassRecord>
Data* instanceData(RbObject instance, const ClassRecord& record) {
  if (instance == nullptr) return nullptr;
  return reinterpret_cast<Data*>(reinterpret_cast<char*>(instance) + record.dataOffset);
}

}  // namespace host

#endif
