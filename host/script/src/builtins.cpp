#include "rbscript/builtins.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "rbscript/conversion.h"
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
    {"LoadPicture", 1, 2},    {"SavePicture", 2, 2}, {"NewPicture", 3, 3},   {"RGB", 3, 3},
    {"NewMemoryBlock", 1, 1}, {"LenB", 1, 1},        {"EncodeHex", 1, 1},    {"DecodeHex", 1, 1},
    {"LoadString", 1, 1},     {"SaveString", 2, 2},  {"Array", 0, SIZE_MAX},
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

bool validDepth(int32_t d) {
  return d == 1 || d == 2 || d == 4 || d == 8 || d == 16 || d == 24 || d == 32;
}

std::string readWholeFile(const std::string& path, SourcePos pos) {
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
    RbPicture p;
    try {
      p = host_.newPicture(w, h, d);
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
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    out.close();
    if (!out) throw ScriptError(args[1].pos, "cannot write " + path);
    return Value::voidValue();
  }
  // Array(1, 2, 1): a host integer array.
  std::vector<int32_t> values;
  for (const Argument& a : args) values.push_back(expect(a, Kind::Integer, "an element").integer);
  Value v = Value::ofObject(host_, HostRef::adopt(host_, toObject(host_.newIntArray(values))),
                            {Kind::Array, ""});
  v.elements = std::move(values);
  return v;
}

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
  if (kind == Kind::Surface && equalsIgnoreCase(name, "Pixel")) {
    requireArgs(args, 2, name, pos);
    nilCheck();
    auto p = reinterpret_cast<RbPicture>(receiver.handle());
    const int32_t x = checkedIndex((*args)[0], host_.width(p), "x");
    const int32_t y = checkedIndex((*args)[1], host_.height(p), "y");
    return Value::ofColor(rbhost::toColor(host_.pixel(p, x, memoryRowOf(host_.height(p), y))));
  }
  if (kind == Kind::MemoryBlock) {
    auto b = reinterpret_cast<RbMemoryBlock>(receiver.handle());
    if (equalsIgnoreCase(name, "Size")) {
      requireArgs(args, 0, name, pos);
      nilCheck();
      return Value::ofInteger(static_cast<int32_t>(host_.memoryBlockSize(b)));
    }
    if (equalsIgnoreCase(name, "Byte")) {
      requireArgs(args, 1, name, pos);
      nilCheck();
      const int64_t size = host_.memoryBlockSize(b);
      if (size < 0) throw ScriptError(pos, "this memory block has no known size");
      const int32_t i = checkedIndex((*args)[0], size, "offset");
      return Value::ofInteger(host_.memoryBlockBytes(b)[i]);
    }
  }
  return std::nullopt;
}

bool Builtins::setMember(const Value& receiver, std::string_view name,
                         const std::vector<Argument>* args, const Value& assigned, SourcePos pos) {
  const Kind kind = receiver.kind == Kind::Nil ? receiver.nilType.kind : receiver.kind;
  if (kind == Kind::Surface && equalsIgnoreCase(name, "Pixel")) {
    requireArgs(args, 2, name, pos);
    auto p = reinterpret_cast<RbPicture>(receiver.handle());
    const int32_t x = checkedIndex((*args)[0], host_.width(p), "x");
    const int32_t y = checkedIndex((*args)[1], host_.height(p), "y");
    const uint32_t c = expect(Argument{assigned, nullptr, pos}, Kind::Color, "the colour").color;
    host_.setPixel(p, x, memoryRowOf(host_.height(p), y), rbhost::fromColor(c));
    return true;
  }
  if (kind == Kind::MemoryBlock && equalsIgnoreCase(name, "Byte")) {
    requireArgs(args, 1, name, pos);
    if (receiver.kind == Kind::Nil) throw ScriptError(pos, "Byte of a Nil MemoryBlock");
    auto b = reinterpret_cast<RbMemoryBlock>(receiver.handle());
    const int64_t size = host_.memoryBlockSize(b);
    if (size < 0) throw ScriptError(pos, "this memory block has no known size");
    const int32_t i = checkedIndex((*args)[0], size, "offset");
    const int32_t v = expect(Argument{assigned, nullptr, pos}, Kind::Integer, "a byte").integer;
    if (v < 0 || v > 255)
      throw ScriptError(pos, "a byte runs from 0 to 255, not " + std::to_string(v));
    host_.memoryBlockBytes(b)[i] = static_cast<uint8_t>(v);
    return true;
  }
  return false;
}

}  // namespace rbscript
