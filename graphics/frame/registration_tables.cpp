#include "graphics/frame/registration_tables.h"

#include <array>

#include "graphics/classes/client_picture.h"
#include "graphics/classes/color_matrix_class.h"
#include "graphics/classes/convolution_class.h"
#include "graphics/classes/rectangle_class.h"
#include "graphics/color/averaging.h"
#include "graphics/color/color_matrix_adjust.h"
#include "graphics/color/contrast.h"
#include "graphics/color/gamma.h"
#include "graphics/color/hsv_adjust.h"
#include "graphics/color/rgb_offsets.h"
#include "graphics/color/threshold.h"
#include "graphics/composite/add_subtract.h"
#include "graphics/composite/compare.h"
#include "graphics/composite/composite.h"
#include "graphics/composite/composite_client.h"
#include "graphics/composite/composite_color.h"
#include "graphics/composite/composite_mask.h"
#include "graphics/composite/convolute.h"
#include "graphics/composite/difference.h"
#include "graphics/composite/transition.h"
#include "graphics/conversion/downsample.h"
#include "graphics/conversion/memory_block_export.h"
#include "graphics/conversion/picture_properties.h"
#include "graphics/conversion/screen_capture.h"
#include "graphics/frame/error_methods.h"
#include "graphics/frame/registration.h"
#include "graphics/geometry/crawling_ants.h"
#include "graphics/geometry/flip_rotate.h"
#include "graphics/geometry/pixelate.h"
#include "graphics/geometry/rotate_by_shear.h"
#include "graphics/geometry/rotate_direct.h"
#include "graphics/geometry/shear.h"
#include "graphics/geometry/stretch.h"
#include "graphics/geometry/trim.h"

