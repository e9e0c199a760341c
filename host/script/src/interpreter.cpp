#include "rbscript/interpreter.h"

#include <cctype>
#include <cmath>

#include "rbscript/conversion.h"
#include "rbscript/format.h"
#include "rbscript/session.h"

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

// The largest upper bound of a script array: 16 million elements.
constexpr int32_t kMaxArrayBound = (1 << 24) - 1;

TypeSpec slotType(const Slot& s) {
  return declaredType(rbhost::AbiType{s.abi.kind, false}, s.type);
}

}  // namespace

Interpreter::Interpreter(rbhost::Host& host, std::ostream& out)
    : host_(host), out_(out), catalog_(host), calls_(host, catalog_), builtins_(host) {
  clear();
  messageBoxesShown_ = host.messageBoxes().size();
}

Interpreter::~Interpreter() { clear(); }

void Interpreter::clear() {
  frames_.clear();
  frames_.emplace_back();
  frames_.back().scopes.emplace_back();
  returnValue_ = Value{};
}

void Interpreter::beginScope() { frame().scopes.emplace_back(); }

void Interpreter::endScope() {
  Frame& f = frame();
  if (f.scopes.size() <= 1) return;
  // The last declared goes first, as a block's variables end.
  auto& names = f.scopes.back();
  for (auto it = names.rbegin(); it != names.rend(); ++it) f.variables.erase(*it);
  f.scopes.pop_back();
}

Variable* Interpreter::lookup(std::string_view name) {
  auto it = frame().variables.find(lower(name));
  return it == frame().variables.end() ? nullptr : it->second.get();
}

const Variable* Interpreter::find(std::string_view name) const {
  auto it = frame().variables.find(lower(name));
  return it == frame().variables.end() ? nullptr : it->second.get();
}

Variable& Interpreter::declare(const std::string& name, const TypeSpec& type, SourcePos pos) {
  const std::string key = lower(name);
  Frame& f = frame();
  if (f.variables.count(key) != 0) throw ScriptError(pos, "'" + name + "' is already declared");
  auto v = std::make_shared<Variable>();
  v->name = name;
  v->type = type;
  v->value = defaultValue(type);
  Variable& ref = *v;
  f.variables[key] = std::move(v);
  f.scopes.back().push_back(key);
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
  TypeSpec element;
  bool found = false;
  for (const auto& [name, kind] : builtin)
    if (equalsIgnoreCase(t.name, name)) {
      element = {kind, ""};
      found = true;
    }
  if (!found) {
    if (const auto* cls = catalog_.findClass(t.name)) {
      element = {Kind::Instance, cls->name};
    } else {
      throw ScriptError(t.pos, "unknown type '" + t.name + "'");
    }
  }
  if (t.isArray) {
    if (element.kind == Kind::Surface) throw ScriptError(t.pos, "an array cannot hold RGBSurface");
    return TypeSpec::arrayOf(element);
  }
  return element;
}

void Interpreter::showMessageBoxes() {
  const auto& boxes = host_.messageBoxes();
  if (messageBoxesShown_ > boxes.size()) messageBoxesShown_ = 0;  // the host's list was cleared
  for (; messageBoxesShown_ < boxes.size(); ++messageBoxesShown_)
    out_ << "message box: " << boxes[messageBoxesShown_] << "\n";
}

void Interpreter::run(const Program& program) {
  for (const auto& m : program.methods) {
    const std::string key = lower(m->name);
    if (methods_.count(key) != 0 || builtins_.isFunction(m->name) ||
        !catalog_.methodsNamed(m->name).empty())
      throw ScriptError(m->pos, "'" + m->name + "' is already defined");
    methods_[key] = m;
  }
  for (const Stmt& s : program.statements) exec(s);
}

void Interpreter::execute(const Stmt& s) { exec(s); }

void Interpreter::checkStack(SourcePos pos) const {
  if (stackLimit_ == 0) return;
  if (stackAddressHere() < stackLimit_)
    throw ScriptError(pos, "nested too deeply: the runner's stack is used up");
}

bool Interpreter::truth(const Expr& e, std::string_view what) {
  const Value v = evaluateValue(e);
  if (v.kind != Kind::Boolean)
    throw ScriptError(e.pos, std::string(what) + " needs a Boolean, not " + describeType(v));
  return v.boolean;
}

Interpreter::Flow Interpreter::execBlock(const Block& b) {
  beginScope();
  Flow flow = Flow::Normal;
  try {
    for (const Stmt& s : b) {
      flow = exec(s);
      if (flow != Flow::Normal) break;
    }
  } catch (...) {
    endScope();
    throw;
  }
  endScope();
  return flow;
}

