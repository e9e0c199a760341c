#include "rbscript/parser.h"

#include <cstdint>

#include "rbhost/declaration.h"
#include "rbscript/lexer.h"

namespace rbscript {
namespace {

using rbhost::equalsIgnoreCase;

constexpr std::string_view kKeywords[] = {"dim",   "as",  "new", "print", "assert", "true",
                                          "false", "nil", "not", "and",   "or"};

bool isKeyword(std::string_view word) {
  for (std::string_view k : kKeywords)
    if (equalsIgnoreCase(word, k)) return true;
  return false;
}

class Parser {
 public:
  Parser(std::string_view source, std::vector<Token> tokens)
      : source_(source), t_(std::move(tokens)) {}

  Program program() {
    Program p;
    while (true) {
      while (at(Token::Kind::EndOfLine)) ++i_;
      if (at(Token::Kind::EndOfInput)) break;
      p.statements.push_back(statement());
      if (!at(Token::Kind::EndOfLine) && !at(Token::Kind::EndOfInput))
        throw ScriptError(cur().pos, "end of statement expected, found " + describe(cur()));
    }
    return p;
  }

 private:
  const Token& cur() const { return t_[i_]; }
  bool at(Token::Kind k) const { return cur().kind == k; }
  bool atSymbol(std::string_view s) const { return at(Token::Kind::Symbol) && cur().text == s; }
  bool atWord(std::string_view w) const {
    return at(Token::Kind::Identifier) && equalsIgnoreCase(cur().text, w);
  }
  bool atEndOfStatement() const {
    return at(Token::Kind::EndOfLine) || at(Token::Kind::EndOfInput);
  }

  static std::string describe(const Token& t) {
    switch (t.kind) {
      case Token::Kind::EndOfLine:
        return "end of line";
      case Token::Kind::EndOfInput:
        return "end of input";
      case Token::Kind::String:
        return "a string";
      case Token::Kind::Integer:
      case Token::Kind::Double:
      case Token::Kind::Color:
        return "a number";
      default:
        return "'" + t.text + "'";
    }
  }

  void expectSymbol(std::string_view s) {
    if (!atSymbol(s))
      throw ScriptError(cur().pos, "'" + std::string(s) + "' expected, found " + describe(cur()));
    ++i_;
  }
  void expectWord(std::string_view w) {
    if (!atWord(w))
      throw ScriptError(cur().pos, "'" + std::string(w) + "' expected, found " + describe(cur()));
    ++i_;
  }
  // A name that is not a keyword.
  std::string identifier(std::string_view what) {
    if (!at(Token::Kind::Identifier) || isKeyword(cur().text))
      throw ScriptError(cur().pos, std::string(what) + " expected, found " + describe(cur()));
    return t_[i_++].text;
  }

