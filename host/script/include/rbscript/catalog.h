// What the loaded plug-ins registered, as a script sees it: methods by name
// (each with the full list of parameters a caller fills, receiver first),
// properties by the type that owns them, classes by name.
#ifndef RBSCRIPT_CATALOG_H
#define RBSCRIPT_CATALOG_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rbhost/host.h"

namespace rbscript {

// One parameter as a caller fills it.
struct Slot {
  std::string name;
  std::string type;  // as declared: "integer", "TVQ_Rectangle", "picture"
  rbhost::AbiType abi;
  std::optional<std::string> defaultValue;
};

struct Callable {
  const rbhost::MethodRegistration* method = nullptr;
  // The receiver first when there is one (the instance of a class method, the
  // extended object of an extension method, the `extends` parameter), then
  // the declared parameters.
  std::vector<Slot> slots;
  bool hasReceiver = false;
  // Methods of a registered class are called on an instance only; whatever
  // extends a type may also be called as a function with the receiver first.
  bool receiverOnly = false;
  std::string name() const { return method->parsed.name; }
};

class Catalog {
 public:
  explicit Catalog(const rbhost::Host& host);

  std::vector<const Callable*> methodsNamed(std::string_view name) const;
  // Properties of the class or extended type named `owner` ("picture" finds
  // the properties of every extension of picture).
  const rbhost::PropertyRegistration* property(std::string_view owner, std::string_view name) const;
  const rbhost::ClassRegistration* findClass(std::string_view name) const;  // not extensions
  // Is a method with exactly this declaration registered? `className` names
  // the class for a class method and is empty otherwise.
  bool isRegistered(std::string_view className, std::string_view declaration) const;

 private:
  const rbhost::Host& host_;
  std::vector<Callable> callables_;
};

}  // namespace rbscript

#endif
