// Template parts of rbhost/host.h: C++ types of typed calls, and properties.
#ifndef RBHOST_HOST_CALL_INL
#define RBHOST_HOST_CALL_INL

#include <cstring>
#include <type_traits>

namespace rbhost {

template <typename T>
constexpr AbiType abiTypeOfCpp() {
  if constexpr (std::is_pointer_v<T> && !std::is_same_v<T, RbObject> &&
                !std::is_same_v<T, RbPicture> && !std::is_same_v<T, RbString> &&
                !std::is_same_v<T, RbMemoryBlock> && !std::is_same_v<T, RbArray>) {
    AbiType inner = abiTypeOfCpp<std::remove_pointer_t<T>>();
    return {inner.kind, true};
  } else if constexpr (std::is_same_v<T, void>) {
    return {AbiKind::Void};
  } else if constexpr (std::is_same_v<T, int32_t>) {
    return {AbiKind::Integer};
  } else if constexpr (std::is_same_v<T, double>) {
    return {AbiKind::Double};
  } else if constexpr (std::is_same_v<T, bool>) {
    return {AbiKind::Boolean};
  } else if constexpr (std::is_same_v<T, RbColor>) {
    return {AbiKind::Color};
  } else if constexpr (std::is_same_v<T, RbPicture>) {
    return {AbiKind::Picture};
  } else if constexpr (std::is_same_v<T, RbString>) {
    return {AbiKind::String};
  } else if constexpr (std::is_same_v<T, RbMemoryBlock>) {
    return {AbiKind::MemoryBlock};
  } else if constexpr (std::is_same_v<T, RbArray>) {
    return {AbiKind::Array};
  } else if constexpr (std::is_same_v<T, RbObject>) {
    return {AbiKind::Object};
  } else {
    static_assert(sizeof(T) == 0, "no host type for this C++ type");
  }
}

template <typename Result, typename... Args>
std::vector<AbiType> Host::signatureOf() {
  return {abiTypeOfCpp<Result>(), abiTypeOfCpp<Args>()...};
}

template <typename T>
T Host::getProperty(RbObject object, std::string_view name) const {
  const PropertyRegistration& p = property(object, name, abiTypeOfCpp<T>());
  if (p.direct()) {
    T value;
    std::memcpy(&value, static_cast<const char*>(instanceData(object)) + p.selector, sizeof value);
    return value;
  }
  if (p.getter == nullptr) throw HostError("property " + std::string(name) + " cannot be read");
  return reinterpret_cast<T (*)(RbObject, RbWord)>(p.getter)(object, p.selector);
}

template <typename T>
void Host::setProperty(RbObject object, std::string_view name, T value) const {
  const PropertyRegistration& p = property(object, name, abiTypeOfCpp<T>());
  if (p.direct()) {
    std::memcpy(static_cast<char*>(instanceData(object)) + p.selector, &value, sizeof value);
    return;
  }
  if (p.setter == nullptr) throw HostError("property " + std::string(name) + " is read-only");
  reinterpret_cast<void (*)(RbObject, RbWord, T)>(p.setter)(object, p.selector, value);
}

}  // namespace rbhost

#endif
