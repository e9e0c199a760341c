// Values of the script language. Host objects (pictures, memory blocks, class
// instances, arrays) are held by reference: every Value that holds one owns
// one host reference and drops it when it goes away, so a script that ends
// has released everything it held. Strings live on the script side as bytes
// and become host strings only for the length of a plug-in call.
#ifndef RBSCRIPT_VALUE_H
#define RBSCRIPT_VALUE_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "rbhost/host.h"

namespace rbscript {

// One host reference.
class HostRef {
 public:
  HostRef() = default;
  static HostRef adopt(rbhost::Host& host, RbObject object);   // takes over a reference
  static HostRef retain(rbhost::Host& host, RbObject object);  // adds one
  HostRef(const HostRef& other);
  HostRef(HostRef&& other) noexcept;
  HostRef& operator=(HostRef other) noexcept;
  ~HostRef();

  RbObject get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  // Gives the reference up to the caller without dropping it.
  RbObject detach();

 private:
  HostRef(rbhost::Host* host, RbObject object) : host_(host), object_(object) {}
  rbhost::Host* host_ = nullptr;
  RbObject object_ = nullptr;
};

enum class Kind {
  Void,  // what a call without a result gives; not a value a program can hold
  Nil,
  Integer,
  Double,
  Boolean,
  Color,
  String,
  Picture,
  MemoryBlock,
  Array,     // of any other kind: the script's own, or a host array a plug-in made
  Instance,  // of a registered class
  Surface,   // a picture's RGBSurface
};

// A declared type: of a variable, a parameter, a property or a result.
struct TypeSpec {
  Kind kind = Kind::Nil;
  std::string className;     // Kind::Instance, or an array of one: the class as registered
  Kind element = Kind::Nil;  // Kind::Array: the kind of its elements
  bool operator==(const TypeSpec& o) const;
  TypeSpec elementType() const { return {element, className, Kind::Nil}; }
  static TypeSpec arrayOf(const TypeSpec& e) { return {Kind::Array, e.className, e.kind}; }
};

// "Integer", "Picture", "TVQ_Rectangle", "Integer()".
std::string typeText(const TypeSpec& t);
// Host object types that a variable can hold Nil in.
bool isObjectKind(Kind k);

struct ArrayData;

struct Value {
  Kind kind = Kind::Void;
  int32_t integer = 0;
  double number = 0;
  bool boolean = false;
  uint32_t color = 0;
  std::string bytes;                 // String
  HostRef object;                    // Picture, MemoryBlock, Array, Instance, Surface (its picture)
  std::string className;             // Instance
  std::shared_ptr<ArrayData> array;  // Array made by the script: shared, as arrays are
  TypeSpec nilType;  // Nil: the declared type it came with; Kind::Nil for the literal
  // What a plug-in is handed for this value when that is not its host
  // object: a picture's graphics (the object held is the picture).
  RbObject passedAs = nullptr;

  static Value voidValue() { return Value{}; }
  static Value nil(TypeSpec declared = {});
  static Value ofInteger(int32_t v);
  static Value ofDouble(double v);
  static Value ofBoolean(bool v);
  static Value ofColor(uint32_t v);
  static Value ofString(std::string v);
  // A host object, classified by what the host says it is: a memory block
  // declared "as picture" is a memory block. `reference` is taken over;
  // a null handle gives Nil of `declared`. Throws std::runtime_error for a
  // handle the host does not know.
  static Value ofObject(rbhost::Host& host, HostRef reference, const TypeSpec& declared);

  // The type this value has now: for Nil, the declared type it carries.
  TypeSpec type() const;
  bool isNilLiteral() const { return kind == Kind::Nil && nilType.kind == Kind::Nil; }
  RbObject handle() const { return object.get(); }  // null for Nil
};

// The elements of a script array, each of `element` type.
struct ArrayData {
  TypeSpec element;
  std::vector<Value> items;
};

// A new array of `count` elements of `element` type, each its default value.
Value newArray(const TypeSpec& element, size_t count);
// The value a variable of type `t` starts with: 0, "", False, Nil, an empty array.
Value defaultValue(const TypeSpec& t);

// How the value reads in a message: "Integer", "Picture", "Nil".
std::string describeType(const Value& v);

}  // namespace rbscript

#endif
