// The seeded argument fuzzer: every method, assignable method and property
// accessor the loaded plug-ins registered is called with arguments built
// from its declaration, under host faults, and after each call the host must
// be as it was. Nothing here names an operation: a new one is fuzzed by being
// registered.
//
// One seed is one fresh host with both plug-ins loaded and a fixed fault plan
// (which service is missing, which host version), then a run of calls whose
// arguments and per-call faults come from the seed alone. A failure prints
// the seed and the call number; the same seed replays the same calls.
//
//   argument_fuzzer [--seeds FIRST-LAST] [--calls N] [--seconds S] [--verbose]
//   argument_fuzzer --seed 17 --calls 42 --verbose     replays seed 17 up to call 42
//
// Checks after every call:
//   - nothing locked and no misuse recorded by the host;
//   - once the result and the arguments are released, the host holds exactly
//     the objects and references it held before the arguments were made;
//   - pictures passed other than the receiver are unchanged (pixels, palette,
//     mask), and a picture returned is a live picture the plug-in wrote to;
//   - no sanitizer report (the sanitize build aborts on one; the call being
//     made is printed first).
// Where a service is missing, what its absence itself implies is allowed: no
// unlock of descriptions means descriptions stay locked, no "REALUnlockObject"
// means references stay.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <limits>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32.h"
#ifndef _WIN32
#include "platform/virtual_display.h"
#endif
#include "rbhost/host.h"
#include "rbscript/catalog.h"
#include "rbscript/conversion.h"
#include "rbscript/ffi_call.h"
#include "rbscript/plugin_call.h"

// A sanitized build reports the call in progress when a sanitizer stops it.
#if defined(__SANITIZE_ADDRESS__)
#define RB_HAVE_SANITIZER_CALLBACK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RB_HAVE_SANITIZER_CALLBACK 1
#endif
#endif
#ifdef RB_HAVE_SANITIZER_CALLBACK
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

using rbhost::AbiKind;
using rbhost::AbiType;
using rbhost::Host;
using rbhost::PictureStorage;
using rbscript::CType;
using rbscript::cTypeOf;
using rbscript::CValue;

// ---- Deterministic randomness: the same numbers on every compiler.

class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
  uint64_t next() {  // splitmix64
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  uint32_t below(uint32_t n) { return n == 0 ? 0 : static_cast<uint32_t>(next() % n); }
  int32_t between(int32_t lo, int32_t hi) {
    return lo + static_cast<int32_t>(below(static_cast<uint32_t>(hi - lo + 1)));
  }
  bool percent(uint32_t p) { return below(100) < p; }
  template <typename T>
  const T& pick(const std::vector<T>& v) {
    return v[below(static_cast<uint32_t>(v.size()))];
  }

 private:
  uint64_t state_;
};

// ---- What is being done, for a crash report.

char g_current[1024] = "";
size_t g_currentLength = 0;

void setCurrent(const std::string& text) {
  g_currentLength = std::min(text.size(), sizeof g_current - 1);
  std::memcpy(g_current, text.data(), g_currentLength);
  g_current[g_currentLength] = '\0';
}

void reportCurrent() {
  const char prefix[] = "\nargument fuzzer: died during ";
  (void)!write(2, prefix, sizeof prefix - 1);
  (void)!write(2, g_current, g_currentLength);
  (void)!write(2, "\n", 1);
}

void onFatalSignal(int signal) {
  reportCurrent();
  ::signal(signal, SIG_DFL);
  raise(signal);
}

void installCrashReport() {
  for (int s : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) signal(s, onFatalSignal);
#ifdef RB_HAVE_SANITIZER_CALLBACK
  __sanitizer_set_death_callback(reportCurrent);
#endif
}

// ---- Values a program might pass.

const std::vector<int32_t> kIntegers = {0,          1,
                                        -1,         2,
                                        3,          4,
                                        5,          7,
                                        8,          9,
                                        10,         16,
                                        31,         32,
                                        100,        127,
                                        128,        255,
                                        256,        -255,
                                        -256,       1000,
                                        32767,      32768,
                                        -32768,     -32769,
                                        65535,      65536,
                                        1 << 20,    1 << 24,
                                        0x7FFFFFFE, INT32_MAX,
                                        INT32_MIN,  INT32_MIN + 1,
                                        -(1 << 24), -1000000};

const double kInf = std::numeric_limits<double>::infinity();
const std::vector<double> kDoubles = {
    0.0,   -0.0,     1.0,          -1.0,         0.5,          -0.5,          2.0,
    255.0, 256.0,    -255.0,       1e-300,       5e-324,       1e300,         -1e300,
    kInf,  -kInf,    std::nan(""), 2147483647.0, 2147483648.0, -2147483649.0, 4294967296.0,
    1e10,  0.999999, 127.5,        3.0,          -2.0};

