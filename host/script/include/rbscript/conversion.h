// Between script values and what a declaration asks for: which values fit a
// parameter (and how well, to choose among overloads), what a variable of a
// type accepts, and the C form of a value on its way into a plug-in and back.
#ifndef RBSCRIPT_CONVERSION_H
#define RBSCRIPT_CONVERSION_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rbhost/host.h"
#include "rbscript/ffi_call.h"
#include "rbscript/value.h"

namespace rbscript {

// The script type of a declared type name ("integer", "Picture", a class).
TypeSpec declaredType(std::string_view typeName, bool isArray = false);
TypeSpec declaredType(const rbhost::AbiType& abi, std::string_view typeName);

// How well `v` fits a by-value parameter of type `want`: 3 exactly, 2 by a
// widening (Integer to Double, Integer to Color keeping all 32 bits), 1 for
// the Nil literal in an object parameter; nullopt when it does not fit.
std::optional<int> fitness(const Value& v, const TypeSpec& want);

// The value a variable or parameter of type `want` receives; nullopt when the
// types do not fit. Nil takes the declared type along.
std::optional<Value> convertTo(const Value& v, const TypeSpec& want);

CType cTypeOf(const rbhost::AbiType& abi);

// The C argument for `v` (already converted to the parameter's type). A
// string becomes a host string whose reference is kept in `temporaries`.
CValue toC(rbhost::Host& host, const Value& v, const rbhost::AbiType& abi,
           std::vector<HostRef>& temporaries);

// A result or output of the C function as a value; an object result hands
// over one reference (the caller owns what a plug-in returns).
Value fromC(rbhost::Host& host, const CValue& c, const rbhost::AbiType& abi,
            const TypeSpec& declared);

}  // namespace rbscript

#endif
