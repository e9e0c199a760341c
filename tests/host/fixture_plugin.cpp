// A minimal plug-in that exercises the host's registration paths: a global
// method, a class with accessor and direct properties and an assignable
// method, and an extension of picture. FIXTURE_VERSION selects version-8
// records (16-byte methods) or version-6 records (12-byte methods).
#include <cstdint>
#include <cstring>

#include "host_binding/host_services.h"

// Records are written positionally; their reserved words stay zero.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#ifndef FIXTURE_VERSION
#error FIXTURE_VERSION must be 8 or 6
#endif

namespace {

struct CounterData {
  int32_t value;
  int32_t step;  // a direct property
  double scale;
  int32_t destroyed;
};

#if FIXTURE_VERSION == 8
using Record = RbClassRecord;
using MethodRecord = RbMethodRecord;
#define METHOD(fn, setter, decl) \
  { rbFunction(fn), setter, decl, 0 }
#else
using Record = RbClassDefinition;
using MethodRecord = RbShortMethodRecord;
#define METHOD(fn, setter, decl) \
  { rbFunction(fn), setter, decl }
#endif

extern Record counterClass;
int32_t destructorCalls = 0;

CounterData* data(RbObject self) {
  if (self == nullptr) return nullptr;
  return reinterpret_cast<CounterData*>(reinterpret_cast<char*>(self) + counterClass.dataOffset);
}

void construct(RbObject self) { data(self)->step = 1; }
void destruct(RbObject) { ++destructorCalls; }
int32_t getValue(RbObject self, RbWord selector) { return selector == 1 ? data(self)->value : -1; }
void setValue(RbObject self, RbWord selector, int32_t v) {
  if (selector == 1) data(self)->value = v;
}
void advance(RbObject self) { data(self)->value += data(self)->step; }
double scaled(RbObject self, int32_t times) { return data(self)->scale * times; }
void setScaled(RbObject self, int32_t times, double v) { data(self)->scale = v / times; }
int32_t destructorCount() { return destructorCalls; }
int32_t widthPlus(RbPicture p, int32_t n) {
  RbPictureDescription d{};
  host::lockPictureDescription(p, &d);
  host::unlockPictureDescription(p);
  return d.width + n;
}
int32_t pictureDepth(RbPicture p, RbWord) {
  RbPictureDescription d{};
  host::lockPictureDescription(p, &d);
  host::unlockPictureDescription(p);
  return d.depth;
}

RbPropertyRecord counterProperties[] = {
    {"Counter", "value", "integer", 0, rbFunction(getValue), rbFunction(setValue), 1, {}},
    {"Counter", "step", "integer", 0, nullptr, nullptr, offsetof(CounterData, step), {}},
};

MethodRecord counterMethods[] = {
    METHOD(advance, nullptr, "Advance()"),
    METHOD(scaled, rbFunction(setScaled), "Scaled(times as integer) as double"),
};

Record counterClass = {
    FIXTURE_VERSION,      "FixtureCounter",  nullptr, sizeof(CounterData), 0, rbFunction(construct),
    rbFunction(destruct), counterProperties, 2,       counterMethods,      2};

RbPropertyRecord pictureProperties[] = {
    {"Fixture", "FixtureDepth", "integer", 2, rbFunction(pictureDepth), nullptr, 0, {}},
};
MethodRecord pictureMethods[] = {
    METHOD(widthPlus, nullptr, "FixtureWidthPlus(n as integer) as integer"),
};
Record pictureExtension = {FIXTURE_VERSION,   "picture", nullptr,        0, 0, nullptr, nullptr,
                           pictureProperties, 1,         pictureMethods, 1};

MethodRecord globalMethod = METHOD(destructorCount, nullptr, "FixtureDestructorCount() as integer");

}  // namespace

RB_PLUGIN_ENTRY void REALPluginMain(RbResolver resolver) {
  for (auto& p : counterProperties)
    if (p.getter == nullptr) p.getter = p.setter = rbStandardAccessor();
  host_binding::setResolver(resolver);
  host::registerPluginVersion(FIXTURE_VERSION);
  if (FIXTURE_VERSION == 6) host::realEnterMovies();
  host::pluginRegisterMethod(&globalMethod);
  host::pluginRegisterClass(&counterClass);
  host::pluginRegisterClassExtension(&pictureExtension);
}