Interpreter::Flow Interpreter::execIf(const Stmt& s) {
  for (const Branch& b : s.branches)
    if (truth(*b.condition, "If")) return execBlock(b.body);
  return execBlock(s.elseBody);
}

Interpreter::Flow Interpreter::execFor(const Stmt& s) {
  beginScope();  // the loop variable of For i As Integer
  struct ScopeEnd {
    Interpreter& in;
    ~ScopeEnd() { in.endScope(); }
  } scopeEnd{*this};
  Value start = evaluateValue(*s.value);
  Value limit = evaluateValue(*s.limit);
  Value step = s.step ? evaluateValue(*s.step) : Value::ofInteger(1);
  for (const auto* v : {&start, &limit, &step})
    if (!isNumeric(*v)) throw ScriptError(s.pos, "For needs numbers, not " + describeType(*v));
  Variable* counter = lookup(s.name);
  if (s.declares || counter == nullptr) {
    TypeSpec t{Kind::Integer, ""};
    if (s.declares) {
      t = resolveType(s.type);
    } else if (start.kind == Kind::Double || limit.kind == Kind::Double ||
               step.kind == Kind::Double) {
      t = {Kind::Double, ""};
    }
    counter = &declare(s.name, t, s.namePos);
  }
  if (counter->type.kind != Kind::Integer && counter->type.kind != Kind::Double)
    throw ScriptError(s.namePos, "the loop variable " + counter->name + " is " +
                                     typeText(counter->type) + ", not a number");
  const bool integral = counter->type.kind == Kind::Integer;
  if (integral &&
      (start.kind != Kind::Integer || limit.kind != Kind::Integer || step.kind != Kind::Integer))
    throw ScriptError(s.pos, "an Integer loop variable needs Integer bounds and Step");
  const double stepValue = asDouble(step);
  if (stepValue == 0 || std::isnan(stepValue))
    throw ScriptError(s.step ? s.step->pos : s.pos, "a Step of 0 never ends the loop");
  const double limitValue = asDouble(limit);
  assign(*counter, start, s.namePos);
  while (true) {
    const double now = asDouble(counter->value);
    if (stepValue > 0 ? now > limitValue : now < limitValue) break;
    const Flow flow = execBlock(s.body);
    if (flow == Flow::ExitFor) break;
    if (flow != Flow::Normal) return flow;
    if (!isNumeric(counter->value)) break;
    if (integral) {
      const int64_t next = int64_t(counter->value.integer) + int64_t(step.integer);
      if (next > INT32_MAX || next < INT32_MIN) break;  // the next value is past any limit
      counter->value = Value::ofInteger(static_cast<int32_t>(next));
    } else {
      counter->value = Value::ofDouble(counter->value.number + stepValue);
    }
  }
  return Flow::Normal;
}

Interpreter::Flow Interpreter::execLoop(const Stmt& s) {
  const bool isWhile = s.kind == Stmt::Kind::While;
  const Flow mine = isWhile ? Flow::ExitWhile : Flow::ExitDo;
  while (true) {
    if (s.value &&
        truth(*s.value, isWhile ? "While" : "Do") == (s.kind == Stmt::Kind::Do && s.untilBefore))
      break;
    const Flow flow = execBlock(s.body);
    if (flow == mine) break;
    if (flow != Flow::Normal) return flow;
    if (s.limit && truth(*s.limit, "Loop") == s.untilAfter) break;
  }
  return Flow::Normal;
}

bool Interpreter::caseMatches(const Value& v, const Branch& b) {
  if (b.isElse) return true;
  for (size_t i = 0; i < b.values.size(); ++i) {
    const Value low = evaluateValue(*b.values[i]);
    if (!b.rangeEnds[i]) {
      if (compareValues(v, low, Operator::Equal, b.values[i]->pos)) return true;
      continue;
    }
    const Value high = evaluateValue(*b.rangeEnds[i]);
    if (compareValues(v, low, Operator::GreaterEqual, b.values[i]->pos) &&
        compareValues(v, high, Operator::LessEqual, b.rangeEnds[i]->pos))
      return true;
  }
  return false;
}

Interpreter::Flow Interpreter::execSelect(const Stmt& s) {
  const Value v = evaluateValue(*s.value);
  for (const Branch& b : s.branches)
    if (caseMatches(v, b)) return execBlock(b.body);
  return Flow::Normal;
}

