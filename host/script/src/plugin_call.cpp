#include "rbscript/plugin_call.h"

#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>

#include "rbscript/conversion.h"
#include "rbscript/lexer.h"

namespace rbscript {
namespace {

using rbhost::AbiKind;
using rbhost::equalsIgnoreCase;

// A declared default ("false", "0", "-1.5", "&hFF", "\"text\"", "nil") as a value.
std::optional<Value> parseDefault(const std::string& text) {
  std::vector<Token> tokens;
  try {
    tokens = tokenize(text);
  } catch (const ScriptError&) {
    return std::nullopt;
  }
  bool negative = false;
  size_t i = 0;
  if (tokens[i].kind == Token::Kind::Symbol && tokens[i].text == "-") {
    negative = true;
    ++i;
  }
  if (tokens.size() != i + 2) return std::nullopt;  // one literal, then the end
  const Token& t = tokens[i];
  switch (t.kind) {
    case Token::Kind::Integer: {
      if (!t.hex && t.integer > (negative ? uint64_t{1} << 31 : uint64_t(INT32_MAX)))
        return std::nullopt;
      uint32_t bits = static_cast<uint32_t>(t.integer);
      if (negative) bits = 0u - bits;
      return Value::ofInteger(static_cast<int32_t>(bits));
    }
    case Token::Kind::Double:
      return Value::ofDouble(negative ? -t.number : t.number);
    case Token::Kind::Color:
      return negative ? std::nullopt : std::optional<Value>(Value::ofColor(uint32_t(t.integer)));
    case Token::Kind::String:
      return negative ? std::nullopt : std::optional<Value>(Value::ofString(t.text));
    case Token::Kind::Identifier:
      if (negative) return std::nullopt;
      if (equalsIgnoreCase(t.text, "true")) return Value::ofBoolean(true);
      if (equalsIgnoreCase(t.text, "false")) return Value::ofBoolean(false);
      if (equalsIgnoreCase(t.text, "nil")) return Value::nil();
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

TypeSpec slotType(const Slot& s) {
  return declaredType(rbhost::AbiType{s.abi.kind, false}, s.type);
}

size_t cSizeOf(AbiKind k) {
  switch (k) {
    case AbiKind::Integer:
      return sizeof(int32_t);
    case AbiKind::Double:
      return sizeof(double);
    case AbiKind::Boolean:
      return sizeof(bool);
    case AbiKind::Color:
      return sizeof(uint32_t);
    default:
      return sizeof(void*);
  }
}

}  // namespace

std::string describeCallable(const Callable& c) {
  const auto& m = *c.method;
  if (m.receiver.empty()) return m.declaration;
  return m.declaration + " (of " + m.receiver + ")";
}

std::optional<int> PluginCalls::score(const Callable& c, const std::vector<Argument>& args,
                                      const Value* assigned) const {
  if (args.size() > c.slots.size()) return std::nullopt;
  int total = 0;
  for (size_t i = 0; i < c.slots.size(); ++i) {
    const Slot& slot = c.slots[i];
    if (i >= args.size()) {
      if (!slot.defaultValue) return std::nullopt;
      continue;
    }
    const Argument& a = args[i];
    const TypeSpec want = slotType(slot);
    if (slot.abi.byRef) {
      // A ByRef parameter takes a variable of exactly its type, or Nil for no reference.
      if (a.variable == nullptr) {
        if (!a.value.isNilLiteral()) return std::nullopt;
        total += 1;
      } else {
        if (!(a.variable->type == want)) return std::nullopt;
        total += 3;
      }
      continue;
    }
    auto f = fitness(a.value, want);
    if (!f) return std::nullopt;
    total += *f;
  }
  if (assigned != nullptr) {
    if (c.method->setter == nullptr) return std::nullopt;
    auto f = fitness(*assigned, declaredType(c.method->parsed.returnType));
    if (!f) return std::nullopt;
    total += *f;
  }
  return total;
}

const Callable& PluginCalls::choose(std::string_view name,
                                    const std::vector<const Callable*>& candidates,
                                    const std::vector<Argument>& args, SourcePos pos,
                                    const Value* assigned) const {
  const Callable* best = nullptr;
  int bestScore = -1;
  std::vector<const Callable*> tied;
  for (const Callable* c : candidates) {
    auto s = score(*c, args, assigned);
    if (!s) continue;
    if (*s > bestScore) {
      best = c;
      bestScore = *s;
      tied = {c};
    } else if (*s == bestScore) {
      tied.push_back(c);
    }
  }
  if (best != nullptr && tied.size() == 1) return *best;

  std::string types;
  for (size_t i = 0; i < args.size(); ++i)
    types += (i > 0 ? ", " : "") + describeType(args[i].value);
  std::string message =
      best == nullptr ? "no declaration of " + std::string(name) + " takes (" + types + ")"
                      : "the call of " + std::string(name) + " with (" + types + ") is ambiguous";
  if (assigned != nullptr) message += " and an assigned " + describeType(*assigned);
  message += "; the candidates are:";
  for (const Callable* c : best == nullptr ? candidates : tied)
    message += "\n    " + describeCallable(*c);
  if (candidates.empty()) message += " none";
  throw ScriptError(pos, message);
}

Value PluginCalls::call(const Callable& callable, std::vector<Argument>& args, SourcePos pos) {
  return invoke(callable, callable.method->function, args, nullptr, pos);
}

void PluginCalls::callSetter(const Callable& callable, std::vector<Argument>& args,
                             const Value& assigned, SourcePos pos) {
  invoke(callable, callable.method->setter, args, &assigned, pos);
}

Value PluginCalls::invoke(const Callable& c, RbFunction function, std::vector<Argument>& args,
                          const Value* assigned, SourcePos pos) {
  std::vector<HostRef> temporaries;  // host strings made for the call
  std::vector<CValue> cArgs;
  // One cell per ByRef variable, so a variable named twice is one reference.
  std::vector<std::unique_ptr<CValue>> cells;
  std::map<Variable*, CValue*> cellOf;
  struct WriteBack {
    Variable* variable;
    CValue* cell;
    rbhost::AbiType abi;
  };
  std::vector<WriteBack> writeBacks;

  // Gives the variables back what their cells hold.
  auto writeBackAll = [&](std::string& failure) {
    for (const WriteBack& w : writeBacks) {
      try {
        w.variable->value = fromC(host_, *w.cell, w.abi, w.variable->type);
      } catch (const std::runtime_error& e) {
        w.variable->value = Value::nil(w.variable->type);
        failure = e.what();
      }
    }
  };
  const rbhost::AbiType resultAbi =
      assigned != nullptr ? rbhost::AbiType{} : rbhost::abiTypeOf(c.method->parsed.returnType);
  CValue raw;
  try {
    for (size_t i = 0; i < c.slots.size(); ++i) {
      const Slot& slot = c.slots[i];
      const rbhost::AbiType byValue{slot.abi.kind, false};
      const TypeSpec want = slotType(slot);
      if (slot.abi.byRef) {
        CValue pointer;
        pointer.type = CType::Pointer;
        Variable* v = i < args.size() ? args[i].variable : nullptr;
        if (v != nullptr) {
          auto found = cellOf.find(v);
          if (found == cellOf.end()) {
            cells.push_back(std::make_unique<CValue>(toC(host_, v->value, byValue, temporaries)));
            CValue* cell = cells.back().get();
            // The variable's own reference moves into the cell: the plug-in may
            // drop it and store another, as it would in the variable itself.
            if (isObjectKind(want.kind)) {
              v->value.object.detach();
            } else if (want.kind == Kind::String) {
              temporaries.back().detach();
            }
            cellOf[v] = cell;
            writeBacks.push_back({v, cell, byValue});
            found = cellOf.find(v);
          }
          pointer.pointer = storageAddress(*found->second);
        }
        cArgs.push_back(pointer);
        continue;
      }
      Value given;
      if (i < args.size()) {
        given = args[i].value;
      } else {
        auto d = parseDefault(*slot.defaultValue);
        if (!d)
          throw ScriptError(
              pos, "cannot read the default value \"" + *slot.defaultValue + "\" of " + slot.name);
        given = std::move(*d);
      }
      auto converted = convertTo(given, want);
      if (!converted)
        throw ScriptError(i < args.size() ? args[i].pos : pos,
                          "cannot pass " + describeType(given) + " as " + slot.name + " (" +
                              typeText(want) + ")");
      cArgs.push_back(toC(host_, *converted, byValue, temporaries));
    }
    if (assigned != nullptr) {
      const rbhost::AbiType abi = rbhost::abiTypeOf(c.method->parsed.returnType);
      auto converted = convertTo(*assigned, declaredType(abi, c.method->parsed.returnType));
      if (!converted) throw ScriptError(pos, "cannot assign " + describeType(*assigned));
      cArgs.push_back(toC(host_, *converted, abi, temporaries));
    }
    raw = callFunction(function, cTypeOf(resultAbi), cArgs);
  } catch (...) {
    std::string ignored;
    writeBackAll(ignored);  // a variable lent to a cell gets its reference back
    throw;
  }

  std::string failure;
  writeBackAll(failure);
  Value result;
  try {
    result = fromC(host_, raw, resultAbi, declaredType(resultAbi, c.method->parsed.returnType));
  } catch (const std::runtime_error& e) {
    failure = e.what();
  }
  if (!failure.empty()) throw ScriptError(pos, c.name() + ": " + failure);
  return result;
}

void* PluginCalls::fieldOf(const rbhost::PropertyRegistration& p, const Value& receiver,
                           size_t size, SourcePos pos) const {
  if (receiver.kind != Kind::Instance)
    throw ScriptError(pos, "property " + p.name + " of " + describeType(receiver));
  const rbhost::ClassRegistration* cls = catalog_.findClass(receiver.className);
  if (cls == nullptr || p.selector < 0 || size_t(p.selector) + size > size_t(cls->dataSize))
    throw ScriptError(pos, "property " + p.name + " lies outside the instance data");
  return static_cast<char*>(host_.instanceData(receiver.handle())) + p.selector;
}

Value PluginCalls::getProperty(const rbhost::PropertyRegistration& p, const Value& receiver,
                               SourcePos pos) {
  const rbhost::AbiType abi = rbhost::abiTypeOf(p.type);
  const TypeSpec type = declaredType(abi, p.type);
  CValue c;
  c.type = cTypeOf(abi);
  if (p.direct()) {
    const void* field = fieldOf(p, receiver, cSizeOf(abi.kind), pos);
    switch (c.type) {
      case CType::Int32:
        std::memcpy(&c.int32, field, sizeof c.int32);
        break;
      case CType::Double:
        std::memcpy(&c.number, field, sizeof c.number);
        break;
      case CType::Bool: {
        uint8_t byte;
        std::memcpy(&byte, field, 1);
        c.boolean = byte != 0;
        break;
      }
      case CType::UInt32:
        std::memcpy(&c.uint32, field, sizeof c.uint32);
        break;
      default:
        std::memcpy(&c.pointer, field, sizeof c.pointer);
        // The field keeps its reference; the value gets one of its own.
        if (c.pointer != nullptr && abi.kind != AbiKind::String)
          host_.retain(static_cast<RbObject>(c.pointer));
        if (abi.kind == AbiKind::String)
          return c.pointer == nullptr
                     ? Value::ofString("")
                     : Value::ofString(host_.stringBytes(static_cast<RbString>(c.pointer)));
        break;
    }
  } else {
    if (p.getter == nullptr) throw ScriptError(pos, "property " + p.name + " cannot be read");
    CValue self, selector;
    self.type = CType::Pointer;
    self.pointer = receiver.handle();
    selector.type = CType::Word;
    selector.word = p.selector;
    c = callFunction(p.getter, c.type, {self, selector});
  }
  try {
    return fromC(host_, c, abi, type);
  } catch (const std::runtime_error& e) {
    throw ScriptError(pos, p.name + ": " + e.what());
  }
}

void PluginCalls::setProperty(const rbhost::PropertyRegistration& p, const Value& receiver,
                              const Value& assigned, SourcePos pos) {
  const rbhost::AbiType abi = rbhost::abiTypeOf(p.type);
  const TypeSpec type = declaredType(abi, p.type);
  auto converted = convertTo(assigned, type);
  if (!converted)
    throw ScriptError(pos, "cannot assign " + describeType(assigned) + " to " + p.name + " (" +
                               typeText(type) + ")");
  std::vector<HostRef> temporaries;
  CValue c = toC(host_, *converted, abi, temporaries);
  if (p.direct()) {
    void* field = fieldOf(p, receiver, cSizeOf(abi.kind), pos);
    switch (c.type) {
      case CType::Int32:
        std::memcpy(field, &c.int32, sizeof c.int32);
        break;
      case CType::Double:
        std::memcpy(field, &c.number, sizeof c.number);
        break;
      case CType::Bool: {
        const uint8_t byte = c.boolean ? 1 : 0;
        std::memcpy(field, &byte, 1);
        break;
      }
      case CType::UInt32:
        std::memcpy(field, &c.uint32, sizeof c.uint32);
        break;
      default: {
        // The field holds a reference of its own, as the host's standard
        // accessor does: the new value gains one, the old one loses it.
        void* old;
        std::memcpy(&old, field, sizeof old);
        if (c.pointer != nullptr) {
          if (abi.kind == AbiKind::String) {
            temporaries.back().detach();
          } else {
            host_.retain(static_cast<RbObject>(c.pointer));
          }
        }
        std::memcpy(field, &c.pointer, sizeof c.pointer);
        if (old != nullptr) host_.release(static_cast<RbObject>(old));
        break;
      }
    }
    return;
  }
  if (p.setter == nullptr) throw ScriptError(pos, "property " + p.name + " is read-only");
  CValue self, selector;
  self.type = CType::Pointer;
  self.pointer = receiver.handle();
  selector.type = CType::Word;
  selector.word = p.selector;
  callFunction(p.setter, CType::Void, {self, selector, c});
}

}  // namespace rbscript
