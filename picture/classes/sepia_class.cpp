// PictureSepiaZRW: toned monochrome (sepia_kernel.h) over a processing area.
#include <cstddef>
#include <cstdint>

#include "picture/classes/class_definitions.h"
#include "picture/classes/processing_class.h"
#include "picture/classes/sepia_kernel.h"

namespace zrw {
namespace {

struct PictureSepiaData {
  ClassPictures pictures;
  ProcessingArea area;
  int32_t sepiaRed, sepiaGreen, sepiaBlue;
  int32_t reserved;
  double factorRed, factorGreen, factorBlue;
};

PictureSepiaData* sepiaData(RbObject self) {
  return instanceData<PictureSepiaData>(self, pictureSepiaClass);
}

void sepiaConstruct(RbObject self) {
  if (PictureSepiaData* d = sepiaData(self)) {
    // The luma weights of ITU-R BT.601.
    d->factorRed = 0.299;
    d->factorGreen = 0.587;
    d->factorBlue = 0.114;
  }
}

void sepiaClose(RbObject self) {
  if (PictureSepiaData* d = sepiaData(self)) releasePictures(d->pictures);
}

bool sepiaRun(RbObject self) {
  PictureSepiaData* d = sepiaData(self);
  if (d == nullptr) return false;
  const SepiaTone tone{sepiaWeight(d->factorRed),
                       sepiaWeight(d->factorGreen),
                       sepiaWeight(d->factorBlue),
                       d->sepiaRed,
                       d->sepiaGreen,
                       d->sepiaBlue};
  const ProcessingArea area = d->area;
  return runIntoDestination(d->pictures, [&](SourceRows in, ResultRows out) {
    toneSepia(in, out, processingBounds(area, in.width, in.height), tone, kernelPath());
    return true;
  });
}

template <double PictureSepiaData::*Factor>
double factor(RbObject self, RbWord) {
  PictureSepiaData* d = sepiaData(self);
  return d != nullptr ? d->*Factor : 0.0;
}

template <double PictureSepiaData::*Factor>
void factorSet(RbObject self, RbWord, double value) {
  if (PictureSepiaData* d = sepiaData(self)) d->*Factor = value;
}

auto sepiaProperties = joinProperties(
    pictureProperties<PictureSepiaData>(), areaProperties<PictureSepiaData>(),
    propertyTable(directProperty("SepiaRed", "Integer", offsetof(PictureSepiaData, sepiaRed)),
                  directProperty("SepiaGreen", "Integer", offsetof(PictureSepiaData, sepiaGreen)),
                  directProperty("SepiaBlue", "Integer", offsetof(PictureSepiaData, sepiaBlue)),
                  accessorProperty("FactorRed", "Double", &factor<&PictureSepiaData::factorRed>,
                                   &factorSet<&PictureSepiaData::factorRed>),
                  accessorProperty("FactorBlue", "Double", &factor<&PictureSepiaData::factorBlue>,
                                   &factorSet<&PictureSepiaData::factorBlue>),
                  accessorProperty("FactorGreen", "Double", &factor<&PictureSepiaData::factorGreen>,
                                   &factorSet<&PictureSepiaData::factorGreen>)));

auto sepiaMethods = methodTable(method(&sepiaClose, "Close"), method(&sepiaRun, "Run as boolean"));

}  // namespace

RbClassDefinition pictureSepiaClass =
    classDefinition("PictureSepiaZRW", sizeof(PictureSepiaData), &sepiaConstruct, &sepiaClose,
                    sepiaProperties, sepiaMethods);

}  // namespace zrw
