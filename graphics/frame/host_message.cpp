#include "graphics/frame/host_message.h"

#include <cstdint>

#include "host_binding/host_services.h"

namespace tvq {

RbString makeHostString(std::string_view text) {
  if (text.size() > static_cast<size_t>(INT32_MAX)) return nullptr;
  return host::realBuildString(text.data(), static_cast<int32_t>(text.size()));
}

void showMessage(std::string_view text) {
  RbString message = makeHostString(text);
  if (message == nullptr) return;
  host::runtimeMsgBox(message);
  host::release(message);
}

}  // namespace tvq
