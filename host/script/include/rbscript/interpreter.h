// Runs parsed statements against a host whose plug-ins are loaded. Names are
// resolved in this order: variables, the script's own Subs and Functions,
// built-ins, then what the plug-ins registered. Every variable holds its host
// reference until it is overwritten, its scope ends or the interpreter is
// cleared. Each block (a branch, a loop's body) is a scope; a Sub or
// Function sees its parameters and its own variables only.
#ifndef RBSCRIPT_INTERPRETER_H
#define RBSCRIPT_INTERPRETER_H

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "rbscript/ast.h"
#include "rbscript/builtins.h"
#include "rbscript/catalog.h"
#include "rbscript/plugin_call.h"

namespace rbscript {

// Where the calling function's frame is on the machine stack. A local
// variable's address would not do: AddressSanitizer may keep locals on a
// separate "fake" stack, which says nothing about the real one.
inline __attribute__((always_inline)) uintptr_t stackAddressHere() {
  return reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
}

class Interpreter {
 public:
  // `host` must have its plug-ins loaded already. Print and message boxes
  // go to `out`.
  Interpreter(rbhost::Host& host, std::ostream& out);
  ~Interpreter();
  Interpreter(const Interpreter&) = delete;
  Interpreter& operator=(const Interpreter&) = delete;

  // How deep Subs and Functions may call one another.
  static constexpr int kMaxCallDepth = 1000;

  // Throws ScriptError at the first failing statement. The program's Subs
  // and Functions stay defined for later runs.
  void run(const Program& program);
  void execute(const Stmt& statement);

  // Below this address (as stackAddressHere() measures) the stack is used up: a statement or
  // expression that would go deeper fails with an error instead (0: no check).
  void setStackLimit(uintptr_t lowest) { stackLimit_ = lowest; }
  // After each statement that leaves the host audit not clean and changed,
  // writes what the host holds to `audit` ("NAME:LINE: audit: ...").
  void setAuditStream(std::ostream* audit, std::string sourceName) {
    audit_ = audit;
    sourceName_ = std::move(sourceName);
  }

  // Declares a variable from outside the script (the demo's pictures).
  void define(const std::string& name, const TypeSpec& type, Value value);
  const Variable* find(std::string_view name) const;
  // Variables declared after beginScope() go away at the matching endScope().
  void beginScope();
  void endScope();
  // Drops every variable, and with it every reference the script held.
  void clear();
  // Drops the Subs and Functions the programs run so far defined.
  void forgetMethods() { methods_.clear(); }

  const Catalog& catalog() const { return catalog_; }
  // The type a declared type name stands for; throws at `t.pos` when unknown.
  TypeSpec resolveType(const TypeName& t) const;

 private:
  enum class Flow { Normal, ExitFor, ExitWhile, ExitDo, Return };
  struct Frame {
    std::map<std::string, std::shared_ptr<Variable>> variables;  // by lower-case name
    std::vector<std::vector<std::string>> scopes;
  };
  Flow exec(const Stmt& s);
  Flow execBlock(const Block& b);
  Flow execIf(const Stmt& s);
  Flow execFor(const Stmt& s);
  Flow execLoop(const Stmt& s);
  Flow execSelect(const Stmt& s);
  void execDim(const Stmt& s);
  void reportAudit(const Stmt& s);
  void checkStack(SourcePos pos) const;
  bool caseMatches(const Value& v, const Branch& b);
  bool truth(const Expr& e, std::string_view what);
  const Method* findMethod(std::string_view name) const;
  Value callMethod(const Method& m, std::vector<Argument>& args, SourcePos pos);
  Value& arrayElementRef(Variable& v, const std::vector<Argument>& args, SourcePos pos);
  std::optional<Value> arrayMember(const Value& a, const std::string& name,
                                   std::vector<Argument>* args, SourcePos pos);
  bool compareValues(const Value& l, const Value& r, Operator op, SourcePos pos) const;
  Frame& frame() { return frames_.back(); }
  const Frame& frame() const { return frames_.back(); }

  Variable* lookup(std::string_view name);
  Variable& declare(const std::string& name, const TypeSpec& type, SourcePos pos);
  void assign(Variable& v, Value value, SourcePos pos);
  void assignTo(const Expr& target, Value value);
  void showMessageBoxes();

  Value evaluate(const Expr& e);
  Value evaluateValue(const Expr& e);  // refuses calls that give nothing
  std::vector<Argument> evaluateArgs(const std::vector<ExprPtr>& args);
  Value evaluateCall(const Expr& e);
  Value member(const Value& receiver, const std::string& name, std::vector<Argument>* args,
               SourcePos pos);
  Value callFunctionForm(const std::string& name, std::vector<Argument>& args, SourcePos pos,
                         const Value* assigned = nullptr);
  Value callReceiverForm(const Value& receiver, const std::string& name,
                         std::vector<Argument>& args, SourcePos pos,
                         const Value* assigned = nullptr);
  std::optional<Value> convertByOperator(const Value& v, const TypeSpec& want, SourcePos pos);
  Value unary(const Expr& e);
  Value binary(const Expr& e);

  rbhost::Host& host_;
  std::ostream& out_;
  Catalog catalog_;
  PluginCalls calls_;
  Builtins builtins_;
  std::vector<Frame> frames_;  // the script's top level first, then each call
  std::map<std::string, std::shared_ptr<const Method>> methods_;  // by lower-case name
  Value returnValue_;  // what Return gave, on its way out of a Function
  SourcePos returnPos_;
  int callDepth_ = 0;
  uintptr_t stackLimit_ = 0;
  std::ostream* audit_ = nullptr;
  std::string sourceName_;
  std::vector<std::string> lastAudit_;
  size_t messageBoxesShown_ = 0;
};

}  // namespace rbscript

#endif
