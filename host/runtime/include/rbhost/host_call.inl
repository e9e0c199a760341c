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
    // An object comes back without a reference of its own: the field keeps it.
    T value;
    std::memcpy(&value, directField(object, p, sizeof value), sizeof value);
    return value;
  }
  if (p.getter == nullptr) throw HostError("property " + std::string(name) + " cannot be read");
  return reinterpret_cast<T (*)(RbObject, RbWord)>(p.getter)(object, p.selector);
}

template <typename T>
void Host::setProperty(RbObject object, std::string_view name, T value) const {
  const PropertyRegistration& p = property(object, name, abiTypeOfCpp<T>());
  if (p.direct()) {
    char* field = directField(object, p, sizeof value);
    if constexpr (std::is_pointer_v<T>) {
      // An object field holds a reference of its own, as the host's standard
      // accessor keeps it: the new value gains one, the old one loses it.
      T old;
      std::memcpy(&old, field, sizeof old);
      if (value != nullptr) const_cast<Host*>(this)->retain(toObject(value));
      std::memcpy(field, &value, sizeof value);
      if (old != nullptr) const_cast<Host*>(this)->release(toObject(old));
    } else {
      std::memcpy(field, &value, sizeof value);
    }
    return;
  }
  if (p.setter == nullptr) throw HostError("property " + std::string(name) + " is read-only");
  reinterpret_cast<void (*)(RbObject, RbWord, T)>(p.setter)(object, p.selector, value);
}

}  // namespace rbhost

#endif
