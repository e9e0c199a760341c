#include "rbscript/parser.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "rbhost/declaration.h"
#include "rbscript/lexer.h"

namespace rbscript {
namespace {

using rbhost::equalsIgnoreCase;

constexpr std::string_view kKeywords[] = {
    "dim",    "as",   "new",  "print",    "assert", "true",  "false",  "nil",   "not",
    "and",    "or",   "mod",  "if",       "then",   "else",  "elseif", "end",   "for",
    "to",     "step", "next", "while",    "wend",   "do",    "loop",   "until", "exit",
    "select", "case", "sub",  "function", "return", "byval", "byref",  "redim"};

// How deep expressions and blocks may nest, and how deep an expression's
// tree may grow (a sum of n terms is n deep): beyond, a syntax error.
constexpr int kMaxNesting = 1000;

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
    p.statements = block({}, true, &p);
    if (!at(Token::Kind::EndOfInput))
      throw ScriptError(cur().pos, describe(cur()) + " without the statement that opens it");
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

  // Counts one level of nesting; a syntax error beyond kMaxNesting.
  struct Nest {
    Nest(Parser& p, SourcePos pos) : p_(p) {
      if (++p_.nesting_ > kMaxNesting)
        throw ScriptError(
            pos, "nested too deeply (more than " + std::to_string(kMaxNesting) + " levels)");
    }
    ~Nest() { --p_.nesting_; }
    Nest(const Nest&) = delete;
    Nest& operator=(const Nest&) = delete;
    Parser& p_;
  };

  const Token& ahead(size_t n) const { return t_[std::min(i_ + n, t_.size() - 1)]; }
  bool aheadWord(size_t n, std::string_view w) const {
    return ahead(n).kind == Token::Kind::Identifier && equalsIgnoreCase(ahead(n).text, w);
  }
  void endOfStatement() {
    if (!atEndOfStatement())
      throw ScriptError(cur().pos, "end of statement expected, found " + describe(cur()));
  }
  // Is the line at a word that closes (or continues) a block?
  bool atBlockEnd(const std::vector<std::string_view>& ends) const {
    for (std::string_view e : ends) {
      if (e == "end if" || e == "end select" || e == "end sub" || e == "end function" ||
          e == "end while") {
        if (atWord("end") && aheadWord(1, e.substr(4))) return true;
      } else if (atWord(e)) {
        return true;
      }
    }
    return false;
  }

  // Statements, one a line, up to one of `ends` (left for the caller) or the
  // end of input.
  Block block(const std::vector<std::string_view>& ends, bool topLevel = false,
              Program* program = nullptr) {
    Nest nest(*this, cur().pos);
    Block b;
    while (true) {
      while (at(Token::Kind::EndOfLine)) ++i_;
      if (at(Token::Kind::EndOfInput)) {
        if (!ends.empty())
          throw ScriptError(
              cur().pos, "'" + std::string(ends.front()) + "' expected, found " + describe(cur()));
        return b;
      }
      if (atBlockEnd(ends)) return b;
      if (atWord("sub") || atWord("function")) {
        if (!topLevel)
          throw ScriptError(cur().pos, "a Sub or Function is defined outside every other block");
        program->methods.push_back(method());
        continue;
      }
      if (atWord("end") || atWord("next") || atWord("wend") || atWord("loop") || atWord("else") ||
          atWord("elseif") || atWord("case"))
        throw ScriptError(cur().pos, "'" + cur().text + "' without the statement that opens it");
      b.push_back(statement());
      endOfStatement();
    }
  }

  void expectEnd(std::string_view what) {
    expectWord("end");
    expectWord(what);
  }

  std::shared_ptr<const Method> method() {
    auto m = std::make_shared<Method>();
    m->pos = cur().pos;
    m->isFunction = atWord("function");
    ++i_;
    m->name = identifier(m->isFunction ? "a Function name" : "a Sub name");
    expectSymbol("(");
    if (!atSymbol(")")) {
      while (true) {
        Parameter p;
        if (atWord("byref") || atWord("byval")) {
          p.byRef = atWord("byref");
          ++i_;
        }
        p.pos = cur().pos;
        p.name = identifier("a parameter name");
        bool array = false;
        if (atSymbol("(")) {
          ++i_;
          expectSymbol(")");
          array = true;
        }
        expectWord("as");
        p.type = typeName();
        p.type.isArray = p.type.isArray || array;
        m->params.push_back(std::move(p));
        if (!atSymbol(",")) break;
        ++i_;
      }
    }
    expectSymbol(")");
    if (m->isFunction) {
      expectWord("as");
      m->returnType = typeName();
    }
    endOfStatement();
    const bool wasInMethod = inMethod_;
    inMethod_ = true;
    inFunction_ = m->isFunction;
    loops_.clear();
    m->body = block({m->isFunction ? "end function" : "end sub"});
    inMethod_ = wasInMethod;
    expectEnd(m->isFunction ? "function" : "sub");
    endOfStatement();
    return m;
  }

