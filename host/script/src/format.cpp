#include "rbscript/format.h"

#include <charconv>
#include <cstdio>

namespace rbscript {

std::string formatDouble(double d) {
  char buffer[64];
  auto r = std::to_chars(buffer, buffer + sizeof buffer, d);
  return std::string(buffer, r.ptr);
}

std::string formatColor(uint32_t c) {
  char buffer[16];
  if ((c >> 24) != 0) {
    std::snprintf(buffer, sizeof buffer, "&h%08X", static_cast<unsigned>(c));
  } else {
    std::snprintf(buffer, sizeof buffer, "&h%06X", static_cast<unsigned>(c));
  }
  return buffer;
}

std::string formatValue(const rbhost::Host& host, const Value& v) {
  switch (v.kind) {
    case Kind::Void:
      return "";
    case Kind::Nil:
      return "Nil";
    case Kind::Integer:
      return std::to_string(v.integer);
    case Kind::Double:
      return formatDouble(v.number);
    case Kind::Boolean:
      return v.boolean ? "True" : "False";
    case Kind::Color:
      return formatColor(v.color);
    case Kind::String:
      return v.bytes;
    case Kind::Picture: {
      auto p = reinterpret_cast<RbPicture>(v.handle());
      return "Picture(" + std::to_string(host.width(p)) + "x" + std::to_string(host.height(p)) +
             "x" + std::to_string(host.depth(p)) + ")";
    }
    case Kind::MemoryBlock: {
      const int64_t size = host.memoryBlockSize(reinterpret_cast<RbMemoryBlock>(v.handle()));
      return "MemoryBlock(" + (size < 0 ? std::string("?") : std::to_string(size)) + ")";
    }
    case Kind::Array: {
      std::string s = "Array(";
      if (v.array)
        for (size_t i = 0; i < v.array->items.size(); ++i)
          s += (i > 0 ? ", " : "") + formatValue(host, v.array->items[i]);
      return s + ")";
    }
    case Kind::Instance:
      return v.className;
    case Kind::Surface:
      return "RGBSurface";
  }
  return "";
}

}  // namespace rbscript
