// Calls a host service the way a plug-in does: through the resolver.
#ifndef TESTS_HOST_SERVICE_ACCESS_H
#define TESTS_HOST_SERVICE_ACCESS_H

#include <stdexcept>
#include <string>

#include "rbhost/host.h"

template <typename Signature>
Signature* service(const rbhost::Host& host, const char* name) {
  void* f = host.resolver()(name);
  if (f == nullptr) throw std::runtime_error(std::string("no service ") + name);
  return reinterpret_cast<Signature*>(f);
}

#endif
