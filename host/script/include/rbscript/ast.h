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
};

// A declared type: "Integer", "Picture", "TVQ_Rectangle", "Integer()".
struct TypeName {
  std::string name;
  bool isArray = false;
  SourcePos pos;
};

struct Stmt {
  enum class Kind {
    Dim,     // Dim `name` As [New] `type` [= `value`]
    Assign,  // `target` = `value`
    Call,    // `value` evaluated, its result dropped
    Print,   // Print `args`
    Assert   // Assert `value` [, `message`]
  };
  Kind kind;
  SourcePos pos;
  std::string name;  // Dim
  SourcePos namePos;
  TypeName type;
  bool isNew = false;
  ExprPtr target, value, message;
  std::vector<ExprPtr> args;
  std::string sourceText;  // Assert: the condition as written
};

struct Program {
  std::vector<Stmt> statements;
};

}  // namespace rbscript

#endif