  Stmt statement() {
    Stmt s;
    s.pos = cur().pos;
    if (atWord("dim")) {
      ++i_;
      s.kind = Stmt::Kind::Dim;
      s.namePos = cur().pos;
      s.name = identifier("a variable name");
      bool arrayName = false;
      if (atSymbol("(")) {
        ++i_;
        expectSymbol(")");
        arrayName = true;
      }
      expectWord("as");
      if (atWord("new")) {
        if (arrayName) throw ScriptError(cur().pos, "an array cannot be made with New");
        ++i_;
        s.isNew = true;
      }
      s.type.pos = cur().pos;
      s.type.name = identifier("a type name");
      s.type.isArray = arrayName;
      if (atSymbol("(")) {  // Dim a As Integer()
        ++i_;
        expectSymbol(")");
        s.type.isArray = true;
      }
      if (atSymbol("=")) {
        if (s.isNew) throw ScriptError(cur().pos, "Dim ... As New takes no initial value");
        ++i_;
        s.value = expression();
      }
      return s;
    }
    if (atWord("print")) {
      ++i_;
      s.kind = Stmt::Kind::Print;
      if (!atEndOfStatement()) s.args = expressionList();
      return s;
    }
    if (atWord("assert")) {
      ++i_;
      s.kind = Stmt::Kind::Assert;
      const size_t from = cur().offset;
      s.value = expression();
      s.sourceText =
          std::string(source_.substr(from, t_[i_ - 1].offset + t_[i_ - 1].length - from));
      if (atSymbol(",")) {
        ++i_;
        s.message = expression();
      }
      return s;
    }
    ExprPtr e = postfix();
    if (atSymbol("=")) {
      if (e->kind != Expr::Kind::Name && e->kind != Expr::Kind::Member &&
          e->kind != Expr::Kind::Call)
        throw ScriptError(e->pos, "cannot assign to this expression");
      ++i_;
      s.kind = Stmt::Kind::Assign;
      s.target = std::move(e);
      s.value = expression();
      return s;
    }
    s.kind = Stmt::Kind::Call;
    if (!atEndOfStatement() && (e->kind == Expr::Kind::Name || e->kind == Expr::Kind::Member)) {
      // A call without parentheses: r.OffsetBy 1, 2
      auto call = std::make_unique<Expr>();
      call->kind = Expr::Kind::Call;
      call->pos = e->pos;
      call->object = std::move(e);
      call->args = expressionList();
      e = std::move(call);
    }
    if (e->kind != Expr::Kind::Name && e->kind != Expr::Kind::Member && e->kind != Expr::Kind::Call)
      throw ScriptError(e->pos, "a statement must be a call, an assignment, Dim, Print or Assert");
    s.value = std::move(e);
    return s;
  }

  std::vector<ExprPtr> expressionList() {
    std::vector<ExprPtr> list;
    list.push_back(expression());
    while (atSymbol(",")) {
      ++i_;
      list.push_back(expression());
    }
    return list;
  }

  ExprPtr binary(Operator op, ExprPtr left, ExprPtr right, SourcePos pos) {
    auto e = std::make_unique<Expr>();
    e->kind = Expr::Kind::Binary;
    e->pos = pos;
    e->op = op;
    e->object = std::move(left);
    e->right = std::move(right);
    return e;
  }

  ExprPtr expression() { return orExpression(); }

  ExprPtr orExpression() {
    ExprPtr left = andExpression();
    while (atWord("or")) {
      SourcePos pos = cur().pos;
      ++i_;
      left = binary(Operator::Or, std::move(left), andExpression(), pos);
    }
    return left;
  }

  ExprPtr andExpression() {
    ExprPtr left = notExpression();
    while (atWord("and")) {
      SourcePos pos = cur().pos;
      ++i_;
      left = binary(Operator::And, std::move(left), notExpression(), pos);
    }
    return left;
  }

  ExprPtr notExpression() {
    if (!atWord("not")) return comparison();
    auto e = std::make_unique<Expr>();
    e->kind = Expr::Kind::Unary;
    e->pos = cur().pos;
    e->op = Operator::Not;
    ++i_;
    e->object = notExpression();
    return e;
  }

  ExprPtr comparison() {
    ExprPtr left = additive();
    static const std::pair<std::string_view, Operator> ops[] = {
        {"=", Operator::Equal},   {"<>", Operator::NotEqual},  {"<", Operator::Less},
        {">", Operator::Greater}, {"<=", Operator::LessEqual}, {">=", Operator::GreaterEqual}};
    while (at(Token::Kind::Symbol)) {
      const Operator* found = nullptr;
      for (const auto& [text, op] : ops)
        if (cur().text == text) found = &op;
      if (found == nullptr) break;
      SourcePos pos = cur().pos;
      ++i_;
      left = binary(*found, std::move(left), additive(), pos);
    }
    return left;
  }

  ExprPtr additive() {
    ExprPtr left = multiplicative();
    while (atSymbol("+") || atSymbol("-")) {
      Operator op = cur().text == "+" ? Operator::Add : Operator::Subtract;
      SourcePos pos = cur().pos;
      ++i_;
      left = binary(op, std::move(left), multiplicative(), pos);
    }
    return left;
  }

  ExprPtr multiplicative() {
    ExprPtr left = unary();
    while (atSymbol("*") || atSymbol("/")) {
      Operator op = cur().text == "*" ? Operator::Multiply : Operator::Divide;
      SourcePos pos = cur().pos;
      ++i_;
      left = binary(op, std::move(left), unary(), pos);
    }
    return left;
  }

