#include "graphics/frame/registration_tables.h"

#include <array>

#include "graphics/classes/color_matrix_class.h"
#include "graphics/classes/rectangle_class.h"
#include "graphics/color/color_matrix_adjust.h"
#include "graphics/color/hsv_adjust.h"
#include "graphics/color/rgb_offsets.h"
#include "graphics/composite/add_subtract.h"
#include "graphics/frame/error_methods.h"
#include "graphics/frame/registration.h"

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
std::array<RbPropertyRecord, 0> pictureProperties{};
std::array pictureMethods = {
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
};
// Global methods "F(extends cp as TVQ_ClientPicture, ...)".
std::array<RbMethodRecord, 0> clientPictureGlobalMethods{};
// Global methods "F(extends s as screen, ...)".
std::array<RbMethodRecord, 0> screenGlobalMethods{};

}  // namespace

void registerPluginInterface() {
  registerGlobalMethods(errorMethods);

  // Classes, in the order TVQ_Rectangle, TVQ_ColorMatrix, TVQ_Convolution,
  // TVQ_ClientPicture.
  registerClass(rectangleClass());
  registerClass(colorMatrixClass());

  if (pictureExtension.propertyCount + pictureExtension.methodCount > 0) {
    registerClassExtension(pictureExtension);
  }
  registerGlobalMethods(pictureGlobalMethods);
  registerGlobalMethods(clientPictureGlobalMethods);
  registerGlobalMethods(screenGlobalMethods);
}

}  // namespace tvq
