// Pictures exchanged with the Windows display and with bitmap handles.
//
//   "ScreenshotZRW as picture"            the whole primary display
//   "ScreenshotRectZRW(left, top, width, height) as picture"
//                                         the part of that rectangle on the
//                                         display (negative sides clipped)
//   "ScreenshotDisplayZRW(index as integer) as picture"
//                                         display 0; nil for any other
//   "BuildPictureWithGWorldHandleZRW(handle as integer, ByPassOwernerShip as
//    boolean) as picture"                 the host's picture of a graphics
//                                         world; nil for handle 0
//   Picture.DataTypeZRW, .DataHandleZRW   the kind and handle of the
//                                         picture's storage; -1 for nil
//   Picture.MakeHBITMAPZRW                a new device-dependent bitmap of a
//                                         picture kept as a packed DIB (kind
//                                         5); 0 otherwise. The caller owns
//                                         it and deletes it with DeleteObject
//   Picture.PicHandleZRW, .PicHandleDataZRW
//                                         always nil
//   graphics.PaintDesktopZRW              the desktop pattern painted on the
//                                         graphics
//
// Screenshots come through a device-independent bitmap handed to the host
// ("REALBuildPictureFromDIB"), which takes it over.
#ifndef PICTURE_FUNCTIONS_DISPLAY_PICTURES_H
#define PICTURE_FUNCTIONS_DISPLAY_PICTURES_H

#include <cstdint>

#include "host_binding/rb_abi.h"

namespace zrw {

RbPicture screenshot();
RbPicture screenshotRect(int32_t left, int32_t top, int32_t width, int32_t height);
RbPicture screenshotDisplay(int32_t index);
RbPicture buildPictureWithGWorldHandle(int32_t handle, RbBoolean bypassOwnership);

int32_t pictureDataType(RbPicture picture);
int32_t pictureDataHandle(RbPicture picture);
int32_t makeHBitmap(RbPicture picture);
RbPicture picHandle(RbPicture picture);
RbString picHandleData(RbPicture picture);

void paintDesktop(RbGraphics graphics);

}  // namespace zrw

#endif
