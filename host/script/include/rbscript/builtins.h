// The functions and members the runner itself provides: pictures (loading,
// saving, making, size, mask, pixels as seen and as stored), colours, memory
// blocks, strings, numbers, arrays, files of a folder, the clock, and the
// host's faults.
#ifndef RBSCRIPT_BUILTINS_H
#define RBSCRIPT_BUILTINS_H

#include <chrono>
#include <optional>
#include <set>
#include <string_view>
#include <vector>

#include "rbscript/plugin_call.h"

namespace rbscript {

class Builtins {
 public:
  explicit Builtins(rbhost::Host& host) : host_(host), start_(std::chrono::steady_clock::now()) {}

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
  std::chrono::steady_clock::time_point start_;
  std::set<RbObject> failingLocks_;  // pictures FailPictureLocks made fail
};

}  // namespace rbscript

#endif
