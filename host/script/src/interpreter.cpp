#include "rbscript/interpreter.h"

#include <cctype>
#include <cmath>

#include "rbscript/conversion.h"
#include "rbscript/format.h"

namespace rbscript {
namespace {

using rbhost::equalsIgnoreCase;

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool isNumeric(const Value& v) { return v.kind == Kind::Integer || v.kind == Kind::Double; }
double asDouble(const Value& v) { return v.kind == Kind::Integer ? v.integer : v.number; }
bool isObjectOrNil(const Value& v) { return v.kind == Kind::Nil || isObjectKind(v.kind); }

int32_t wrap(uint32_t bits) { return static_cast<int32_t>(bits); }

TypeSpec slotType(const Slot& s) {
  return declaredType(rbhost::AbiType{s.abi.kind, false}, s.type);
}

}  // namespace

Interpreter::Interpreter(rbhost::Host& host, std::ostream& out)
    : host_(host), out_(out), catalog_(host), calls_(host, catalog_), builtins_(host) {
  scopes_.emplace_back();
  messageBoxesShown_ = host.messageBoxes().size();
}

Interpreter::~Interpreter() { clear(); }

void Interpreter::clear() {
  variables_.clear();
  scopes_.assign(1, {});
}

void Interpreter::beginScope() { scopes_.emplace_back(); }

void Interpreter::endScope() {
  if (scopes_.size() <= 1) return;
  for (const std::string& name : scopes_.back()) variables_.erase(name);
  scopes_.pop_back();
}

Variable* Interpreter::lookup(std::string_view name) {
  auto it = variables_.find(lower(name));
  return it == variables_.end() ? nullptr : it->second.get();
}

const Variable* Interpreter::find(std::string_view name) const {
  auto it = variables_.find(lower(name));
  return it == variables_.end() ? nullptr : it->second.get();
}

Variable& Interpreter::declare(const std::string& name, const TypeSpec& type, SourcePos pos) {
  const std::string key = lower(name);
  if (variables_.count(key) != 0) throw ScriptError(pos, "'" + name + "' is already declared");
  auto v = std::make_unique<Variable>();
  v->name = name;
  v->type = type;
  switch (type.kind) {
    case Kind::Integer:
      v->value = Value::ofInteger(0);
      break;
    case Kind::Double:
      v->value = Value::ofDouble(0);
      break;
    case Kind::Boolean:
      v->value = Value::ofBoolean(false);
      break;
    case Kind::Color:
      v->value = Value::ofColor(0);
      break;
    case Kind::String:
      v->value = Value::ofString("");
      break;
    default:
      v->value = Value::nil(type);
      break;
  }
  Variable& ref = *v;
  variables_[key] = std::move(v);
  scopes_.back().push_back(key);
  return ref;
}

void Interpreter::define(const std::string& name, const TypeSpec& type, Value value) {
  assign(declare(name, type, {}), std::move(value), {});
}

TypeSpec Interpreter::resolveType(const TypeName& t) const {
  static const std::pair<std::string_view, Kind> builtin[] = {
      {"integer", Kind::Integer},         {"double", Kind::Double},
      {"boolean", Kind::Boolean},         {"color", Kind::Color},
      {"string", Kind::String},           {"picture", Kind::Picture},
      {"memoryblock", Kind::MemoryBlock}, {"rgbsurface", Kind::Surface}};
  if (t.isArray) {
    if (!equalsIgnoreCase(t.name, "integer"))
      throw ScriptError(t.pos, "only Integer arrays are supported, not " + t.name + "()");
    return {Kind::Array, ""};
  }
  for (const auto& [name, kind] : builtin)
    if (equalsIgnoreCase(t.name, name)) return {kind, ""};
  if (const auto* cls = catalog_.findClass(t.name)) return {Kind::Instance, cls->name};
  throw ScriptError(t.pos, "unknown type '" + t.name + "'");
}

void Interpreter::showMessageBoxes() {
  const auto& boxes = host_.messageBoxes();
  if (messageBoxesShown_ > boxes.size()) messageBoxesShown_ = 0;  // the host's list was cleared
  for (; messageBoxesShown_ < boxes.size(); ++messageBoxesShown_)
    out_ << "message box: " << boxes[messageBoxesShown_] << "\n";
}

void Interpreter::run(const Program& program) {
  for (const Stmt& s : program.statements) execute(s);
}

void Interpreter::execute(const Stmt& s) {
  try {
    switch (s.kind) {
      case Stmt::Kind::Dim: {
        const TypeSpec type = resolveType(s.type);
        if (s.isNew && type.kind != Kind::Instance)
          throw ScriptError(s.type.pos,
                            "New makes instances of registered classes, not " + typeText(type));
        Value initial;
        if (s.isNew) {
          initial = Value::ofObject(host_, HostRef::adopt(host_, host_.newInstance(type.className)),
                                    type);
        } else if (s.value) {
          initial = evaluateValue(*s.value);
        }
        Variable& v = declare(s.name, type, s.namePos);
        if (initial.kind != Kind::Void)
          assign(v, std::move(initial), s.value ? s.value->pos : s.pos);
        break;
      }
      case Stmt::Kind::Assign:
        assignTo(*s.target, evaluateValue(*s.value));
        break;
      case Stmt::Kind::Call:
        if (s.value->kind == Expr::Kind::Name && lookup(s.value->text) != nullptr)
          throw ScriptError(s.value->pos,
                            "'" + s.value->text + "' is a variable; a statement must do something");
        evaluate(*s.value);
        break;
      case Stmt::Kind::Print: {
        std::string line;
        for (size_t i = 0; i < s.args.size(); ++i) {
          if (i > 0) line += '\t';
          line += formatValue(host_, evaluateValue(*s.args[i]));
        }
        out_ << line << "\n";
        break;
      }
      case Stmt::Kind::Assert: {
        const Value cond = evaluateValue(*s.value);
        if (cond.kind != Kind::Boolean)
          throw ScriptError(s.value->pos, "Assert needs a Boolean, not " + describeType(cond));
        if (!cond.boolean) {
          std::string message =
              s.message ? formatValue(host_, evaluateValue(*s.message)) : s.sourceText;
          throw ScriptError(s.pos, message, ScriptError::Kind::AssertionFailed);
        }
        break;
      }
    }
  } catch (const ScriptError&) {
    showMessageBoxes();
    throw;
  } catch (const std::exception& e) {
    showMessageBoxes();
    throw ScriptError(s.pos, e.what());
  }
  showMessageBoxes();
}

void Interpreter::assign(Variable& v, Value value, SourcePos pos) {
  if (auto c = convertTo(value, v.type)) {
    v.value = std::move(*c);
    return;
  }
  if (auto c = convertByOperator(value, v.type, pos)) {
    v.value = std::move(*c);
    return;
  }
  throw ScriptError(pos, "cannot assign " + describeType(value) + " to " + v.name + " (" +
                             typeText(v.type) + ")");
}

// operator_convert: a class that declares "operator_convert(p as T)" is made
// from a T; one that declares "operator_convert() as T" turns into a T.
std::optional<Value> Interpreter::convertByOperator(const Value& v, const TypeSpec& want,
                                                    SourcePos pos) {
  for (const Callable* c : catalog_.methodsNamed("operator_convert")) {
    if (!c->receiverOnly) continue;
    const std::string& owner = c->method->receiver;
    if (want.kind == Kind::Instance && equalsIgnoreCase(owner, want.className) &&
        c->slots.size() == 2 && fitness(v, slotType(c->slots[1]))) {
      Value instance =
          Value::ofObject(host_, HostRef::adopt(host_, host_.newInstance(want.className)), want);
      std::vector<Argument> args{{instance, nullptr, pos}, {v, nullptr, pos}};
      calls_.call(*c, args, pos);
      return instance;
    }
    if (v.kind == Kind::Instance && equalsIgnoreCase(owner, v.className) && c->slots.size() == 1 &&
        declaredType(c->method->parsed.returnType) == want) {
      std::vector<Argument> args{{v, nullptr, pos}};
      return convertTo(calls_.call(*c, args, pos), want);
    }
  }
  return std::nullopt;
}

void Interpreter::assignTo(const Expr& target, Value value) {
  switch (target.kind) {
    case Expr::Kind::Name: {
      Variable* v = lookup(target.text);
      if (v == nullptr) throw ScriptError(target.pos, "unknown variable '" + target.text + "'");
      assign(*v, std::move(value), target.pos);
      return;
    }
    case Expr::Kind::Member: {
      const Value receiver = evaluateValue(*target.object);
      if (builtins_.setMember(receiver, target.text, nullptr, value, target.pos)) return;
      const TypeSpec t = receiver.type();
      const std::string owner = t.kind == Kind::Picture    ? "picture"
                                : t.kind == Kind::Instance ? t.className
                                                           : "";
      if (!owner.empty())
        if (const auto* p = catalog_.property(owner, target.text)) {
          calls_.setProperty(*p, receiver, value, target.pos);
          return;
        }
      std::vector<Argument> none;
      callReceiverForm(receiver, target.text, none, target.pos, &value);
      return;
    }
    case Expr::Kind::Call: {
      const Expr& callee = *target.object;
      if (callee.kind == Expr::Kind::Name) {
        std::vector<Argument> args = evaluateArgs(target.args);
        callFunctionForm(callee.text, args, callee.pos, &value);
        return;
      }
      const Value receiver = evaluateValue(*callee.object);
      std::vector<Argument> args = evaluateArgs(target.args);
      if (builtins_.setMember(receiver, callee.text, &args, value, callee.pos)) return;
      callReceiverForm(receiver, callee.text, args, callee.pos, &value);
      return;
    }
    default:
      throw ScriptError(target.pos, "cannot assign to this expression");
  }
}

Value Interpreter::evaluateValue(const Expr& e) {
  Value v = evaluate(e);
  if (v.kind == Kind::Void) throw ScriptError(e.pos, "this call gives no value");
  return v;
}

std::vector<Argument> Interpreter::evaluateArgs(const std::vector<ExprPtr>& args) {
  std::vector<Argument> out;
  for (const ExprPtr& a : args) {
    Argument arg;
    arg.pos = a->pos;
    arg.value = evaluateValue(*a);
    if (a->kind == Expr::Kind::Name) arg.variable = lookup(a->text);
    out.push_back(std::move(arg));
  }
  return out;
}

Value Interpreter::evaluate(const Expr& e) {
  switch (e.kind) {
    case Expr::Kind::Integer:
      return Value::ofInteger(wrap(e.integer));
    case Expr::Kind::Double:
      return Value::ofDouble(e.number);
    case Expr::Kind::String:
      return Value::ofString(e.text);
    case Expr::Kind::Color:
      return Value::ofColor(e.integer);
    case Expr::Kind::Boolean:
      return Value::ofBoolean(e.boolean);
    case Expr::Kind::Nil:
      return Value::nil();
    case Expr::Kind::Name: {
      if (Variable* v = lookup(e.text)) return v->value;
      std::vector<Argument> none;
      if (builtins_.isFunction(e.text)) return builtins_.callFunction(e.text, none, e.pos);
      return callFunctionForm(e.text, none, e.pos);
    }
    case Expr::Kind::Member:
      return member(evaluateValue(*e.object), e.text, nullptr, e.pos);
    case Expr::Kind::Call:
      return evaluateCall(e);
    case Expr::Kind::New: {
      const auto* cls = catalog_.findClass(e.text);
      if (cls == nullptr) throw ScriptError(e.pos, "unknown class '" + e.text + "'");
      return Value::ofObject(host_, HostRef::adopt(host_, host_.newInstance(cls->name)),
                             {Kind::Instance, cls->name});
    }
    case Expr::Kind::Unary:
      return unary(e);
    case Expr::Kind::Binary:
      return binary(e);
  }
  throw ScriptError(e.pos, "cannot evaluate this expression");
}

Value Interpreter::evaluateCall(const Expr& e) {
  const Expr& callee = *e.object;
  if (callee.kind == Expr::Kind::Name) {
    if (lookup(callee.text) != nullptr)
      throw ScriptError(callee.pos, "'" + callee.text + "' is a variable, not a method");
    std::vector<Argument> args = evaluateArgs(e.args);
    if (builtins_.isFunction(callee.text)) return builtins_.callFunction(callee.text, args, e.pos);
    return callFunctionForm(callee.text, args, callee.pos);
  }
  const Value receiver = evaluateValue(*callee.object);
  std::vector<Argument> args = evaluateArgs(e.args);
  return member(receiver, callee.text, &args, callee.pos);
}

Value Interpreter::member(const Value& receiver, const std::string& name,
                          std::vector<Argument>* args, SourcePos pos) {
  if (auto v = builtins_.getMember(receiver, name, args, pos)) return std::move(*v);
  const TypeSpec t = receiver.type();
  const std::string owner = t.kind == Kind::Picture    ? "picture"
                            : t.kind == Kind::Instance ? t.className
                                                       : "";
  if (args == nullptr && !owner.empty())
    if (const auto* p = catalog_.property(owner, name))
      return calls_.getProperty(*p, receiver, pos);
  std::vector<Argument> none;
  return callReceiverForm(receiver, name, args != nullptr ? *args : none, pos);
}

Value Interpreter::callFunctionForm(const std::string& name, std::vector<Argument>& args,
                                    SourcePos pos, const Value* assigned) {
  const std::vector<const Callable*> all = catalog_.methodsNamed(name);
  if (all.empty()) throw ScriptError(pos, "unknown name '" + name + "'");
  std::vector<const Callable*> candidates;
  for (const Callable* c : all)
    if (!c->receiverOnly) candidates.push_back(c);
  if (candidates.empty())
    throw ScriptError(pos, name + " is a method of " + all.front()->method->receiver +
                               ": call it on an instance");
  const Callable& c = calls_.choose(name, candidates, args, pos, assigned);
  if (assigned != nullptr) {
    calls_.callSetter(c, args, *assigned, pos);
    return Value::voidValue();
  }
  return calls_.call(c, args, pos);
}

Value Interpreter::callReceiverForm(const Value& receiver, const std::string& name,
                                    std::vector<Argument>& args, SourcePos pos,
                                    const Value* assigned) {
  std::vector<const Callable*> candidates;
  for (const Callable* c : catalog_.methodsNamed(name))
    if (c->hasReceiver && fitness(receiver, slotType(c->slots.front()))) candidates.push_back(c);
  if (candidates.empty())
    throw ScriptError(pos, describeType(receiver) + " has no " +
                               (assigned != nullptr ? "assignable " : "") + "member '" + name +
                               "'");
  std::vector<Argument> all;
  all.push_back(Argument{receiver, nullptr, pos});
  for (Argument& a : args) all.push_back(std::move(a));
  const Callable& c = calls_.choose(name, candidates, all, pos, assigned);
  if (assigned != nullptr) {
    calls_.callSetter(c, all, *assigned, pos);
    return Value::voidValue();
  }
  return calls_.call(c, all, pos);
}

Value Interpreter::unary(const Expr& e) {
  const Value v = evaluateValue(*e.object);
  if (e.op == Operator::Negate) {
    if (v.kind == Kind::Integer)
      return Value::ofInteger(wrap(0u - static_cast<uint32_t>(v.integer)));
    if (v.kind == Kind::Double) return Value::ofDouble(-v.number);
    throw ScriptError(e.pos, "cannot negate " + describeType(v));
  }
  if (v.kind == Kind::Boolean) return Value::ofBoolean(!v.boolean);
  if (v.kind == Kind::Integer) return Value::ofInteger(wrap(~static_cast<uint32_t>(v.integer)));
  throw ScriptError(e.pos, "Not needs a Boolean or an Integer, not " + describeType(v));
}

Value Interpreter::binary(const Expr& e) {
  const Value l = evaluateValue(*e.object);
  if (e.op == Operator::And || e.op == Operator::Or) {
    const bool isAnd = e.op == Operator::And;
    if (l.kind == Kind::Boolean) {
      if (l.boolean != isAnd) return Value::ofBoolean(l.boolean);  // decided by the left side
      const Value r = evaluateValue(*e.right);
      if (r.kind != Kind::Boolean)
        throw ScriptError(e.pos,
                          std::string(isAnd ? "And" : "Or") + " of Boolean and " + describeType(r));
      return r;
    }
    const Value r = evaluateValue(*e.right);
    if (l.kind == Kind::Integer && r.kind == Kind::Integer)
      return Value::ofInteger(isAnd ? (l.integer & r.integer) : (l.integer | r.integer));
    throw ScriptError(e.pos, std::string(isAnd ? "And" : "Or") + " of " + describeType(l) +
                                 " and " + describeType(r));
  }
  const Value r = evaluateValue(*e.right);
  const std::string operands = describeType(l) + " and " + describeType(r);
  switch (e.op) {
    case Operator::Add:
      if (l.kind == Kind::String && r.kind == Kind::String)
        return Value::ofString(l.bytes + r.bytes);
      [[fallthrough]];
    case Operator::Subtract:
    case Operator::Multiply:
    case Operator::Divide: {
      if (!isNumeric(l) || !isNumeric(r))
        throw ScriptError(e.pos, "cannot do arithmetic on " + operands);
      if (e.op != Operator::Divide && l.kind == Kind::Integer && r.kind == Kind::Integer) {
        const auto a = static_cast<uint32_t>(l.integer), b = static_cast<uint32_t>(r.integer);
        if (e.op == Operator::Add) return Value::ofInteger(wrap(a + b));
        if (e.op == Operator::Subtract) return Value::ofInteger(wrap(a - b));
        return Value::ofInteger(wrap(a * b));
      }
      const double a = asDouble(l), b = asDouble(r);
      if (e.op == Operator::Add) return Value::ofDouble(a + b);
      if (e.op == Operator::Subtract) return Value::ofDouble(a - b);
      if (e.op == Operator::Multiply) return Value::ofDouble(a * b);
      return Value::ofDouble(a / b);
    }
    default:
      break;
  }
  // Comparisons.
  const bool equality = e.op == Operator::Equal || e.op == Operator::NotEqual;
  int order = 0;  // <0, 0, >0
  bool unordered = false;
  if (isNumeric(l) && isNumeric(r)) {
    if (l.kind == Kind::Integer && r.kind == Kind::Integer) {
      order = l.integer < r.integer ? -1 : l.integer > r.integer ? 1 : 0;
    } else {
      const double a = asDouble(l), b = asDouble(r);
      unordered = std::isnan(a) || std::isnan(b);
      order = a < b ? -1 : a > b ? 1 : 0;
    }
  } else if (l.kind == Kind::String && r.kind == Kind::String) {
    order = l.bytes.compare(r.bytes);
  } else if (equality && l.kind == Kind::Boolean && r.kind == Kind::Boolean) {
    order = l.boolean == r.boolean ? 0 : 1;
  } else if (equality && (l.kind == Kind::Color || r.kind == Kind::Color) &&
             (l.kind == Kind::Color || l.kind == Kind::Integer) &&
             (r.kind == Kind::Color || r.kind == Kind::Integer)) {
    // A colour equals an integer with the same 32 bits: Pixel(0, 0) = &hFF0000
    const uint32_t a = l.kind == Kind::Color ? l.color : static_cast<uint32_t>(l.integer);
    const uint32_t b = r.kind == Kind::Color ? r.color : static_cast<uint32_t>(r.integer);
    order = a == b ? 0 : 1;
  } else if (equality && isObjectOrNil(l) && isObjectOrNil(r)) {
    order = l.handle() == r.handle() ? 0 : 1;
  } else {
    throw ScriptError(e.pos, "cannot compare " + operands);
  }
  if (unordered) return Value::ofBoolean(e.op == Operator::NotEqual);
  switch (e.op) {
    case Operator::Equal:
      return Value::ofBoolean(order == 0);
    case Operator::NotEqual:
      return Value::ofBoolean(order != 0);
    case Operator::Less:
      return Value::ofBoolean(order < 0);
    case Operator::Greater:
      return Value::ofBoolean(order > 0);
    case Operator::LessEqual:
      return Value::ofBoolean(order <= 0);
    default:
      return Value::ofBoolean(order >= 0);
  }
}

}  // namespace rbscript
