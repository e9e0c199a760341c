// Start-up of the picture plug-in.
#ifndef PICTURE_FRAME_REGISTRATION_H
#define PICTURE_FRAME_REGISTRATION_H

#include "host_binding/rb_abi.h"

namespace zrw {

inline constexpr int32_t kPluginInterfaceVersion = 6;

// Everything REALPluginMain does: keeps the resolver for the lazy binding of
// host services, announces interface version 6, engages the host's movie
// support and registers the classes, extensions and global methods. Runs once
// per load; the host keeps every record it is given.
void startPlugin(RbResolver resolver);

}  // namespace zrw

#endif
