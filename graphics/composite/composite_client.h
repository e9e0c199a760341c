// The overlay composite on client pictures: the source and the overlay in
// either form, the result a new client picture, in picture form or in
// buffer form (without a mask). Placement, weights and the overlay's own
// mask are those of the picture form; a buffer-form overlay's mask buffer
// weights the blend as a host picture's mask does.
#ifndef TVQ_COMPOSITE_COMPOSITE_CLIENT_H
#define TVQ_COMPOSITE_COMPOSITE_CLIENT_H

#include <cstdint>

#include "host_binding/rb_abi.h"

namespace tvq {

// "TVQ_Composite(extends cp as TVQ_ClientPicture, overlay as
// TVQ_ClientPicture, overlay_fraction as double, left as integer, top as
// integer, as_picture as boolean = false) as TVQ_ClientPicture"
RbObject compositeClientMethod(RbObject cp, RbObject overlay, double fraction, int32_t left,
                               int32_t top, RbBoolean asPicture);

}  // namespace tvq

#endif
