// Whole calls as a program makes them: through the simulated host and the
// runner's interpreter, on a 4096 x 4096 picture at 32 and at 24 bits, one
// thread. Each benchmark reports beside its time (CPU time of the thread;
// the counters come from the same clock):
//   memcpy_ms    a memcpy of the result's bytes, timed in the same process
//   x_memcpy     the call's time divided by that
//   host_ms      what the host itself spends on the call: the new result
//                picture or string (made and released), and for a
//                picture-plug-in call on a source not stored as 32 bits the
//                drawn 32-bit copy (new picture and drawing), each timed
//                alone in the same run
//   host_share   host_ms / the call's time
//   kernel_ms    the operation's pixel loop alone on the same pixels, where
//                the kernel can be reached without the host
// The host's own primitives (a new picture, drawing one picture into another)
// are benchmarked beside the calls.
//
// Which calls run: every demo entry (host/demo/src/demo_entries.cpp) whose
// operation gives a picture and is registered, with the demo's statement;
// and the calls listed in directCalls() below, which take precedence for the
// same declaration. A newly registered operation is covered by its demo entry
// or by one line in directCalls(); the benchmark names on stderr every
// registered operation giving a picture that it does not cover.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/color/rgb_offsets.h"
#include "graphics/composite/add_subtract.h"
#include "graphics/frame/pixel_view.h"
#include "graphics/frame/selection.h"
#include "rbdemo/demo_entries.h"
#include "rbdemo/test_card.h"
#include "rbscript/parser.h"
#include "rbscript/session.h"

namespace {

using rbhost::Host;
using rbscript::HostRef;
using rbscript::Kind;
using rbscript::TypeSpec;
using rbscript::Value;

constexpr int32_t kSide = 4096;
const TypeSpec kPictureType{Kind::Picture, ""};

// Times are the thread's CPU time, page faults included: on a machine that
// others share, wall-clock time would count their work too.
struct CpuClock {
  using time_point = double;
  static double now() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
  }
};
using Clock = CpuClock;

double secondsSince(Clock::time_point start) { return Clock::now() - start; }

// The best of `runs` timings of `f`, in seconds.
template <typename F>
double bestOf(int runs, F f) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    f();
    best = std::min(best, secondsSince(start));
  }
  return best;
}

// A memcpy of `bytes` between two buffers whose pages are already touched.
double memcpySeconds(size_t bytes) {
  static std::map<size_t, double> measured;
  auto found = measured.find(bytes);
  if (found != measured.end()) return found->second;
  std::vector<uint8_t> from(bytes, 1), to(bytes, 2);
  const double s = bestOf(5, [&] {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  });
  return measured[bytes] = s;
}

std::ostringstream& scriptOutput() {
  static std::ostringstream out;
  out.str("");
  return out;
}

rbscript::Session& session() {
  static std::ostringstream err;
  static rbscript::Session s(scriptOutput(), err);
  return s;
}

template <typename Signature>
Signature* hostService(const char* name) {
  return reinterpret_cast<Signature*>(session().host().resolver()(name));
}

// Stores top-first colours into a picture of 8 (grey levels: the blue
// channel), 16 (5-5-5), 24 or 32 bits, row by row.
void storeColors(Host& host, RbPicture p, const std::vector<rbhost::Rgb>& colors) {
  const int32_t w = host.width(p), h = host.height(p), depth = host.depth(p);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = host.row(p, h - 1 - y);
    const rbhost::Rgb* c = colors.data() + size_t(y) * size_t(w);
    for (int32_t x = 0; x < w; ++x, ++c) {
      if (depth == 8) {
        row[x] = c->blue;
      } else if (depth == 16) {
        const unsigned word =
            unsigned(c->red >> 3) << 10 | unsigned(c->green >> 3) << 5 | unsigned(c->blue >> 3);
        row[2 * x] = static_cast<uint8_t>(word);
        row[2 * x + 1] = static_cast<uint8_t>(word >> 8);
      } else {
        const int32_t step = depth / 8;
        row[x * step] = c->blue;
        row[x * step + 1] = c->green;
        row[x * step + 2] = c->red;
        if (step == 4) row[x * step + 3] = 0;
      }
    }
  }
}

