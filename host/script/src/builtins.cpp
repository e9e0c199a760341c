#include "rbscript/builtins.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "display.h"
#include "rbscript/conversion.h"
#include "rbscript/format.h"
#include "rbscript/picture_pixels.h"
#include "rbscript/png_io.h"

namespace rbscript {
namespace {

using rbhost::equalsIgnoreCase;

struct FunctionSpec {
  std::string_view name;
  size_t minArgs, maxArgs;
};

constexpr FunctionSpec kFunctions[] = {
    {"LoadPicture", 1, 2},
    {"SavePicture", 2, 2},
    {"NewPicture", 3, 4},
    {"RGB", 3, 3},
    {"NewMemoryBlock", 1, 1},
    {"LenB", 1, 1},
    {"EncodeHex", 1, 1},
    {"DecodeHex", 1, 1},
    {"LoadString", 1, 1},
    {"SaveString", 2, 2},
    {"Array", 0, SIZE_MAX},
    {"UBound", 1, 1},
    {"Str", 1, 1},
    {"Val", 1, 1},
    {"Format", 2, 2},
    {"Hex", 1, 1},
    {"Abs", 1, 1},
    {"Min", 2, SIZE_MAX},
    {"Max", 2, SIZE_MAX},
    {"Round", 1, 1},
    {"Floor", 1, 1},
    {"Ceil", 1, 1},
    {"Sqrt", 1, 1},
    {"Len", 1, 1},
    {"Mid", 2, 3},
    {"Left", 2, 2},
    {"Right", 2, 2},
    {"InStr", 2, 3},
    {"Ticks", 0, 0},
    {"Microseconds", 0, 0},
    {"ListFiles", 1, 2},
    {"FailPictureLocks", 1, 2},
    {"FailNewPictureAfter", 1, 1},
    {"RemoveHostService", 1, 1},
    {"RestoreHost", 0, 0},
    {"Screen", 1, 1},
    {"SetDisplay", 1, 2},
    {"SetDesktopColor", 1, 1},
    {"NewGWorld", 1, 1},
    {"DeleteObject", 1, 1},
};

const FunctionSpec* findFunction(std::string_view name) {
  for (const FunctionSpec& f : kFunctions)
    if (equalsIgnoreCase(f.name, name)) return &f;
  return nullptr;
}

// The argument as a value of `kind`, or a type error naming the parameter.
Value expect(const Argument& a, Kind kind, std::string_view what) {
  auto v = convertTo(a.value, TypeSpec{kind, ""});
  if (!v || v->kind == Kind::Nil)
    throw ScriptError(a.pos, std::string(what) + " must be " + typeText({kind, ""}) + ", not " +
                                 describeType(a.value));
  return std::move(*v);
}

// Writing to what exists and is not a regular file (a FIFO without a reader
// would block, a device never fill) is refused before opening it.
void checkWritable(const std::string& path, SourcePos pos) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status st = fs::status(fs::path(path), ec);
  if (!ec && fs::exists(st) && !fs::is_regular_file(st))
    throw ScriptError(pos, "cannot write " + path + ": it is not a regular file");
}

bool validDepth(int32_t d) {
  return d == 1 || d == 2 || d == 4 || d == 8 || d == 16 || d == 24 || d == 32;
}

std::string readWholeFile(const std::string& path, SourcePos pos) {
  try {
    checkRegularFile(path, kMaxFileBytes);
  } catch (const std::runtime_error& e) {
    throw ScriptError(pos, e.what());
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ScriptError(pos, "cannot read " + path);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw ScriptError(pos, "cannot read " + path);
  return bytes;
}

// A new picture looks white, as the host's own new pictures do.
void fillWhite(rbhost::Host& host, RbPicture p) {
  const int32_t w = host.width(p), h = host.height(p);
  writeVisualPixels(host, p,
                    std::vector<rbhost::Rgb>(size_t(w) * size_t(h), rbhost::Rgb{255, 255, 255}));
}

int32_t checkedIndex(const Argument& a, int64_t limit, std::string_view what) {
  const int32_t i = expect(a, Kind::Integer, what).integer;
  if (i < 0 || int64_t(i) >= limit)
    throw ScriptError(a.pos, std::string(what) + " " + std::to_string(i) + " is outside 0 to " +
                                 std::to_string(limit - 1));
  return i;
}

void requireArgs(const std::vector<Argument>* args, size_t n, std::string_view name,
                 SourcePos pos) {
  const size_t given = args != nullptr ? args->size() : 0;
  if (given != n)
    throw ScriptError(pos, std::string(name) + " takes " + std::to_string(n) + " argument" +
                               (n == 1 ? "" : "s") + ", not " + std::to_string(given));
}

bool isNumber(const Value& v) { return v.kind == Kind::Integer || v.kind == Kind::Double; }

double number(const Argument& a, std::string_view what) {
  if (a.value.kind == Kind::Integer) return a.value.integer;
  if (a.value.kind == Kind::Double) return a.value.number;
  throw ScriptError(a.pos, std::string(what) + " must be a number, not " + describeType(a.value));
}

// UTF-8: the byte offset of each character, and one past the last.
std::vector<size_t> characterOffsets(const std::string& s) {
  std::vector<size_t> at;
  for (size_t i = 0; i < s.size(); ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) at.push_back(i);
  at.push_back(s.size());
  return at;
}

// Characters [from, from + count) of `s`, clamped to the string.
std::string characters(const std::string& s, int64_t from, int64_t count) {
  const std::vector<size_t> at = characterOffsets(s);
  const auto n = static_cast<int64_t>(at.size() - 1);
  from = std::clamp<int64_t>(from, 0, n);
  const int64_t to = std::clamp<int64_t>(count < 0 ? n : from + count, from, n);
  return s.substr(at[size_t(from)], at[size_t(to)] - at[size_t(from)]);
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// A file name against a pattern of * and ?, ignoring ASCII case.
bool globMatch(std::string_view name, std::string_view pattern) {
  size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() &&
        (pattern[p] == '?' || lowerAscii(pattern[p]) == lowerAscii(name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// Val: the number at the start of `s` (blanks first), 0 when there is none.
double parseVal(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  if (s.size() - i >= 2 && s[i] == '&' && (s[i + 1] == 'h' || s[i + 1] == 'H')) {
    uint64_t v = 0;
    size_t digits = 0;
    for (i += 2; i < s.size() && std::isxdigit(static_cast<unsigned char>(s[i])) && digits < 16;
         ++i, ++digits)
      v = v * 16 + uint64_t(std::isdigit(static_cast<unsigned char>(s[i]))
                                ? s[i] - '0'
                                : lowerAscii(s[i]) - 'a' + 10);
    return double(v);
  }
  size_t j = i;
  if (j < s.size() && (s[j] == '-' || s[j] == '+')) ++j;
  const size_t digitsFrom = j;
  while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
  if (j < s.size() && s[j] == '.') {
    ++j;
    while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
  }
  if (j == digitsFrom || (j == digitsFrom + 1 && s[digitsFrom] == '.')) return 0;
  if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
    size_t k = j + 1;
    if (k < s.size() && (s[k] == '-' || s[k] == '+')) ++k;
    if (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) {
      while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) ++k;
      j = k;
    }
  }
  return std::strtod(s.substr(i, j - i).c_str(), nullptr);
}

// Format's numeric masks: digits of the integer part as 0 (always shown) or
// # (shown when needed), an optional comma for thousands, a point and the
// decimals as 0 (always) or # (when not zero); text around them is kept.
std::string formatNumber(double x, const std::string& mask) {
  if (std::isnan(x) || std::isinf(x)) return formatDouble(x);
  const size_t first = mask.find_first_of("0#.,");
  if (first == std::string::npos) return mask;
  size_t last = mask.find_last_of("0#.,");
  const std::string prefix = mask.substr(0, first), suffix = mask.substr(last + 1);
  const std::string body = mask.substr(first, last - first + 1);
  const size_t point = body.find('.');
  const std::string intMask = body.substr(0, point);
  const std::string fracMask = point == std::string::npos ? "" : body.substr(point + 1);
  const bool grouping = intMask.find(',') != std::string::npos;
  const auto zeros = static_cast<size_t>(std::count(intMask.begin(), intMask.end(), '0'));
  size_t decimals = 0, fixedDecimals = 0;
  for (char c : fracMask)
    if (c == '0' || c == '#') {
      ++decimals;
      if (c == '0') fixedDecimals = decimals;
    }
  // Halves round away from zero, as the host's Format does (printf would
  // round them to even).
  double magnitude = std::fabs(x);
  const double scale = std::pow(10.0, double(decimals));
  if (magnitude * scale < 1e15) magnitude = std::round(magnitude * scale) / scale;
  std::vector<char> buffer(400);
  std::snprintf(buffer.data(), buffer.size(), "%.*f", int(decimals), magnitude);
  std::string digits(buffer.data());
  const size_t dot = digits.find('.');
  std::string whole = digits.substr(0, dot);
  std::string fraction = dot == std::string::npos ? "" : digits.substr(dot + 1);
  while (fraction.size() > fixedDecimals && fraction.back() == '0') fraction.pop_back();
  if (whole == "0") whole.clear();
  while (whole.size() < zeros) whole.insert(0, 1, '0');
  if (grouping)
    for (size_t i = whole.size(); i > 3; i -= 3) whole.insert(i - 3, 1, ',');
  std::string out = whole;
  if (!fraction.empty()) out += "." + fraction;
  const bool nonZero = out.find_first_of("123456789") != std::string::npos;
  return prefix + (x < 0 && nonZero ? "-" : "") + out + suffix;
}

}  // namespace

bool Builtins::isFunction(std::string_view name) const { return findFunction(name) != nullptr; }

Value Builtins::callFunction(std::string_view name, const std::vector<Argument>& args,
                             SourcePos pos) {
  const FunctionSpec* f = findFunction(name);
  if (args.size() < f->minArgs || args.size() > f->maxArgs) {
    std::string count = f->minArgs == f->maxArgs
                            ? std::to_string(f->minArgs)
                            : std::to_string(f->minArgs) + " or " + std::to_string(f->maxArgs);
    throw ScriptError(pos, std::string(f->name) + " takes " + count + " arguments, not " +
                               std::to_string(args.size()));
  }
  const std::string_view n = f->name;
  if (n == "LoadPicture") {
    const std::string path = expect(args[0], Kind::String, "the path").bytes;
    const int32_t depth =
        args.size() > 1 ? expect(args[1], Kind::Integer, "the depth").integer : 24;
    if (!validDepth(depth))
      throw ScriptError(args[1].pos,
                        "depth " + std::to_string(depth) + " is not one of 1, 2, 4, 8, 16, 24, 32");
    try {
      RbPicture p = loadPng(host_, path, depth);
      return Value::ofObject(host_, HostRef::adopt(host_, toObject(p)), {Kind::Picture, ""});
    } catch (const std::runtime_error& e) {
      throw ScriptError(args[0].pos, e.what());
    }
  }
  if (n == "SavePicture") {
    if (args[0].value.kind != Kind::Picture)
      throw ScriptError(args[0].pos,
                        "SavePicture needs a picture, not " + describeType(args[0].value));
    const std::string path = expect(args[1], Kind::String, "the path").bytes;
    checkWritable(path, args[1].pos);
    try {
      savePng(host_, reinterpret_cast<RbPicture>(args[0].value.handle()), path);
    } catch (const std::runtime_error& e) {
      throw ScriptError(args[1].pos, e.what());
    }
    return Value::voidValue();
  }
  if (n == "NewPicture") {
    const int32_t w = expect(args[0], Kind::Integer, "the width").integer;
    const int32_t h = expect(args[1], Kind::Integer, "the height").integer;
    const int32_t d = expect(args[2], Kind::Integer, "the depth").integer;
    if (w <= 0 || h <= 0) throw ScriptError(pos, "a picture needs a positive width and height");
    if (!validDepth(d))
      throw ScriptError(args[2].pos,
                        "depth " + std::to_string(d) + " is not one of 1, 2, 4, 8, 16, 24, 32");
    const bool dibSection =
        args.size() > 3 && expect(args[3], Kind::Boolean, "the storage flag").boolean;
    RbPicture p;
    try {
      p = host_.newPicture(
          w, h, d,
          dibSection ? rbhost::PictureStorage::DibSection : rbhost::PictureStorage::GlobalDib);
    } catch (const rbhost::HostError& e) {
      throw ScriptError(pos, e.what());
    }
    Value v = Value::ofObject(host_, HostRef::adopt(host_, toObject(p)), {Kind::Picture, ""});
    fillWhite(host_, p);
    return v;
  }
  if (n == "RGB") {
    uint32_t c = 0;
    for (const Argument& a : args) {
      const int32_t channel = expect(a, Kind::Integer, "a channel").integer;
      if (channel < 0 || channel > 255)
        throw ScriptError(a.pos, "a channel runs from 0 to 255, not " + std::to_string(channel));
      c = (c << 8) | uint32_t(channel);
    }
    return Value::ofColor(c);
  }
  if (n == "NewMemoryBlock") {
    const int32_t size = expect(args[0], Kind::Integer, "the size").integer;
    if (size < 0) throw ScriptError(args[0].pos, "a memory block cannot have a negative size");
    return Value::ofObject(host_, HostRef::adopt(host_, toObject(host_.newMemoryBlock(size))),
                           {Kind::MemoryBlock, ""});
  }
  if (n == "LenB")
    return Value::ofInteger(
        static_cast<int32_t>(expect(args[0], Kind::String, "the argument").bytes.size()));
  if (n == "EncodeHex") {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : expect(args[0], Kind::String, "the argument").bytes) {
      out += digits[c >> 4];
      out += digits[c & 15];
    }
    return Value::ofString(out);
  }
  if (n == "DecodeHex") {
    const std::string in = expect(args[0], Kind::String, "the argument").bytes;
    std::string out, digits;
    for (char c : in) {
      if (c == ' ') continue;
      if (!std::isxdigit(static_cast<unsigned char>(c)))
        throw ScriptError(args[0].pos, "DecodeHex: '" + std::string(1, c) + "' is no hex digit");
      digits += c;
    }
    if (digits.size() % 2 != 0) throw ScriptError(args[0].pos, "DecodeHex: odd number of digits");
    for (size_t i = 0; i < digits.size(); i += 2)
      out += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
    return Value::ofString(out);
  }
  if (n == "LoadString")
    return Value::ofString(
        readWholeFile(expect(args[0], Kind::String, "the path").bytes, args[0].pos));
  if (n == "SaveString") {
    const std::string bytes = expect(args[0], Kind::String, "the text").bytes;
    const std::string path = expect(args[1], Kind::String, "the path").bytes;
    checkWritable(path, args[1].pos);
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    out.close();
    if (!out) throw ScriptError(args[1].pos, "cannot write " + path);
    return Value::voidValue();
  }
  if (n == "Array") {  // Array(1, 2, 1): the elements' type is the first one's
    TypeSpec element{Kind::Integer, ""};
    if (!args.empty()) element = args[0].value.type();
    if (element.kind == Kind::Nil || element.kind == Kind::Array || element.kind == Kind::Surface ||
        element.kind == Kind::Void)
      throw ScriptError(args[0].pos, "an array cannot hold " + describeType(args[0].value));
    Value v = newArray(element, 0);
    for (const Argument& a : args) {
      auto c = convertTo(a.value, element);
      if (!c)
        throw ScriptError(a.pos, "an element of Array(" + typeText(element) + ", ...) cannot be " +
                                     describeType(a.value));
      v.array->items.push_back(std::move(*c));
    }
    return v;
  }
  if (n == "UBound") {
    const Value& a = args[0].value;
    if (a.kind != Kind::Array || !a.array)
      throw ScriptError(args[0].pos, "UBound needs an array, not " + describeType(a));
    return Value::ofInteger(static_cast<int32_t>(int64_t(a.array->items.size()) - 1));
  }
  if (n == "Str") {
    const Value& v = args[0].value;
    if (!isNumber(v) && v.kind != Kind::Boolean)
      throw ScriptError(args[0].pos, "Str needs a number, not " + describeType(v));
    return Value::ofString(formatValue(host_, v));
  }
  if (n == "Val") return Value::ofDouble(parseVal(expect(args[0], Kind::String, "the text").bytes));
  if (n == "Format")
    return Value::ofString(formatNumber(number(args[0], "the number"),
                                        expect(args[1], Kind::String, "the mask").bytes));
  if (n == "Hex") {
    uint32_t bits = 0;
    if (args[0].value.kind == Kind::Color) {
      bits = args[0].value.color;
    } else {
      bits = static_cast<uint32_t>(expect(args[0], Kind::Integer, "the number").integer);
    }
    char text[16];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(bits));
    return Value::ofString(text);
  }
  if (n == "Abs") {
    if (args[0].value.kind == Kind::Integer) {
      const auto bits = static_cast<uint32_t>(args[0].value.integer);
      return Value::ofInteger(
          static_cast<int32_t>(args[0].value.integer < 0 ? 0u - bits : bits));  // wraps as the host
    }
    return Value::ofDouble(std::fabs(number(args[0], "the number")));
  }
  if (n == "Min" || n == "Max") {
    bool integral = true;
    for (const Argument& a : args) {
      number(a, "an argument");
      integral = integral && a.value.kind == Kind::Integer;
    }
    size_t best = 0;
    for (size_t i = 1; i < args.size(); ++i) {
      const double a = number(args[i], ""), b = number(args[best], "");
      if (n == "Min" ? a < b : a > b) best = i;
    }
    if (integral) return args[best].value;
    return Value::ofDouble(number(args[best], ""));
  }
  if (n == "Round" || n == "Floor" || n == "Ceil" || n == "Sqrt") {
    const double x = number(args[0], "the number");
    return Value::ofDouble(n == "Round"   ? std::round(x)
                           : n == "Floor" ? std::floor(x)
                           : n == "Ceil"  ? std::ceil(x)
                                          : std::sqrt(x));
  }
  if (n == "Len")
    return Value::ofInteger(static_cast<int32_t>(
        characterOffsets(expect(args[0], Kind::String, "the text").bytes).size() - 1));
  if (n == "Left" || n == "Right" || n == "Mid") {
    const std::string text = expect(args[0], Kind::String, "the text").bytes;
    const int32_t a =
        expect(args[1], Kind::Integer, n == "Mid" ? "the start" : "the count").integer;
    if (n == "Left") return Value::ofString(characters(text, 0, std::max(a, 0)));
    const auto length = static_cast<int64_t>(characterOffsets(text).size() - 1);
    if (n == "Right") return Value::ofString(characters(text, length - std::max(a, 0), -1));
    if (a < 1) throw ScriptError(args[1].pos, "Mid counts from 1, not " + std::to_string(a));
    const int32_t count =
        args.size() > 2 ? expect(args[2], Kind::Integer, "the count").integer : -1;
    if (args.size() > 2 && count < 0)
      throw ScriptError(args[2].pos, "Mid cannot take a negative count");
    return Value::ofString(characters(text, int64_t(a) - 1, count));
  }
  if (n == "InStr") {
    // InStr([start,] text, find): the 1-based character where `find` first
    // is, ignoring ASCII case; 0 when it is not there.
    const bool hasStart = args.size() == 3;
    const int32_t start = hasStart ? expect(args[0], Kind::Integer, "the start").integer : 1;
    if (start < 1)
      throw ScriptError(args[0].pos, "InStr counts from 1, not " + std::to_string(start));
    std::string text = expect(args[hasStart ? 1 : 0], Kind::String, "the text").bytes;
    std::string find = expect(args[hasStart ? 2 : 1], Kind::String, "the text to find").bytes;
    for (char& c : text) c = lowerAscii(c);
    for (char& c : find) c = lowerAscii(c);
    const std::vector<size_t> at = characterOffsets(text);
    if (size_t(start) > at.size() - 1) return Value::ofInteger(0);
    const size_t found = text.find(find, at[size_t(start) - 1]);
    if (found == std::string::npos || find.empty())
      return Value::ofInteger(find.empty() ? start : 0);
    return Value::ofInteger(
        static_cast<int32_t>(std::lower_bound(at.begin(), at.end(), found) - at.begin() + 1));
  }
  if (n == "Ticks" || n == "Microseconds") {
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    if (n == "Microseconds")
      return Value::ofDouble(std::chrono::duration<double, std::micro>(elapsed).count());
    const auto ticks =
        std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count() * 60 / 1000000;
    return Value::ofInteger(static_cast<int32_t>(ticks & 0x7FFFFFFF));
  }
  if (n == "ListFiles") {
    namespace fs = std::filesystem;
    const std::string folder = expect(args[0], Kind::String, "the folder").bytes;
    const std::string pattern =
        args.size() > 1 ? expect(args[1], Kind::String, "the pattern").bytes : "*";
    std::error_code ec;
    if (!fs::is_directory(fs::path(folder), ec))
      throw ScriptError(args[0].pos, folder + " is not a folder");
    std::vector<std::string> names;
    for (fs::directory_iterator it(fs::path(folder), ec), end; !ec && it != end; it.increment(ec)) {
      std::error_code typeError;
      if (!it->is_regular_file(typeError)) continue;  // folders, devices, pipes
      const std::string name = it->path().filename().string();
      if (globMatch(name, pattern)) names.push_back(name);
      if (names.size() > size_t{1} << 20)
        throw ScriptError(args[0].pos, folder + " holds too many files");
    }
    if (ec) throw ScriptError(args[0].pos, "cannot list " + folder + ": " + ec.message());
    std::sort(names.begin(), names.end());
    Value v = newArray({Kind::String, ""}, 0);
    for (std::string& name : names) v.array->items.push_back(Value::ofString(std::move(name)));
    return v;
  }
  if (n == "FailPictureLocks") {
    if (args[0].value.kind != Kind::Picture)
      throw ScriptError(args[0].pos,
                        "FailPictureLocks needs a picture, not " + describeType(args[0].value));
    const bool fail = args.size() < 2 || expect(args[1], Kind::Boolean, "the flag").boolean;
    host_.failLocksOf(reinterpret_cast<RbPicture>(args[0].value.handle()), fail);
    if (fail) {
      failingLocks_.insert(args[0].value.handle());
    } else {
      failingLocks_.erase(args[0].value.handle());
    }
    return Value::voidValue();
  }
  if (n == "FailNewPictureAfter") {
    const int32_t count = expect(args[0], Kind::Integer, "the count").integer;
    if (count < 0) {
      host_.failNewPictureAfter(std::nullopt);
    } else {
      host_.failNewPictureAfter(count);
    }
    return Value::voidValue();
  }
  if (n == "Screen") {
    const int32_t index = expect(args[0], Kind::Integer, "the screen number").integer;
    if (index != 0)
      throw ScriptError(args[0].pos,
                        "Screen(" + std::to_string(index) + "): there is one screen, Screen(0)");
    // The plug-ins never look inside a screen object: it passes as nil.
    Value v;
    v.kind = Kind::Instance;
    v.className = "screen";
    return v;
  }
  if (n == "SetDisplay") {
    if (args[0].value.kind != Kind::Picture)
      throw ScriptError(args[0].pos,
                        "SetDisplay needs a picture, not " + describeType(args[0].value));
    const int32_t bits =
        args.size() > 1 ? expect(args[1], Kind::Integer, "the display depth").integer : 32;
    if (!showOnDisplay(host_, reinterpret_cast<RbPicture>(args[0].value.handle()), bits))
      throw ScriptError(pos, displayRefusal(bits));
    return Value::voidValue();
  }
  if (n == "SetDesktopColor") {
    const uint32_t c = expect(args[0], Kind::Color, "the colour").color;
    if (!setDesktopColor(c)) throw ScriptError(pos, displayRefusal(32));
    return Value::voidValue();
  }
  if (n == "NewGWorld") {
    if (args[0].value.kind != Kind::Picture)
      throw ScriptError(args[0].pos,
                        "NewGWorld needs a picture, not " + describeType(args[0].value));
    return Value::ofInteger(static_cast<int32_t>(static_cast<uint32_t>(
        host_.newGWorld(reinterpret_cast<RbPicture>(args[0].value.handle())))));
  }
  if (n == "DeleteObject") {
    const int32_t handle = expect(args[0], Kind::Integer, "the handle").integer;
    return Value::ofBoolean(deleteGdiObject(handle));
  }
  if (n == "RemoveHostService") {
    const std::string service = expect(args[0], Kind::String, "the service").bytes;
    const std::vector<std::string> known = rbhost::serviceNames();
    if (std::find(known.begin(), known.end(), service) == known.end())
      throw ScriptError(args[0].pos, "the host has no service named " + service);
    host_.options().missingServices.insert(service);
    return Value::voidValue();
  }
  // RestoreHost
  host_.options().missingServices.clear();
  host_.failNewPictureAfter(std::nullopt);
  for (RbObject p : failingLocks_)
    if (host_.isAlive(p)) host_.failLocksOf(reinterpret_cast<RbPicture>(p), false);
  failingLocks_.clear();
  return Value::voidValue();
}

namespace {

// The memory block accessors: offset in bytes, little-endian as the host.
struct Accessor {
  std::string_view name;
  size_t width;
  enum { Unsigned, Signed, Float } form;
};
constexpr Accessor kAccessors[] = {
    {"Byte", 1, Accessor::Unsigned},     {"UInt8", 1, Accessor::Unsigned},
    {"Int8", 1, Accessor::Signed},       {"Short", 2, Accessor::Signed},
    {"Int16", 2, Accessor::Signed},      {"UShort", 2, Accessor::Unsigned},
    {"UInt16", 2, Accessor::Unsigned},   {"Long", 4, Accessor::Signed},
    {"Int32", 4, Accessor::Signed},      {"UInt32", 4, Accessor::Unsigned},
    {"SingleValue", 4, Accessor::Float}, {"DoubleValue", 8, Accessor::Float},
};

const Accessor* findAccessor(std::string_view name) {
  for (const Accessor& a : kAccessors)
    if (equalsIgnoreCase(a.name, name)) return &a;
  return nullptr;
}

// The address of `a.width` bytes at the offset; a block of known size checks
// the bounds, one made with "PtrToMemoryBlock" leaves the offset to the program.
uint8_t* accessed(rbhost::Host& host, const Value& block, const Accessor& a,
                  const std::vector<Argument>* args, SourcePos pos) {
  requireArgs(args, 1, a.name, pos);
  if (block.kind == Kind::Nil)
    throw ScriptError(pos, std::string(a.name) + " of a Nil MemoryBlock");
  auto b = reinterpret_cast<RbMemoryBlock>(block.handle());
  const int64_t size = host.memoryBlockSize(b);
  const int32_t offset = expect((*args)[0], Kind::Integer, "the offset").integer;
  if (offset < 0 || (size >= 0 && int64_t(offset) + int64_t(a.width) > size))
    throw ScriptError((*args)[0].pos,
                      "offset " + std::to_string(offset) + " is outside 0 to " +
                          std::to_string(size >= 0 ? size - int64_t(a.width) : INT32_MAX) +
                          " for " + std::string(a.name));
  uint8_t* bytes = host.memoryBlockBytes(b);
  if (bytes == nullptr) throw ScriptError(pos, "this memory block has no memory");
  return bytes + offset;
}

Value readAccessor(const Accessor& a, const uint8_t* at) {
  uint64_t bits = 0;
  for (size_t i = a.width; i-- > 0;) bits = (bits << 8) | at[i];
  if (a.form == Accessor::Float) {
    if (a.width == 4) {
      float f;
      const auto b32 = static_cast<uint32_t>(bits);
      std::memcpy(&f, &b32, 4);
      return Value::ofDouble(f);
    }
    double d;
    std::memcpy(&d, &bits, 8);
    return Value::ofDouble(d);
  }
  if (a.form == Accessor::Signed) {
    const unsigned shift = unsigned(64 - 8 * a.width);
    return Value::ofInteger(static_cast<int32_t>(static_cast<int64_t>(bits << shift) >> shift));
  }
  if (a.width == 4) return Value::ofDouble(double(bits));  // UInt32 may exceed an Integer
  return Value::ofInteger(static_cast<int32_t>(bits));
}

void writeAccessor(const Accessor& a, uint8_t* at, const Value& v, SourcePos pos) {
  uint64_t bits = 0;
  if (a.form == Accessor::Float) {
    if (v.kind != Kind::Integer && v.kind != Kind::Double)
      throw ScriptError(pos, std::string(a.name) + " takes a number, not " + describeType(v));
    const double d = v.kind == Kind::Integer ? v.integer : v.number;
    if (a.width == 4) {
      const auto f = static_cast<float>(d);
      uint32_t b32;
      std::memcpy(&b32, &f, 4);
      bits = b32;
    } else {
      std::memcpy(&bits, &d, 8);
    }
  } else {
    double d;
    if (v.kind == Kind::Integer) {
      d = v.integer;
    } else if (v.kind == Kind::Double && a.width == 4 && a.form == Accessor::Unsigned &&
               v.number == std::floor(v.number)) {
      d = v.number;
    } else {
      throw ScriptError(pos, std::string(a.name) + " takes an Integer, not " + describeType(v));
    }
    const double low = a.form == Accessor::Signed ? -std::ldexp(1.0, int(8 * a.width) - 1) : 0;
    const double high = a.form == Accessor::Signed ? std::ldexp(1.0, int(8 * a.width) - 1) - 1
                                                   : std::ldexp(1.0, int(8 * a.width)) - 1;
    if (d < low || d > high)
      throw ScriptError(pos, std::string(a.name) + " runs from " + formatDouble(low) + " to " +
                                 formatDouble(high) + ", not " + formatDouble(d));
    bits = static_cast<uint64_t>(static_cast<int64_t>(d));
  }
  for (size_t i = 0; i < a.width; ++i) at[i] = static_cast<uint8_t>(bits >> (8 * i));
}

// Bits a stored pixel of `depth` holds.
uint64_t storedLimit(int32_t depth) {
  return depth >= 32 ? uint64_t{1} << 32 : uint64_t{1} << depth;
}

}  // namespace

std::optional<Value> Builtins::getMember(const Value& receiver, std::string_view name,
                                         const std::vector<Argument>* args, SourcePos pos) {
  const Kind kind = receiver.kind == Kind::Nil ? receiver.nilType.kind : receiver.kind;
  auto nilCheck = [&] {
    if (receiver.kind == Kind::Nil)
      throw ScriptError(pos, std::string(name) + " of a Nil " + typeText(receiver.nilType));
  };
  if (kind == Kind::Picture) {
    auto p = reinterpret_cast<RbPicture>(receiver.handle());
    if (equalsIgnoreCase(name, "Width") || equalsIgnoreCase(name, "Height") ||
        equalsIgnoreCase(name, "Depth")) {
      requireArgs(args, 0, name, pos);
      nilCheck();
      if (equalsIgnoreCase(name, "Width")) return Value::ofInteger(host_.width(p));
      if (equalsIgnoreCase(name, "Height")) return Value::ofInteger(host_.height(p));
      return Value::ofInteger(host_.depth(p));
    }
    if (equalsIgnoreCase(name, "Mask")) {
      requireArgs(args, 0, name, pos);
      nilCheck();
      // As in the host, asking for the mask makes one (all black: every
      // pixel shows) when the picture has none.
      return Value::ofObject(host_, HostRef::adopt(host_, toObject(host_.mask(p, true))),
                             {Kind::Picture, ""});
    }
    if (equalsIgnoreCase(name, "DIBSection")) {
      requireArgs(args, 0, name, pos);
      nilCheck();
      return Value::ofBoolean(host_.storage(p) == rbhost::PictureStorage::DibSection);
    }
    if (equalsIgnoreCase(name, "Graphics")) {
      requireArgs(args, 0, name, pos);
      nilCheck();
      Value g;
      g.kind = Kind::Instance;
      g.className = "graphics";
      g.object = receiver.object;  // the picture lives as long as its graphics is held
      g.passedAs = toObject(host_.graphicsOf(p));
      return g;
    }
    if (equalsIgnoreCase(name, "RGBSurface")) {
      requireArgs(args, 0, name, pos);
      nilCheck();
      Value s;
      s.kind = Kind::Surface;
      s.object = receiver.object;
      return s;
    }
    return std::nullopt;
  }
  if (kind == Kind::Surface &&
      (equalsIgnoreCase(name, "Pixel") || equalsIgnoreCase(name, "RawPixel"))) {
    requireArgs(args, 2, name, pos);
    nilCheck();
    auto p = reinterpret_cast<RbPicture>(receiver.handle());
    const int32_t x = checkedIndex((*args)[0], host_.width(p), "x");
    const int32_t y = checkedIndex((*args)[1], host_.height(p), "y");
    const int32_t row = memoryRowOf(host_.height(p), y);
    if (equalsIgnoreCase(name, "RawPixel"))
      return Value::ofInteger(static_cast<int32_t>(host_.rawPixel(p, x, row)));
    return Value::ofColor(rbhost::toColor(host_.pixel(p, x, row)));
  }
  if (kind == Kind::MemoryBlock) {
    if (equalsIgnoreCase(name, "Size")) {
      requireArgs(args, 0, name, pos);
      nilCheck();
      const int64_t size =
          host_.memoryBlockSize(reinterpret_cast<RbMemoryBlock>(receiver.handle()));
      return Value::ofInteger(static_cast<int32_t>(size));
    }
    if (const Accessor* a = findAccessor(name))
      return readAccessor(*a, accessed(host_, receiver, *a, args, pos));
  }
  return std::nullopt;
}

bool Builtins::setMember(const Value& receiver, std::string_view name,
                         const std::vector<Argument>* args, const Value& assigned, SourcePos pos) {
  const Kind kind = receiver.kind == Kind::Nil ? receiver.nilType.kind : receiver.kind;
  if (kind == Kind::Picture && equalsIgnoreCase(name, "Mask") && args == nullptr) {
    if (receiver.kind == Kind::Nil) throw ScriptError(pos, "Mask of a Nil Picture");
    const bool nilPicture = assigned.kind == Kind::Nil &&
                            (assigned.isNilLiteral() || assigned.nilType.kind == Kind::Picture);
    if (assigned.kind != Kind::Picture && !nilPicture)
      throw ScriptError(pos, "a mask is a Picture, not " + describeType(assigned));
    try {
      host_.setMask(reinterpret_cast<RbPicture>(receiver.handle()),
                    reinterpret_cast<RbPicture>(assigned.handle()));
    } catch (const rbhost::HostError& e) {
      throw ScriptError(pos, e.what());
    }
    return true;
  }
  if (kind == Kind::Surface &&
      (equalsIgnoreCase(name, "Pixel") || equalsIgnoreCase(name, "RawPixel"))) {
    requireArgs(args, 2, name, pos);
    if (receiver.kind == Kind::Nil)
      throw ScriptError(pos, std::string(name) + " of a Nil " + typeText(receiver.nilType));
    auto p = reinterpret_cast<RbPicture>(receiver.handle());
    const int32_t x = checkedIndex((*args)[0], host_.width(p), "x");
    const int32_t y = checkedIndex((*args)[1], host_.height(p), "y");
    const int32_t row = memoryRowOf(host_.height(p), y);
    if (equalsIgnoreCase(name, "RawPixel")) {
      const auto bits = static_cast<uint32_t>(
          expect(Argument{assigned, nullptr, pos}, Kind::Integer, "the stored value").integer);
      const int32_t depth = host_.depth(p);
      if (uint64_t{bits} >= storedLimit(depth))
        throw ScriptError(
            pos, "a " + std::to_string(depth) + "-bit pixel cannot store &h" + [&] {
              char t[16];
              std::snprintf(t, sizeof t, "%X", unsigned(bits));
              return std::string(t);
            }());
      host_.setRawPixel(p, x, row, bits);
      return true;
    }
    const uint32_t c = expect(Argument{assigned, nullptr, pos}, Kind::Color, "the colour").color;
    host_.setPixel(p, x, row, rbhost::fromColor(c));
    return true;
  }
  if (kind == Kind::MemoryBlock)
    if (const Accessor* a = findAccessor(name)) {
      writeAccessor(*a, accessed(host_, receiver, *a, args, pos), assigned, pos);
      return true;
    }
  return false;
}

}  // namespace rbscript
