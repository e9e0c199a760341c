#include "graphics/frame/last_error.h"

#include <array>

namespace tvq {
namespace {

int32_t lastErrorCode = 0;

struct ErrorMessage {
  ErrorCode code;
  std::string_view text;
};

// Ascending by code; looked up by comparison only, so a gap in the numbering
// (code 1, codes above 49) falls through to "Unknown Error".
constexpr std::array kMessages = {
    ErrorMessage{ErrorCode::None, "General Error: No Error"},
    ErrorMessage{ErrorCode::SourceNil, "General Error: \"source\" parameter is nil"},
    ErrorMessage{ErrorCode::SourceLock, "General Error: can't lock \"source\" picture"},
    ErrorMessage{ErrorCode::IntermediateLock, "General Error: can't lock intermediate picture"},
    ErrorMessage{ErrorCode::ResultLock, "General Error: can't lock result picture"},
    ErrorMessage{ErrorCode::DibObject, "General Error: can't get DIB object"},
    ErrorMessage{ErrorCode::MaskNil, "General Error: \"mask\" parameter is nil"},
    ErrorMessage{ErrorCode::MaskLock, "General Error: can't lock \"mask\" picture"},
    ErrorMessage{ErrorCode::MaskSize, "General Error: \"mask\" is not same size as \"source\""},
    ErrorMessage{ErrorCode::MaskNotGrey,
                 "General Error: \"mask\" is not greyscale (1, 2, 4, or 8 bit)"},
    ErrorMessage{ErrorCode::MaskNotBlackAndWhite,
                 "General Error: \"mask\" is not black and white (1 bit)"},
    ErrorMessage{ErrorCode::OverlayNil, "General Error: \"overlay\" parameter is nil"},
    ErrorMessage{ErrorCode::OverlayLock, "General Error: can't lock \"overlay\" picture"},
    ErrorMessage{ErrorCode::OverlayFractionOutOfBounds,
                 "General Error: \"overlay_fraction\" positioned out of bounds"},
    ErrorMessage{ErrorCode::OverlayOutOfBounds,
                 "General Error: \"overlay\" positioned out of bounds"},
    ErrorMessage{ErrorCode::OverlayWrongSize, "General Error: \"overlay\" is wrong size"},
    ErrorMessage{ErrorCode::AddendNil, "General Error: \"addend\" is nil"},
    ErrorMessage{ErrorCode::AddendLock, "General Error: can't lock \"addend\" picture"},
    ErrorMessage{ErrorCode::AddendWrongSize, "General Error: \"addend\" is wrong size"},
    ErrorMessage{ErrorCode::SubtractendNil, "General Error: \"subtractend\" is nil"},
    ErrorMessage{ErrorCode::SubtractendLock, "General Error: can't lock \"subtractend\" picture"},
    ErrorMessage{ErrorCode::SubtractendWrongSize, "General Error: \"subtractend\" is wrong size"},
    ErrorMessage{ErrorCode::ColorMatrixNil, "General Error: \"color_matrix\" parameter is nil"},
    ErrorMessage{ErrorCode::ConvolutionNil, "General Error: \"convolution\" parameter is nil"},
    ErrorMessage{ErrorCode::PixelateStartRow,
                 "TVQ_Pixelate Error: \"start_row\" parameter is out of bounds"},
    ErrorMessage{ErrorCode::PixelateStartCol,
                 "TVQ_Pixelate Error: \"start_col\" parameter is out of bounds"},
    ErrorMessage{ErrorCode::PixelateRowCount,
                 "TVQ_Pixelate Error: \"row_count\" parameter is out of bounds"},
    ErrorMessage{ErrorCode::PixelateColCount,
                 "TVQ_Pixelate Error: \"col_count\" parameter is out of bounds"},
    ErrorMessage{ErrorCode::PixelatePixelation,
                 "TVQ_Pixelate Error: \"pixelation\" parameter is out of bounds"},
    ErrorMessage{ErrorCode::RotationOutOfBounds,
                 "Rotate Error: \"rotation\" parameter is out of bounds"},
    ErrorMessage{ErrorCode::RotationOversampleOutOfBounds,
                 "Rotate Error: \"rotation_oversample\" parameter is out of bounds"},
    ErrorMessage{ErrorCode::ShearPixelsOutOfBounds,
                 "Shear Error: \"shear_pixels\" parameter is out of bounds"},
    ErrorMessage{ErrorCode::StretchWidthOutOfBounds,
                 "Stretch Error: \"width\" parameter is out of bounds"},
    ErrorMessage{ErrorCode::StretchHeightOutOfBounds,
                 "Stretch Error: \"height\" parameter is out of bounds"},
    ErrorMessage{ErrorCode::StretchOversampleOutOfBounds,
                 "Stretch Error: \"oversample\" parameter is out of bounds"},
    ErrorMessage{ErrorCode::StretchBlurOutOfBounds,
                 "Stretch Error: \"blur\" parameter is out of bounds"},
    ErrorMessage{ErrorCode::InvalidSelection, "Color Error: invalid selection"},
    ErrorMessage{ErrorCode::InvalidTrimArea, "Color Error: invalid trim area"},
    ErrorMessage{ErrorCode::RedOutOfBounds, "Color Error: red parameter out of bounds"},
    ErrorMessage{ErrorCode::GreenOutOfBounds, "Color Error: green parameter out of bounds"},
    ErrorMessage{ErrorCode::BlueOutOfBounds, "Color Error: blue parameter out of bounds"},
    ErrorMessage{ErrorCode::DegreesOutOfBounds, "Color Error: degrees out of bounds"},
    ErrorMessage{ErrorCode::SaturationOutOfBounds, "Color Error: saturation factor out of bounds"},
    ErrorMessage{ErrorCode::BrightnessOutOfBounds, "Color Error: brightness factor out of bounds"},
    ErrorMessage{ErrorCode::AntSizeOutOfBounds, "Color Error: ant size out of bounds"},
    ErrorMessage{ErrorCode::AntStateOutOfBounds, "Color Error: ant state out of bounds"},
    ErrorMessage{ErrorCode::BitsPerChannelOutOfBounds,
                 "Color Error: bits per channel out of bounds"},
    ErrorMessage{ErrorCode::CompareNil, "Compare Error: \"compare\" parameter is nil"},
    ErrorMessage{ErrorCode::CompareLock, "Compare Error: can't lock \"compare\" picture"},
};

}  // namespace

int32_t lastError() { return lastErrorCode; }

void setLastError(ErrorCode code) { lastErrorCode = static_cast<int32_t>(code); }

std::string_view errorMessage(int32_t code) {
  for (const ErrorMessage& m : kMessages) {
    if (static_cast<int32_t>(m.code) == code) return m.text;
  }
  return "Unknown Error";
}

}  // namespace tvq
