// The syntax tree of a script: statements, one per line, and expressions.
#ifndef RBSCRIPT_AST_H
#define RBSCRIPT_AST_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "rbscript/script_error.h"

namespace rbscript {

enum class Operator {
  Add,
  Subtract,
  Multiply,
  Divide,
  Modulo,
  IntegerDivide,
  Equal,
  NotEqual,
  Less,
  Greater,
  LessEqual,
  GreaterEqual,
  And,
  Or,
  Negate,
  Not
};

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;

struct Expr {
  enum class Kind {
    Integer,  // `integer` holds the 32 bits
    Double,
    String,
    Color,  // &c literal
    Boolean,
    Nil,
    Name,    // `name`
    Member,  // `object`.`name`
    Call,    // `object` (a Name or a Member) applied to `args`
    Unary,   // `op` applied to `object`
    Binary,  // `object` `op` `right`
    New      // New `name`
  };
  Kind kind;
  SourcePos pos;
  uint32_t integer = 0;
  double number = 0;
  bool boolean = false;
  std::string text;  // string bytes, or the name
  Operator op = Operator::Add;
  ExprPtr object, right;
  std::vector<ExprPtr> args;
  int depth = 1;  // of the tree below and including this node
};

// A declared type: "Integer", "Picture", "TVQ_Rectangle", "Integer()".
struct TypeName {
  std::string name;
  bool isArray = false;
  SourcePos pos;
};

struct Stmt;
using Block = std::vector<Stmt>;

// One condition and what runs when it holds (If, ElseIf), or one Case.
struct Branch {
  ExprPtr condition;               // If/ElseIf
  std::vector<ExprPtr> values;     // Case a, b (each may be a range: see `rangeEnds`)
  std::vector<ExprPtr> rangeEnds;  // Case a To b: the b of each value, or null
  bool isElse = false;             // Case Else
  SourcePos pos;
  Block body;
};

struct Stmt {
  enum class Kind {
    Dim,     // Dim `name`[(`bound`)] As [New] `type` [= `value`]
    Assign,  // `target` = `value`
    Call,    // `value` evaluated, its result dropped
    Print,   // Print `args`
    Assert,  // Assert `value` [, `message`]
    If,      // `branches`, then `elseBody` when none holds
    For,     // For `name` [As `type`] = `value` To `limit` [Step `step`] `body` Next
    While,   // While `value` `body` Wend
    Do,      // Do [While|Until `value`] `body` Loop [While|Until `limit`]
    Exit,    // Exit For/While/Do/Sub/Function: `exitKind`
    Select,  // Select Case `value`, `branches`
    Return,  // Return [`value`]
    Redim    // Redim `name`(`value`)
  };
  enum class ExitKind { For, While, Do, Method };
  Kind kind;
  SourcePos pos;
  std::string name;  // Dim, For, Redim
  SourcePos namePos;
  TypeName type;
  bool isNew = false;
  bool declares = false;  // For i As Integer = ...
  ExprPtr target, value, message, bound, limit, step;
  std::vector<ExprPtr> args;
  std::string sourceText;  // Assert: the condition as written
  std::vector<Branch> branches;
  Block body, elseBody;
  // Do: `value` is tested before each pass, `limit` after; each is an Until
  // condition when its flag is set, a While condition otherwise.
  bool untilBefore = false, untilAfter = false;
  ExitKind exitKind = ExitKind::For;
};

struct Parameter {
  std::string name;
  SourcePos pos;
  TypeName type;
  bool byRef = false;
};

// A Sub or Function the script defines.
struct Method {
  std::string name;
  SourcePos pos;
  bool isFunction = false;
  std::vector<Parameter> params;
  TypeName returnType;  // Function only
  Block body;
};

struct Program {
  std::vector<Stmt> statements;
  std::vector<std::shared_ptr<const Method>> methods;
};

}  // namespace rbscript

#endif
