#include "rbscript/conversion.h"

#include <stdexcept>

namespace rbscript {

using rbhost::AbiKind;

TypeSpec declaredType(const rbhost::AbiType& abi, std::string_view typeName) {
  switch (abi.kind) {
    case AbiKind::Void:
      return {Kind::Void, ""};
    case AbiKind::Integer:
      return {Kind::Integer, ""};
    case AbiKind::Double:
      return {Kind::Double, ""};
    case AbiKind::Boolean:
      return {Kind::Boolean, ""};
    case AbiKind::Color:
      return {Kind::Color, ""};
    case AbiKind::Picture:
      return {Kind::Picture, ""};
    case AbiKind::String:
      return {Kind::String, ""};
    case AbiKind::MemoryBlock:
      return {Kind::MemoryBlock, ""};
    case AbiKind::Array:
      return {Kind::Array, "", Kind::Integer};
    case AbiKind::Object:
      return {Kind::Instance, std::string(typeName)};
  }
  return {};
}

TypeSpec declaredType(std::string_view typeName, bool isArray) {
  return declaredType(rbhost::abiTypeOf(typeName, isArray), typeName);
}

std::optional<int> fitness(const Value& v, const TypeSpec& want) {
  if (v.kind == Kind::Nil) {
    if (!isObjectKind(want.kind)) return std::nullopt;
    if (v.isNilLiteral()) return 1;
    return v.nilType == want ? std::optional<int>(3) : std::nullopt;
  }
  if (v.type() == want) return 3;
  if (v.kind == Kind::Integer && (want.kind == Kind::Double || want.kind == Kind::Color)) return 2;
  return std::nullopt;
}

std::optional<Value> convertTo(const Value& v, const TypeSpec& want) {
  if (v.kind == Kind::Nil) {
    if (!isObjectKind(want.kind)) return std::nullopt;
    if (!v.isNilLiteral() && !(v.nilType == want)) return std::nullopt;
    return Value::nil(want);
  }
  if (v.type() == want) return v;
  if (v.kind == Kind::Integer && want.kind == Kind::Double) return Value::ofDouble(v.integer);
  if (v.kind == Kind::Integer && want.kind == Kind::Color)
    return Value::ofColor(static_cast<uint32_t>(v.integer));
  return std::nullopt;
}

CType cTypeOf(const rbhost::AbiType& abi) {
  if (abi.byRef) return CType::Pointer;
  switch (abi.kind) {
    case AbiKind::Void:
      return CType::Void;
    case AbiKind::Integer:
      return CType::Int32;
    case AbiKind::Double:
      return CType::Double;
    case AbiKind::Boolean:
      return CType::Bool;
    case AbiKind::Color:
      return CType::UInt32;
    default:
      return CType::Pointer;
  }
}

CValue toC(rbhost::Host& host, const Value& v, const rbhost::AbiType& abi,
           std::vector<HostRef>& temporaries) {
  CValue c;
  c.type = cTypeOf(rbhost::AbiType{abi.kind, false});
  switch (abi.kind) {
    case AbiKind::Integer:
      c.int32 = v.integer;
      break;
    case AbiKind::Double:
      c.number = v.number;
      break;
    case AbiKind::Boolean:
      c.boolean = v.boolean;
      break;
    case AbiKind::Color:
      c.uint32 = v.color;
      break;
    case AbiKind::String:
      if (v.kind == Kind::String) {
        temporaries.push_back(HostRef::adopt(host, toObject(host.newString(v.bytes))));
        c.pointer = temporaries.back().get();
      }
      break;
    case AbiKind::Void:
      throw std::logic_error("a void parameter");
    case AbiKind::Array:
      // The script's own array goes over as a new host integer array of its
      // elements, for the length of the call.
      if (v.array) {
        std::vector<int32_t> values;
        for (const Value& item : v.array->items) values.push_back(item.integer);
        temporaries.push_back(HostRef::adopt(host, toObject(host.newIntArray(values))));
        c.pointer = temporaries.back().get();
      } else {
        c.pointer = v.handle();
      }
      break;
    default:
      c.pointer = v.passedAs != nullptr ? v.passedAs : v.handle();
      break;
  }
  return c;
}

Value fromC(rbhost::Host& host, const CValue& c, const rbhost::AbiType& abi,
            const TypeSpec& declared) {
  switch (abi.kind) {
    case AbiKind::Void:
      return Value::voidValue();
    case AbiKind::Integer:
      return Value::ofInteger(c.int32);
    case AbiKind::Double:
      return Value::ofDouble(c.number);
    case AbiKind::Boolean:
      return Value::ofBoolean(c.boolean);
    case AbiKind::Color:
      return Value::ofColor(c.uint32);
    case AbiKind::String:
      // A nil string reads as the empty string, as it does in the host.
      if (c.pointer == nullptr) return Value::ofString("");
      return Value::ofObject(host, HostRef::adopt(host, static_cast<RbObject>(c.pointer)),
                             declared);
    default:
      return Value::ofObject(host, HostRef::adopt(host, static_cast<RbObject>(c.pointer)),
                             declared);
  }
}

}  // namespace rbscript