struct MadeObjects {
  std::vector<RbObject> owned;         // one reference each, released after the call
  std::vector<RbPicture> untouchable;  // pictures that must come back unchanged
  std::deque<CValue> byRefStorage;     // what ByRef arguments point to
  std::deque<bool> byRefHoldsObject;   // ByRef object variables hold a reference
  bool instances = false;              // a class instance is among the arguments
};

// Everything about a picture that a call could change.
struct PictureSnapshot {
  std::vector<uint8_t> bytes;
  std::vector<rbhost::Rgb> palette;
  std::vector<uint8_t> maskBytes;
  bool hasMask = false;
  bool operator==(const PictureSnapshot&) const = default;
};

std::vector<uint8_t> rowBytesOf(Host& host, RbPicture p) {
  std::vector<uint8_t> all;
  for (int32_t y = 0; y < host.height(p); ++y) {
    const uint8_t* row = host.row(p, y);
    all.insert(all.end(), row, row + host.rowBytes(p));
  }
  return all;
}

PictureSnapshot snapshot(Host& host, RbPicture p) {
  PictureSnapshot s;
  s.bytes = rowBytesOf(host, p);
  s.palette = host.palette(p);
  if (RbPicture mask = host.mask(p, false)) {
    s.hasMask = true;
    s.maskBytes = rowBytesOf(host, mask);
    host.release(mask);
  }
  return s;
}

// Puts back what snapshot() saw (the mask only where it still exists).
void restore(Host& host, RbPicture p, const PictureSnapshot& s) {
  for (int32_t y = 0; y < host.height(p); ++y)
    std::memcpy(host.row(p, y), s.bytes.data() + size_t(y) * size_t(host.rowBytes(p)),
                size_t(host.rowBytes(p)));
  if (!s.palette.empty()) host.setPalette(p, s.palette);
  if (RbPicture mask = host.mask(p, false)) {
    if (s.hasMask && s.maskBytes.size() == rowBytesOf(host, mask).size())
      for (int32_t y = 0; y < host.height(mask); ++y)
        std::memcpy(host.row(mask, y), s.maskBytes.data() + size_t(y) * size_t(host.rowBytes(mask)),
                    size_t(host.rowBytes(mask)));
    host.release(mask);
  }
}

// What a result says, for comparing two calls: a picture's size, depth,
// palette and pixel bytes (row padding left out), a string's bytes, a
// number's bits.
std::string resultContent(Host& host, AbiKind kind, const CValue& v) {
  std::ostringstream s;
  switch (kind) {
    case AbiKind::Integer:
      s << v.int32;
      break;
    case AbiKind::Double:
      if (std::isnan(v.number)) {
        s << "nan";
      } else {
        uint64_t bits;
        std::memcpy(&bits, &v.number, sizeof bits);
        s << bits;
      }
      break;
    case AbiKind::Boolean:
      s << v.boolean;
      break;
    case AbiKind::Color:
      s << v.uint32;
      break;
    case AbiKind::Picture: {
      auto p = static_cast<RbPicture>(v.pointer);
      if (p == nullptr) return "nil";
      if (host.typeName(toObject(p)) == "memoryblock") {
        const auto block = reinterpret_cast<RbMemoryBlock>(p);
        const int64_t size = host.memoryBlockSize(block);
        s << "block:"
          << std::string_view(reinterpret_cast<const char*>(host.memoryBlockBytes(block)),
                              size < 0 ? 0 : static_cast<size_t>(size));
        break;
      }
      s << host.width(p) << "x" << host.height(p) << "x" << host.depth(p) << ":";
      for (rbhost::Rgb c : host.palette(p)) s << rbhost::toColor(c) << ",";
      // Below 8 bits the last byte of a row may hold bits past the width.
      const size_t bits = size_t(host.width(p)) * size_t(host.depth(p));
      const size_t whole = bits / 8;
      const auto lastMask = static_cast<uint8_t>(0xFF << (8 - bits % 8));
      for (int32_t y = 0; y < host.height(p); ++y) {
        const uint8_t* row = host.row(p, y);
        s << std::string_view(reinterpret_cast<const char*>(row), whole);
        if (bits % 8 != 0) s << static_cast<char>(row[whole] & lastMask);
      }
      break;
    }
    case AbiKind::String:
      if (v.pointer == nullptr) return "nil";
      s << "string:" << host.stringBytes(static_cast<RbString>(v.pointer));
      break;
    default:
      s << (v.pointer == nullptr ? "nil" : "object");
      break;
  }
  return s.str();
}

struct Stats {
  std::map<std::string, uint64_t> callsByPlugin;
  std::map<std::string, uint64_t> callsByMissing;  // by the service the host lacks
  uint64_t calls = 0;  // a call with a result counts twice: it is made twice
  uint64_t seeds = 0;
  uint64_t oldHosts = 0;  // seeds whose host reports an old version
  uint64_t newPictureFailing = 0, newPictureSections = 0, failingLocks = 0;  // faulted calls
};

