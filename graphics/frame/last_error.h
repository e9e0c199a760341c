// The process-wide last-error code of the graphics plug-in and its messages.
//
// Picture operations never raise host exceptions or show messages: a failing
// operation returns nil (or false) and leaves one of these codes behind for
// TVQ_GetLastError. Every operation clears the code on entry and sets exactly
// one code at its first failure, so the code always names the failure of the
// most recent operation.
#ifndef TVQ_FRAME_LAST_ERROR_H
#define TVQ_FRAME_LAST_ERROR_H

#include <cstdint>
#include <string_view>

namespace tvq {

// The numbers are part of the plug-in's public interface: programs compare
// them. Codes 1 and above 49 have no message.
enum class ErrorCode : int32_t {
  None = 0,
  SourceNil = 2,
  SourceLock = 3,
  IntermediateLock = 4,
  ResultLock = 5,
  DibObject = 6,
  MaskNil = 7,
  MaskLock = 8,
  MaskSize = 9,
  MaskNotGrey = 10,
  MaskNotBlackAndWhite = 11,
  OverlayNil = 12,
  OverlayLock = 13,
  OverlayFractionOutOfBounds = 14,
  OverlayOutOfBounds = 15,
  OverlayWrongSize = 16,
  AddendNil = 17,
  AddendLock = 18,
  AddendWrongSize = 19,
  SubtractendNil = 20,
  SubtractendLock = 21,
  SubtractendWrongSize = 22,
  ColorMatrixNil = 23,
  ConvolutionNil = 24,
  PixelateStartRow = 25,
  PixelateStartCol = 26,
  PixelateRowCount = 27,
  PixelateColCount = 28,
  PixelatePixelation = 29,
  RotationOutOfBounds = 30,
  RotationOversampleOutOfBounds = 31,
  ShearPixelsOutOfBounds = 32,
  StretchWidthOutOfBounds = 33,
  StretchHeightOutOfBounds = 34,
  StretchOversampleOutOfBounds = 35,
  StretchBlurOutOfBounds = 36,
  InvalidSelection = 37,
  InvalidTrimArea = 38,
  RedOutOfBounds = 39,
  GreenOutOfBounds = 40,
  BlueOutOfBounds = 41,
  DegreesOutOfBounds = 42,
  SaturationOutOfBounds = 43,
  BrightnessOutOfBounds = 44,
  AntSizeOutOfBounds = 45,
  AntStateOutOfBounds = 46,
  BitsPerChannelOutOfBounds = 47,
  CompareNil = 48,
  CompareLock = 49,
};

int32_t lastError();
void setLastError(ErrorCode code);

// The fixed message of `code`; "Unknown Error" for a code without one.
std::string_view errorMessage(int32_t code);

}  // namespace tvq

#endif
