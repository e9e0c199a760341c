// What the plug-in does when the host loads it.
#ifndef TVQ_FRAME_STARTUP_H
#define TVQ_FRAME_STARTUP_H

#include "host_binding/rb_abi.h"

namespace tvq {

// Stores the resolver, announces interface version 8, and registers the
// plug-in's interface when the host version is one it is qualified for;
// otherwise tells the user so and registers nothing.
void startPlugin(RbResolver resolver);

}  // namespace tvq

#endif