struct Target {
  enum class Kind { Method, Setter, PropertyGet, PropertySet } kind;
  std::string plugin;
  const rbscript::Callable* callable = nullptr;      // Method, Setter
  const rbhost::ClassRegistration* owner = nullptr;  // PropertyGet, PropertySet
  const rbhost::PropertyRegistration* property = nullptr;
  std::string describe() const {
    switch (kind) {
      case Kind::Method:
        return rbscript::describeCallable(*callable);
      case Kind::Setter:
        return rbscript::describeCallable(*callable) + " (assigned)";
      case Kind::PropertyGet:
        return owner->name + "." + property->name + " (read)";
      case Kind::PropertySet:
        return owner->name + "." + property->name + " (assigned)";
    }
    return "";
  }
};

// Results that are, by definition, what the host's new picture held: outside
// InvertZRW's rectangle, and all of PaletteZRW.NewPicture's (a new picture of
// the palette's depth, nothing drawn).
bool keepsNewPictureContents(const Target& target) {
  if (target.callable == nullptr) return false;
  const std::string name = target.callable->name();
  return name == "InvertZRW" || name == "NewPicture";
}

// Methods whose integer result is a new GDI object the caller owns: its
// value differs from call to call, and the fuzzer deletes it as a program
// would.
bool givesOwnedBitmap(const Target& target) {
  return target.callable != nullptr && target.callable->name() == "MakeHBITMAPZRW";
}

bool isObjectKind(AbiKind k) {
  return k == AbiKind::Picture || k == AbiKind::String || k == AbiKind::MemoryBlock ||
         k == AbiKind::Object || k == AbiKind::Array;
}

class Fuzzer {
 public:
  Fuzzer(uint64_t seed, Stats& stats, bool verbose)
      : seed_(seed), random_(seed), stats_(stats), verbose_(verbose) {}

  // False on the first failed check, after printing it.
  bool run(int64_t calls);

 private:
  void planFaults(rbhost::HostOptions& options);
  std::vector<Target> targetsOf(const Host& host, const rbscript::Catalog& catalog);
  bool callOnce(Host& host, const Target& target, int64_t number);

  CValue argument(Host& host, const std::string& typeName, AbiType abi, bool receiver,
                  MadeObjects& made, std::ostringstream& text);
  CValue plainValue(Host& host, const std::string& typeName, AbiType abi, bool receiver,
                    MadeObjects& made, std::ostringstream& text);
  RbPicture makePicture(Host& host, MadeObjects& made, std::ostringstream& text);
  RbString makeString(Host& host, MadeObjects& made, std::ostringstream& text);
  RbObject makeInstance(Host& host, const rbhost::ClassRegistration& cls, MadeObjects& made,
                        std::ostringstream& text);
  RbObject graphicsOf(Host& host, RbPicture picture);
  // Half the time within the sizes of the pictures made, so that sizes,
  // positions and rectangles reach the pixels; otherwise extremes and noise.
  int32_t integer() {
    if (random_.percent(50)) return random_.between(-3, 70);
    return random_.percent(75) ? random_.pick(kIntegers) : static_cast<int32_t>(random_.next());
  }

  bool fail(const std::string& what, int64_t number, const std::string& call);
  bool checkAudit(Host& host, const rbhost::Audit& before, int64_t number, const std::string& call);

  uint64_t seed_;
  Random random_;
  Stats& stats_;
  bool verbose_;
  std::string missing_;  // the service this seed's host lacks, if any
  size_t violationsSeen_ = 0;
  std::vector<std::string> strings_;  // bytes of strings the plug-ins returned
};

void Fuzzer::planFaults(rbhost::HostOptions& options) {
  // Most seeds lack one service, in turn; every few seeds lack none.
  const std::vector<std::string> services = rbhost::serviceNames();
  const uint64_t slot = seed_ % (services.size() + 4);
  if (slot < services.size()) {
    missing_ = services[slot];
    options.missingServices.insert(missing_);
  }
#ifndef _WIN32
  // A small display of a depth the seed picks, showing a pattern: captures
  // and screenshots stay cheap, and every depth's conversions get called.
  {
    const int32_t width = 1 + int32_t(random_.below(40)), height = 1 + int32_t(random_.below(30));
    std::vector<uint32_t> colors(size_t(width) * size_t(height));
    for (size_t i = 0; i < colors.size(); ++i) colors[i] = uint32_t(i * 2654435761u) & 0xFFFFFF;
    platform::SetVirtualDisplay(width, height, random_.pick(std::vector<int>{32, 24, 16, 8, 4, 1}),
                                colors.data());
  }
#endif
  // An old host reads short method records and may be refused.
  if (random_.percent(6)) {
    options.version = random_.pick(std::vector<double>{5.5, 5.0, 2005.0});
    ++stats_.oldHosts;
  }
}

