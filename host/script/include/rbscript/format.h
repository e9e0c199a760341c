// How Print shows a value: integers in decimal, doubles in the shortest form
// that reads back to the same number, colours as &hRRGGBB (all eight digits
// when the top byte is set), True/False, Nil, pictures as Picture(WxHxD).
#ifndef RBSCRIPT_FORMAT_H
#define RBSCRIPT_FORMAT_H

#include <string>

#include "rbhost/host.h"
#include "rbscript/value.h"

namespace rbscript {

std::string formatDouble(double d);
std::string formatColor(uint32_t c);
std::string formatValue(const rbhost::Host& host, const Value& v);

}  // namespace rbscript

#endif
