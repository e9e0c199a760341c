// The host services the plug-ins resolve by name. Each checks what the
// plug-in hands it, records misuse for the audit instead of crashing, and
// answers like the real runtime.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "drawing.h"
#include "state.h"

namespace rbhost {
namespace {

Host::State& state() { return Host::current().state(); }

// ---- Registration

Plugin* loadingPlugin(const char* service) {
  Plugin* p = state().loading;
  if (p == nullptr) state().violation(std::string(service) + " outside REALPluginMain");
  return p;
}

void RegisterPluginVersion(int32_t version) {
  if (Plugin* p = loadingPlugin("RegisterPluginVersion")) p->interfaceVersion = version;
}

double REALGetRBVersion() { return Host::current().options().version; }

void REALenterMovies() {
  if (Plugin* p = loadingPlugin("REALenterMovies"))
    if (!p->enteredMoviesAfter) p->enteredMoviesAfter = p->arrivalOrder.size();
}

MethodRegistration readMethod(const void* record, size_t recordSize, std::string receiver) {
  MethodRegistration m;
  const auto* r = static_cast<const RbShortMethodRecord*>(record);
  m.receiver = std::move(receiver);
  m.function = r->function;
  m.setter = r->setter;
  if (recordSize == sizeof(RbMethodRecord))
    m.flags = static_cast<const RbMethodRecord*>(record)->flags;
  if (r->declaration == nullptr) {
    state().violation("method record without a declaration");
    return m;
  }
  m.declaration = r->declaration;
  if (auto d = parseDeclaration(m.declaration)) {
    m.parsed = std::move(*d);
  } else {
    state().violation("unparsable declaration: " + m.declaration);
  }
  if (m.function == nullptr) state().violation("method without a function: " + m.declaration);
  return m;
}

void PluginRegisterMethod(const void* record) {
  Plugin* p = loadingPlugin("PluginRegisterMethod");
  if (p == nullptr) return;
  if (record == nullptr) {
    state().violation("PluginRegisterMethod: null record");
    return;
  }
  // Plug-ins of interface version 7 and later hand over full method records.
  const size_t size =
      p->interfaceVersion >= 7 ? sizeof(RbMethodRecord) : sizeof(RbShortMethodRecord);
  p->globalMethods.push_back(readMethod(record, size, ""));
  p->arrivalOrder.push_back({RegistrationEvent::Kind::GlobalMethod, p->globalMethods.size() - 1});
}

void registerClass(void* record, bool extension, const char* service) {
  Plugin* p = loadingPlugin(service);
  if (p == nullptr) return;
  if (record == nullptr) {
    state().violation(std::string(service) + ": null record");
    return;
  }
  // Versions 8 and 6 share their first eleven words.
  auto* r = static_cast<RbClassRecord*>(record);
  ClassRegistration c;
  c.isExtension = extension;
  c.recordVersion = r->version;
  c.record = record;
  if (r->version != kRbClassRecordVersion && r->version != kRbClassDefinitionVersion) {
    state().violation(std::string(service) + ": unknown class record version " +
                      std::to_string(r->version));
    return;
  }
  if (r->name == nullptr) {
    state().violation(std::string(service) + ": class without a name");
    return;
  }
  c.name = r->name;
  c.dataSize = r->dataSize;
  c.constructor = r->constructor;
  c.destructor = r->destructor;
  if (r->dataSize < 0 || r->propertyCount < 0 || r->methodCount < 0) {
    state().violation(std::string(service) + ": negative size or count in " + c.name);
    return;
  }
  if (!extension) {
    c.dataOffset = kInstanceDataOffset;
    r->dataOffset = kInstanceDataOffset;
  }
  for (RbWord i = 0; i < r->propertyCount; ++i) {
    const RbPropertyRecord& pr = r->properties[i];
    PropertyRegistration prop;
    prop.group = pr.group != nullptr ? pr.group : "";
    prop.name = pr.name != nullptr ? pr.name : "";
    prop.type = pr.type != nullptr ? pr.type : "";
    prop.flags = pr.flags;
    prop.getter = pr.getter;
    prop.setter = pr.setter;
    prop.selector = pr.selector;
    if (prop.direct() && (prop.selector < 0 || prop.selector >= c.dataSize))
      state().violation("direct property " + prop.name + " outside the instance data");
    c.properties.push_back(std::move(prop));
  }
  // Hosts older than 5.9 read version-8 method tables as short records;
  // version-6 tables are short records always.
  const bool shortRecords =
      r->version == kRbClassDefinitionVersion || Host::current().options().version < 5.9;
  c.methodRecordSize = shortRecords ? sizeof(RbShortMethodRecord) : sizeof(RbMethodRecord);
  const auto* table = static_cast<const uint8_t*>(r->methods);
  for (RbWord i = 0; i < r->methodCount; ++i)
    c.methods.push_back(
        readMethod(table + size_t(i) * c.methodRecordSize, c.methodRecordSize, c.name));
  p->classes.push_back(std::move(c));
  p->arrivalOrder.push_back(
      {extension ? RegistrationEvent::Kind::Extension : RegistrationEvent::Kind::Class,
       p->classes.size() - 1});
}

void PluginRegisterClass(void* record) { registerClass(record, false, "PluginRegisterClass"); }
void PluginRegisterClassExtension(void* record) {
  registerClass(record, true, "PluginRegisterClassExtension");
}

// ---- Strings and messages

// Without bytes, a string of `length` zero bytes: the caller fills it through
// the storage "stringGetBytes" hands out, so a large string is built in place
// rather than copied from a buffer of the caller's.
RbString REALBuildString(const char* bytes, int32_t length) {
  if (length < 0) {
    state().violation("REALBuildString: bad buffer");
    return nullptr;
  }
  if (bytes == nullptr) {
    if (!Host::current().options().buildsStringsWithoutBytes) return nullptr;
    auto s = std::make_unique<StringObject>();
    s->bytes.assign(size_t(length), '\0');
    return static_cast<RbString>(state().adopt(std::move(s)));
  }
  return Host::current().newString(std::string_view(bytes, size_t(length)), 0);
}

void REALSetStringEncoding(RbString s, uint32_t encoding) {
  if (auto* o = state().expect<StringObject>(s, Object::Type::String, "REALSetStringEncoding"))
    o->encoding = encoding;
}

const char* stringGetBytes(RbString s, int32_t* length) {
  if (length != nullptr) *length = 0;
  if (s == nullptr) return nullptr;
  auto* o = state().expect<StringObject>(s, Object::Type::String, "stringGetBytes");
  if (o == nullptr) return nullptr;
  if (length != nullptr) *length = static_cast<int32_t>(o->bytes.size());
  return o->bytes.data();
}

void RuntimeMsgBox(RbString text) {
  auto* o = state().expect<StringObject>(text, Object::Type::String, "RuntimeMsgBox");
  // The host keeps its own list; messages shown during loading are copied
  // into the plug-in's record by Host::load.
  Host::current().recordMessageBox(o != nullptr ? std::string(o->bytes.data(), o->bytes.size())
                                                : std::string());
}

// ---- Pictures

void fillDescription(PictureObject& p, RbPictureDescription* d) {
  d->kind = static_cast<int32_t>(p.storage);
  d->handle = p.storage == PictureStorage::GlobalDib ? static_cast<void*>(p.global)
                                                     : static_cast<void*>(p.bitmap);
  d->width = p.width;
  d->height = p.height;
  d->depth = p.depth;
}

RbBoolean REALLockPictureDescription(RbPicture picture, RbPictureDescription* d, int32_t kind) {
  auto* p =
      state().expect<PictureObject>(picture, Object::Type::Picture, "REALLockPictureDescription");
  if (p == nullptr || d == nullptr) return false;
  *d = RbPictureDescription{};
  if (p->failLocks || kind != kRbPictureDibSection || p->storage != PictureStorage::DibSection)
    return false;
  fillDescription(*p, d);
  ++p->descriptionLocks;
  return true;
}

void lockPictureDescription(RbPicture picture, RbPictureDescription* d) {
  auto* p = state().expect<PictureObject>(picture, Object::Type::Picture, "lockPictureDescription");
  if (d == nullptr) {
    state().violation("lockPictureDescription: null description");
    return;
  }
  *d = RbPictureDescription{};
  if (p == nullptr) return;
  // A failing picture still counts as locked: the plug-in must unlock it.
  if (!p->failLocks) fillDescription(*p, d);
  ++p->descriptionLocks;
}

void unlockPictureDescription(RbPicture picture) {
  auto* p =
      state().expect<PictureObject>(picture, Object::Type::Picture, "unlockPictureDescription");
  if (p == nullptr) return;
  if (p->descriptionLocks == 0) {
    state().violation("unlockPictureDescription without a lock");
    return;
  }
  --p->descriptionLocks;
}

RbPicture REALGetPictureMask(RbPicture picture, RbBoolean create) {
  if (state().expect<PictureObject>(picture, Object::Type::Picture, "REALGetPictureMask") ==
      nullptr)
    return nullptr;
  return Host::current().mask(picture, create);
}

// Whether one more picture may be made, as failNewPictureAfter allows;
// counts it.
bool takeNewPicture(Host::State& s) {
  if (!s.newPicturesLeft) return true;
  if (*s.newPicturesLeft <= 0) return false;
  --*s.newPicturesLeft;
  return true;
}

RbPicture newPicture(int32_t width, int32_t height, int32_t depth) {
  Host::State& s = state();
  if (!takeNewPicture(s)) return nullptr;
  auto p = makePicture(width, height, depth, Host::current().options().newPictureStorage,
                       Host::current().options().newPictureFill);
  if (!p) return nullptr;
  return static_cast<RbPicture>(s.adopt(std::move(p)));
}

// A new picture of `depth` (24 or 32) holding `height` rows of `width`
// pixels given top row first, `rowBytes` apart, in the picture's own byte
// layout; nil when no picture may or can be made.
RbPicture pictureOfTopDownRows(Host::State& s, int32_t width, int32_t height, int32_t depth,
                               const uint8_t* rows, size_t rowBytes) {
  if (!takeNewPicture(s)) return nullptr;
  auto p = makePicture(width, height, depth, Host::current().options().newPictureStorage, 0);
  if (!p) return nullptr;
  uint8_t* bits = pictureBits(*p);
  for (int32_t y = 0; y < height; ++y)
    std::memcpy(bits + size_t(height - 1 - y) * size_t(p->rowBytes), rows + size_t(y) * rowBytes,
                size_t(width) * size_t(depth / 8));
  return static_cast<RbPicture>(s.adopt(std::move(p)));
}

// Format 2: `height` rows of `width` blue, green, red bytes, the top row
// first, rows `rowBytes` apart. The host copies them into a new 24-bit
// picture; anything else gives nil. Counts against failNewPictureAfter.
RbPicture REALBuildPictureFromBuffer(int32_t width, int32_t height, int32_t format,
                                     const void* pixels, int32_t rowBytes) {
  if (format != 2 || pixels == nullptr || width <= 0 || height <= 0 ||
      int64_t(rowBytes) < int64_t(width) * 3)
    return nullptr;
  return pictureOfTopDownRows(state(), width, height, 24, static_cast<const uint8_t*>(pixels),
                              size_t(rowBytes));
}

// A picture copied from one of the host's graphics worlds (Host::newGWorld).
// Without `bypassOwnership` the host takes the world over and disposes of
// it; with it the world stays the caller's.
RbPicture REALBuildPictureFromGWorld(uintptr_t world, RbBoolean bypassOwnership) {
  Host::State& s = state();
  auto it = s.gworlds.find(world);
  // The handle is a program's integer, passed on as it came: anything that
  // is not a world gives nil, as the host's own check would.
  if (it == s.gworlds.end()) return nullptr;
  // Colour words 0x00RRGGBB are, in little-endian memory, the bytes of a
  // 32-bit pixel.
  const GWorld& g = *it->second;
  RbPicture result =
      pictureOfTopDownRows(s, g.width, g.height, 32,
                           reinterpret_cast<const uint8_t*>(g.pixels.data()), size_t(g.width) * 4);
  if (bypassOwnership == 0) s.gworlds.erase(it);
  return result;
}

RbGraphics pluginPictureGraphicsGetter(RbPicture picture) {
  if (state().expect<PictureObject>(picture, Object::Type::Picture,
                                    "pluginPictureGraphicsGetter") == nullptr)
    return nullptr;
  return Host::current().graphicsOf(picture);
}

uintptr_t REALGraphicsDC(RbGraphics graphics) {
  auto it = state().graphics.find(graphics);
  if (it == state().graphics.end()) {
    state().violation("REALGraphicsDC: invalid graphics");
    return 0;
  }
  return reinterpret_cast<uintptr_t>(graphicsDC(state(), *it->second));
}

// Draws `picture` into the bounds of the graphics' picture, scaled to the
// bounds by nearest neighbour. Bounds are in the target's visual coordinates
// (top row first). Transparent drawing skips white pixels.
void drawPicturePrimitive(uintptr_t dc, RbPicture picture, const RbRect16* bounds,
                          RbBoolean transparent) {
  Host::State& s = state();
  auto it = s.deviceContexts.find(reinterpret_cast<const void*>(dc));
  if (it == s.deviceContexts.end()) {
    s.violation("drawPicturePrimitive: invalid device context");
    return;
  }
  auto* source = s.expect<PictureObject>(picture, Object::Type::Picture, "drawPicturePrimitive");
  if (source == nullptr || bounds == nullptr) return;
  drawPicture(*source, *it->second->picture, *bounds, transparent != 0,
              Host::current().options().fastDrawing);
}

// ---- Objects and classes

void REALLockObject(RbObject o) { state().retain(o, "REALLockObject"); }
void REALUnlockObject(RbObject o) { state().release(o, "REALUnlockObject"); }

RbClassRef pluginObjectType(const char* name) {
  if (name == nullptr) return nullptr;
  for (const auto& plugin : Host::current().plugins())
    for (auto& c : plugin->classes)
      if (!c.isExtension && equalsIgnoreCase(c.name, name))
        return reinterpret_cast<RbClassRef>(const_cast<ClassRegistration*>(&c));
  return nullptr;
}

RbObject CreateInstance(RbClassRef ref) {
  for (const auto& plugin : Host::current().plugins())
    for (const auto& c : plugin->classes)
      if (reinterpret_cast<const void*>(&c) == ref) return Host::current().newInstance(c.name);
  state().violation("CreateInstance: invalid class reference");
  return nullptr;
}

RbObject PluginNewInstance(const char* name) {
  if (name == nullptr) return nullptr;
  return Host::current().newInstance(name);
}

// ---- Arrays and memory blocks

int32_t RuntimeUBound(RbArray array) {
  auto* a = state().expect<ArrayObject>(array, Object::Type::Array, "RuntimeUBound");
  return a != nullptr ? int32_t(a->values.size()) - 1 : -1;
}

int32_t RuntimeDirectReadIntArray(RbArray array, int32_t index) {
  auto* a = state().expect<ArrayObject>(array, Object::Type::Array, "RuntimeDirectReadIntArray");
  if (a == nullptr) return 0;
  if (index < 0 || size_t(index) >= a->values.size()) {
    state().violation("RuntimeDirectReadIntArray: index out of bounds");
    return 0;
  }
  return a->values[size_t(index)];
}

RbMemoryBlock newMemoryBlock(int32_t size) { return Host::current().newMemoryBlock(size); }

void* memoryBlockGetPtr(RbMemoryBlock block) {
  auto* b =
      state().expect<MemoryBlockObject>(block, Object::Type::MemoryBlock, "memoryBlockGetPtr");
  return b != nullptr ? b->data() : nullptr;
}

// The block's size in bytes; -1 for a block of memory the host does not own
// (PtrToMemoryBlock), whose size it cannot know.
int32_t REALMemoryBlockGetSize(RbMemoryBlock block) {
  if (state().expect<MemoryBlockObject>(block, Object::Type::MemoryBlock,
                                        "REALMemoryBlockGetSize") == nullptr)
    return -1;
  const int64_t size = Host::current().memoryBlockSize(block);
  return size <= INT32_MAX ? int32_t(size) : -1;
}

RbMemoryBlock PtrToMemoryBlock(void* bytes) {
  if (bytes == nullptr) return nullptr;
  auto b = std::make_unique<MemoryBlockObject>();
  b->foreign = static_cast<uint8_t*>(bytes);
  return static_cast<RbMemoryBlock>(state().adopt(std::move(b)));
}

struct Service {
  const char* name;
  void* function;
};

template <typename F>
void* address(F* f) {
  return reinterpret_cast<void*>(f);
}

const Service services[] = {
    {"RegisterPluginVersion", address(RegisterPluginVersion)},
    {"REALGetRBVersion", address(REALGetRBVersion)},
    {"REALenterMovies", address(REALenterMovies)},
    {"PluginRegisterMethod", address(PluginRegisterMethod)},
    {"PluginRegisterClass", address(PluginRegisterClass)},
    {"PluginRegisterClassExtension", address(PluginRegisterClassExtension)},
    {"REALBuildString", address(REALBuildString)},
    {"REALSetStringEncoding", address(REALSetStringEncoding)},
    {"RuntimeMsgBox", address(RuntimeMsgBox)},
    {"stringGetBytes", address(stringGetBytes)},
    {"REALLockPictureDescription", address(REALLockPictureDescription)},
    {"lockPictureDescription", address(lockPictureDescription)},
    {"unlockPictureDescription", address(unlockPictureDescription)},
    {"REALGetPictureMask", address(REALGetPictureMask)},
    {"newPicture", address(newPicture)},
    {"REALBuildPictureFromBuffer", address(REALBuildPictureFromBuffer)},
    {"REALBuildPictureFromGWorld", address(REALBuildPictureFromGWorld)},
    {"REALBuildPictureFromDIB", address(REALBuildPictureFromDIB)},
    {"pluginPictureGraphicsGetter", address(pluginPictureGraphicsGetter)},
    {"REALGraphicsDC", address(REALGraphicsDC)},
    {"drawPicturePrimitive", address(drawPicturePrimitive)},
    {"REALLockObject", address(REALLockObject)},
    {"REALUnlockObject", address(REALUnlockObject)},
    {"pluginObjectType", address(pluginObjectType)},
    {"CreateInstance", address(CreateInstance)},
    {"PluginNewInstance", address(PluginNewInstance)},
    {"RuntimeUBound", address(RuntimeUBound)},
    {"RuntimeDirectReadIntArray", address(RuntimeDirectReadIntArray)},
    {"newMemoryBlock", address(newMemoryBlock)},
    {"memoryBlockGetPtr", address(memoryBlockGetPtr)},
    {"PtrToMemoryBlock", address(PtrToMemoryBlock)},
    {"REALMemoryBlockGetSize", address(REALMemoryBlockGetSize)},
};

void* resolve(const char* name) {
  if (name == nullptr) return nullptr;
  Host& host = Host::current();
  if (host.options().missingServices.count(name) != 0) return nullptr;
  for (const Service& s : services)
    if (std::strcmp(s.name, name) == 0) return s.function;
  return nullptr;
}

}  // namespace

RbResolver serviceResolver() { return &resolve; }

std::vector<std::string> serviceNames() {
  std::vector<std::string> names;
  for (const Service& s : services) names.emplace_back(s.name);
  return names;
}

}  // namespace rbhost
