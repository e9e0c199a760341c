// A script variable: its declared type and the value it holds now.
#ifndef RBSCRIPT_VARIABLE_H
#define RBSCRIPT_VARIABLE_H

#include <string>

#include "rbscript/value.h"

namespace rbscript {

struct Variable {
  std::string name;  // as declared
  TypeSpec type;
  Value value;
};

}  // namespace rbscript

#endif
