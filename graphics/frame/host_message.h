// Host strings and message boxes.
#ifndef TVQ_FRAME_HOST_MESSAGE_H
#define TVQ_FRAME_HOST_MESSAGE_H

#include <string_view>

#include "host_binding/rb_abi.h"

namespace tvq {

// A new host string holding a copy of `text`, carrying one reference for the
// caller; nil when the host cannot build strings.
RbString makeHostString(std::string_view text);

// Shows `text` in the host's modal message box. The string built for it is
// released again once the box is closed, so showing leaves no reference.
void showMessage(std::string_view text);

}  // namespace tvq

#endif