// The pictures every call works on, at one depth, defined in the interpreter
// under the demo's names (card, other, mask, scratch, grey8, identity,
// invert, area, result).
class Inputs {
 public:
  static Inputs& at(int32_t depth) {
    static std::unique_ptr<Inputs> current;
    if (!current || current->depth_ != depth) {
      current.reset();
      current.reset(new Inputs(depth));
    }
    return *current;
  }
  ~Inputs() { session().interpreter().clear(); }

  int32_t depth() const { return depth_; }
  RbPicture picture(const std::string& name) const {
    return reinterpret_cast<RbPicture>(session().interpreter().find(name)->value.handle());
  }

 private:
  explicit Inputs(int32_t depth) : depth_(depth) {
    Host& host = session().host();
    rbscript::Interpreter& in = session().interpreter();
    in.clear();
    const auto card = rbdemo::testCardPixels(kSide, kSide);
    in.define("card", kPictureType, picture(depth, card));
    in.define("scratch", kPictureType, picture(depth, card));
    in.define("grey8", kPictureType, picture(8, card));
    in.define("other", kPictureType, picture(depth, rbdemo::overlayPixels(kSide, kSide)));
    in.define("mask", kPictureType, picture(8, rbdemo::roundMaskPixels(kSide, kSide)));
    in.define("identity", {Kind::MemoryBlock, ""}, lookupTable(host, false));
    in.define("invert", {Kind::MemoryBlock, ""}, lookupTable(host, true));
    in.define("result", kPictureType, Value::nil(kPictureType));
    if (in.catalog().findClass("TVQ_Rectangle") != nullptr) {
      for (const std::string& line :
           {std::string("Dim area As New TVQ_Rectangle"),
            "area.left = " + std::to_string(kSide / 8), "area.top = " + std::to_string(kSide / 8),
            "area.width = " + std::to_string(kSide - kSide / 4),
            "area.height = " + std::to_string(kSide - kSide / 4)})
        in.run(rbscript::parse(line));
    }
  }

  static Value picture(int32_t depth, const std::vector<rbhost::Rgb>& colors) {
    Host& host = session().host();
    RbPicture p = host.newPicture(kSide, kSide, depth);
    storeColors(host, p, colors);
    return Value::ofObject(host, HostRef::adopt(host, toObject(p)), kPictureType);
  }

  static Value lookupTable(Host& host, bool inverted) {
    RbMemoryBlock b = host.newMemoryBlock(256);
    for (int i = 0; i < 256; ++i)
      host.memoryBlockBytes(b)[i] = static_cast<uint8_t>(inverted ? 255 - i : i);
    return Value::ofObject(host, HostRef::adopt(host, toObject(b)), {Kind::MemoryBlock, ""});
  }

  int32_t depth_;
};

// ---- Calls made in C++ straight through the host, for operations whose
// arguments or results the interpreter would copy (strings): the copy would
// be the runner's cost, not the call's. One line per operation: the
// declaration and the call; the call returns the object the program would
// hold (released by the benchmark).

using DirectCall = std::function<RbObject(Host&, const Inputs&)>;

struct DirectEntry {
  const char* declaration;
  DirectCall call;
};

const char* const kToBinaryString = "PicturetoBinaryStringZRW(p as picture) as string";
const char* const kFromBinaryString = "BinaryStringtoPictureZRW(data as String) as Picture";

// The binary string of the card, made once per depth for the reader.
RbString cardBinaryString(Host& host, const Inputs& in) {
  static std::pair<int32_t, HostRef> made{0, HostRef()};
  if (made.first != in.depth() || made.second.get() == nullptr) {
    made = {
        in.depth(),
        HostRef::adopt(host, toObject(host.call<RbString>(kToBinaryString, in.picture("card"))))};
  }
  return reinterpret_cast<RbString>(made.second.get());
}

