// Calls into the plug-ins on behalf of a script: chooses the overload that
// fits the arguments, fills omitted parameters from their declared defaults,
// passes ByRef arguments as pointers to the variables' values and writes
// them back, and reads and writes properties (accessor pairs, or fields of
// the instance data for direct properties).
#ifndef RBSCRIPT_PLUGIN_CALL_H
#define RBSCRIPT_PLUGIN_CALL_H

#include <string_view>
#include <vector>

#include "rbscript/catalog.h"
#include "rbscript/script_error.h"
#include "rbscript/variable.h"

namespace rbscript {

struct Argument {
  Value value;                   // as evaluated
  Variable* variable = nullptr;  // when the argument is a variable: may be passed ByRef
  SourcePos pos;
};

class PluginCalls {
 public:
  PluginCalls(rbhost::Host& host, const Catalog& catalog) : host_(host), catalog_(catalog) {}

  // The candidate the arguments fit best (with `assigned`: a setter that
  // accepts it). Throws a ScriptError listing the candidates when none fits
  // or when several fit equally well.
  const Callable& choose(std::string_view name, const std::vector<const Callable*>& candidates,
                         const std::vector<Argument>& args, SourcePos pos,
                         const Value* assigned = nullptr) const;

  Value call(const Callable& callable, std::vector<Argument>& args, SourcePos pos);
  void callSetter(const Callable& callable, std::vector<Argument>& args, const Value& assigned,
                  SourcePos pos);

  Value getProperty(const rbhost::PropertyRegistration& p, const Value& receiver, SourcePos pos);
  void setProperty(const rbhost::PropertyRegistration& p, const Value& receiver,
                   const Value& assigned, SourcePos pos);

 private:
  std::optional<int> score(const Callable& c, const std::vector<Argument>& args,
                           const Value* assigned) const;
  Value invoke(const Callable& c, RbFunction function, std::vector<Argument>& args,
               const Value* assigned, SourcePos pos);
  void* fieldOf(const rbhost::PropertyRegistration& p, const Value& receiver, size_t size,
                SourcePos pos) const;

  rbhost::Host& host_;
  const Catalog& catalog_;
};

// "TVQ_Add(extends p as picture, addend as picture) as picture", with the
// class for a class method: the way a candidate is listed in an error.
std::string describeCallable(const Callable& c);

}  // namespace rbscript

#endif
