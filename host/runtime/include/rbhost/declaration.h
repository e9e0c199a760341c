// Declarations as plug-ins register them, e.g.
//   "TVQ_Add(extends p as picture, addend as picture) as picture"
//   "GetAverage(rect as TVQ_Rectangle, ByRef red as integer)"
//   "SetCoefficients(coeffs() as integer)"
//   "ScreenshotZRW as picture"
// and the C types they map to (see host_binding/rb_abi.h).
#ifndef RBHOST_DECLARATION_H
#define RBHOST_DECLARATION_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rbhost {

enum class AbiKind {
  Void,
  Integer,
  Double,
  Boolean,
  Color,
  Picture,
  String,
  MemoryBlock,
  Object,
  Array
};

struct AbiType {
  AbiKind kind = AbiKind::Void;
  bool byRef = false;
  bool operator==(const AbiType&) const = default;
};

struct Parameter {
  std::string name;
  std::string type;  // as written: "integer", "TVQ_Rectangle", ...
  bool byRef = false;
  bool isArray = false;  // "coeffs() as integer"
  bool extends = false;
  std::optional<std::string> defaultValue;
};

struct Declaration {
  std::string name;
  std::vector<Parameter> parameters;
  std::string returnType;  // empty when the declaration has no result
  bool hasParentheses = false;

  bool extends() const { return !parameters.empty() && parameters.front().extends; }
};

// nullopt when the text is not a declaration.
std::optional<Declaration> parseDeclaration(std::string_view text);

// The C type of a declared type name (case-insensitive); any name that is not
// a built-in type is a class instance.
AbiType abiTypeOf(std::string_view typeName, bool isArray = false, bool byRef = false);
AbiType abiTypeOf(const Parameter& p);
std::string describe(AbiType t);  // "integer", "ByRef double", ...

bool equalsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace rbhost

#endif