const std::vector<DirectEntry>& directCalls() {
  static const std::vector<DirectEntry> calls = {
      {kToBinaryString,
       [](Host& h, const Inputs& in) {
         return toObject(h.call<RbString>(kToBinaryString, in.picture("card")));
       }},
      {kFromBinaryString,
       [](Host& h, const Inputs& in) {
         return toObject(h.call<RbPicture>(kFromBinaryString, cardBinaryString(h, in)));
       }},
  };
  return calls;
}

// ---- Kernels alone, on views of the same host pictures, for operations
// whose pixel loop is reachable without the host. One line per operation.

tvq::PixelView viewOf(Host& host, RbPicture p) {
  tvq::PixelView v;
  v.width = host.width(p);
  v.height = host.height(p);
  v.depth = host.depth(p);
  v.bytesPerPixel = v.depth / 8;
  v.rowBytes = host.rowBytes(p);
  v.pixels = host.row(p, 0);
  v.format = v.depth == 32   ? tvq::PixelFormat::Bgrx32
             : v.depth == 24 ? tvq::PixelFormat::Bgr24
                             : tvq::PixelFormat::Grey8;
  return v;
}

struct KernelViews {
  tvq::PixelView card, other, mask, scratch, target;
};

const tvq::Selection kArea{kSide / 8, kSide / 8, kSide - kSide / 8 - 1, kSide - kSide / 8 - 1};
const tvq::RgbDeltas kDemoDeltas{60, 0, -60};

const std::map<std::string, std::function<void(const KernelViews&)>>& kernels() {
  static const std::map<std::string, std::function<void(const KernelViews&)>> table = {
      {"TVQ_AdjustRGB(rect as TVQ_Rectangle, red_delta as integer, green_delta as integer, "
       "blue_delta as integer) as picture",
       [](const KernelViews& v) { tvq::offsetSelection(v.card, v.target, kArea, kDemoDeltas); }},
      {"TVQ_AdjustRGB_InPlace(rect as TVQ_Rectangle, red_delta as integer, green_delta as "
       "integer, blue_delta as integer)",
       [](const KernelViews& v) { tvq::offsetInPlace(v.scratch, kArea, kDemoDeltas); }},
      {"TVQ_AdjustRGBWithMask(mask as picture, red_delta as integer, green_delta as integer, "
       "blue_delta as integer) as picture",
       [](const KernelViews& v) { tvq::offsetByMask(v.card, v.mask, v.target, kDemoDeltas); }},
      {"TVQ_Add(extends p as picture, addend as picture) as picture",
       [](const KernelViews& v) {
         tvq::combineChannels(v.card, v.other, v.target, tvq::ChannelArithmetic::Add);
       }},
      {"TVQ_Subtract(extends p as picture, subtractend as picture) as picture",
       [](const KernelViews& v) {
         tvq::combineChannels(v.card, v.other, v.target, tvq::ChannelArithmetic::Subtract);
       }},
  };
  return table;
}

// ---- The host's own costs, timed alone.

double newPictureSeconds(int32_t depth) {
  Host& host = session().host();
  return bestOf(3, [&] { host.release(host.newPicture(kSide, kSide, depth)); });
}

// A host string holding a copy of `bytes` bytes, as a plug-in builds one.
double newStringSeconds(size_t bytes) {
  Host& host = session().host();
  const std::vector<char> from(bytes, 'x');
  static auto* build = hostService<RbString(const char*, int32_t)>("REALBuildString");
  return bestOf(3, [&] { host.release(build(from.data(), static_cast<int32_t>(bytes))); });
}

// A new 32-bit picture with `source` drawn into it, as the picture plug-in's
// source view makes it.
RbPicture drawnCopy(RbPicture source) {
  Host& host = session().host();
  static auto* graphicsOf = hostService<RbGraphics(RbPicture)>("pluginPictureGraphicsGetter");
  static auto* dcOf = hostService<uintptr_t(RbGraphics)>("REALGraphicsDC");
  static auto* draw =
      hostService<void(uintptr_t, RbPicture, const RbRect16*, RbBoolean)>("drawPicturePrimitive");
  RbPicture copy = host.newPicture(kSide, kSide, 32);
  const RbRect16 bounds{0, 0, kSide, kSide};
  draw(dcOf(graphicsOf(copy)), source, &bounds, false);
  return copy;
}