std::vector<Target> Fuzzer::targetsOf(const Host& host, const rbscript::Catalog& catalog) {
  std::vector<Target> targets;
  for (const auto& plugin : host.plugins()) {
    const std::string name = plugin->path.substr(plugin->path.find_last_of("/\\") + 1);
    auto add = [&](const rbhost::MethodRegistration& m) {
      for (const rbscript::Callable* c : catalog.methodsNamed(m.parsed.name)) {
        if (c->method != &m) continue;
        targets.push_back({Target::Kind::Method, name, c});
        if (m.setter != nullptr) targets.push_back({Target::Kind::Setter, name, c});
      }
    };
    for (const auto& m : plugin->globalMethods)
      if (m.function != nullptr) add(m);
    for (const auto& cls : plugin->classes) {
      for (const auto& m : cls.methods)
        if (m.function != nullptr) add(m);
      for (const auto& p : cls.properties) {
        if (p.direct()) continue;  // the host reads and writes those itself
        if (p.getter != nullptr)
          targets.push_back({Target::Kind::PropertyGet, name, nullptr, &cls, &p});
        if (p.setter != nullptr)
          targets.push_back({Target::Kind::PropertySet, name, nullptr, &cls, &p});
      }
    }
  }
  return targets;
}

RbObject Fuzzer::graphicsOf(Host& host, RbPicture picture) {
  // The host's own service, even on a host that hides it from the plug-ins.
  auto& missing = host.options().missingServices;
  const bool hidden = missing.erase("pluginPictureGraphicsGetter") != 0;
  auto getter =
      reinterpret_cast<RbGraphics (*)(RbPicture)>(host.resolver()("pluginPictureGraphicsGetter"));
  if (hidden) missing.insert("pluginPictureGraphicsGetter");
  return getter != nullptr ? reinterpret_cast<RbObject>(getter(picture)) : nullptr;
}

RbPicture Fuzzer::makePicture(Host& host, MadeObjects& made, std::ostringstream& text) {
  static const std::vector<int32_t> depths = {1, 2, 4, 8, 16, 24, 32};
  const int32_t depth = random_.pick(depths);
  int32_t width, height;
  switch (random_.below(6)) {
    case 0:  // 1 x N
      width = 1;
      height = random_.between(10, 300);
      break;
    case 1:  // N x 1
      width = random_.between(10, 300);
      height = 1;
      break;
    case 2:
      width = random_.between(10, 64);
      height = random_.between(10, 64);
      break;
    default:
      width = random_.between(1, 9);
      height = random_.between(1, 9);
      break;
  }
  const PictureStorage storage =
      random_.percent(30) ? PictureStorage::DibSection : PictureStorage::GlobalDib;
  RbPicture p = host.newPicture(width, height, depth, storage);
  if (p == nullptr) return nullptr;
  made.owned.push_back(toObject(p));
  if (depth <= 8) {
    std::vector<rbhost::Rgb> palette(size_t(1) << depth);
    for (auto& c : palette) c = rbhost::fromColor(static_cast<uint32_t>(random_.next()));
    host.setPalette(p, palette);
  }
  const bool uniform = random_.percent(15);
  const uint8_t fill = static_cast<uint8_t>(random_.next());
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = host.row(p, y);
    for (int32_t i = 0; i < host.rowBytes(p); ++i)
      row[i] = uniform ? fill : static_cast<uint8_t>(random_.next());
  }
  text << "picture " << width << "x" << height << "x" << depth
       << (storage == PictureStorage::DibSection ? " section" : " packed");
  if (random_.percent(25)) {
    const int32_t maskDepth = random_.pick(depths);
    host.options().maskDepth = maskDepth;
    if (RbPicture mask = host.mask(p, true)) {
      for (int32_t y = 0; y < host.height(mask); ++y) {
        uint8_t* row = host.row(mask, y);
        for (int32_t i = 0; i < host.rowBytes(mask); ++i)
          row[i] = static_cast<uint8_t>(random_.next());
      }
      host.release(mask);
      text << " mask " << maskDepth;
    }
    host.options().maskDepth = 8;
  }
  if (random_.percent(5)) {
    host.failLocksOf(p);
    text << " failing locks";
  }
  return p;
}

