#include "picture/frame/registration.h"

#include "host_binding/host_entry.h"
#include "host_binding/host_services.h"
#include "picture/classes/class_definitions.h"
#include "picture/classes/palette_class.h"
#include "picture/frame/class_records.h"
#include "picture/functions/binary_string.h"
#include "picture/functions/blending.h"
#include "picture/functions/color_counting.h"
#include "picture/functions/copies.h"
#include "picture/functions/display_pictures.h"
#include "picture/functions/embedded_mask.h"
#include "picture/functions/free_rotation.h"
#include "picture/functions/inversion.h"
#include "picture/functions/lookup_transform.h"
#include "picture/functions/memory_block_copies.h"
#include "picture/functions/pic_handle_data.h"
#include "picture/functions/scaling.h"
#include "picture/functions/tint.h"
#include "picture/functions/tone_changes.h"
#include "picture/functions/turns.h"

namespace zrw {
namespace {

// The tables hold what the plug-in implements; a class or method that is not
// built has no entry. New entries go in the listed position: the host shows
// a program the classes and methods in the order they were registered.

// Classes registered before the extensions, in this order: PictureSepiaZRW,
// PictureConvolutionZRW, PictureLut3DZRW, PaletteZRW, PictureMatrixZRW,
// PictureMatrix3DZRW.
auto leadingClasses = classList(&pictureSepiaClass, &pictureConvolutionClass, &pictureLut3DClass,
                                &paletteClass, &pictureMatrixClass, &pictureMatrix3DClass);

// Methods of the "graphics" extension: PaintDesktopZRW.
auto graphicsMethods = methodTable(method(&paintDesktop, "PaintDesktopZRW"));
RbClassDefinition graphicsExtension = extensionDefinition("graphics", graphicsMethods);

// Methods of the "Picture" extension, in this order:
//   ChangeBrightnessAbsoluteZRW (r, g, b), ChangeBrightnessLinearZRW (r, g, b),
//   ChangeBrightnessAbsoluteZRW (x), ChangeBrightnessLinearZRW (x),
//   ChangeCustomZRW, ChangeContrastZRW (x), ChangeContrastZRW (xr, xg, xb),
//   PaletteZRW (assignable), DataTypeZRW, DataHandleZRW, MakeHBITMAPZRW,
//   InvertZRW, Rotate90ZRW, Rotate180ZRW, Rotate270ZRW, RotateZRW, VMirrorZRW,
//   HMirrorZRW, CloneZRW, BitmapZRW, ScaleZRW, EmbededMaskZRW (assignable),
//   PicHandleZRW, PicHandleDataZRW, CountColorZRW, CountColorsZRW,
//   TransformColorsZRW, CopyRGBtoMemoryblock, CopyARGBtoMemoryblock,
//   CopyRtoMemoryblock, CopyGtoMemoryblock, CopyBtoMemoryblock.
auto pictureMethods = methodTable(
    method(&changeBrightnessAbsoluteRgb,
           "ChangeBrightnessAbsoluteZRW(r as double, g as double, b as double) as picture"),
    method(&changeBrightnessLinearRgb,
           "ChangeBrightnessLinearZRW(r as double, g as double, b as double) as picture"),
    method(&changeBrightnessAbsolute, "ChangeBrightnessAbsoluteZRW(x as double) as picture"),
    method(&changeBrightnessLinear, "ChangeBrightnessLinearZRW(x as double) as picture"),
    method(&changeCustom, "ChangeCustomZRW(a as double, b as double) as picture"),
    method(&changeContrast, "ChangeContrastZRW(x as double) as picture"),
    method(&changeContrastRgb,
           "ChangeContrastZRW(xr as double, xg as double, xb as double) as picture"),
    assignable(&picturePalette, &picturePaletteSet, "PaletteZRW as PaletteZRW"),
    method(&pictureDataType, "DataTypeZRW as integer"),
    method(&pictureDataHandle, "DataHandleZRW as integer"),
    method(&makeHBitmap, "MakeHBITMAPZRW as integer"),
    method(&invertPicture,
           "InvertZRW(left as integer,top as integer,width as integer,height as integer) as "
           "picture"),
    method(&rotate90, "Rotate90ZRW as picture"), method(&rotate180, "Rotate180ZRW as picture"),
    method(&rotate270, "Rotate270ZRW as picture"),
    method(&rotatePicture, "RotateZRW(angle as double,background as color) as picture"),
    method(&mirrorVertically, "VMirrorZRW as picture"),
    method(&mirrorHorizontally, "HMirrorZRW as picture"),
    method(&clonePicture, "CloneZRW as picture"), method(&bitmapPicture, "BitmapZRW as picture"),
    method(&scalePicture,
           "ScaleZRW(width as integer, height as integer, AntiAlias as boolean) as picture"),
    assignable(&embeddedMask, &setEmbeddedMask, "EmbededMaskZRW(swap as boolean) as picture"),
    method(&picHandle, "PicHandleZRW as picture"),
    method(&picHandleData, "PicHandleDataZRW as string"),
    method(&countColor, "CountColorZRW(col as color) as integer"),
    method(&countColors,
           "CountColorsZRW(byref red as memoryblock, byref blue as memoryblock, byref green as "
           "memoryblock, byref count as integer)"),
    method(&transformColors,
           "TransformColorsZRW(red as memoryblock, blue as memoryblock, green as memoryblock) as "
           "picture"),
    method(&copyRgbToMemoryBlock,
           "CopyRGBtoMemoryblock(destination as memoryblock, offset as integer) as boolean"),
    method(&copyArgbToMemoryBlock,
           "CopyARGBtoMemoryblock(destination as memoryblock, offset as integer, LittleEndian as "
           "boolean, AlphaValue as integer) as boolean"),
    method(&copyRedToMemoryBlock,
           "CopyRtoMemoryblock(destination as memoryblock, offset as integer, PixelByteSize as "
           "integer) as boolean"),
    method(&copyGreenToMemoryBlock,
           "CopyGtoMemoryblock(destination as memoryblock, offset as integer, PixelByteSize as "
           "integer) as boolean"),
    method(&copyBlueToMemoryBlock,
           "CopyBtoMemoryblock(destination as memoryblock, offset as integer, PixelByteSize as "
           "integer) as boolean"));
RbClassDefinition pictureExtension = extensionDefinition("Picture", pictureMethods);

// Global methods, each registered on its own, in this order:
//   BuildPictureWithPicHandleDataZRW, BuildPictureWithGWorldHandleZRW,
//   ScreenshotDisplayZRW, ScreenshotZRW, ScreenshotRectZRW,
//   NewGrayPaletteZRW, NewWebPaletteZRW, NewRedPaletteZRW, NewGreenPaletteZRW,
//   NewBluePaletteZRW, NewSystemPaletteZRW, NewWindowsPaletteZRW,
//   NewPalmPaletteZRW, NewPaletteZRW, BinaryStringtoPictureZRW,
//   PicturetoBinaryStringZRW, CombinePicturesZRW, BlendPicturesZRW,
//   BlendPicturesWithMaskZRW, TintPictureZRW.
auto globalMethods = methodTable(
    method(&buildPictureWithPicHandleData,
           "BuildPictureWithPicHandleDataZRW(data as string) as picture"),
    method(&buildPictureWithGWorldHandle,
           "BuildPictureWithGWorldHandleZRW(handle as integer, ByPassOwernerShip as boolean) as "
           "picture"),
    method(&screenshotDisplay, "ScreenshotDisplayZRW(index as integer) as picture"),
    method(&screenshot, "ScreenshotZRW as picture"),
    method(&screenshotRect,
           "ScreenshotRectZRW(left as integer, top as integer, width as integer, height as "
           "integer) as picture"),
    method(&newGrayPalette, "NewGrayPaletteZRW as PaletteZRW"),
    method(&newWebPalette, "NewWebPaletteZRW as PaletteZRW"),
    method(&newRedPalette, "NewRedPaletteZRW as PaletteZRW"),
    method(&newGreenPalette, "NewGreenPaletteZRW as PaletteZRW"),
    method(&newBluePalette, "NewBluePaletteZRW as PaletteZRW"),
    method(&newSystemPalette, "NewSystemPaletteZRW as PaletteZRW"),
    method(&newWindowsPalette, "NewWindowsPaletteZRW as PaletteZRW"),
    method(&newPalmPalette, "NewPalmPaletteZRW as PaletteZRW"),
    method(&newPalette, "NewPaletteZRW(count as integer) as PaletteZRW"),
    method(&binaryStringToPicture, "BinaryStringtoPictureZRW(data as String) as Picture"),
    method(&pictureToBinaryString, "PicturetoBinaryStringZRW(p as picture) as string"),
    method(&combinePictures,
           "CombinePicturesZRW(red as picture, blue as picture, green as picture) as picture"),
    method(&blendPictures,
           "BlendPicturesZRW(source as picture, sourcepercent as double, dest as picture, "
           "destpercent as double) as picture"),
    method(&blendPicturesWithMask,
           "BlendPicturesWithMaskZRW(source as picture, dest as picture, mask as picture) as "
           "picture"),
    method(&tintPicture,
           "TintPictureZRW(source as picture, GreyBase as color, SepiaBase as color) as picture"));

// Classes registered after the global methods: PictureMinMaxZRW.
auto trailingClasses = classList(&pictureMinMaxClass);

template <size_t N>
void registerClasses(const std::array<RbClassDefinition*, N>& classes) {
  for (RbClassDefinition* record : classes) host::pluginRegisterClass(record);
}

// An extension without methods adds nothing a program could call.
void registerExtension(RbClassDefinition& extension) {
  if (extension.methodCount > 0 || extension.propertyCount > 0)
    host::pluginRegisterClassExtension(&extension);
}

}  // namespace

void startPlugin(RbResolver resolver) {
  host_binding::setResolver(resolver);
  host::registerPluginVersion(kPluginInterfaceVersion);

  host::realEnterMovies();
  registerClasses(leadingClasses);
  registerExtension(graphicsExtension);
  registerExtension(pictureExtension);
  for (const RbShortMethodRecord& record : globalMethods) host::pluginRegisterMethod(&record);
  registerClasses(trailingClasses);
}

}  // namespace zrw