double drawnCopySeconds(RbPicture source) {
  Host& host = session().host();
  return bestOf(3, [&] { host.release(drawnCopy(source)); });
}

// ---- The benchmarks.

struct CallCase {
  std::string title;
  std::string declaration;
  std::vector<std::string> setup;  // script lines run once before timing
  std::string statement;           // the timed script line, or empty for `direct`
  std::string resultVariable;      // what holds the result after the statement
  DirectCall direct;
};

// "x = expr" for a statement "Dim x As T = expr"; "" for any other.
std::string assignmentOf(const std::string& statement) {
  static const std::regex declaration(R"(^\s*Dim\s+(\w+)\s+As\s+\w+\s*=\s*(.*)$)",
                                      std::regex::icase);
  std::smatch m;
  if (!std::regex_match(statement, m, declaration)) return "";
  return m[1].str() + " = " + m[2].str();
}

size_t objectBytes(Host& host, RbObject o) {
  if (o == nullptr) return 0;
  if (host.typeName(o) == "string") return host.stringBytes(reinterpret_cast<RbString>(o)).size();
  auto p = reinterpret_cast<RbPicture>(o);
  return size_t(host.rowBytes(p)) * size_t(host.height(p));
}

// The declared result type in lower case, "" for a method that gives none
// (class methods included, which the host's global table does not list).
std::string returnTypeOf(const std::string& declaration) {
  std::string text = declaration;
  std::transform(text.begin(), text.end(), text.begin(), ::tolower);
  const size_t close = text.rfind(')');
  const size_t as = text.find(" as ", close == std::string::npos ? 0 : close);
  return as == std::string::npos ? std::string() : text.substr(as + 4);
}

// False for an operation that changes its picture in place.
bool returnsObject(const std::string& declaration) { return !returnTypeOf(declaration).empty(); }

// True for a method giving a picture or a string, or changing a picture in
// place: the calls this benchmark compares with a memcpy of their result.
bool givesPictureOrNothing(const std::string& declaration) {
  const std::string type = returnTypeOf(declaration);
  return type.empty() || type == "picture" || type == "string";
}

bool isPictureStoredAs32(Host& host, RbPicture p) {
  return host.depth(p) == 32 && host.storage(p) == rbhost::PictureStorage::GlobalDib;
}

void reportAgainstMemcpy(benchmark::State& state, double callSeconds, size_t resultBytes,
                         double hostSeconds) {
  const double copy = memcpySeconds(resultBytes);
  state.counters["memcpy_ms"] = copy * 1e3;
  state.counters["x_memcpy"] = callSeconds / copy;
  state.counters["host_ms"] = hostSeconds * 1e3;
  state.counters["host_share"] = hostSeconds / callSeconds;
}