RbString Fuzzer::makeString(Host& host, MadeObjects& made, std::ostringstream& text) {
  std::string bytes;
  if (!strings_.empty() && random_.percent(50)) {
    // A string a plug-in made, kept as it is or damaged a little.
    bytes = random_.pick(strings_);
    const uint32_t damage = random_.percent(50) ? 0 : random_.between(1, 4);
    for (uint32_t i = 0; i < damage && !bytes.empty(); ++i) {
      switch (random_.below(3)) {
        case 0:
          bytes[random_.below(uint32_t(bytes.size()))] = static_cast<char>(random_.next());
          break;
        case 1:
          bytes.resize(random_.below(uint32_t(bytes.size()) + 1));
          break;
        default:
          bytes.push_back(static_cast<char>(random_.next()));
          break;
      }
    }
    text << "string of " << bytes.size() << " bytes from a result, " << damage << " changes";
  } else {
    bytes.resize(random_.below(64));
    for (char& c : bytes) c = static_cast<char>(random_.next());
    text << "string of " << bytes.size() << " random bytes";
  }
  const uint32_t encoding =
      random_.percent(50) ? 0x08000100u : static_cast<uint32_t>(random_.next());
  RbString s = host.newString(bytes, encoding);
  made.owned.push_back(toObject(s));
  return s;
}

RbObject Fuzzer::makeInstance(Host& host, const rbhost::ClassRegistration& cls, MadeObjects& made,
                              std::ostringstream& text) {
  RbObject instance = host.newInstance(cls.name);
  if (instance == nullptr) return nullptr;
  made.owned.push_back(instance);
  made.instances = true;
  text << cls.name << "{";
  // Random values in the properties a program could set, through the host
  // as a program would set them.
  for (const auto& p : cls.properties) {
    if (!random_.percent(70)) continue;
    const AbiType abi = rbhost::abiTypeOf(p.type);
    try {
      switch (abi.kind) {
        case AbiKind::Integer: {
          const int32_t v = integer();
          host.setProperty<int32_t>(instance, p.name, v);
          text << " " << p.name << "=" << v;
          break;
        }
        case AbiKind::Double: {
          const double v = random_.pick(kDoubles);
          host.setProperty<double>(instance, p.name, v);
          text << " " << p.name << "=" << v;
          break;
        }
        case AbiKind::Boolean: {
          const bool v = random_.percent(50);
          host.setProperty<bool>(instance, p.name, v);
          text << " " << p.name << "=" << v;
          break;
        }
        case AbiKind::Color: {
          const RbColor v = static_cast<RbColor>(random_.next());
          host.setProperty<RbColor>(instance, p.name, v);
          text << " " << p.name << "=" << v;
          break;
        }
        default:
          break;
      }
    } catch (const rbhost::HostError&) {
      // read-only
    }
  }
  text << " }";
  return instance;
}

