#include "rbscript/lexer.h"

#include <cctype>
#include <charconv>

namespace rbscript {
namespace {

bool isIdentifierStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool isIdentifierChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
bool isHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

class Lexer {
 public:
  explicit Lexer(std::string_view s) : s_(s) {}

  std::vector<Token> run() {
    std::vector<Token> tokens;
    while (true) {
      skipBlanksAndComments();
      if (i_ >= s_.size()) break;
      tokens.push_back(next());
    }
    Token end;
    end.kind = Token::Kind::EndOfInput;
    end.pos = here();
    end.offset = i_;
    tokens.push_back(end);
    return tokens;
  }

 private:
  SourcePos here() const { return {line_, int(i_ - lineStart_) + 1}; }
  char peek(size_t ahead = 0) const { return i_ + ahead < s_.size() ? s_[i_ + ahead] : '\0'; }

  void skipBlanksAndComments() {
    while (i_ < s_.size()) {
      char c = s_[i_];
      if (c == ' ' || c == '\t' || c == '\r') {
        ++i_;
      } else if (c == '\'' || (c == '/' && peek(1) == '/')) {
        while (i_ < s_.size() && s_[i_] != '\n') ++i_;
      } else {
        return;
      }
    }
  }

  Token start(Token::Kind kind) {
    Token t;
    t.kind = kind;
    t.pos = here();
    t.offset = i_;
    return t;
  }
  Token finish(Token t) {
    t.length = i_ - t.offset;
    return t;
  }

  Token next() {
    const char c = s_[i_];
    if (c == '\n') {
      Token t = start(Token::Kind::EndOfLine);
      ++i_;
      ++line_;
      lineStart_ = i_;
      t.length = 1;
      return t;
    }
    if (isIdentifierStart(c)) {
      Token t = start(Token::Kind::Identifier);
      while (i_ < s_.size() && isIdentifierChar(s_[i_])) ++i_;
      t.text = std::string(s_.substr(t.offset, i_ - t.offset));
      return finish(std::move(t));
    }
    if (isDigit(c)) return number();
    if (c == '&') return ampersandLiteral();
    if (c == '"') return string();
    Token t = start(Token::Kind::Symbol);
    static constexpr std::string_view twoChar[] = {"<>", "<=", ">="};
    for (std::string_view op : twoChar) {
      if (s_.substr(i_, 2) == op) {
        t.text = std::string(op);
        i_ += 2;
        return finish(std::move(t));
      }
    }
    if (std::string_view("+-*/\\=<>(),.").find(c) != std::string_view::npos) {
      t.text = std::string(1, c);
      ++i_;
      return finish(std::move(t));
    }
    std::string shown = std::isprint(static_cast<unsigned char>(c))
                            ? std::string(1, c)
                            : "byte " + std::to_string(static_cast<unsigned char>(c));
    throw ScriptError(t.pos, "unexpected character '" + shown + "'");
  }

  Token number() {
    Token t = start(Token::Kind::Integer);
    while (isDigit(peek())) ++i_;
    bool isDouble = false;
    if (peek() == '.' && isDigit(peek(1))) {
      isDouble = true;
      ++i_;
      while (isDigit(peek())) ++i_;
    }
    if ((peek() == 'e' || peek() == 'E') &&
        (isDigit(peek(1)) || ((peek(1) == '+' || peek(1) == '-') && isDigit(peek(2))))) {
      isDouble = true;
      i_ += 2;
      while (isDigit(peek())) ++i_;
    }
    if (isIdentifierChar(peek())) throw ScriptError(here(), "malformed number");
    const std::string_view text = s_.substr(t.offset, i_ - t.offset);
    if (isDouble) {
      t.kind = Token::Kind::Double;
      auto r = std::from_chars(text.data(), text.data() + text.size(), t.number);
      if (r.ec != std::errc()) throw ScriptError(t.pos, "number out of range");
      return finish(std::move(t));
    }
    // Anything beyond 2^31 is refused by the parser; cap here so the value
    // itself never overflows.
    for (char d : text) {
      t.integer = t.integer * 10 + uint64_t(d - '0');
      if (t.integer > (uint64_t{1} << 40)) t.integer = uint64_t{1} << 40;
    }
    return finish(std::move(t));
  }

  // &hFF00FF00 (an integer holding up to 32 bits) and &cRRGGBB (a colour).
  Token ampersandLiteral() {
    Token t = start(Token::Kind::Integer);
    const char kind = static_cast<char>(std::tolower(static_cast<unsigned char>(peek(1))));
    if (kind != 'h' && kind != 'c') throw ScriptError(t.pos, "expected &h or &c");
    i_ += 2;
    size_t digits = 0;
    while (isHexDigit(peek())) {
      const char d = static_cast<char>(std::tolower(static_cast<unsigned char>(s_[i_])));
      t.integer = (t.integer << 4) | uint64_t(isDigit(d) ? d - '0' : d - 'a' + 10);
      ++i_;
      if (++digits > 8) throw ScriptError(t.pos, "a hex literal has at most eight digits");
    }
    if (digits == 0) throw ScriptError(t.pos, "hex digits expected");
    if (isIdentifierChar(peek())) throw ScriptError(here(), "malformed hex literal");
    if (kind == 'c') {
      if (digits != 6 && digits != 8)
        throw ScriptError(t.pos, "a colour literal has six or eight hex digits");
      t.kind = Token::Kind::Color;
    }
    t.hex = true;
    return finish(std::move(t));
  }

  Token string() {
    Token t = start(Token::Kind::String);
    ++i_;
    while (true) {
      if (i_ >= s_.size() || s_[i_] == '\n') throw ScriptError(t.pos, "unterminated string");
      if (s_[i_] == '"') {
        if (peek(1) == '"') {
          t.text += '"';
          i_ += 2;
          continue;
        }
        ++i_;
        break;
      }
      t.text += s_[i_++];
    }
    return finish(std::move(t));
  }

  std::string_view s_;
  size_t i_ = 0;
  int line_ = 1;
  size_t lineStart_ = 0;
};

}  // namespace

std::vector<Token> tokenize(std::string_view source) { return Lexer(source).run(); }

}  // namespace rbscript