void runCall(benchmark::State& state, const CallCase& c, int32_t depth) {
  Host& host = session().host();
  rbscript::Interpreter& in = session().interpreter();
  const Inputs& inputs = Inputs::at(depth);
  in.beginScope();
  for (const std::string& line : c.setup) in.run(rbscript::parse(line));
  const rbscript::Program statement =
      c.statement.empty() ? rbscript::Program{} : rbscript::parse(c.statement);
  // A statement that declares its result ("Dim half As Picture = ...")
  // declares it on the first run; the timed runs assign it.
  const std::string repeated = assignmentOf(c.statement);
  const rbscript::Program again = c.statement.empty()
                                      ? rbscript::Program{}
                                      : rbscript::parse(repeated.empty() ? c.statement : repeated);
  bool first = true;
  RbObject held = nullptr;
  auto once = [&] {
    if (c.direct) {
      RbObject made = c.direct(host, inputs);
      if (held != nullptr) host.release(held);
      held = made;
    } else {
      in.run(first ? statement : again);
      first = false;
    }
  };
  once();  // the first call outside the timing, to know the result
  RbObject result = c.direct ? held : in.find(c.resultVariable)->value.handle();
  if (result == nullptr) {
    in.endScope();
    state.SkipWithError("the call gives nil");
    return;
  }
  const std::string resultType = host.typeName(result);
  if (resultType != "picture" && resultType != "string") {
    // A client picture or another class instance: not a picture's call.
    if (held != nullptr) host.release(held);
    in.endScope();
    state.SkipWithError("the result is neither a picture nor a string");
    return;
  }
  const size_t resultBytes = objectBytes(host, result);
  // The result goes when the next call replaces it: what is needed of it
  // later is read now.
  const bool resultIsPicture = host.typeName(result) == "picture";
  const int32_t resultDepth = resultIsPicture ? host.depth(reinterpret_cast<RbPicture>(result)) : 0;
  double total = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    once();
    total += secondsSince(start);
  }
  if (held != nullptr) host.release(held);
  const double callSeconds = total / double(state.iterations());

  // The host's part: the result picture, and the drawn copy of a source the
  // picture plug-in cannot read in place.
  RbPicture card = inputs.picture("card");
  double hostSeconds = 0;
  if (returnsObject(c.declaration)) {
    if (resultIsPicture) {
      hostSeconds += newPictureSeconds(resultDepth);
    } else {
      hostSeconds += newStringSeconds(resultBytes);
    }
  }
  const bool readsPictureSource =
      c.declaration.find("ZRW") != std::string::npos && c.declaration != kFromBinaryString;
  if (readsPictureSource && !isPictureStoredAs32(host, card)) hostSeconds += drawnCopySeconds(card);
  reportAgainstMemcpy(state, callSeconds, resultBytes, hostSeconds);

  auto kernel = kernels().find(c.declaration);
  if (kernel != kernels().end()) {
    RbPicture target = host.newPicture(kSide, kSide, depth);
    const KernelViews views{viewOf(host, card), viewOf(host, inputs.picture("other")),
                            viewOf(host, inputs.picture("mask")),
                            viewOf(host, inputs.picture("scratch")), viewOf(host, target)};
    kernel->second(views);  // touches the target's pages
    const double k = bestOf(3, [&] {
      kernel->second(views);
      benchmark::ClobberMemory();
    });
    host.release(target);
    state.counters["kernel_ms"] = k * 1e3;
    state.counters["kernel_x_memcpy"] = k / memcpySeconds(resultBytes);
  }
  in.endScope();
}

void BM_NewPicture(benchmark::State& state) {
  Host& host = session().host();
  const auto depth = static_cast<int32_t>(state.range(0));
  const auto storage = static_cast<rbhost::PictureStorage>(state.range(1));
  size_t bytes = 0;
  double total = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    RbPicture p = host.newPicture(kSide, kSide, depth, storage);
    total += secondsSince(start);
    bytes = size_t(host.rowBytes(p)) * kSide;
    host.release(p);
  }
  const double copy = memcpySeconds(bytes);
  state.counters["memcpy_ms"] = copy * 1e3;
  state.counters["x_memcpy"] = total / double(state.iterations()) / copy;
}

// A picture of `depth` bits drawn into a new 32-bit one at the same size:
// what the picture plug-in's source view asks of the host.
void BM_DrawInto32(benchmark::State& state) {
  Host& host = session().host();
  const auto depth = static_cast<int32_t>(state.range(0));
  const auto storage = static_cast<rbhost::PictureStorage>(state.range(1));
  RbPicture source = host.newPicture(kSide, kSide, depth, storage);
  storeColors(host, source, rbdemo::testCardPixels(kSide, kSide));
  double total = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    host.release(drawnCopy(source));
    total += secondsSince(start);
  }
  host.release(source);
  const double copy = memcpySeconds(size_t(kSide) * kSide * 4);
  state.counters["memcpy_ms"] = copy * 1e3;
  state.counters["x_memcpy"] = total / double(state.iterations()) / copy;
}

