// A plug-in whose methods report exactly what they received, so the runner's
// calls can be checked: overloads by argument type, a declared default,
// ByRef outputs written only when a reference is given, a ByRef object the
// plug-in replaces, a result declared "as picture" that is a memory block,
// extension methods, and a class with a direct picture property, an
// accessor property and an assignable method.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "host_binding/host_services.h"

// Records are written positionally; their reserved words stay zero.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

RbString text(const std::string& s) {
  return host::realBuildString(s.data(), static_cast<int32_t>(s.size()));
}

RbString kindOfInteger(int32_t) { return text("integer"); }
RbString kindOfDouble(double) { return text("double"); }
RbString kindOfColor(RbColor) { return text("color"); }
RbString kindOfPicture(RbPicture p) { return text(p == nullptr ? "nil picture" : "picture"); }

int32_t colorBits(RbColor c) { return static_cast<int32_t>(c); }

double sum(int32_t a, double b, RbBoolean twice) { return twice ? 2 * (a + b) : a + b; }

// Writes only the outputs it is given a reference for.
RbBoolean split(int32_t value, int32_t* high, double* low) {
  if (high != nullptr) *high = value / 100;
  if (low != nullptr) *low = value % 100 / 100.0;
  return high != nullptr && low != nullptr;
}

// Drops the block it is given and stores a new one, as a plug-in does that
// replaces a ByRef object.
void renew(RbMemoryBlock* block, int32_t size) {
  if (block == nullptr) return;
  if (*block != nullptr) host::realUnlockObject(toObject(*block));
  *block = host::newMemoryBlock(size);
}

RbPicture blockOf(RbPicture p) {
  if (p == nullptr) return nullptr;
  return reinterpret_cast<RbPicture>(host::newMemoryBlock(16));
}

RbBoolean isNil(RbPicture p) { return p == nullptr; }

// The extension of picture: a property and a method.
int32_t widthOf(RbPicture p, RbWord) {
  if (p == nullptr) return -1;
  RbPictureDescription d{};
  host::lockPictureDescription(p, &d);
  host::unlockPictureDescription(p);
  return d.width;
}
RbBoolean sameAs(RbPicture p, RbPicture q) { return p == q; }

struct BoxData {
  RbPicture content;  // direct property: the host keeps its reference
  double scale;
  int32_t items[4];
};

extern RbClassRecord boxClass;

BoxData* box(RbObject self) {
  if (self == nullptr) return nullptr;
  return reinterpret_cast<BoxData*>(reinterpret_cast<char*>(self) + boxClass.dataOffset);
}
void constructBox(RbObject self) { box(self)->scale = 1.0; }
void destructBox(RbObject self) {
  if (box(self)->content != nullptr) host::realUnlockObject(toObject(box(self)->content));
  box(self)->content = nullptr;
}
double getScale(RbObject self, RbWord) { return box(self) != nullptr ? box(self)->scale : -1; }
void setScale(RbObject self, RbWord, double v) {
  if (box(self) != nullptr) box(self)->scale = v;
}
int32_t item(RbObject self, int32_t i) {
  return box(self) != nullptr && i >= 0 && i < 4 ? box(self)->items[i] : 0;
}
void setItem(RbObject self, int32_t i, int32_t v) {
  if (box(self) != nullptr && i >= 0 && i < 4) box(self)->items[i] = v;
}
int32_t contentWidth(RbObject self) {
  return box(self) != nullptr ? widthOf(box(self)->content, 0) : -2;
}

RbPropertyRecord boxProperties[] = {
    {"Box", "Content", "picture", 0, nullptr, nullptr, offsetof(BoxData, content), {}},
    {"Box", "Scale", "double", 0, rbFunction(getScale), rbFunction(setScale), 0, {}},
};
RbMethodRecord boxMethods[] = {
    {rbFunction(item), rbFunction(setItem), "Item(i as integer) as integer", 0},
    {rbFunction(contentWidth), nullptr, "ContentWidth() as integer", 0},
};
RbClassRecord boxClass = {8,
                          "FixtureBox",
                          nullptr,
                          sizeof(BoxData),
                          0,
                          rbFunction(constructBox),
                          rbFunction(destructBox),
                          boxProperties,
                          2,
                          boxMethods,
                          2};

RbPropertyRecord pictureProperties[] = {
    {"Fixture", "FixtureWidth", "integer", 2, rbFunction(widthOf), nullptr, 0, {}},
};
RbMethodRecord pictureMethods[] = {
    {rbFunction(sameAs), nullptr, "FixtureSameAs(q as picture) as boolean", 0},
};
RbClassRecord pictureExtension = {
    8, "picture", nullptr, 0, 0, nullptr, nullptr, pictureProperties, 1, pictureMethods, 1};

RbMethodRecord globalMethods[] = {
    {rbFunction(kindOfInteger), nullptr, "FixtureKind(x as integer) as string", 0},
    {rbFunction(kindOfDouble), nullptr, "FixtureKind(x as double) as string", 0},
    {rbFunction(kindOfColor), nullptr, "FixtureKind(x as color) as string", 0},
    {rbFunction(kindOfPicture), nullptr, "FixtureKind(x as picture) as string", 0},
    {rbFunction(colorBits), nullptr, "FixtureColorBits(c as color) as integer", 0},
    {rbFunction(sum), nullptr,
     "FixtureSum(a as integer, b as double, twice as boolean = true) as double", 0},
    {rbFunction(split), nullptr,
     "FixtureSplit(value as integer, ByRef high as integer, ByRef low as double) as boolean", 0},
    {rbFunction(renew), nullptr, "FixtureRenew(ByRef block as memoryblock, size as integer)", 0},
    {rbFunction(blockOf), nullptr, "FixtureBlockOf(extends p as picture) as picture", 0},
    {rbFunction(isNil), nullptr, "FixtureIsNil(extends p as picture) as boolean", 0},
};

}  // namespace

RB_PLUGIN_ENTRY void REALPluginMain(RbResolver resolver) {
  boxProperties[0].getter = boxProperties[0].setter = rbStandardAccessor();
  host_binding::setResolver(resolver);
  host::registerPluginVersion(8);
  for (const RbMethodRecord& m : globalMethods) host::pluginRegisterMethod(&m);
  host::pluginRegisterClass(&boxClass);
  host::pluginRegisterClassExtension(&pictureExtension);
}