void Interpreter::execDim(const Stmt& s) {
  TypeSpec type = resolveType(s.type);
  if (s.isNew && type.kind != Kind::Instance)
    throw ScriptError(s.type.pos,
                      "New makes instances of registered classes, not " + typeText(type));
  Value initial;
  if (s.isNew) {
    initial =
        Value::ofObject(host_, HostRef::adopt(host_, host_.newInstance(type.className)), type);
  } else if (s.bound) {
    const Value n = evaluateValue(*s.bound);
    if (n.kind != Kind::Integer)
      throw ScriptError(s.bound->pos,
                        "an array's upper bound is an Integer, not " + describeType(n));
    if (n.integer < -1 || n.integer > kMaxArrayBound)
      throw ScriptError(s.bound->pos, "an array's upper bound runs from -1 to " +
                                          std::to_string(kMaxArrayBound) + ", not " +
                                          std::to_string(n.integer));
    initial = newArray(type.elementType(), size_t(int64_t(n.integer) + 1));
  } else if (s.value) {
    initial = evaluateValue(*s.value);
  }
  Variable& v = declare(s.name, type, s.namePos);
  if (initial.kind != Kind::Void) assign(v, std::move(initial), s.value ? s.value->pos : s.pos);
}

void Interpreter::reportAudit(const Stmt& s) {
  if (audit_ == nullptr) return;
  std::vector<std::string> findings = auditFindings(host_.audit());
  if (findings == lastAudit_) return;
  lastAudit_ = findings;
  if (findings.empty()) return;
  std::string line;
  for (const std::string& f : findings) line += (line.empty() ? "" : "; ") + f;
  *audit_ << sourceName_ << ":" << s.pos.line << ": audit: " << line << "\n";
}

Interpreter::Flow Interpreter::exec(const Stmt& s) {
  checkStack(s.pos);
  Flow flow = Flow::Normal;
  try {
    switch (s.kind) {
      case Stmt::Kind::Dim:
        execDim(s);
        break;
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
      case Stmt::Kind::If:
        flow = execIf(s);
        break;
      case Stmt::Kind::For:
        flow = execFor(s);
        break;
      case Stmt::Kind::While:
      case Stmt::Kind::Do:
        flow = execLoop(s);
        break;
      case Stmt::Kind::Select:
        flow = execSelect(s);
        break;
      case Stmt::Kind::Exit:
        flow = s.exitKind == Stmt::ExitKind::For     ? Flow::ExitFor
               : s.exitKind == Stmt::ExitKind::While ? Flow::ExitWhile
               : s.exitKind == Stmt::ExitKind::Do    ? Flow::ExitDo
                                                     : Flow::Return;
        break;
      case Stmt::Kind::Return:
        returnValue_ = s.value ? evaluateValue(*s.value) : Value{};
        if (s.value) returnPos_ = s.value->pos;
        flow = Flow::Return;
        break;
      case Stmt::Kind::Redim: {
        Variable* v = lookup(s.name);
        if (v == nullptr) throw ScriptError(s.namePos, "unknown variable '" + s.name + "'");
        if (v->value.kind != Kind::Array || !v->value.array)
          throw ScriptError(s.namePos, "Redim needs an array, not " + describeType(v->value));
        const Value n = evaluateValue(*s.value);
        if (n.kind != Kind::Integer || n.integer < -1 || n.integer > kMaxArrayBound)
          throw ScriptError(s.value->pos, "an array's upper bound runs from -1 to " +
                                              std::to_string(kMaxArrayBound));
        v->value.array->items.resize(size_t(int64_t(n.integer) + 1),
                                     defaultValue(v->value.array->element));
        break;
      }
    }
  } catch (const ScriptError&) {
    showMessageBoxes();
    throw;
  } catch (const std::bad_alloc&) {
    showMessageBoxes();
    throw ScriptError(s.pos, "out of memory");
  } catch (const std::exception& e) {
    showMessageBoxes();
    throw ScriptError(s.pos, e.what());
  }
  showMessageBoxes();
  if (s.kind != Stmt::Kind::If && s.kind != Stmt::Kind::For && s.kind != Stmt::Kind::While &&
      s.kind != Stmt::Kind::Do && s.kind != Stmt::Kind::Select)
    reportAudit(s);
  return flow;
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
          if (receiver.kind == Kind::Nil && t.kind == Kind::Instance)
            throw ScriptError(target.pos, target.text + " of a Nil " + typeText(t));
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
        if (Variable* v = lookup(callee.text)) {
          Value& element = arrayElementRef(*v, args, callee.pos);
          auto c = convertTo(value, v->value.array->element);
          if (!c)
            throw ScriptError(target.pos, "cannot assign " + describeType(value) +
                                              " to an element of " + v->name + " (" +
                                              typeText(v->value.type()) + ")");
          element = std::move(*c);
          return;
        }
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
  checkStack(e.pos);
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
      if (const Method* m = findMethod(e.text)) return callMethod(*m, none, e.pos);
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
    if (Variable* v = lookup(callee.text)) {
      if (v->type.kind != Kind::Array)
        throw ScriptError(callee.pos, "'" + callee.text + "' is a variable, not a method");
      std::vector<Argument> args = evaluateArgs(e.args);
      return arrayElementRef(*v, args, callee.pos);
    }
    std::vector<Argument> args = evaluateArgs(e.args);
    if (const Method* m = findMethod(callee.text)) return callMethod(*m, args, callee.pos);
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
  if (auto v = arrayMember(receiver, name, args, pos)) return std::move(*v);
  const TypeSpec t = receiver.type();
  const std::string owner = t.kind == Kind::Picture    ? "picture"
                            : t.kind == Kind::Instance ? t.className
                                                       : "";
  if (args == nullptr && !owner.empty())
    if (const auto* p = catalog_.property(owner, name)) {
      if (receiver.kind == Kind::Nil && t.kind == Kind::Instance)
        throw ScriptError(pos, name + " of a Nil " + typeText(t));
      return calls_.getProperty(*p, receiver, pos);
    }
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
  // A class's own method needs an instance; what extends a type takes a Nil
  // receiver as nil.
  if (receiver.kind == Kind::Nil && c.receiverOnly)
    throw ScriptError(pos, name + " of a Nil " + typeText(receiver.type()));
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
    case Operator::Modulo:
    case Operator::IntegerDivide: {
      const bool mod = e.op == Operator::Modulo;
      if (l.kind != Kind::Integer || r.kind != Kind::Integer)
        throw ScriptError(e.pos,
                          std::string(mod ? "Mod" : "\\") + " needs Integers, not " + operands);
      if (r.integer == 0) throw ScriptError(e.pos, mod ? "Mod by zero" : "division by zero");
      if (r.integer == -1)  // INT32_MIN / -1 would trap: it wraps, as negation does
        return Value::ofInteger(mod ? 0 : wrap(0u - static_cast<uint32_t>(l.integer)));
      return Value::ofInteger(mod ? l.integer % r.integer : l.integer / r.integer);
    }
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
  return Value::ofBoolean(compareValues(l, r, e.op, e.pos));
}