bool registered(const rbscript::Catalog& catalog, const rbdemo::Registration& r) {
  if (!r.property.empty()) return catalog.property(r.className, r.property) != nullptr;
  return catalog.isRegistered(r.className, r.declaration);
}

// The variable a demo entry's result ends up in, or empty when the entry
// shows no picture made by its statement.
std::string resultVariableOf(const rbdemo::DemoEntry& e) {
  if (e.statement.rfind("result = ", 0) == 0) return "result";
  for (const std::string& line : e.after)
    if (line.rfind("result = ", 0) == 0) return line.substr(9);
  return "";
}

std::vector<CallCase> callCases() {
  const rbscript::Catalog& catalog = session().interpreter().catalog();
  std::vector<CallCase> cases;
  std::set<std::string> direct;
  for (const DirectEntry& d : directCalls()) {
    if (!catalog.isRegistered("", d.declaration)) continue;
    direct.insert(d.declaration);
    CallCase c;
    c.title = d.declaration;
    c.title = c.title.substr(0, c.title.find('('));
    c.declaration = d.declaration;
    c.direct = d.call;
    cases.push_back(std::move(c));
  }
  for (const rbdemo::DemoEntry& e : rbdemo::demoEntries()) {
    if (e.key.declaration.empty() || direct.count(e.key.declaration) != 0) continue;
    bool ready = registered(catalog, e.key);
    for (const rbdemo::Registration& r : e.alsoNeeds) ready = ready && registered(catalog, r);
    const std::string variable = resultVariableOf(e);
    if (!ready || variable.empty() || !givesPictureOrNothing(e.key.declaration)) continue;
    cases.push_back({e.title, e.key.declaration, e.setup, e.statement, variable, nullptr});
  }
  return cases;
}

// Names every registered method giving a picture that no case calls.
void reportUncovered(const std::vector<CallCase>& cases) {
  std::set<std::string> covered;
  for (const CallCase& c : cases) covered.insert(c.declaration);
  for (const auto& plugin : session().host().plugins()) {
    std::vector<const rbhost::MethodRegistration*> methods;
    for (const auto& m : plugin->globalMethods) methods.push_back(&m);
    for (const auto& cls : plugin->classes)
      if (cls.isExtension)
        for (const auto& m : cls.methods) methods.push_back(&m);
    for (const rbhost::MethodRegistration* m : methods) {
      std::string type = m->parsed.returnType;
      std::transform(type.begin(), type.end(), type.begin(), ::tolower);
      if (type == "picture" && covered.count(m->declaration) == 0)
        std::cerr << "not benchmarked: " << m->declaration << "\n";
    }
  }
}

std::string benchmarkName(const std::string& title) {
  std::string s;
  for (char c : title) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      s += c;
    } else if (!s.empty() && s.back() != '_') {
      s += '_';
    }
  }
  while (!s.empty() && s.back() == '_') s.pop_back();
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const std::vector<CallCase> cases = callCases();
  reportUncovered(cases);
  for (int32_t depth : {32, 24}) {
    for (const CallCase& c : cases) {
      benchmark::RegisterBenchmark(
          ("Call/" + benchmarkName(c.title) + "/depth:" + std::to_string(depth)).c_str(),
          [c, depth](benchmark::State& state) { runCall(state, c, depth); })
          ->Unit(benchmark::kMillisecond);
    }
  }
  for (int64_t storage :
       {int64_t(rbhost::PictureStorage::GlobalDib), int64_t(rbhost::PictureStorage::DibSection)}) {
    benchmark::RegisterBenchmark("Host/NewPicture", BM_NewPicture)
        ->ArgNames({"depth", "storage"})
        ->Args({32, storage})
        ->Args({24, storage})
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Host/DrawInto32", BM_DrawInto32)
        ->ArgNames({"depth", "storage"})
        ->Args({24, storage})
        ->Args({16, storage})
        ->Args({8, storage})
        ->Args({32, storage})
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
