// Lazy binding of host services by name.
//
// The host hands REALPluginMain a resolver; every service is looked up through
// it by its exact, case-sensitive name the first time the plug-in calls it,
// and the answer is kept in a per-service cache slot. While a slot is empty
// the binding calls nothing and answers a zero value of its result type
// (0, false, nil, 0.0), so a host without a service degrades to "no result".
//
// Each plug-in links its own static copy of this library: the resolver and
// the cache slots belong to that plug-in alone.
#ifndef HOST_BINDING_HOST_ENTRY_H
#define HOST_BINDING_HOST_ENTRY_H

#include "host_binding/rb_abi.h"

namespace host_binding {

void setResolver(RbResolver resolver);
RbResolver resolver();

// Asks the stored resolver for `name`; null when there is no resolver or the
// host does not have the service.
void* resolve(const char* name);

template <typename Signature>
class HostEntry;

template <typename Result, typename... Args>
class HostEntry<Result(Args...)> {
 public:
  using Pointer = Result (*)(Args...);

  explicit constexpr HostEntry(const char* name) : name_(name) {}
  HostEntry(const HostEntry&) = delete;
  HostEntry& operator=(const HostEntry&) = delete;

  // Fills the slot on first use; a slot that stays empty is looked up again on
  // the next call, so a resolver installed later is still honoured.
  Pointer pointer() {
    if (slot_ == nullptr) slot_ = reinterpret_cast<Pointer>(resolve(name_));
    return slot_;
  }

  bool available() { return pointer() != nullptr; }

  Result operator()(Args... args) {
    Pointer f = pointer();
    if (f == nullptr) return Result();
    return f(args...);
  }

  const char* name() const { return name_; }

 private:
  const char* name_;
  Pointer slot_ = nullptr;
};

}  // namespace host_binding

#endif
