#include "frame/error_methods.h"

#include "frame/host_message.h"
#include "frame/last_error.h"

namespace tvq {

int32_t getLastErrorMethod() { return lastError(); }

RbString getErrorMessageMethod(int32_t errorCode) {
  return makeHostString(errorMessage(errorCode));
}

}  // namespace tvq
