// Splits script text into tokens. Keywords are ordinary identifiers here; the
// parser recognises them, case-insensitively. Comments (after ' or //) and
// blanks are dropped; each line break is a token, since one statement fills
// one line.
#ifndef RBSCRIPT_LEXER_H
#define RBSCRIPT_LEXER_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "rbscript/script_error.h"

namespace rbscript {

struct Token {
  enum class Kind {
    Identifier,
    Integer,  // decimal or &h: `integer` holds the value (a decimal one may exceed int32)
    Color,    // &c literal: `integer` holds the 32 bits
    Double,
    String,  // `text` holds the bytes between the quotes, "" unescaped
    Symbol,  // `text` holds the operator or punctuation: + - * / \\ = <> < > <= >= ( ) , .
    EndOfLine,
    EndOfInput
  };
  Kind kind = Kind::EndOfInput;
  std::string text;  // the identifier, string bytes or symbol
  uint64_t integer = 0;
  bool hex = false;  // an &h literal: its bits are the value, up to 32 of them
  double number = 0;
  SourcePos pos;
  size_t offset = 0;  // byte offset in the source, for quoting source text
  size_t length = 0;
};

// Throws ScriptError on a malformed literal or an unexpected character.
std::vector<Token> tokenize(std::string_view source);

}  // namespace rbscript

#endif
