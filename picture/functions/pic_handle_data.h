// Pictures from QuickTime picture data: "BuildPictureWithPicHandleDataZRW(
// data as string) as picture", a global method.
//
// The string's bytes (none for nil) are copied into a new QuickTime handle;
// with the current graphics world saved, the handle is converted to a
// device-independent bitmap, which the host turns into the picture and
// frees; the handle is disposed of and the graphics world restored. Nil
// without QuickTime, when the copy or the conversion fails, and without the
// host's "REALBuildPictureFromDIB" (then QuickTime is not called at all).
#ifndef PICTURE_FUNCTIONS_PIC_HANDLE_DATA_H
#define PICTURE_FUNCTIONS_PIC_HANDLE_DATA_H

#include "host_binding/rb_abi.h"

namespace zrw {

RbPicture buildPictureWithPicHandleData(RbString data);

}  // namespace zrw

#endif
