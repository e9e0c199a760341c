// Building the registration records of this plug-in: 12-byte method records,
// property records and version-6 class definitions.
//
// Records are handed to the host by address and the host keeps using them
// for the life of the process, so every record and table built here must be
// an object of static storage duration:
//
//   auto paletteMethods = zrw::methodTable(
//       zrw::assignable(&paletteCol, &paletteColSet, "Col(i as integer) as color"),
//       zrw::method(&paletteClose, "Close"));
//   auto paletteProperties = zrw::propertyTable(
//       zrw::directProperty("Count", "Integer", offsetof(PaletteData, count)));
//   RbClassDefinition paletteClass = zrw::classDefinition(
//       "PaletteZRW", sizeof(PaletteData), &paletteConstruct, nullptr,
//       paletteProperties, paletteMethods);
//
// A method reaches its instance's data with instanceData<T>(self, itsClass).
#ifndef PICTURE_FRAME_CLASS_RECORDS_H
#define PICTURE_FRAME_CLASS_RECORDS_H

#include <array>
#include <cstddef>

#include "host_binding/instance_data.h"
#include "host_binding/rb_abi.h"

namespace zrw {

template <typename F>
RbShortMethodRecord method(F* function, const char* declaration) {
  return {rbFunction(function), nullptr, declaration};
}

// A method a program can also assign to ("Col(i as integer) as color"): the
// setter takes the declared arguments followed by the value.
template <typename Getter, typename Setter>
RbShortMethodRecord assignable(Getter* getter, Setter* setter, const char* declaration) {
  return {rbFunction(getter), rbFunction(setter), declaration};
}

// A property the host reads and writes itself: a field at byte `offset` of
// the instance data.
inline RbPropertyRecord directProperty(const char* name, const char* type, size_t offset) {
  return {nullptr,
          name,
          type,
          0,
          rbStandardAccessor(),
          rbStandardAccessor(),
          static_cast<RbWord>(offset),
          {}};
}

// A property read and written through functions:
// T getter(RbObject self, RbWord), void setter(RbObject self, RbWord, T).
template <typename Getter, typename Setter>
RbPropertyRecord accessorProperty(const char* name, const char* type, Getter* getter,
                                  Setter* setter) {
  return {nullptr, name, type, 0, rbFunction(getter), rbFunction(setter), 0, {}};
}

template <typename... Records>
std::array<RbShortMethodRecord, sizeof...(Records)> methodTable(Records... records) {
  return {records...};
}

template <typename... Records>
std::array<RbPropertyRecord, sizeof...(Records)> propertyTable(Records... records) {
  return {records...};
}

// Classes in the order they are registered.
template <typename... Classes>
std::array<RbClassDefinition*, sizeof...(Classes)> classList(Classes*... classes) {
  return {classes...};
}

using Constructor = void (*)(RbObject instance);
using Destructor = void (*)(RbObject instance);

template <size_t PropertyCount, size_t MethodCount>
RbClassDefinition classDefinition(const char* name, size_t dataSize, Constructor constructor,
                                  Destructor destructor,
                                  std::array<RbPropertyRecord, PropertyCount>& properties,
                                  std::array<RbShortMethodRecord, MethodCount>& methods) {
  RbClassDefinition record{};
  record.version = kRbClassDefinitionVersion;
  record.name = name;
  record.dataSize = static_cast<RbWord>(dataSize);
  record.constructor = rbFunction(constructor);
  record.destructor = rbFunction(destructor);
  record.properties = PropertyCount > 0 ? properties.data() : nullptr;
  record.propertyCount = static_cast<RbWord>(PropertyCount);
  record.methods = MethodCount > 0 ? methods.data() : nullptr;
  record.methodCount = static_cast<RbWord>(MethodCount);
  return record;
}

// The extension of a host class ("graphics", "Picture"): methods only.
template <size_t MethodCount>
RbClassDefinition extensionDefinition(const char* hostClassName,
                                      std::array<RbShortMethodRecord, MethodCount>& methods) {
  std::array<RbPropertyRecord, 0> none;
  RbClassDefinition record = classDefinition(hostClassName, 0, nullptr, nullptr, none, methods);
  return record;
}

// instanceData<T>(self, itsClass): the plug-in data of an instance.
using host::instanceData;

}  // namespace zrw

#endif
