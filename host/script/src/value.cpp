#include "rbscript/value.h"

#include <stdexcept>
#include <utility>

namespace rbscript {

HostRef HostRef::adopt(rbhost::Host& host, RbObject object) { return HostRef(&host, object); }

HostRef HostRef::retain(rbhost::Host& host, RbObject object) {
  if (object != nullptr) host.retain(object);
  return HostRef(&host, object);
}

HostRef::HostRef(const HostRef& other) : host_(other.host_), object_(other.object_) {
  if (object_ != nullptr) host_->retain(object_);
}

HostRef::HostRef(HostRef&& other) noexcept
    : host_(std::exchange(other.host_, nullptr)), object_(std::exchange(other.object_, nullptr)) {}

HostRef& HostRef::operator=(HostRef other) noexcept {
  std::swap(host_, other.host_);
  std::swap(object_, other.object_);
  return *this;
}

HostRef::~HostRef() {
  if (object_ != nullptr) host_->release(object_);
}

RbObject HostRef::detach() {
  host_ = nullptr;
  return std::exchange(object_, nullptr);
}

bool TypeSpec::operator==(const TypeSpec& o) const {
  if (kind != o.kind) return false;
  if (kind == Kind::Array) return elementType() == o.elementType();
  return kind != Kind::Instance || rbhost::equalsIgnoreCase(className, o.className);
}

Value defaultValue(const TypeSpec& t) {
  switch (t.kind) {
    case Kind::Integer:
      return Value::ofInteger(0);
    case Kind::Double:
      return Value::ofDouble(0);
    case Kind::Boolean:
      return Value::ofBoolean(false);
    case Kind::Color:
      return Value::ofColor(0);
    case Kind::String:
      return Value::ofString("");
    case Kind::Array:
      return newArray(t.elementType(), 0);
    default:
      return Value::nil(t);
  }
}

Value newArray(const TypeSpec& element, size_t count) {
  Value v;
  v.kind = Kind::Array;
  v.className = element.className;
  v.array = std::make_shared<ArrayData>();
  v.array->element = element;
  v.array->items.assign(count, defaultValue(element));
  return v;
}

std::string typeText(const TypeSpec& t) {
  switch (t.kind) {
    case Kind::Void:
      return "nothing";
    case Kind::Nil:
      return "Nil";
    case Kind::Integer:
      return "Integer";
    case Kind::Double:
      return "Double";
    case Kind::Boolean:
      return "Boolean";
    case Kind::Color:
      return "Color";
    case Kind::String:
      return "String";
    case Kind::Picture:
      return "Picture";
    case Kind::MemoryBlock:
      return "MemoryBlock";
    case Kind::Array:
      return typeText(t.elementType()) + "()";
    case Kind::Instance:
      return t.className;
    case Kind::Surface:
      return "RGBSurface";
  }
  return "?";
}

bool isObjectKind(Kind k) {
  return k == Kind::Picture || k == Kind::MemoryBlock || k == Kind::Array || k == Kind::Instance ||
         k == Kind::Surface;
}

Value Value::nil(TypeSpec declared) {
  Value v;
  v.kind = Kind::Nil;
  v.nilType = std::move(declared);
  return v;
}

Value Value::ofInteger(int32_t i) {
  Value v;
  v.kind = Kind::Integer;
  v.integer = i;
  return v;
}

Value Value::ofDouble(double d) {
  Value v;
  v.kind = Kind::Double;
  v.number = d;
  return v;
}

Value Value::ofBoolean(bool b) {
  Value v;
  v.kind = Kind::Boolean;
  v.boolean = b;
  return v;
}

Value Value::ofColor(uint32_t c) {
  Value v;
  v.kind = Kind::Color;
  v.color = c;
  return v;
}

Value Value::ofString(std::string s) {
  Value v;
  v.kind = Kind::String;
  v.bytes = std::move(s);
  return v;
}

Value Value::ofObject(rbhost::Host& host, HostRef reference, const TypeSpec& declared) {
  if (!reference) return nil(declared);
  const std::string type = host.typeName(reference.get());
  Value v;
  if (type.empty()) {
    reference.detach();  // not ours to release: the host does not know it
    throw std::runtime_error("the plug-in returned a handle the host does not know");
  } else if (type == "picture") {
    v.kind = Kind::Picture;
  } else if (type == "memoryblock") {
    v.kind = Kind::MemoryBlock;
  } else if (type == "array") {
    v.kind = Kind::Array;  // a host integer array: passed on, never read
    v.className.clear();
  } else if (type == "string") {
    v.kind = Kind::String;
    v.bytes = host.stringBytes(reinterpret_cast<RbString>(reference.get()));
    return v;  // the reference goes with `reference`
  } else {
    v.kind = Kind::Instance;
    v.className = type;
  }
  v.object = std::move(reference);
  return v;
}

TypeSpec Value::type() const {
  if (kind == Kind::Nil) return nilType;
  if (kind == Kind::Array)
    return array ? TypeSpec::arrayOf(array->element) : TypeSpec{Kind::Array, "", Kind::Integer};
  return TypeSpec{kind, className};
}

std::string describeType(const Value& v) {
  if (v.kind == Kind::Nil)
    return v.nilType.kind == Kind::Nil ? "Nil" : "Nil " + typeText(v.nilType);
  return typeText(v.type());
}

}  // namespace rbscript
