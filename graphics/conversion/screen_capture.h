// What the desktop shows, copied into a new 24-bit host picture.
#ifndef TVQ_CONVERSION_SCREEN_CAPTURE_H
#define TVQ_CONVERSION_SCREEN_CAPTURE_H

#include "host_binding/rb_abi.h"

namespace tvq {

// "TVQ_ScreenCapture(extends s as screen, capture_rect as TVQ_Rectangle) as
// picture": the whole desktop, as large as the desktop window, whatever the
// rectangle holds (programs size their buffers by the desktop); nil when
// Windows or the host gives no picture. Sets no error code: the last error
// is 0 afterwards in every case.
RbPicture screenCaptureMethod(RbObject screen, RbObject captureRect);

}  // namespace tvq

#endif
