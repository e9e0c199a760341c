#include "picture/frame/registration.h"

#include "host_binding/host_entry.h"
#include "host_binding/host_services.h"
#include "picture/classes/class_definitions.h"
#include "picture/classes/palette_class.h"
#include "picture/frame/class_records.h"
#include "picture/functions/binary_string.h"
#include "picture/functions/tone_changes.h"

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
auto graphicsMethods = methodTable();
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
    assignable(&picturePalette, &picturePaletteSet, "PaletteZRW as PaletteZRW"));
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
    method(&pictureToBinaryString, "PicturetoBinaryStringZRW(p as picture) as string"));

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
