#include "graphics/frame/error_methods.h"

#include "graphics/frame/host_message.h"
#include "graphics/frame/last_error.h"

namespace tvq {

int32_t getLastErrorMethod() { return lastError(); }

RbString getErrorMessageMethod(int32_t errorCode) {
  return makeHostString(errorMessage(errorCode));
}

}  // namespace tvq
