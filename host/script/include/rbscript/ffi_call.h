// Calls a registered function through libffi, from a list of C arguments
// built at run time: the one place where a declaration turns into a call.
#ifndef RBSCRIPT_FFI_CALL_H
#define RBSCRIPT_FFI_CALL_H

#include <cstdint>
#include <vector>

#include "host_binding/rb_abi.h"

namespace rbscript {

// The C types of the host ABI (host_binding/rb_abi.h).
enum class CType {
  Void,
  Int32,    // integer
  Double,   // double
  Bool,     // boolean: C++ bool, one byte
  UInt32,   // color
  Pointer,  // every handle, and every ByRef
  Word      // the selector of a property accessor: intptr_t
};

struct CValue {
  CType type = CType::Void;
  int32_t int32 = 0;
  double number = 0;
  bool boolean = false;
  uint32_t uint32 = 0;
  void* pointer = nullptr;
  intptr_t word = 0;
};

// The address of the field of `v` that holds a value of its type: what a
// ByRef parameter receives.
void* storageAddress(CValue& v);

// Calls `function` with `args` and returns its result as `result`.
CValue callFunction(RbFunction function, CType result, const std::vector<CValue>& args);

}  // namespace rbscript

#endif
