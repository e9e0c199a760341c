// PictureConvolutionZRW: a separable filter of up to 20 taps each way
// (separable_kernel.h), on the channels a bit mask chooses.
#include <cstddef>
#include <cstdint>

#include "picture/classes/class_definitions.h"
#include "picture/classes/processing_class.h"
#include "picture/classes/separable_kernel.h"

namespace zrw {
namespace {

struct PictureConvolutionData {
  ClassPictures pictures;
  int32_t valueCount;
  int32_t reserved;
  double ver[kMaxTaps];
  double hor[kMaxTaps];
};

PictureConvolutionData* convolutionData(RbObject self) {
  return instanceData<PictureConvolutionData>(self, pictureConvolutionClass);
}

void convolutionConstruct(RbObject self) {
  if (PictureConvolutionData* d = convolutionData(self)) d->valueCount = 3;
}

void convolutionClose(RbObject self) {
  if (PictureConvolutionData* d = convolutionData(self)) releasePictures(d->pictures);
}

// A ValueCount outside 1..20 has no weights behind it: Run refuses it.
bool convolutionRun(RbObject self, int32_t channels) {
  PictureConvolutionData* d = convolutionData(self);
  if (d == nullptr) return false;
  host::release(d->pictures.destination);
  d->pictures.destination = nullptr;
  if (d->valueCount < 1 || d->valueCount > kMaxTaps) return false;
  SeparableFilter filter{};
  filter.taps = d->valueCount;
  for (int32_t i = 0; i < kMaxTaps; ++i) {
    filter.horizontal[i] = d->hor[i];
    filter.vertical[i] = d->ver[i];
  }
  filter.red = (channels & 1) != 0;
  filter.green = (channels & 2) != 0;
  filter.blue = (channels & 4) != 0;
  return runIntoDestination(d->pictures, [&](SourceRows in, ResultRows out) {
    return convolveSeparable(in, out, filter, kernelPath());
  });
}

bool isTap(int32_t index) { return index >= 0 && index < kMaxTaps; }

template <double (PictureConvolutionData::*Weights)[kMaxTaps]>
double weight(RbObject self, int32_t index) {
  PictureConvolutionData* d = convolutionData(self);
  return d != nullptr && isTap(index) ? (d->*Weights)[index] : 0.0;
}

template <double (PictureConvolutionData::*Weights)[kMaxTaps]>
void weightSet(RbObject self, int32_t index, double value) {
  PictureConvolutionData* d = convolutionData(self);
  if (d != nullptr && isTap(index)) (d->*Weights)[index] = value;
}

auto convolutionProperties =
    joinProperties(pictureProperties<PictureConvolutionData>(),
                   propertyTable(directProperty("ValueCount", "Integer",
                                                offsetof(PictureConvolutionData, valueCount))));

auto convolutionMethods = methodTable(
    method(&convolutionClose, "Close"),
    method(&convolutionRun, "Run(channels as integer) as boolean"),
    assignable(&weight<&PictureConvolutionData::ver>, &weightSet<&PictureConvolutionData::ver>,
               "Ver(index as integer) as double"),
    assignable(&weight<&PictureConvolutionData::hor>, &weightSet<&PictureConvolutionData::hor>,
               "Hor(index as integer) as double"));

}  // namespace

RbClassDefinition pictureConvolutionClass =
    classDefinition("PictureConvolutionZRW", sizeof(PictureConvolutionData), &convolutionConstruct,
                    &convolutionClose, convolutionProperties, convolutionMethods);

}  // namespace zrw
