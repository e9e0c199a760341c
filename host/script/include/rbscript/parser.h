// Parses a script. Precedence, loosest first: Or; And; Not; comparisons
// (= <> < > <= >=); + -; * / \\ Mod; unary minus; member access and calls.
#ifndef RBSCRIPT_PARSER_H
#define RBSCRIPT_PARSER_H

#include <string_view>

#include "rbscript/ast.h"

namespace rbscript {

// Throws ScriptError at the first syntax error.
Program parse(std::string_view source);

}  // namespace rbscript

#endif