  ExprPtr unary() {
    if (atWord("not")) return notExpression();  // 1 + Not 2
    if (!atSymbol("-")) return postfix();
    SourcePos pos = cur().pos;
    ++i_;
    // -2147483648 is a literal of its own: 2147483648 alone does not fit.
    if (at(Token::Kind::Integer) && !cur().hex) {
      const uint64_t v = cur().integer;
      if (v > uint64_t{1} << 31) throw ScriptError(cur().pos, "integer literal out of range");
      ++i_;
      auto e = std::make_unique<Expr>();
      e->kind = Expr::Kind::Integer;
      e->pos = pos;
      e->integer = static_cast<uint32_t>(0u - static_cast<uint32_t>(v));
      return postfixOn(std::move(e));
    }
    auto e = std::make_unique<Expr>();
    e->kind = Expr::Kind::Unary;
    e->pos = pos;
    e->op = Operator::Negate;
    e->object = unary();
    return e;
  }

  ExprPtr postfix() { return postfixOn(primary()); }

  ExprPtr postfixOn(ExprPtr e) {
    while (true) {
      if (atSymbol(".")) {
        ++i_;
        auto m = std::make_unique<Expr>();
        m->kind = Expr::Kind::Member;
        m->pos = cur().pos;
        if (!at(Token::Kind::Identifier))
          throw ScriptError(cur().pos, "member name expected, found " + describe(cur()));
        m->text = t_[i_++].text;
        m->object = std::move(e);
        e = std::move(m);
      } else if (atSymbol("(")) {
        if (e->kind != Expr::Kind::Name && e->kind != Expr::Kind::Member)
          throw ScriptError(cur().pos, "only a method or function can be called");
        ++i_;
        auto c = std::make_unique<Expr>();
        c->kind = Expr::Kind::Call;
        c->pos = e->pos;
        if (!atSymbol(")")) c->args = expressionList();
        expectSymbol(")");
        c->object = std::move(e);
        e = std::move(c);
      } else {
        return e;
      }
    }
  }

  ExprPtr primary() {
    auto e = std::make_unique<Expr>();
    e->pos = cur().pos;
    const Token& t = cur();
    switch (t.kind) {
      case Token::Kind::Integer:
        if (!t.hex && t.integer > uint64_t(INT32_MAX))
          throw ScriptError(t.pos, "integer literal out of range");
        e->kind = Expr::Kind::Integer;
        e->integer = static_cast<uint32_t>(t.integer);
        ++i_;
        return e;
      case Token::Kind::Color:
        e->kind = Expr::Kind::Color;
        e->integer = static_cast<uint32_t>(t.integer);
        ++i_;
        return e;
      case Token::Kind::Double:
        e->kind = Expr::Kind::Double;
        e->number = t.number;
        ++i_;
        return e;
      case Token::Kind::String:
        e->kind = Expr::Kind::String;
        e->text = t.text;
        ++i_;
        return e;
      case Token::Kind::Identifier:
        if (atWord("true") || atWord("false")) {
          e->kind = Expr::Kind::Boolean;
          e->boolean = atWord("true");
          ++i_;
          return e;
        }
        if (atWord("nil")) {
          e->kind = Expr::Kind::Nil;
          ++i_;
          return e;
        }
        if (atWord("new")) {
          ++i_;
          e->kind = Expr::Kind::New;
          e->text = identifier("a class name");
          return e;
        }
        e->kind = Expr::Kind::Name;
        e->text = identifier("an expression");
        return e;
      case Token::Kind::Symbol:
        if (t.text == "(") {
          ++i_;
          ExprPtr inner = expression();
          expectSymbol(")");
          return inner;
        }
        break;
      default:
        break;
    }
    throw ScriptError(t.pos, "expression expected, found " + describe(t));
  }

  std::string_view source_;
  std::vector<Token> t_;
  size_t i_ = 0;
};

}  // namespace

Program parse(std::string_view source) { return Parser(source, tokenize(source)).program(); }

}  // namespace rbscript
