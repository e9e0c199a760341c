#include <atomic>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "state.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace rbhost {
namespace {

Host* currentHost = nullptr;

std::string copyForPrivateLoad(const std::string& path) {
  namespace fs = std::filesystem;
  static std::atomic<int> counter{0};
  std::error_code ec;
  fs::path dir = fs::temp_directory_path(ec);
  if (ec) dir = fs::current_path();
#ifdef _WIN32
  const long pid = static_cast<long>(GetCurrentProcessId());
#else
  const long pid = static_cast<long>(::getpid());
#endif
  fs::path copy = dir / ("rbhost-" + std::to_string(pid) + "-" + std::to_string(counter++) + "-" +
                         fs::path(path).filename().string());
  fs::copy_file(path, copy, fs::copy_options::overwrite_existing, ec);
  if (ec) throw HostError("cannot copy plug-in " + path + ": " + ec.message());
  return copy.string();
}

}  // namespace

bool PropertyRegistration::direct() const {
  return rbIsStandardAccessor(getter) && rbIsStandardAccessor(setter);
}

Host::Host(HostOptions options) : options_(std::move(options)), state_(std::make_unique<State>()) {
  if (currentHost != nullptr) throw HostError("only one host can exist at a time");
  currentHost = this;
  const GdiTotals before = gdiTotals();
  state_->gdiObjectsBefore = before.objects;
  state_->deviceContextsBefore = before.deviceContexts;
}

Host::~Host() {
  // Destroy what is still alive; a destructor may release other objects.
  while (!state_->objects.empty()) {
    auto it = state_->objects.begin();
    while (it != state_->objects.end() && it->second->dying) ++it;
    if (it == state_->objects.end()) break;
    it->second->references = 1;
    state_->release(it->first, "host shutdown");
  }
  // Plug-ins stay loaded, as in the real host: their registration records and
  // the tables they allocated for the host live as long as the process.
  for (const std::string& f : state_->tempFiles) {
    std::error_code ec;
    std::filesystem::remove(f, ec);
  }
  currentHost = nullptr;
}

Host& Host::current() {
  if (currentHost == nullptr) throw HostError("no host");
  return *currentHost;
}

RbResolver Host::resolver() const { return serviceResolver(); }

Plugin& Host::load(const std::string& path) {
  if (!std::filesystem::exists(path)) throw HostError("no plug-in at " + path);
  const std::string copy = copyForPrivateLoad(path);
  HMODULE module = LoadLibraryA(copy.c_str());
  if (module == nullptr) {
    std::error_code ec;
    std::filesystem::remove(copy, ec);
    throw HostError("cannot load plug-in " + path);
  }
  state_->modules.push_back(module);
#ifdef _WIN32
  state_->tempFiles.push_back(copy);  // cannot be removed while loaded
#else
  std::error_code ec;
  std::filesystem::remove(copy, ec);  // the mapping stays
#endif
  // Through the generic function type: FARPROC itself has another signature.
  auto main = reinterpret_cast<RbPluginMain>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, "REALPluginMain")));
  if (main == nullptr) throw HostError("plug-in " + path + " has no REALPluginMain");

  plugins_.push_back(std::make_unique<Plugin>());
  Plugin& plugin = *plugins_.back();
  plugin.path = path;
  const size_t messagesBefore = messageBoxes_.size();
  state_->loading = &plugin;
  main(serviceResolver());
  state_->loading = nullptr;
  plugin.loadMessages.assign(messageBoxes_.begin() + std::ptrdiff_t(messagesBefore),
                             messageBoxes_.end());
  return plugin;
}

const ClassRegistration* Plugin::findClass(std::string_view name) const {
  for (const auto& c : classes)
    if (!c.isExtension && equalsIgnoreCase(c.name, name)) return &c;
  return nullptr;
}

