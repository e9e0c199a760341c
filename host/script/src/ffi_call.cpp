#include "rbscript/ffi_call.h"

#include <ffi.h>

#include <cstring>
#include <stdexcept>

namespace rbscript {
namespace {

ffi_type* ffiTypeOf(CType t) {
  switch (t) {
    case CType::Void:
      return &ffi_type_void;
    case CType::Int32:
      return &ffi_type_sint32;
    case CType::Double:
      return &ffi_type_double;
    case CType::Bool:
      static_assert(sizeof(bool) == 1);
      return &ffi_type_uint8;
    case CType::UInt32:
      return &ffi_type_uint32;
    case CType::Pointer:
      return &ffi_type_pointer;
    case CType::Word:
      static_assert(sizeof(intptr_t) == 8 || sizeof(intptr_t) == 4);
      return sizeof(intptr_t) == 8 ? &ffi_type_sint64 : &ffi_type_sint32;
  }
  return &ffi_type_void;
}

}  // namespace

void* storageAddress(CValue& v) {
  switch (v.type) {
    case CType::Int32:
      return &v.int32;
    case CType::Double:
      return &v.number;
    case CType::Bool:
      return &v.boolean;
    case CType::UInt32:
      return &v.uint32;
    case CType::Pointer:
      return &v.pointer;
    case CType::Word:
      return &v.word;
    case CType::Void:
      break;
  }
  return nullptr;
}

CValue callFunction(RbFunction function, CType result, const std::vector<CValue>& args) {
  if (function == nullptr) throw std::runtime_error("no function to call");
  std::vector<CValue> copies(args);
  std::vector<ffi_type*> types;
  std::vector<void*> values;
  for (CValue& a : copies) {
    if (a.type == CType::Void) throw std::runtime_error("a void argument");
    types.push_back(ffiTypeOf(a.type));
    values.push_back(storageAddress(a));
  }
  ffi_cif cif;
  if (ffi_prep_cif(&cif, FFI_DEFAULT_ABI, static_cast<unsigned>(types.size()), ffiTypeOf(result),
                   types.data()) != FFI_OK)
    throw std::runtime_error("libffi cannot describe this call");

  // Integral results narrower than a register come back widened to ffi_arg;
  // libffi extends them by their declared type, so the low bytes are exact.
  union {
    ffi_arg integral;
    double number;
    void* pointer;
    int64_t word;
  } raw;
  std::memset(&raw, 0, sizeof raw);
  ffi_call(&cif, reinterpret_cast<void (*)()>(function), &raw, values.data());

  CValue r;
  r.type = result;
  switch (result) {
    case CType::Void:
      break;
    case CType::Int32:
      r.int32 = static_cast<int32_t>(static_cast<uint32_t>(raw.integral));
      break;
    case CType::Double:
      r.number = raw.number;
      break;
    case CType::Bool:
      r.boolean = static_cast<uint8_t>(raw.integral) != 0;
      break;
    case CType::UInt32:
      r.uint32 = static_cast<uint32_t>(raw.integral);
      break;
    case CType::Pointer:
      r.pointer = raw.pointer;
      break;
    case CType::Word:
      r.word = static_cast<intptr_t>(raw.word);
      break;
  }
  return r;
}

}  // namespace rbscript
