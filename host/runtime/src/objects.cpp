// Object ownership: every host object lives in State::objects under the
// handle the plug-ins see, with a reference count; the last release destroys
// it (running a class instance's destructor first).
#include <cstring>

#include "state.h"

namespace rbhost {

Object* Host::State::find(const void* handle) const {
  if (handle == nullptr) return nullptr;
  auto it = objects.find(handle);
  return it == objects.end() || it->second->dying ? nullptr : it->second.get();
}

void* Host::State::adopt(std::unique_ptr<Object> object, const void* handle) {
  const void* key = handle != nullptr ? handle : object.get();
  objects[key] = std::move(object);
  return const_cast<void*>(key);
}

void Host::State::retain(const void* handle, const char* service) {
  if (handle == nullptr) return;
  Object* o = find(handle);
  if (o == nullptr) {
    violation(std::string(service) + ": invalid handle");
    return;
  }
  ++o->references;
}

void Host::State::release(const void* handle, const char* service) {
  if (handle == nullptr) return;
  Object* o = find(handle);
  if (o == nullptr) {
    violation(std::string(service) + ": invalid handle");
    return;
  }
  if (--o->references > 0) return;
  o->dying = true;
  if (o->type == Object::Type::Instance) {
    auto* instance = static_cast<InstanceObject*>(o);
    if (instance->cls != nullptr && instance->cls->destructor != nullptr)
      reinterpret_cast<void (*)(RbObject)>(instance->cls->destructor)(
          reinterpret_cast<RbObject>(const_cast<void*>(handle)));
  } else if (o->type == Object::Type::Picture) {
    auto* picture = static_cast<PictureObject*>(o);
    if (picture->graphics) {
      graphics.erase(picture->graphics.get());
      if (picture->graphics->dc != nullptr) deviceContexts.erase(picture->graphics->dc);
    }
    if (picture->descriptionLocks != 0)
      violation("picture destroyed while its description is locked");
    if (picture->mask != nullptr) release(picture->mask, "picture mask");
  }
  // Found again: the destructor may have changed the table.
  objects.erase(handle);
}

void Host::retain(RbObject object) { state_->retain(object, "retain"); }
void Host::release(RbObject object) { state_->release(object, "release"); }

int64_t Host::referenceCount(RbObject object) const {
  Object* o = state_->find(object);
  return o != nullptr ? o->references : 0;
}

bool Host::isAlive(RbObject object) const { return state_->find(object) != nullptr; }

std::string Host::typeName(RbObject object) const {
  Object* o = state_->find(object);
  if (o == nullptr) return "";
  switch (o->type) {
    case Object::Type::Picture:
      return "picture";
    case Object::Type::String:
      return "string";
    case Object::Type::MemoryBlock:
      return "memoryblock";
    case Object::Type::Array:
      return "array";
    case Object::Type::Instance:
      return static_cast<InstanceObject*>(o)->cls->name;
  }
  return "";
}

RbObject Host::newInstance(std::string_view className) {
  ClassRegistration* cls = nullptr;
  for (auto& plugin : plugins_)
    for (auto& c : plugin->classes)
      if (!c.isExtension && equalsIgnoreCase(c.name, className)) cls = &c;
  if (cls == nullptr) return nullptr;
  auto instance = std::make_unique<InstanceObject>();
  instance->cls = cls;
  const size_t bytes = size_t(kInstanceDataOffset) + size_t(cls->dataSize);
  instance->storage = std::make_unique<std::byte[]>(bytes);  // zeroed
  std::memset(instance->storage.get(), 0xA5, size_t(kInstanceDataOffset));
  void* handle = instance->storage.get();
  state_->adopt(std::move(instance), handle);
  if (cls->constructor != nullptr)
    reinterpret_cast<void (*)(RbObject)>(cls->constructor)(static_cast<RbObject>(handle));
  return static_cast<RbObject>(handle);
}

void* Host::instanceData(RbObject instance) const {
  auto* o = state_->find<InstanceObject>(instance, Object::Type::Instance);
  if (o == nullptr) return nullptr;
  return o->storage.get() + o->cls->dataOffset;
}

RbString Host::newString(std::string_view bytes, uint32_t encoding) {
  auto s = std::make_unique<StringObject>();
  s->bytes.assign(bytes.data(), bytes.size());
  s->encoding = encoding;
  return static_cast<RbString>(state_->adopt(std::move(s)));
}

std::string Host::stringBytes(RbString s) const {
  auto* o = state_->find<StringObject>(s, Object::Type::String);
  return o != nullptr ? std::string(o->bytes.data(), o->bytes.size()) : std::string();
}

uint32_t Host::stringEncoding(RbString s) const {
  auto* o = state_->find<StringObject>(s, Object::Type::String);
  return o != nullptr ? o->encoding : 0;
}

RbMemoryBlock Host::newMemoryBlock(int32_t size) {
  if (size < 0) return nullptr;
  auto b = std::make_unique<MemoryBlockObject>();
  b->bytes.assign(size_t(size), 0);
  return static_cast<RbMemoryBlock>(state_->adopt(std::move(b)));
}

uint8_t* Host::memoryBlockBytes(RbMemoryBlock b) const {
  auto* o = state_->find<MemoryBlockObject>(b, Object::Type::MemoryBlock);
  return o != nullptr ? o->data() : nullptr;
}

int64_t Host::memoryBlockSize(RbMemoryBlock b) const {
  auto* o = state_->find<MemoryBlockObject>(b, Object::Type::MemoryBlock);
  if (o == nullptr || o->foreign != nullptr) return -1;
  return int64_t(o->bytes.size());
}

RbArray Host::newIntArray(const std::vector<int32_t>& values) {
  auto a = std::make_unique<ArrayObject>();
  a->values = values;
  return static_cast<RbArray>(state_->adopt(std::move(a)));
}

}  // namespace rbhost
