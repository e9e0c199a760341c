// What the processing classes (matrix filters, colour matrix, 3-D lookup
// table, separable convolution, sepia) share.
//
// Each class's instance data starts with two picture references, the source
// a program sets and the destination Run builds, most follow them with a
// processing area. A program reads and writes these fields through the
// host's standard accessor, which keeps one reference in each field that is
// set; Close and the destructor drop both.
//
//   bool myRun(RbObject self) {
//     MyData* data = myData(self);
//     if (data == nullptr) return false;
//     return runIntoDestination(data->pictures, [&](SourceRows in, ResultRows out) {
//       const AreaBounds area = processingBounds(data->area, in.width, in.height);
//       ...
//       return true;
//     });
//   }
#ifndef PICTURE_CLASSES_PROCESSING_CLASS_H
#define PICTURE_CLASSES_PROCESSING_CLASS_H

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "host_binding/host_services.h"
#include "host_binding/rb_abi.h"
#include "picture/frame/class_records.h"
#include "picture/frame/pixel_rows.h"
#include "picture/frame/result_buffer.h"
#include "picture/frame/source_view.h"

namespace zrw {

// The first fields of every processing class.
struct ClassPictures {
  RbPicture source;       // "SourcePicture"
  RbPicture destination;  // "DestinationPicture"
};

// "MinX", "MinY", "MaxX", "MaxY", in this order in the instance data.
struct ProcessingArea {
  int32_t minX;
  int32_t minY;
  int32_t maxX;
  int32_t maxY;
};

// The pixels a Run computes: left <= x < right, top <= y < bottom, with
// 0 <= left, top and right <= width, bottom <= height. Empty when
// left >= right or top >= bottom.
struct AreaBounds {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;

  bool empty() const { return left >= right || top >= bottom; }
  // The area less `margin` pixels on every side.
  AreaBounds inset(int32_t margin) const {
    return {left + margin, top + margin, right - margin, bottom - margin};
  }
};

// The last column bound is MaxX when MinX < MaxX < width, otherwise the
// width; the same for rows. These tests use the values as the program set
// them. The area then starts at MinX and MinY, each raised to 0 when
// negative (and lowered to the bound when beyond it), so it never reaches
// outside the picture.
inline AreaBounds processingBounds(const ProcessingArea& area, int32_t width, int32_t height) {
  const int32_t right = area.minX < area.maxX && area.maxX < width ? area.maxX : width;
  const int32_t bottom = area.minY < area.maxY && area.maxY < height ? area.maxY : height;
  return {std::clamp(area.minX, 0, std::max(right, 0)),
          std::clamp(area.minY, 0, std::max(bottom, 0)), right, bottom};
}

// Drops the references held by both fields and sets them to nil: Close, and
// the destructor.
inline void releasePictures(ClassPictures& pictures) {
  host::release(pictures.source);
  pictures.source = nullptr;
  host::release(pictures.destination);
  pictures.destination = nullptr;
}

// The common course of Run: drop the old destination; open the source (false
// for nil or unreadable); create a result of the source's size (false when it
// cannot be made); let `kernel(SourceRows, ResultRows) -> bool` write it; keep
// the result as the destination, which then holds the result's creation
// reference. The kernel's answer is Run's: a kernel that cannot finish still
// leaves its partial result as the destination.
template <typename Kernel>
bool runIntoDestination(ClassPictures& pictures, Kernel&& kernel) {
  host::release(pictures.destination);
  pictures.destination = nullptr;
  if (pictures.source == nullptr) return false;
  SourceView view;
  if (!view.open(pictures.source)) return false;
  ResultBuffer result;
  if (!result.create(view.width(), view.height())) return false;
  const bool complete = std::forward<Kernel>(kernel)(view.rows(), result.rows());
  pictures.destination = result.finish();
  return complete;
}

// Property records of the shared fields of `Data`, whose members `pictures`
// and `area` are the structures above.
template <typename Data>
std::array<RbPropertyRecord, 2> pictureProperties() {
  constexpr size_t at = offsetof(Data, pictures);
  return {
      directProperty("SourcePicture", "Picture", at + offsetof(ClassPictures, source)),
      directProperty("DestinationPicture", "Picture", at + offsetof(ClassPictures, destination))};
}

// In the order a program is shown them: MaxX, MinX, MaxY, MinY.
template <typename Data>
std::array<RbPropertyRecord, 4> areaProperties() {
  constexpr size_t at = offsetof(Data, area);
  return {directProperty("MaxX", "Integer", at + offsetof(ProcessingArea, maxX)),
          directProperty("MinX", "Integer", at + offsetof(ProcessingArea, minX)),
          directProperty("MaxY", "Integer", at + offsetof(ProcessingArea, maxY)),
          directProperty("MinY", "Integer", at + offsetof(ProcessingArea, minY))};
}

// One table made of several, in order.
template <size_t... Sizes>
std::array<RbPropertyRecord, (Sizes + ...)> joinProperties(
    const std::array<RbPropertyRecord, Sizes>&... tables) {
  std::array<RbPropertyRecord, (Sizes + ...)> all{};
  size_t next = 0;
  ((std::copy(tables.begin(), tables.end(), all.begin() + static_cast<ptrdiff_t>(next)),
    next += Sizes),
   ...);
  return all;
}

}  // namespace zrw

#endif