  TypeName typeName() {
    TypeName t;
    t.pos = cur().pos;
    t.name = identifier("a type name");
    if (atSymbol("(")) {
      ++i_;
      expectSymbol(")");
      t.isArray = true;
    }
    return t;
  }

  Block loopBody(Stmt::ExitKind kind, const std::vector<std::string_view>& ends) {
    loops_.push_back(kind);
    Block b = block(ends);
    loops_.pop_back();
    return b;
  }

  Stmt ifStatement(Stmt s) {
    s.kind = Stmt::Kind::If;
    ++i_;
    Branch first;
    first.pos = cur().pos;
    first.condition = expression();
    expectWord("then");
    if (!atEndOfStatement()) {  // If c Then statement [Else statement]
      first.body.push_back(statement());
      s.branches.push_back(std::move(first));
      if (atWord("else")) {
        ++i_;
        s.elseBody.push_back(statement());
      }
      return s;
    }
    const std::vector<std::string_view> ends = {"elseif", "else", "end if"};
    first.body = block(ends);
    s.branches.push_back(std::move(first));
    while (true) {
      if (atWord("elseif")) {
        ++i_;
        Branch b;
        b.pos = cur().pos;
        b.condition = expression();
        expectWord("then");
        endOfStatement();
        b.body = block(ends);
        s.branches.push_back(std::move(b));
      } else if (atWord("else")) {
        ++i_;
        if (atWord("if")) throw ScriptError(cur().pos, "write ElseIf as one word");
        endOfStatement();
        s.elseBody = block({"end if"});
        expectEnd("if");
        return s;
      } else {
        expectEnd("if");
        return s;
      }
    }
  }

  Stmt forStatement(Stmt s) {
    s.kind = Stmt::Kind::For;
    ++i_;
    s.namePos = cur().pos;
    s.name = identifier("a loop variable");
    if (atWord("as")) {
      ++i_;
      s.declares = true;
      s.type = typeName();
    }
    expectSymbol("=");
    s.value = expression();
    expectWord("to");
    s.limit = expression();
    if (atWord("step")) {
      ++i_;
      s.step = expression();
    }
    endOfStatement();
    s.body = loopBody(Stmt::ExitKind::For, {"next"});
    expectWord("next");
    if (at(Token::Kind::Identifier)) {
      if (!equalsIgnoreCase(cur().text, s.name))
        throw ScriptError(cur().pos, "Next " + cur().text + " closes the loop of " + s.name);
      ++i_;
    }
    return s;
  }

  Stmt selectStatement(Stmt s) {
    s.kind = Stmt::Kind::Select;
    ++i_;
    expectWord("case");
    s.value = expression();
    endOfStatement();
    while (at(Token::Kind::EndOfLine)) ++i_;
    while (atWord("case")) {
      Branch b;
      b.pos = cur().pos;
      ++i_;
      if (atWord("else")) {
        ++i_;
        b.isElse = true;
      } else {
        while (true) {
          b.values.push_back(expression());
          if (atWord("to")) {
            ++i_;
            b.rangeEnds.push_back(expression());
          } else {
            b.rangeEnds.push_back(nullptr);
          }
          if (!atSymbol(",")) break;
          ++i_;
        }
      }
      endOfStatement();
      b.body = block({"case", "end select"});
      const bool isElse = b.isElse;
      s.branches.push_back(std::move(b));
      if (isElse && atWord("case")) throw ScriptError(cur().pos, "Case Else is the last Case");
    }
    expectEnd("select");
    return s;
  }

  Stmt exitStatement(Stmt s) {
    s.kind = Stmt::Kind::Exit;
    ++i_;
    using EK = Stmt::ExitKind;
    auto inLoop = [&](EK k) {
      for (EK l : loops_)
        if (l == k) return true;
      return false;
    };
    if (atWord("for") || atWord("while") || atWord("do")) {
      s.exitKind = atWord("for") ? EK::For : atWord("while") ? EK::While : EK::Do;
      if (!inLoop(s.exitKind))
        throw ScriptError(cur().pos, "Exit " + cur().text + " outside a " + cur().text + " loop");
      ++i_;
      return s;
    }
    if (atWord("sub") || atWord("function")) {
      if (!inMethod_) throw ScriptError(cur().pos, "Exit " + cur().text + " outside a method");
      ++i_;
      s.exitKind = EK::Method;
      return s;
    }
    if (!loops_.empty()) {
      s.exitKind = loops_.back();
    } else if (inMethod_) {
      s.exitKind = EK::Method;
    } else {
      throw ScriptError(s.pos, "Exit outside a loop");
    }
    return s;
  }

