// PictureMatrixZRW, a 5 x 5 spatial filter with integer weights, and
// PictureMatrix3DZRW, a colour matrix with double weights and offsets.
#include <cstddef>
#include <cstdint>

#include "picture/classes/class_definitions.h"
#include "picture/classes/matrix_filter_kernels.h"
#include "picture/classes/processing_class.h"

namespace zrw {
namespace {

struct PictureMatrixData {
  ClassPictures pictures;
  ProcessingArea area;
  int32_t displacement;
  int32_t reserved0;
  double scaleFactor;
  int32_t matrix[5][5];  // [y][x]
  int32_t reserved1;
};

struct PictureMatrix3DData {
  ClassPictures pictures;
  ProcessingArea area;
  double matrix[5][5];  // [y][x]
};

bool inMatrix(int32_t x, int32_t y) { return x >= 0 && x <= 4 && y >= 0 && y <= 4; }

// ---- PictureMatrixZRW

PictureMatrixData* matrixData(RbObject self) {
  return instanceData<PictureMatrixData>(self, pictureMatrixClass);
}

void matrixConstruct(RbObject self) {
  if (PictureMatrixData* d = matrixData(self)) d->scaleFactor = 1.0;
}

void matrixClose(RbObject self) {
  if (PictureMatrixData* d = matrixData(self)) releasePictures(d->pictures);
}

bool matrixRunChannels(RbObject self, bool red, bool green, bool blue) {
  PictureMatrixData* d = matrixData(self);
  if (d == nullptr || !(red || green || blue)) return false;
  SpatialFilter filter{};
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 5; ++x) filter.weights[y][x] = d->matrix[y][x];
  filter.displacement = d->displacement;
  filter.scaleFactor = d->scaleFactor;
  filter.red = red;
  filter.green = green;
  filter.blue = blue;
  const ProcessingArea area = d->area;
  return runIntoDestination(d->pictures, [&](SourceRows in, ResultRows out) {
    filterSpatial(in, out, processingBounds(area, in.width, in.height), filter, kernelPath());
    return true;
  });
}

bool matrixRun(RbObject self) { return matrixRunChannels(self, true, true, true); }

bool matrixRunRgb(RbObject self, RbBoolean red, RbBoolean green, RbBoolean blue) {
  return matrixRunChannels(self, red, green, blue);
}

int32_t matrixEntry(RbObject self, int32_t x, int32_t y) {
  PictureMatrixData* d = matrixData(self);
  return d != nullptr && inMatrix(x, y) ? d->matrix[y][x] : 0;
}

void matrixEntrySet(RbObject self, int32_t x, int32_t y, int32_t value) {
  PictureMatrixData* d = matrixData(self);
  if (d != nullptr && inMatrix(x, y)) d->matrix[y][x] = value;
}

double scaleFactor(RbObject self, RbWord) {
  PictureMatrixData* d = matrixData(self);
  return d != nullptr ? d->scaleFactor : 0.0;
}

void scaleFactorSet(RbObject self, RbWord, double value) {
  if (PictureMatrixData* d = matrixData(self)) d->scaleFactor = value;
}

auto matrixProperties = joinProperties(
    pictureProperties<PictureMatrixData>(),
    propertyTable(directProperty("Displacement", "Integer",
                                 offsetof(PictureMatrixData, displacement)),
                  accessorProperty("ScaleFactor", "Double", &scaleFactor, &scaleFactorSet)),
    areaProperties<PictureMatrixData>());

auto matrixMethods = methodTable(
    method(&matrixClose, "Close"), method(&matrixRun, "Run as boolean"),
    method(&matrixRunRgb,
           "RunRGB(red as boolean, green as boolean, blue as boolean) as boolean"),
    assignable(&matrixEntry, &matrixEntrySet, "Matrix(x as integer, y as integer) as integer"));

// ---- PictureMatrix3DZRW

PictureMatrix3DData* matrix3DData(RbObject self) {
  return instanceData<PictureMatrix3DData>(self, pictureMatrix3DClass);
}

void matrix3DClose(RbObject self) {
  if (PictureMatrix3DData* d = matrix3DData(self)) releasePictures(d->pictures);
}

bool matrix3DRun(RbObject self) {
  PictureMatrix3DData* d = matrix3DData(self);
  if (d == nullptr) return false;
  ColourMatrix matrix;
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 5; ++x) matrix.m[y][x] = d->matrix[y][x];
  const ProcessingArea area = d->area;
  return runIntoDestination(d->pictures, [&](SourceRows in, ResultRows out) {
    applyColourMatrix(in, out, processingBounds(area, in.width, in.height), matrix, kernelPath());
    return true;
  });
}

double matrix3DEntry(RbObject self, int32_t x, int32_t y) {
  PictureMatrix3DData* d = matrix3DData(self);
  return d != nullptr && inMatrix(x, y) ? d->matrix[y][x] : 0.0;
}

void matrix3DEntrySet(RbObject self, int32_t x, int32_t y, double value) {
  PictureMatrix3DData* d = matrix3DData(self);
  if (d != nullptr && inMatrix(x, y)) d->matrix[y][x] = value;
}

auto matrix3DProperties =
    joinProperties(pictureProperties<PictureMatrix3DData>(), areaProperties<PictureMatrix3DData>());

auto matrix3DMethods = methodTable(
    method(&matrix3DClose, "Close"), method(&matrix3DRun, "Run as boolean"),
    assignable(&matrix3DEntry, &matrix3DEntrySet, "Matrix(x as integer, y as integer) as double"));

}  // namespace

RbClassDefinition pictureMatrixClass =
    classDefinition("PictureMatrixZRW", sizeof(PictureMatrixData), &matrixConstruct, &matrixClose,
                    matrixProperties, matrixMethods);

RbClassDefinition pictureMatrix3DClass =
    classDefinition("PictureMatrix3DZRW", sizeof(PictureMatrix3DData), nullptr, &matrix3DClose,
                    matrix3DProperties, matrix3DMethods);

}  // namespace zrw
