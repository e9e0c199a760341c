// Runs parsed statements against a host whose plug-ins are loaded. Names are
// resolved in this order: variables, built-ins, then what the plug-ins
// registered. Every variable holds its host reference until it is
// overwritten, its scope ends or the interpreter is cleared.
#ifndef RBSCRIPT_INTERPRETER_H
#define RBSCRIPT_INTERPRETER_H

#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "rbscript/ast.h"
#include "rbscript/builtins.h"
#include "rbscript/catalog.h"
#include "rbscript/plugin_call.h"

namespace rbscript {

class Interpreter {
 public:
  // `host` must have its plug-ins loaded already. Print and message boxes
  // go to `out`.
  Interpreter(rbhost::Host& host, std::ostream& out);
  ~Interpreter();
  Interpreter(const Interpreter&) = delete;
  Interpreter& operator=(const Interpreter&) = delete;

  // Throws ScriptError at the first failing statement.
  void run(const Program& program);
  void execute(const Stmt& statement);

  // Declares a variable from outside the script (the demo's pictures).
  void define(const std::string& name, const TypeSpec& type, Value value);
  const Variable* find(std::string_view name) const;
  // Variables declared after beginScope() go away at the matching endScope().
  void beginScope();
  void endScope();
  // Drops every variable, and with it every reference the script held.
  void clear();

  const Catalog& catalog() const { return catalog_; }
  // The type a declared type name stands for; throws at `t.pos` when unknown.
  TypeSpec resolveType(const TypeName& t) const;

 private:
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
  std::map<std::string, std::unique_ptr<Variable>> variables_;  // by lower-case name
  std::vector<std::vector<std::string>> scopes_;
  size_t messageBoxesShown_ = 0;
};

}  // namespace rbscript

#endif
