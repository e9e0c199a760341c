// The functions and members the runner itself provides: pictures (loading,
// saving, making, size, mask, pixels as seen), colours, memory blocks,
// strings of bytes and integer arrays.
#ifndef RBSCRIPT_BUILTINS_H
#define RBSCRIPT_BUILTINS_H

#include <optional>
#include <string_view>
#include <vector>

#include "rbscript/plugin_call.h"

namespace rbscript {

class Builtins {
 public:
  explicit Builtins(rbhost::Host& host) : host_(host) {}

  bool isFunction(std::string_view name) const;
  Value callFunction(std::string_view name, const std::vector<Argument>& args, SourcePos pos);

  // A built-in member of the receiver's type (`args` null when written
  // without parentheses); nullopt when the type has no such member.
  std::optional<Value> getMember(const Value& receiver, std::string_view name,
                                 const std::vector<Argument>* args, SourcePos pos);
  // Assigns a built-in member; false when the type has no such member.
  bool setMember(const Value& receiver, std::string_view name, const std::vector<Argument>* args,
                 const Value& assigned, SourcePos pos);

 private:
  rbhost::Host& host_;
};

}  // namespace rbscript

#endif