CValue Fuzzer::plainValue(Host& host, const std::string& typeName, AbiType abi, bool receiver,
                          MadeObjects& made, std::ostringstream& text) {
  CValue v;
  v.type = cTypeOf({abi.kind, false});
  const bool nil = !receiver && random_.percent(8);
  switch (abi.kind) {
    case AbiKind::Void:
      break;
    case AbiKind::Integer:
      v.int32 = integer();
      text << v.int32;
      break;
    case AbiKind::Double:
      v.number = random_.percent(85)
                     ? random_.pick(kDoubles)
                     : (static_cast<double>(random_.next() % 2000000) - 1e6) / 997.0;
      text << v.number;
      break;
    case AbiKind::Boolean:
      v.boolean = random_.percent(50);
      text << (v.boolean ? "true" : "false");
      break;
    case AbiKind::Color:
      v.uint32 =
          random_.percent(30)
              ? random_.pick(std::vector<uint32_t>{0, 0xFFFFFF, 0xFF000000, 0xFFFFFFFF, 0x808080})
              : static_cast<uint32_t>(random_.next());
      text << "&h" << std::hex << v.uint32 << std::dec;
      break;
    case AbiKind::Picture:
      if (nil) {
        text << "nil";
      } else {
        RbPicture p = makePicture(host, made, text);
        if (!receiver) made.untouchable.push_back(p);
        v.pointer = p;
      }
      break;
    case AbiKind::String:
      if (nil) {
        text << "nil";
      } else {
        v.pointer = makeString(host, made, text);
      }
      break;
    case AbiKind::MemoryBlock:
      if (nil) {
        text << "nil";
      } else {
        const int32_t size = random_.percent(20) ? 0 : random_.between(1, 512);
        RbMemoryBlock b = host.newMemoryBlock(size);
        made.owned.push_back(toObject(b));
        uint8_t* bytes = host.memoryBlockBytes(b);
        for (int32_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(random_.next());
        text << "memoryblock of " << size;
        v.pointer = b;
      }
      break;
    case AbiKind::Array:
      if (nil) {
        text << "nil";
      } else {
        std::vector<int32_t> values(random_.below(20));
        for (int32_t& x : values) x = random_.pick(kIntegers);
        RbArray a = host.newIntArray(values);
        made.owned.push_back(toObject(a));
        text << "array of " << values.size();
        v.pointer = a;
      }
      break;
    case AbiKind::Object:
      if (nil) {
        text << "nil";
      } else if (rbhost::equalsIgnoreCase(typeName, "graphics")) {
        RbPicture p = makePicture(host, made, text);
        v.pointer = p != nullptr ? graphicsOf(host, p) : nullptr;
        text << "'s graphics";
      } else {
        const rbhost::ClassRegistration* cls = nullptr;
        for (const auto& plugin : host.plugins())
          if ((cls = plugin->findClass(typeName)) != nullptr) break;
        v.pointer = cls != nullptr ? makeInstance(host, *cls, made, text) : nullptr;
        if (cls == nullptr) text << "nil " << typeName;
      }
      break;
  }
  return v;
}

CValue Fuzzer::argument(Host& host, const std::string& typeName, AbiType abi, bool receiver,
                        MadeObjects& made, std::ostringstream& text) {
  if (!abi.byRef) return plainValue(host, typeName, abi, receiver, made, text);
  text << "ByRef ";
  made.byRefStorage.push_back(plainValue(host, typeName, abi, receiver, made, text));
  made.byRefHoldsObject.push_back(isObjectKind(abi.kind));
  CValue v;
  v.type = CType::Pointer;
  v.pointer = rbscript::storageAddress(made.byRefStorage.back());
  return v;
}

bool Fuzzer::fail(const std::string& what, int64_t number, const std::string& call) {
  std::fprintf(stderr,
               "argument fuzzer: seed %llu call %lld: %s\n  %s\n  replay: argument_fuzzer --seed "
               "%llu --calls %lld --verbose\n",
               static_cast<unsigned long long>(seed_), static_cast<long long>(number), what.c_str(),
               call.c_str(), static_cast<unsigned long long>(seed_),
               static_cast<long long>(number));
  return false;
}

bool Fuzzer::checkAudit(Host& host, const rbhost::Audit& before, int64_t number,
                        const std::string& call) {
  const rbhost::Audit now = host.audit();
  const bool descriptionsStay = missing_ == "unlockPictureDescription";
  const bool referencesStay = missing_ == "REALUnlockObject";
  for (size_t i = violationsSeen_; i < now.violations.size(); ++i) {
    const std::string& v = now.violations[i];
    if (descriptionsStay && v == "picture destroyed while its description is locked") continue;
    return fail("host violation: " + v, number, call);
  }
  violationsSeen_ = now.violations.size();
  if (!descriptionsStay && now.descriptionLocks != 0)
    return fail("picture descriptions left locked: " + std::to_string(now.descriptionLocks), number,
                call);
  if (now.globalMemoryLocks != 0)
    return fail("picture memory left locked: " + std::to_string(now.globalMemoryLocks), number,
                call);
  if (!referencesStay &&
      (now.liveObjects != before.liveObjects || now.references != before.references)) {
    std::ostringstream s;
    s << "objects or references left behind: " << now.liveObjects << " objects (before "
      << before.liveObjects << "), " << now.references << " references (before "
      << before.references << ")";
    return fail(s.str(), number, call);
  }
  if (now.gdiObjects != before.gdiObjects || now.deviceContexts != before.deviceContexts) {
    std::ostringstream s;
    s << "GDI objects or device contexts left behind: " << now.gdiObjects << " objects (before "
      << before.gdiObjects << "), " << now.deviceContexts << " device contexts (before "
      << before.deviceContexts << ")";
    return fail(s.str(), number, call);
  }
  return true;
}

bool Fuzzer::callOnce(Host& host, const Target& target, int64_t number) {
  const rbhost::Audit before = host.audit();
  MadeObjects made;
  std::ostringstream text;
  text << target.describe() << " with (";

  std::vector<CValue> args;
  AbiType resultAbi{AbiKind::Void};
  RbFunction function = nullptr;
  if (target.kind == Target::Kind::Method || target.kind == Target::Kind::Setter) {
    const rbscript::Callable& c = *target.callable;
    for (size_t i = 0; i < c.slots.size(); ++i) {
      if (i > 0) text << ", ";
      args.push_back(
          argument(host, c.slots[i].type, c.slots[i].abi, c.hasReceiver && i == 0, made, text));
    }
    const std::string& returnType = c.method->parsed.returnType;
    const AbiType declared = returnType.empty() ? AbiType{} : rbhost::abiTypeOf(returnType);
    if (target.kind == Target::Kind::Method) {
      function = c.method->function;
      resultAbi = declared;
    } else {
      function = c.method->setter;
      text << " = ";
      args.push_back(argument(host, returnType, declared, false, made, text));
    }
  } else {
    const auto& p = *target.property;
    args.push_back(argument(host, target.owner->name, rbhost::abiTypeOf(target.owner->name), true,
                            made, text));
    CValue selector;
    selector.type = CType::Word;
    selector.word = p.selector;
    args.push_back(selector);
    const AbiType type = rbhost::abiTypeOf(p.type);
    if (target.kind == Target::Kind::PropertyGet) {
      function = p.getter;
      resultAbi = type;
    } else {
      function = p.setter;
      text << " = ";
      args.push_back(argument(host, p.type, type, false, made, text));
    }
  }
  text << ")";
  std::optional<int32_t> newPictures;
  if (random_.percent(15)) {
    newPictures = random_.between(0, 3);
    text << " newPicture fails after " << *newPictures;
    ++stats_.newPictureFailing;
  }
  const bool sections = random_.percent(10);
  if (sections) {
    text << " new pictures are sections";
    ++stats_.newPictureSections;
  }
  if (text.str().find("failing locks") != std::string::npos) ++stats_.failingLocks;

  const std::string call = text.str();
  std::ostringstream current;
  current << "seed " << seed_ << " call " << number << ": " << call;
  setCurrent(current.str());
  if (verbose_) std::fprintf(stderr, "%s\n", current.str().c_str());

  std::vector<std::pair<RbPicture, PictureSnapshot>> kept;
  for (RbPicture p : made.untouchable)
    if (p != nullptr) kept.emplace_back(p, snapshot(host, p));
  RbPicture receiver = nullptr;
  if (!args.empty() && args[0].type == CType::Pointer &&
      host.typeName(static_cast<RbObject>(args[0].pointer)) == "picture")
    receiver = static_cast<RbPicture>(args[0].pointer);
  std::optional<PictureSnapshot> receiverWas;
  if (receiver != nullptr) receiverWas = snapshot(host, receiver);
  const std::deque<CValue> byRefWere = made.byRefStorage;

  // A call with a result is made twice, on new pictures that start out
  // holding different bytes: a result that differs shows work not done (a
  // picture returned undrawn, bytes never written). Pictures and ByRef
  // values are put back in between; the state of class instances is not, so
  // a scalar result from a call given instances is compared only once.
  std::string firstContent;
  const bool repeatable = resultAbi.kind == AbiKind::Picture || resultAbi.kind == AbiKind::String ||
                          (resultAbi.kind != AbiKind::Void && !made.instances);
  const int rounds = repeatable ? 2 : 1;
  for (int round = 0; round < rounds; ++round) {
    if (round == 1) {
      if (receiverWas) restore(host, receiver, *receiverWas);
      std::copy(byRefWere.begin(), byRefWere.end(), made.byRefStorage.begin());
    }
    host.options().newPictureFill = round == 0 ? 0xCD : 0x3A;
    host.failNewPictureAfter(newPictures ? std::optional<int64_t>(*newPictures) : std::nullopt);
    host.options().newPictureStorage =
        sections ? PictureStorage::DibSection : PictureStorage::GlobalDib;
    const CValue result = rbscript::callFunction(function, cTypeOf(resultAbi), args);
    host.failNewPictureAfter(std::nullopt);
    host.options().newPictureStorage = PictureStorage::GlobalDib;
    host.options().newPictureFill = 0xCD;
    ++stats_.calls;
    ++stats_.callsByPlugin[target.plugin];
    ++stats_.callsByMissing[missing_];

    // The result: a live object of the declared kind, handed over with one
    // reference the caller now drops.
    const bool object = isObjectKind(resultAbi.kind) && result.pointer != nullptr;
    if (object) {
      auto handle = static_cast<RbObject>(result.pointer);
      if (!host.isAlive(handle))
        return fail("returned a handle the host does not know", number, call);
      const char* expected = resultAbi.kind == AbiKind::Picture  ? "picture"
                             : resultAbi.kind == AbiKind::String ? "string"
                                                                 : nullptr;
      // One declaration is known to give another kind than it names:
      // TVQ_MakeMemoryBlock is declared "as picture" and gives a memory block.
      const bool memoryBlockAsPicture =
          resultAbi.kind == AbiKind::Picture && host.typeName(handle) == "memoryblock" &&
          target.callable != nullptr && target.callable->name() == "TVQ_MakeMemoryBlock";
      if (expected != nullptr && host.typeName(handle) != expected && !memoryBlockAsPicture)
        return fail("returned a " + host.typeName(handle) + " as a " + expected, number, call);
    }
    std::string content = resultContent(host, resultAbi.kind, result);
    if (givesOwnedBitmap(target) && result.int32 != 0) {
      if (!DeleteObject(reinterpret_cast<HGDIOBJ>(uintptr_t(uint32_t(result.int32)))))
        return fail("returned a bitmap handle that does not delete", number, call);
      content = "a bitmap";
    }
    if (round == 0) {
      firstContent = content;
    } else if (content != firstContent && !keepsNewPictureContents(target)) {
      return fail("the result depends on what the host's new pictures held before", number, call);
    }
    if (object && resultAbi.kind == AbiKind::String && round == 0) {
      const std::string bytes = host.stringBytes(static_cast<RbString>(result.pointer));
      if (strings_.size() < 16)
        strings_.push_back(bytes);
      else
        strings_[random_.below(16)] = bytes;
    }
    if (object) host.release(static_cast<RbObject>(result.pointer));
    // A ByRef object variable the plug-in filled holds the reference the
    // plug-in gave it (the one it held before, the plug-in has dropped).
    for (size_t i = 0; i < made.byRefStorage.size(); ++i) {
      const void* now = made.byRefStorage[i].pointer;
      if (made.byRefHoldsObject[i] && now != nullptr && now != byRefWere[i].pointer)
        host.release(static_cast<RbObject>(const_cast<void*>(now)));
    }
  }
  for (const auto& [p, was] : kept)
    if (!(snapshot(host, p) == was))
      return fail("changed a picture it was only given", number, call);
  for (RbObject o : made.owned)
    if (host.isAlive(o)) host.release(o);
  return checkAudit(host, before, number, call);
}

bool Fuzzer::run(int64_t calls) {
  rbhost::HostOptions options;
  planFaults(options);
  Host host(options);
  setCurrent("seed " + std::to_string(seed_) + ": loading the plug-ins");
  const rbhost::Audit empty = host.audit();
  host.load(rbhost::graphicsPluginPath());
  host.load(rbhost::picturePluginPath());
  if (!checkAudit(host, empty, 0, "loading the plug-ins")) return false;
  ++stats_.seeds;
  const rbscript::Catalog catalog(host);
  const std::vector<Target> targets = targetsOf(host, catalog);
  if (targets.empty()) return true;  // a host that lets nothing register
  for (int64_t number = 1; number <= calls; ++number) {
    const Target& target = random_.pick(targets);
    if (!callOnce(host, target, number)) return false;
  }
  return true;
}

struct Options {
  uint64_t firstSeed = 1, lastSeed = 200;
  int64_t calls = 100;
  double seconds = 0;  // 0: no limit
  bool verbose = false;
};

bool parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--seeds") {
      const std::string v = value();
      const size_t dash = v.find('-');
      if (dash == std::string::npos) return false;
      o.firstSeed = std::stoull(v.substr(0, dash));
      o.lastSeed = std::stoull(v.substr(dash + 1));
    } else if (a == "--seed") {
      o.firstSeed = o.lastSeed = std::stoull(value());
    } else if (a == "--calls") {
      o.calls = std::stoll(value());
    } else if (a == "--seconds") {
      o.seconds = std::stod(value());
    } else if (a == "--verbose") {
      o.verbose = true;
    } else {
      return false;
    }
  }
  return o.firstSeed <= o.lastSeed && o.calls >= 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  try {
    if (!parse(argc, argv, options)) {
      std::fprintf(stderr,
                   "usage: argument_fuzzer [--seeds FIRST-LAST | --seed S] [--calls N] "
                   "[--seconds S] [--verbose]\n");
      return 2;
    }
  } catch (const std::exception&) {
    std::fprintf(stderr, "argument_fuzzer: bad number\n");
    return 2;
  }
  installCrashReport();
  Stats stats;
  const auto start = std::chrono::steady_clock::now();
  bool ok = true;
  uint64_t seed = options.firstSeed;
  for (; ok && seed <= options.lastSeed; ++seed) {
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (options.seconds > 0 && elapsed >= options.seconds) break;
    try {
      ok = Fuzzer(seed, stats, options.verbose).run(options.calls);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "argument fuzzer: seed %llu: %s\n",
                   static_cast<unsigned long long>(seed), e.what());
      ok = false;
    }
  }
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // One figure a line, "  <what> <count> <unit>", so that scripts/fuzz can
  // add up the runs of a long session.
  auto line = [](const std::string& what, uint64_t n, const char* unit) {
    std::printf("  %-46s %llu %s\n", what.c_str(), static_cast<unsigned long long>(n), unit);
  };
  std::printf("argument fuzzer: seeds %llu-%llu in %.1f s%s\n",
              static_cast<unsigned long long>(options.firstSeed),
              static_cast<unsigned long long>(seed - 1), elapsed, ok ? "" : ", FAILED");
  line("seeds", stats.seeds, "seeds");
  line("of them with an old host version", stats.oldHosts, "seeds");
  line("calls", stats.calls, "calls");
  for (const auto& [plugin, n] : stats.callsByPlugin) line("to " + plugin, n, "calls");
  line("with newPicture failing", stats.newPictureFailing, "calls");
  line("with new pictures made as sections", stats.newPictureSections, "calls");
  line("with a picture whose locks fail", stats.failingLocks, "calls");
  for (const auto& [service, n] : stats.callsByMissing)
    line(service.empty() ? "with every service" : "without " + service, n, "calls");
  return ok ? 0 : 1;
}