bool Interpreter::compareValues(const Value& l, const Value& r, Operator op, SourcePos pos) const {
  const std::string operands = describeType(l) + " and " + describeType(r);
  const bool equality = op == Operator::Equal || op == Operator::NotEqual;
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
    order = l.handle() == r.handle() && l.array == r.array ? 0 : 1;
  } else {
    throw ScriptError(pos, "cannot compare " + operands);
  }
  if (unordered) return op == Operator::NotEqual;
  switch (op) {
    case Operator::Equal:
      return order == 0;
    case Operator::NotEqual:
      return order != 0;
    case Operator::Less:
      return order < 0;
    case Operator::Greater:
      return order > 0;
    case Operator::LessEqual:
      return order <= 0;
    default:
      return order >= 0;
  }
}

const Method* Interpreter::findMethod(std::string_view name) const {
  auto it = methods_.find(lower(name));
  return it == methods_.end() ? nullptr : it->second.get();
}

Value Interpreter::callMethod(const Method& m, std::vector<Argument>& args, SourcePos pos) {
  if (args.size() != m.params.size())
    throw ScriptError(pos, m.name + " takes " + std::to_string(m.params.size()) + " argument" +
                               (m.params.size() == 1 ? "" : "s") + ", not " +
                               std::to_string(args.size()));
  if (callDepth_ >= kMaxCallDepth)
    throw ScriptError(pos, "calls nest deeper than " + std::to_string(kMaxCallDepth) + " (" +
                               m.name + " without end?)");
  // The new frame's variables: ByRef parameters share the caller's variable.
  Frame callee;
  callee.scopes.emplace_back();
  for (size_t i = 0; i < m.params.size(); ++i) {
    const Parameter& p = m.params[i];
    const TypeSpec t = resolveType(p.type);
    const std::string key = lower(p.name);
    if (callee.variables.count(key) != 0)
      throw ScriptError(p.pos, "'" + p.name + "' is already declared");
    if (p.byRef) {
      Variable* v = args[i].variable;
      if (v == nullptr)
        throw ScriptError(args[i].pos,
                          "the ByRef parameter " + p.name + " of " + m.name + " needs a variable");
      if (!(v->type == t))
        throw ScriptError(args[i].pos, "the ByRef parameter " + p.name + " is " + typeText(t) +
                                           ", not " + typeText(v->type));
      callee.variables[key] = frame().variables.at(lower(v->name));
    } else {
      auto v = std::make_shared<Variable>();
      v->name = p.name;
      v->type = t;
      v->value = defaultValue(t);
      auto c = convertTo(args[i].value, t);
      if (!c) c = convertByOperator(args[i].value, t, args[i].pos);
      if (!c)
        throw ScriptError(args[i].pos, "cannot pass " + describeType(args[i].value) + " as " +
                                           p.name + " (" + typeText(t) + ") of " + m.name);
      v->value = std::move(*c);
      callee.variables[key] = std::move(v);
    }
    callee.scopes.back().push_back(key);
  }
  const TypeSpec resultType = m.isFunction ? resolveType(m.returnType) : TypeSpec{Kind::Void, ""};
  frames_.push_back(std::move(callee));
  ++callDepth_;
  struct Leave {
    Interpreter& in;
    ~Leave() {
      --in.callDepth_;
      in.frames_.pop_back();
    }
  } leave{*this};
  returnValue_ = Value{};
  try {
    execBlock(m.body);
  } catch (ScriptError& e) {
    e.addCaller(pos, m.name);
    throw;
  }
  Value result = std::move(returnValue_);
  returnValue_ = Value{};
  if (!m.isFunction) return Value::voidValue();  // the parser refused Return with a value
  if (result.kind == Kind::Void) return defaultValue(resultType);
  auto c = convertTo(result, resultType);
  if (!c) c = convertByOperator(result, resultType, returnPos_);
  if (!c) {
    ScriptError e(returnPos_,
                  m.name + " returns " + typeText(resultType) + ", not " + describeType(result));
    e.addCaller(pos, m.name);
    throw e;
  }
  return std::move(*c);
}

