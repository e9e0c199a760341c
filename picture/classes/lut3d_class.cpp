// PictureLut3DZRW: a colour lookup table held in the instance
// (lut3d_kernel.h); neither Table nor Run allocates.
#include <cstddef>
#include <cstdint>

#include "picture/classes/class_definitions.h"
#include "picture/classes/lut3d_kernel.h"
#include "picture/classes/processing_class.h"

namespace zrw {
namespace {

struct PictureLut3DData {
  ClassPictures pictures;
  ProcessingArea area;
  Lut3DTable table;
};

PictureLut3DData* lutData(RbObject self) {
  return instanceData<PictureLut3DData>(self, pictureLut3DClass);
}

void lutClose(RbObject self) {
  if (PictureLut3DData* d = lutData(self)) releasePictures(d->pictures);
}

bool lutRun(RbObject self) {
  PictureLut3DData* d = lutData(self);
  if (d == nullptr) return false;
  return runIntoDestination(d->pictures, [d](SourceRows in, ResultRows out) {
    // The table is read in place: nothing the kernel does reaches the host,
    // so the instance cannot change under it.
    mapThroughLut3D(in, out, processingBounds(d->area, in.width, in.height), d->table,
                    kernelPath());
    return true;
  });
}

bool inTable(int32_t r, int32_t g, int32_t b, int32_t x) {
  auto node = [](int32_t i) { return i >= 0 && i < kLutNodes; };
  return node(r) && node(g) && node(b) && x >= 0 && x <= 2;
}

double lutEntry(RbObject self, int32_t r, int32_t g, int32_t b, int32_t x) {
  PictureLut3DData* d = lutData(self);
  return d != nullptr && inTable(r, g, b, x) ? d->table[r][g][b][x] : 0.0;
}

void lutEntrySet(RbObject self, int32_t r, int32_t g, int32_t b, int32_t x, double value) {
  PictureLut3DData* d = lutData(self);
  if (d != nullptr && inTable(r, g, b, x)) d->table[r][g][b][x] = value;
}

auto lutProperties =
    joinProperties(pictureProperties<PictureLut3DData>(), areaProperties<PictureLut3DData>());

auto lutMethods = methodTable(
    method(&lutClose, "Close"), method(&lutRun, "Run as boolean"),
    assignable(&lutEntry, &lutEntrySet,
               "Table(r as integer, g as integer, b as integer, x as integer) as double"));

}  // namespace

RbClassDefinition pictureLut3DClass = classDefinition(
    "PictureLut3DZRW", sizeof(PictureLut3DData), nullptr, &lutClose, lutProperties, lutMethods);

}  // namespace zrw
