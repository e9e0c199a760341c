#include "rbhost/declaration.h"

#include <cctype>

namespace rbhost {

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

namespace {

// A tiny scanner over one declaration: identifiers, punctuation, and the raw
// text of a default value.
class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  void skipSpace() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }
  bool atEnd() {
    skipSpace();
    return pos_ >= text_.size();
  }
  bool accept(char c) {
    skipSpace();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  std::string identifier() {
    skipSpace();
    size_t start = pos_;
    while (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) ||
                                   text_[pos_] == '_' || text_[pos_] == '.'))
      ++pos_;
    return std::string(text_.substr(start, pos_ - start));
  }
  // Accepts `word` as a whole identifier, case-insensitively.
  bool acceptWord(std::string_view word) {
    size_t saved = pos_;
    if (equalsIgnoreCase(identifier(), word)) return true;
    pos_ = saved;
    return false;
  }
  // Text up to the next top-level ',' or ')'.
  std::string defaultValue() {
    skipSpace();
    size_t start = pos_;
    bool quoted = false;
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (c == '"') quoted = !quoted;
      if (!quoted && (c == ',' || c == ')')) break;
      ++pos_;
    }
    std::string v(text_.substr(start, pos_ - start));
    while (!v.empty() && std::isspace(static_cast<unsigned char>(v.back()))) v.pop_back();
    return v;
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

std::optional<Parameter> parseParameter(Scanner& s) {
  Parameter p;
  if (s.acceptWord("extends")) {
    p.extends = true;
  } else if (s.acceptWord("ByRef")) {
    p.byRef = true;
  } else {
    s.acceptWord("ByVal");
  }
  p.name = s.identifier();
  if (p.name.empty()) return std::nullopt;
  if (s.accept('(')) {
    if (!s.accept(')')) return std::nullopt;
    p.isArray = true;
  }
  if (!s.acceptWord("as")) return std::nullopt;
  p.type = s.identifier();
  if (p.type.empty()) return std::nullopt;
  if (s.accept('=')) {
    p.defaultValue = s.defaultValue();
    if (p.defaultValue->empty()) return std::nullopt;
  }
  return p;
}

}  // namespace

std::optional<Declaration> parseDeclaration(std::string_view text) {
  Scanner s(text);
  Declaration d;
  d.name = s.identifier();
  if (d.name.empty()) return std::nullopt;
  if (s.accept('(')) {
    d.hasParentheses = true;
    if (!s.accept(')')) {
      do {
        auto p = parseParameter(s);
        if (!p) return std::nullopt;
        d.parameters.push_back(std::move(*p));
      } while (s.accept(','));
      if (!s.accept(')')) return std::nullopt;
    }
  }
  if (s.acceptWord("as")) {
    d.returnType = s.identifier();
    if (d.returnType.empty()) return std::nullopt;
  }
  if (!s.atEnd()) return std::nullopt;
  for (size_t i = 1; i < d.parameters.size(); ++i)
    if (d.parameters[i].extends) return std::nullopt;
  return d;
}

AbiType abiTypeOf(std::string_view typeName, bool isArray, bool byRef) {
  AbiType t;
  t.byRef = byRef;
  if (isArray) {
    t.kind = AbiKind::Array;
  } else if (typeName.empty()) {
    t.kind = AbiKind::Void;
  } else if (equalsIgnoreCase(typeName, "integer")) {
    t.kind = AbiKind::Integer;
  } else if (equalsIgnoreCase(typeName, "double")) {
    t.kind = AbiKind::Double;
  } else if (equalsIgnoreCase(typeName, "boolean")) {
    t.kind = AbiKind::Boolean;
  } else if (equalsIgnoreCase(typeName, "color")) {
    t.kind = AbiKind::Color;
  } else if (equalsIgnoreCase(typeName, "picture")) {
    t.kind = AbiKind::Picture;
  } else if (equalsIgnoreCase(typeName, "string")) {
    t.kind = AbiKind::String;
  } else if (equalsIgnoreCase(typeName, "memoryblock")) {
    t.kind = AbiKind::MemoryBlock;
  } else {
    t.kind = AbiKind::Object;
  }
  return t;
}

AbiType abiTypeOf(const Parameter& p) { return abiTypeOf(p.type, p.isArray, p.byRef); }

std::string describe(AbiType t) {
  static const char* const names[] = {"void",    "integer", "double",      "boolean", "color",
                                      "picture", "string",  "memoryblock", "object",  "array"};
  std::string s = names[static_cast<int>(t.kind)];
  return t.byRef ? "ByRef " + s : s;
}

}  // namespace rbhost