const MethodRegistration* Plugin::findMethod(std::string_view declaration) const {
  for (const auto& m : globalMethods)
    if (m.declaration == declaration) return &m;
  for (const auto& c : classes)
    if (c.isExtension)
      for (const auto& m : c.methods)
        if (m.declaration == declaration) return &m;
  return nullptr;
}

const MethodRegistration* Plugin::findClassMethod(std::string_view className,
                                                  std::string_view declaration) const {
  for (const auto& c : classes)
    if (equalsIgnoreCase(c.name, className))
      for (const auto& m : c.methods)
        if (m.declaration == declaration) return &m;
  return nullptr;
}

std::vector<std::string> Plugin::listing() const {
  std::vector<std::string> lines;
  for (const RegistrationEvent& e : arrivalOrder) {
    if (e.kind == RegistrationEvent::Kind::GlobalMethod) {
      lines.push_back(globalMethods[e.index].declaration);
      continue;
    }
    const ClassRegistration& c = classes[e.index];
    std::ostringstream head;
    head << (c.isExtension ? "extension " : "class ") << c.name;
    if (!c.isExtension) head << " (" << c.dataSize << " bytes of data)";
    lines.push_back(head.str());
    for (const auto& p : c.properties) {
      std::string line = "  property " + p.name + " as " + p.type;
      if (!p.direct() && p.setter == nullptr) line += " (read-only)";
      lines.push_back(line);
    }
    for (const auto& m : c.methods)
      lines.push_back("  " + m.declaration + (m.setter != nullptr ? " (assignable)" : ""));
  }
  return lines;
}

const MethodRegistration& Host::method(std::string_view declaration) const {
  for (const auto& p : plugins_)
    if (const MethodRegistration* m = p->findMethod(declaration)) return *m;
  throw HostError("no registered method \"" + std::string(declaration) + "\"");
}

const MethodRegistration& Host::classMethod(std::string_view className,
                                            std::string_view declaration) const {
  for (const auto& p : plugins_)
    if (const MethodRegistration* m = p->findClassMethod(className, declaration)) return *m;
  throw HostError("no method \"" + std::string(declaration) + "\" in class " +
                  std::string(className));
}

void Host::checkSignature(const MethodRegistration& m, const std::vector<AbiType>& signature,
                          bool setter) const {
  std::vector<AbiType> expected;
  expected.push_back(setter ? AbiType{} : abiTypeOf(m.parsed.returnType));
  if (!m.receiver.empty()) expected.push_back(abiTypeOf(m.receiver));
  for (const Parameter& p : m.parsed.parameters) expected.push_back(abiTypeOf(p));
  if (setter) {
    if (m.setter == nullptr) throw HostError("\"" + m.declaration + "\" is not assignable");
    expected.push_back(abiTypeOf(m.parsed.returnType));
  }
  if (expected == signature) return;
  auto text = [](const std::vector<AbiType>& s) {
    std::string t = describe(s[0]) + " (";
    for (size_t i = 1; i < s.size(); ++i) t += (i > 1 ? ", " : "") + describe(s[i]);
    return t + ")";
  };
  throw HostError("\"" + m.declaration + "\" is " + text(expected) + ", called as " +
                  text(signature));
}

const PropertyRegistration& Host::property(RbObject object, std::string_view name,
                                           AbiType expected) const {
  std::string owner = typeName(object);
  if (owner.empty()) throw HostError("property " + std::string(name) + " of an invalid object");
  for (const auto& plugin : plugins_)
    for (const auto& c : plugin->classes)
      if (equalsIgnoreCase(c.name, owner))
        for (const auto& p : c.properties)
          if (equalsIgnoreCase(p.name, name)) {
            if (abiTypeOf(p.type) != expected)
              throw HostError("property " + p.name + " is " + p.type + ", used as " +
                              describe(expected));
            return p;
          }
  throw HostError(owner + " has no property " + std::string(name));
}