Value& Interpreter::arrayElementRef(Variable& v, const std::vector<Argument>& args, SourcePos pos) {
  if (v.value.kind == Kind::Nil) throw ScriptError(pos, "an element of the Nil array " + v.name);
  if (v.value.kind != Kind::Array || !v.value.array)
    throw ScriptError(pos, "'" + v.name + "' is a variable, not a method");
  if (args.size() != 1)
    throw ScriptError(
        pos, "an element of " + v.name + " takes one index, not " + std::to_string(args.size()));
  const Value& index = args[0].value;
  if (index.kind != Kind::Integer)
    throw ScriptError(args[0].pos, "an index is an Integer, not " + describeType(index));
  auto& items = v.value.array->items;
  if (index.integer < 0 || size_t(index.integer) >= items.size())
    throw ScriptError(args[0].pos, "index " + std::to_string(index.integer) + " is outside 0 to " +
                                       std::to_string(int64_t(items.size()) - 1) + " of " + v.name);
  return items[size_t(index.integer)];
}

// a.Append v, a.UBound.
std::optional<Value> Interpreter::arrayMember(const Value& a, const std::string& name,
                                              std::vector<Argument>* args, SourcePos pos) {
  const TypeSpec t = a.type();
  if (t.kind != Kind::Array) return std::nullopt;
  const bool append = equalsIgnoreCase(name, "Append");
  const bool ubound = equalsIgnoreCase(name, "UBound");
  if (!append && !ubound) return std::nullopt;
  if (a.kind == Kind::Nil) throw ScriptError(pos, name + " of a Nil " + typeText(t));
  if (!a.array) throw ScriptError(pos, "an array made by a plug-in cannot be read");
  const size_t given = args != nullptr ? args->size() : 0;
  if (given != (append ? 1u : 0u))
    throw ScriptError(pos, name + " takes " + (append ? "1 argument" : "0 arguments") + ", not " +
                               std::to_string(given));
  if (ubound) return Value::ofInteger(static_cast<int32_t>(int64_t(a.array->items.size()) - 1));
  if (a.array->items.size() > size_t(kMaxArrayBound))
    throw ScriptError(pos,
                      "an array holds at most " + std::to_string(kMaxArrayBound + 1) + " elements");
  auto c = convertTo((*args)[0].value, a.array->element);
  if (!c)
    throw ScriptError((*args)[0].pos,
                      "cannot append " + describeType((*args)[0].value) + " to " + typeText(t));
  a.array->items.push_back(std::move(*c));
  return Value::voidValue();
}

}  // namespace rbscript
