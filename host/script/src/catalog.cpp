#include "rbscript/catalog.h"

namespace rbscript {

using rbhost::equalsIgnoreCase;

namespace {

Slot slotOf(const rbhost::Parameter& p) {
  return Slot{p.name, p.type, rbhost::abiTypeOf(p), p.defaultValue};
}

Callable callableOf(const rbhost::MethodRegistration& m, bool ofRegisteredClass) {
  Callable c;
  c.method = &m;
  if (!m.receiver.empty()) {
    c.slots.push_back(Slot{"self", m.receiver, rbhost::abiTypeOf(m.receiver), std::nullopt});
    c.hasReceiver = true;
    c.receiverOnly = ofRegisteredClass;
  } else {
    c.hasReceiver = m.parsed.extends();
  }
  for (const rbhost::Parameter& p : m.parsed.parameters) c.slots.push_back(slotOf(p));
  return c;
}

}  // namespace

Catalog::Catalog(const rbhost::Host& host) : host_(host) {
  for (const auto& plugin : host.plugins()) {
    for (const auto& m : plugin->globalMethods)
      if (m.function != nullptr && !m.parsed.name.empty())
        callables_.push_back(callableOf(m, false));
    for (const auto& c : plugin->classes)
      for (const auto& m : c.methods)
        if (m.function != nullptr && !m.parsed.name.empty())
          callables_.push_back(callableOf(m, !c.isExtension));
  }
}

std::vector<const Callable*> Catalog::methodsNamed(std::string_view name) const {
  std::vector<const Callable*> found;
  for (const Callable& c : callables_)
    if (equalsIgnoreCase(c.method->parsed.name, name)) found.push_back(&c);
  return found;
}

const rbhost::PropertyRegistration* Catalog::property(std::string_view owner,
                                                      std::string_view name) const {
  for (const auto& plugin : host_.plugins())
    for (const auto& c : plugin->classes)
      if (equalsIgnoreCase(c.name, owner))
        for (const auto& p : c.properties)
          if (equalsIgnoreCase(p.name, name)) return &p;
  return nullptr;
}

const rbhost::ClassRegistration* Catalog::findClass(std::string_view name) const {
  for (const auto& plugin : host_.plugins())
    if (const auto* c = plugin->findClass(name)) return c;
  return nullptr;
}

bool Catalog::isRegistered(std::string_view className, std::string_view declaration) const {
  for (const auto& plugin : host_.plugins()) {
    if (className.empty() ? plugin->findMethod(declaration) != nullptr
                          : plugin->findClassMethod(className, declaration) != nullptr)
      return true;
  }
  return false;
}

}  // namespace rbscript
