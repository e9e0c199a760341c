// PictureMatrixZRW, a 5 x 5 spatial filter with integer weights, and
// PictureMatrix3DZRW, a colour matrix with double weights and offsets.
#include <cstddef>
#include <cstdint>
#include <type_traits>

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

// "Matrix(x as integer, y as integer)" of both classes: entry (x, y), and 0
// outside the matrix, where writes are ignored.
template <typename Data, Data* (*dataOf)(RbObject)>
auto matrixEntry(RbObject self, int32_t x, int32_t y) {
  using Entry = std::remove_cvref_t<decltype(dataOf(self)->matrix[0][0])>;
  Data* d = dataOf(self);
  return d != nullptr && inMatrix(x, y) ? d->matrix[y][x] : Entry{};
}

template <typename Data, Data* (*dataOf)(RbObject), typename Entry>
void matrixEntrySet(RbObject self, int32_t x, int32_t y, Entry value) {
  Data* d = dataOf(self);
  if (d != nullptr && inMatrix(x, y)) d->matrix[y][x] = value;
}

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

double scaleFactor(RbObject self, RbWord) {
  PictureMatrixData* d = matrixData(self);
  return d != nullptr ? d->scaleFactor : 0.0;
}

void scaleFactorSet(RbObject self, RbWord, double value) {
  if (PictureMatrixData* d = matrixData(self)) d->scaleFactor = value;
}

auto matrixProperties = joinProperties(
    pictureProperties<PictureMatrixData>(),
    propertyTable(
        directProperty("Displacement", "Integer", offsetof(PictureMatrixData, displacement)),
        accessorProperty("ScaleFactor", "Double", &scaleFactor, &scaleFactorSet)),
    areaProperties<PictureMatrixData>());

auto matrixMethods = methodTable(
    method(&matrixClose, "Close"), method(&matrixRun, "Run as boolean"),
    method(&matrixRunRgb, "RunRGB(red as boolean, green as boolean, blue as boolean) as boolean"),
    assignable(&matrixEntry<PictureMatrixData, matrixData>,
               &matrixEntrySet<PictureMatrixData, matrixData, int32_t>,
               "Matrix(x as integer, y as integer) as integer"));

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

auto matrix3DProperties =
    joinProperties(pictureProperties<PictureMatrix3DData>(), areaProperties<PictureMatrix3DData>());

auto matrix3DMethods =
    methodTable(method(&matrix3DClose, "Close"), method(&matrix3DRun, "Run as boolean"),
                assignable(&matrixEntry<PictureMatrix3DData, matrix3DData>,
                           &matrixEntrySet<PictureMatrix3DData, matrix3DData, double>,
                           "Matrix(x as integer, y as integer) as double"));

}  // namespace

RbClassDefinition pictureMatrixClass =
    classDefinition("PictureMatrixZRW", sizeof(PictureMatrixData), &matrixConstruct, &matrixClose,
                    matrixProperties, matrixMethods);

RbClassDefinition pictureMatrix3DClass =
    classDefinition("PictureMatrix3DZRW", sizeof(PictureMatrix3DData), nullptr, &matrix3DClose,
                    matrix3DProperties, matrix3DMethods);

}  // namespace zrw