char* Host::directField(RbObject object, const PropertyRegistration& p, size_t size) const {
  auto* o = state_->find<InstanceObject>(object, Object::Type::Instance);
  if (o == nullptr) throw HostError("property " + p.name + " of an object without instance data");
  if (p.selector < 0 || size_t(p.selector) + size > size_t(o->cls->dataSize))
    throw HostError("property " + p.name + " lies outside the instance data");
  return reinterpret_cast<char*>(o->storage.get() + o->cls->dataOffset + p.selector);
}

Audit Host::audit() const {
  Audit a;
  int64_t hostObjects = 0, hostDeviceContexts = 0;
  for (const auto& [handle, object] : state_->objects) {
    if (object->dying) continue;
    ++a.liveObjects;
    a.references += object->references;
    if (object->type != Object::Type::Picture) continue;
    auto& p = static_cast<PictureObject&>(*object);
    a.descriptionLocks += p.descriptionLocks;
    if (p.global != nullptr) a.globalMemoryLocks += GlobalFlags(p.global) & GMEM_LOCKCOUNT;
    if (p.bitmap != nullptr) ++hostObjects;
    if (p.graphics && p.graphics->dc != nullptr) ++hostDeviceContexts;
  }
  const GdiTotals now = gdiTotals();
#ifdef _WIN32
  a.gdiObjects = now.objects - state_->gdiObjectsBefore - hostObjects - hostDeviceContexts;
#else
  a.gdiObjects = now.objects - state_->gdiObjectsBefore - hostObjects;
  a.deviceContexts = now.deviceContexts - state_->deviceContextsBefore - hostDeviceContexts;
#endif
  a.violations = state_->violations;
  return a;
}

RbGraphics Host::graphicsOf(RbPicture p) {
  auto* o = state_->find<PictureObject>(p, Object::Type::Picture);
  if (o == nullptr) return nullptr;
  if (!o->graphics) {
    o->graphics = std::make_unique<GraphicsObject>();
    o->graphics->picture = o;
    state_->graphics[o->graphics.get()] = o->graphics.get();
  }
  return reinterpret_cast<RbGraphics>(o->graphics.get());
}

uintptr_t Host::newGWorld(RbPicture p) {
  auto* o = state_->find<PictureObject>(p, Object::Type::Picture);
  if (o == nullptr) return 0;
  auto world = std::make_unique<GWorld>();
  world->width = o->width;
  world->height = o->height;
  world->pixels.resize(size_t(o->width) * size_t(o->height));
  PixelAccess pixels(*o);
  for (int32_t y = 0; y < o->height; ++y)
    for (int32_t x = 0; x < o->width; ++x)
      world->pixels[size_t(y) * size_t(o->width) + size_t(x)] =
          toColor(pixels.color(x, o->height - 1 - y));
  const uintptr_t handle = state_->nextGWorld;
  state_->nextGWorld += 16;
  state_->gworlds[handle] = std::move(world);
  return handle;
}

bool Host::gworldAlive(uintptr_t world) const { return state_->gworlds.count(world) != 0; }

void Host::failLocksOf(RbPicture p, bool fail) {
  if (auto* o = state_->find<PictureObject>(p, Object::Type::Picture)) o->failLocks = fail;
}

void Host::failNewPictureAfter(std::optional<int64_t> successes) {
  state_->newPicturesLeft = successes;
}

// ---- Pictures

namespace {
PictureObject& pictureOf(const Host::State& s, RbPicture p) {
  auto* o = s.find<PictureObject>(p, Object::Type::Picture);
  if (o == nullptr) throw HostError("not a live picture");
  return *o;
}
void checkPosition(const PictureObject& p, int32_t x, int32_t memoryRow) {
  if (x < 0 || x >= p.width || memoryRow < 0 || memoryRow >= p.height)
    throw HostError("pixel position outside the picture");
}
}  // namespace

RbPicture Host::newPicture(int32_t width, int32_t height, int32_t depth,
                           std::optional<PictureStorage> storage) {
  auto p = makePicture(width, height, depth, storage.value_or(options_.newPictureStorage), 0xCD);
  if (!p) throw HostError("cannot make a picture of that size or depth");
  return static_cast<RbPicture>(state_->adopt(std::move(p)));
}

