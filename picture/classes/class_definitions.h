// The class records of the picture plug-in's classes, handed to the host at
// registration (see picture/frame/registration.cpp for the order). Each is
// defined beside its class's methods.
#ifndef PICTURE_CLASSES_CLASS_DEFINITIONS_H
#define PICTURE_CLASSES_CLASS_DEFINITIONS_H

#include "host_binding/rb_abi.h"

namespace zrw {

extern RbClassDefinition pictureSepiaClass;        // "PictureSepiaZRW"
extern RbClassDefinition pictureConvolutionClass;  // "PictureConvolutionZRW"
extern RbClassDefinition pictureLut3DClass;        // "PictureLut3DZRW"
extern RbClassDefinition paletteClass;             // "PaletteZRW"
extern RbClassDefinition pictureMatrixClass;       // "PictureMatrixZRW"
extern RbClassDefinition pictureMatrix3DClass;     // "PictureMatrix3DZRW"
extern RbClassDefinition pictureMinMaxClass;       // "PictureMinMaxZRW"

}  // namespace zrw

#endif