// The tables hold what the plug-in implements, each in the order of the
// published interface: programs and the host's listings see members in
// registration order, so a new entry goes to its published position, never
// simply to the end.
namespace tvq {
namespace {

constexpr RbMethodRecord method(RbFunction function, const char* declaration) {
  return {function, nullptr, declaration, 0};
}

// Registered before anything else, so a program can ask for errors even when
// a later registration is refused.
std::array errorMethods = {
    method(rbFunction(getLastErrorMethod), "TVQ_GetLastError() as integer"),
    method(rbFunction(getErrorMessageMethod),
           "TVQ_GetErrorMessage(error_code as integer) as String"),
};

// The extension of the host's picture class (group "TVQ", flags 2 for its
// properties). Registered once it has a member.
RbPropertyRecord pictureProperty(const char* name, const char* type, RbFunction getter) {
  return {"TVQ", name, type, 2, getter, nullptr, 0, {}};
}
std::array pictureProperties = {
    pictureProperty("TVQ_BitDepth", "integer", rbFunction(bitDepthGetter)),
    pictureProperty("TVQ_RowBytes", "integer", rbFunction(rowBytesGetter)),
    pictureProperty("TVQ_HasMask", "boolean", rbFunction(hasMaskGetter)),
};
std::array pictureMethods = {
    method(rbFunction(shearHorizontalMethod),
           "TVQ_ShearHorizontal(width as integer, height as integer, shear as double) as picture"),
    method(rbFunction(shearHorizontalFramedMethod),
           "TVQ_ShearHorizontal(width as integer, height as integer, shear as double, frame_color "
           "as color) as picture"),
    method(rbFunction(shearVerticalMethod),
           "TVQ_ShearVertical(width as integer, height as integer, shear as double) as picture"),
    method(rbFunction(shearVerticalFramedMethod),
           "TVQ_ShearVertical(width as integer, height as integer, shear as double, frame_color "
           "as color) as picture"),
    method(rbFunction(freeRotateByShearMethod),
           "TVQ_FreeRotateByShear(rotation as double) as picture"),
    method(rbFunction(freeRotateByShearFramedMethod),
           "TVQ_FreeRotateByShear(rotation as double, frame_color as color) as picture"),
    method(rbFunction(freeRotateDirectMethod),
           "TVQ_FreeRotateDirect(rotation as double, frame_color as color) as picture"),
    method(rbFunction(compareMethod),
           "TVQ_Compare(compare as picture, rect as TVQ_Rectangle) as boolean"),
    method(rbFunction(differenceMethod), "TVQ_Difference(compare as picture) as picture"),
    method(rbFunction(adjustGammaMethod),
           "TVQ_AdjustGamma(rect as TVQ_Rectangle, center as color, red_factor as double, "
           "green_factor as double, blue_factor as double) as picture"),
    method(rbFunction(adjustGammaWithMaskMethod),
           "TVQ_AdjustGammaWithMask(mask as picture, center as color, red_factor as double, "
           "green_factor as double, blue_factor as double) as picture"),
    method(rbFunction(adjustHsvMethod),
           "TVQ_AdjustHSV(rect as TVQ_Rectangle, hue_degrees as double, saturation_factor as "
           "double, brightness_factor as double, negative as boolean) as picture"),
    method(rbFunction(adjustHsvWithMaskMethod),
           "TVQ_AdjustHSVWithMask(mask as picture, hue_degrees as double, saturation_factor as "
           "double, brightness_factor as double) as picture"),
    method(rbFunction(getAverageHsvMethod),
           "TVQ_GetAverageHSV(rect as TVQ_Rectangle, ByRef hue_degrees as double, ByRef "
           "saturation as double, ByRef brightness as double)"),
    method(rbFunction(adjustRgbMethod),
           "TVQ_AdjustRGB(rect as TVQ_Rectangle, red_delta as integer, green_delta as integer, "
           "blue_delta as integer) as picture"),
    method(rbFunction(adjustRgbInPlaceMethod),
           "TVQ_AdjustRGB_InPlace(rect as TVQ_Rectangle, red_delta as integer, green_delta as "
           "integer, blue_delta as integer)"),
    method(rbFunction(adjustRgbWithMaskMethod),
           "TVQ_AdjustRGBWithMask(mask as picture, red_delta as integer, green_delta as integer, "
           "blue_delta as integer) as picture"),
    method(rbFunction(adjustRgbByMatrixMethod),
           "TVQ_AdjustRGB(rect as TVQ_Rectangle, cm as TVQ_ColorMatrix) as picture"),
    method(rbFunction(adjustRgbByMatrixWithMaskMethod),
           "TVQ_AdjustRGBWithMask(mask as picture, cm as TVQ_ColorMatrix) as picture"),
    method(rbFunction(getAverageRgbMethod),
           "TVQ_GetAverageRGB(rect as TVQ_Rectangle, ByRef red as integer, ByRef green as "
           "integer, ByRef blue as integer)"),
    method(rbFunction(averageRgbMethod),
           "TVQ_AverageRGB(rect as TVQ_Rectangle, center as color, red_weight as double, "
           "green_weight as double, blue_weight as double) as picture"),
    method(rbFunction(averageRgbWithMaskMethod),
           "TVQ_AverageRGBWithMask(mask as picture, center as color, red_weight as double, "
           "green_weight as double, blue_weight as double) as picture"),
};

RbClassRecord pictureExtension = {
    kRbClassRecordVersion,
    "picture",
    nullptr,
    0,
    0,
    nullptr,
    nullptr,
    pictureProperties.data(),
    static_cast<RbWord>(pictureProperties.size()),
    pictureMethods.data(),
    static_cast<RbWord>(pictureMethods.size()),
    {},
};

// Global methods "F(extends p as picture, ...)".
std::array pictureGlobalMethods = {
    method(rbFunction(addMethod), "TVQ_Add(extends p as picture, addend as picture) as picture"),
    method(rbFunction(subtractMethod),
           "TVQ_Subtract(extends p as picture, subtractend as picture) as picture"),
    method(rbFunction(adjustContrastMethod),
           "TVQ_AdjustContrast(extends p as picture, rect as TVQ_Rectangle, center as color, "
           "red_factor as double, green_factor as double, blue_factor as double) as picture"),
    method(rbFunction(adjustContrastWithMaskMethod),
           "TVQ_AdjustContrastWithMask(extends p as picture, mask as picture, center as color, "
           "red_factor as double, green_factor as double, blue_factor as double) as picture"),
    method(rbFunction(getAverageContrastMethod),
           "TVQ_GetAverageContrast(extends p as picture, rect as TVQ_Rectangle, center as color, "
           "ByRef red_contrast as integer, ByRef green_contrast as integer, ByRef blue_contrast "
           "as integer)"),
    method(rbFunction(flipRotateMethod),
           "TVQ_FlipRotate(extends p as picture, flip_h as boolean, flip_v as boolean, rotation "
           "as integer) as picture"),
    method(rbFunction(compositeMethod),
           "TVQ_Composite(extends p as picture, overlay as picture, overlay_fraction as double, "
           "left as integer, top as integer) as picture"),
    method(rbFunction(compositeColorMethod),
           "TVQ_Composite(extends p as picture, rect as TVQ_Rectangle, overlay_color as color, "
           "overlay_fraction as double) as picture"),
    method(rbFunction(compositeWithMaskMethod),
           "TVQ_CompositeWithMask(extends p as picture, overlay as picture, mask as picture, "
           "left as integer, top as integer) as picture"),
    method(rbFunction(convoluteMethod),
           "TVQ_Convolute(extends p as picture, rect as TVQ_Rectangle, horiz_convolution as "
           "TVQ_Convolution,vert_convolution as TVQ_Convolution) as picture"),
    method(rbFunction(crawlingAntsMethod),
           "TVQ_CrawlingAnts(extends p as picture, rect as TVQ_Rectangle, ant_color as color, "
           "shadow_color as color, ant_size as integer, ant_state as integer) as picture"),
    method(rbFunction(downsampleMethod),
           "TVQ_Downsample(extends p as picture, bits_per_channel as integer) as picture"),
    method(rbFunction(makeMemoryBlockMethod),
           "TVQ_MakeMemoryBlock(extends p as picture, rect as TVQ_Rectangle, mask_to_alpha as "
           "boolean, ByRef row_bytes as integer) as picture"),
    method(rbFunction(pixelateMethod),
           "TVQ_Pixelate(extends p as picture, rect as TVQ_Rectangle, pixelation as integer) as "
           "picture"),
    method(rbFunction(stretchMethod),
           "TVQ_Stretch(extends p as picture, width as integer, height as integer) as picture"),
    method(rbFunction(thresholdMethod),
           "TVQ_Threshold(extends p as picture, rect as TVQ_Rectangle, darker as boolean, "
           "and_threshold as boolean, threshold as color, target as color) as picture"),
    method(rbFunction(thresholdWithMaskMethod),
           "TVQ_ThresholdWithMask(extends p as picture, mask as picture, darker as boolean, "
           "and_threshold as boolean, threshold as color, target as color) as picture"),
    method(rbFunction(transitionMethod),
           "TVQ_Transition(extends p as picture, overlay_a as picture, overlay_b as picture, "
           "overlay_a_fraction as double) as picture"),
    method(rbFunction(trimMethod),
           "TVQ_Trim(extends p as picture, trim_rect as TVQ_Rectangle, frame_color as color) as "
           "picture"),
};
// Global methods "F(extends cp as TVQ_ClientPicture, ...)".
std::array clientPictureGlobalMethods = {
    method(rbFunction(compositeClientMethod),
           "TVQ_Composite(extends cp as TVQ_ClientPicture, overlay as TVQ_ClientPicture, "
           "overlay_fraction as double, left as integer, top as integer, as_picture as boolean = "
           "false) as TVQ_ClientPicture"),
    method(rbFunction(stretchClientMethod),
           "TVQ_Stretch(extends cp as TVQ_ClientPicture, width as integer, height as integer, "
           "as_picture as boolean) as TVQ_ClientPicture"),
    method(rbFunction(trimClientMethod),
           "TVQ_Trim(extends cp as TVQ_ClientPicture, trim_rect as TVQ_Rectangle, frame_color as "
           "color) as TVQ_ClientPicture"),
};
// Global methods "F(extends s as screen, ...)".
std::array screenGlobalMethods = {
    method(rbFunction(screenCaptureMethod),
           "TVQ_ScreenCapture(extends s as screen, capture_rect as TVQ_Rectangle) as picture"),
};

}  // namespace

void registerPluginInterface() {
  registerGlobalMethods(errorMethods);

  // Classes, in the order TVQ_Rectangle, TVQ_ColorMatrix, TVQ_Convolution,
  // TVQ_ClientPicture.
  registerClass(rectangleClass());
  registerClass(colorMatrixClass());
  registerClass(convolutionClass());
  registerClass(clientPictureClass());

  if (pictureExtension.propertyCount + pictureExtension.methodCount > 0) {
    registerClassExtension(pictureExtension);
  }
  registerGlobalMethods(pictureGlobalMethods);
  registerGlobalMethods(clientPictureGlobalMethods);
  registerGlobalMethods(screenGlobalMethods);
}

}  // namespace tvq
