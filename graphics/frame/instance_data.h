// Reaching the plug-in's data inside a host class instance.
#ifndef TVQ_FRAME_INSTANCE_DATA_H
#define TVQ_FRAME_INSTANCE_DATA_H

#include "host_binding/rb_abi.h"

namespace tvq {

// The host places a class's plug-in data at the offset it wrote into that
// class's record at registration; the plug-in never chooses the offset. A nil
// instance has no data: callers then do nothing and answer 0, false or nil.
template <typename Data>
Data* instanceData(const RbClassRecord& record, RbObject instance) {
  if (instance == nullptr) return nullptr;
  return reinterpret_cast<Data*>(reinterpret_cast<char*>(instance) + record.dataOffset);
}

}  // namespace tvq

#endif