int32_t Host::width(RbPicture p) const { return pictureOf(*state_, p).width; }
int32_t Host::height(RbPicture p) const { return pictureOf(*state_, p).height; }
int32_t Host::depth(RbPicture p) const { return pictureOf(*state_, p).depth; }
int32_t Host::rowBytes(RbPicture p) const { return pictureOf(*state_, p).rowBytes; }
PictureStorage Host::storage(RbPicture p) const { return pictureOf(*state_, p).storage; }

uint8_t* Host::row(RbPicture p, int32_t memoryRow) {
  PictureObject& o = pictureOf(*state_, p);
  checkPosition(o, 0, memoryRow);
  return pictureBits(o) + size_t(memoryRow) * size_t(o.rowBytes);
}

uint32_t Host::rawPixel(RbPicture p, int32_t x, int32_t memoryRow) const {
  PictureObject& o = pictureOf(*state_, p);
  checkPosition(o, x, memoryRow);
  return PixelAccess(o).raw(x, memoryRow);
}

void Host::setRawPixel(RbPicture p, int32_t x, int32_t memoryRow, uint32_t value) {
  PictureObject& o = pictureOf(*state_, p);
  checkPosition(o, x, memoryRow);
  PixelAccess(o).setRaw(x, memoryRow, value);
}

Rgb Host::pixel(RbPicture p, int32_t x, int32_t memoryRow) const {
  PictureObject& o = pictureOf(*state_, p);
  checkPosition(o, x, memoryRow);
  return PixelAccess(o).color(x, memoryRow);
}

void Host::setPixel(RbPicture p, int32_t x, int32_t memoryRow, Rgb color) {
  PictureObject& o = pictureOf(*state_, p);
  checkPosition(o, x, memoryRow);
  PixelAccess(o).setColor(x, memoryRow, color);
}

std::vector<Rgb> Host::palette(RbPicture p) const { return readPalette(pictureOf(*state_, p)); }

void Host::setPalette(RbPicture p, const std::vector<Rgb>& colors) {
  writePalette(pictureOf(*state_, p), colors);
}

RbPicture Host::mask(RbPicture p, bool create) {
  PictureObject& o = pictureOf(*state_, p);
  if (o.mask == nullptr) {
    if (!create) return nullptr;
    auto m = makePicture(o.width, o.height, options_.maskDepth, PictureStorage::GlobalDib, 0);
    if (!m) return nullptr;
    o.mask = static_cast<PictureObject*>(m.get());
    state_->adopt(std::move(m));
  }
  ++o.mask->references;
  return reinterpret_cast<RbPicture>(o.mask);
}

void Host::removeMask(RbPicture p) {
  PictureObject& o = pictureOf(*state_, p);
  if (o.mask == nullptr) return;
  PictureObject* m = o.mask;
  o.mask = nullptr;
  state_->release(m, "removeMask");
}

void Host::setMask(RbPicture p, RbPicture mask) {
  if (mask == nullptr) {
    removeMask(p);
    return;
  }
  PictureObject& o = pictureOf(*state_, p);
  PictureObject& m = pictureOf(*state_, mask);
  if (&m == &o) throw HostError("a picture cannot be its own mask");
  if (m.mask != nullptr) throw HostError("a mask cannot have a mask of its own");
  if (m.width != o.width || m.height != o.height)
    throw HostError("a mask has the size of its picture");
  if (m.depth != 1 && m.depth != 8 && m.depth != 16 && m.depth != 24 && m.depth != 32)
    throw HostError("a mask is 1, 8, 16, 24 or 32 bits deep");
  if (o.mask == &m) return;
  ++m.references;
  PictureObject* old = o.mask;
  o.mask = &m;
  if (old != nullptr) state_->release(old, "setMask");
}

}  // namespace rbhost