  Stmt statement() {
    Nest nest(*this, cur().pos);
    Stmt s;
    s.pos = cur().pos;
    if (atWord("if")) return ifStatement(std::move(s));
    if (atWord("for")) return forStatement(std::move(s));
    if (atWord("select")) return selectStatement(std::move(s));
    if (atWord("exit")) return exitStatement(std::move(s));
    if (atWord("while")) {
      ++i_;
      s.kind = Stmt::Kind::While;
      s.value = expression();
      endOfStatement();
      s.body = loopBody(Stmt::ExitKind::While, {"wend", "end while"});
      if (atWord("wend")) {
        ++i_;
      } else {
        expectEnd("while");
      }
      return s;
    }
    if (atWord("do")) {
      ++i_;
      s.kind = Stmt::Kind::Do;
      if (atWord("while") || atWord("until")) {
        s.untilBefore = atWord("until");
        ++i_;
        s.value = expression();
      }
      endOfStatement();
      s.body = loopBody(Stmt::ExitKind::Do, {"loop"});
      expectWord("loop");
      if (atWord("while") || atWord("until")) {
        s.untilAfter = atWord("until");
        ++i_;
        s.limit = expression();
      }
      return s;
    }
    if (atWord("return")) {
      if (!inMethod_) throw ScriptError(cur().pos, "Return outside a Sub or Function");
      ++i_;
      s.kind = Stmt::Kind::Return;
      if (!atEndOfStatement() && !atWord("else")) {
        if (!inFunction_) throw ScriptError(cur().pos, "a Sub returns no value");
        s.value = expression();
      }
      return s;
    }
    if (atWord("redim")) {
      ++i_;
      s.kind = Stmt::Kind::Redim;
      s.namePos = cur().pos;
      s.name = identifier("an array name");
      expectSymbol("(");
      s.value = expression();
      expectSymbol(")");
      return s;
    }
    if (atWord("dim")) {
      ++i_;
      s.kind = Stmt::Kind::Dim;
      s.namePos = cur().pos;
      s.name = identifier("a variable name");
      bool arrayName = false;
      if (atSymbol("(")) {
        ++i_;
        if (!atSymbol(")")) s.bound = expression();
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
        if (s.bound) throw ScriptError(cur().pos, "Dim a(n) takes no initial value");
        ++i_;
        s.value = expression();
      }
      return s;
    }
    if (atWord("print")) {
      ++i_;
      s.kind = Stmt::Kind::Print;
      if (!atEndOfStatement() && !atWord("else")) s.args = expressionList();
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
    if (!atEndOfStatement() && !atWord("else") &&
        (e->kind == Expr::Kind::Name || e->kind == Expr::Kind::Member)) {
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
    e->depth = 1 + std::max(left->depth, right->depth);
    if (e->depth > kMaxNesting)
      throw ScriptError(pos, "expression nested too deeply (more than " +
                                 std::to_string(kMaxNesting) + " levels)");
    e->object = std::move(left);
    e->right = std::move(right);
    return e;
  }

  ExprPtr expression() {
    Nest nest(*this, cur().pos);
    return orExpression();
  }

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
    Nest nest(*this, cur().pos);
    auto e = std::make_unique<Expr>();
    e->kind = Expr::Kind::Unary;
    e->pos = cur().pos;
    e->op = Operator::Not;
    ++i_;
    e->object = notExpression();
    e->depth = e->object->depth + 1;
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
    while (atSymbol("*") || atSymbol("/") || atSymbol("\\") || atWord("mod")) {
      Operator op = atWord("mod")       ? Operator::Modulo
                    : cur().text == "*" ? Operator::Multiply
                    : cur().text == "/" ? Operator::Divide
                                        : Operator::IntegerDivide;
      SourcePos pos = cur().pos;
      ++i_;
      left = binary(op, std::move(left), unary(), pos);
    }
    return left;
  }

  ExprPtr unary() {
    if (atWord("not")) return notExpression();  // 1 + Not 2
    if (!atSymbol("-")) return postfix();
    Nest nest(*this, cur().pos);
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
    e->depth = e->object->depth + 1;
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
        m->depth = e->depth + 1;
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
        c->depth = e->depth + 1;
        for (const ExprPtr& a : c->args) c->depth = std::max(c->depth, a->depth + 1);
        if (c->depth > kMaxNesting)
          throw ScriptError(c->pos, "expression nested too deeply (more than " +
                                        std::to_string(kMaxNesting) + " levels)");
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
          return inner;  // parentheses leave no node: the depth stays
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
  int nesting_ = 0;
  bool inMethod_ = false;
  bool inFunction_ = false;
  std::vector<Stmt::ExitKind> loops_;  // the loops around the statement being parsed
};

}  // namespace

Program parse(std::string_view source) { return Parser(source, tokenize(source)).program(); }

}  // namespace rbscript
