// The two global methods through which programs read the last-error code.
#ifndef TVQ_FRAME_ERROR_METHODS_H
#define TVQ_FRAME_ERROR_METHODS_H

#include <cstdint>

#include "host_binding/rb_abi.h"

namespace tvq {

// "TVQ_GetLastError() as integer"
int32_t getLastErrorMethod();

// "TVQ_GetErrorMessage(error_code as integer) as String". Does not touch the
// last-error code, so a program can look up a message between operations.
RbString getErrorMessageMethod(int32_t errorCode);

}  // namespace tvq

#endif
