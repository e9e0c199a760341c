// PictureMinMaxZRW: 24 integer properties that its Find methods fill with
// the extremes of a picture's channels and of their sum (min_max_kernel.h).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "picture/classes/class_definitions.h"
#include "picture/classes/min_max_kernel.h"
#include "picture/frame/class_records.h"
#include "picture/frame/source_view.h"

namespace zrw {
namespace {

struct ExtremeGroup {
  int32_t maxX, maxY, max, minX, minY, min;
};

// Red, green, blue, sum.
struct PictureMinMaxData {
  ExtremeGroup groups[4];
};

enum Which { kMaxima = 1, kMinima = 2, kBoth = 3 };

PictureMinMaxData* minMaxData(RbObject self) {
  return instanceData<PictureMinMaxData>(self, pictureMinMaxClass);
}

// Searches `picture` and stores the chosen extremes of the chosen quantities,
// whether or not it could be opened (the start values then).
bool find(RbObject self, RbPicture picture, uint32_t quantities, Which which) {
  Extremes found;
  bool opened = false;
  {
    SourceView view;
    if (picture != nullptr && view.open(picture)) {
      opened = true;
      found = findExtremes(view.rows(), kernelPath());
    }
  }
  PictureMinMaxData* d = minMaxData(self);
  if (d == nullptr) return opened;
  for (int q = 0; q < 4; ++q) {
    if (!(quantities & (1u << q))) continue;
    ExtremeGroup& g = d->groups[q];
    if (which & kMaxima) {
      g.maxX = found.max[q].x;
      g.maxY = found.max[q].y;
      g.max = found.max[q].value;
    }
    if (which & kMinima) {
      g.minX = found.min[q].x;
      g.minY = found.min[q].y;
      g.min = found.min[q].value;
    }
  }
  return opened;
}

constexpr uint32_t kAll = 0xF;

template <uint32_t Quantities, Which W>
bool findMethod(RbObject self, RbPicture picture) {
  return find(self, picture, Quantities, W);
}

void minMaxClose(RbObject) {}

constexpr uint32_t bit(MinMaxQuantity q) { return 1u << q; }

auto minMaxMethods = methodTable(
    method(&findMethod<kAll, kBoth>, "FindAll(p as picture) as boolean"),
    method(&findMethod<kAll, kBoth>, "FindMaxAll(p as picture) as boolean"),
    method(&findMethod<kAll, kMinima>, "FindMinAll(p as picture) as boolean"),
    method(&findMethod<bit(kRedQuantity), kBoth>, "FindRed(p as picture) as boolean"),
    method(&findMethod<bit(kRedQuantity), kBoth>, "FindMaxRed(p as picture) as boolean"),
    method(&findMethod<bit(kGreenQuantity), kBoth>, "FindGreen(p as picture) as boolean"),
    method(&findMethod<bit(kGreenQuantity), kBoth>, "FindMaxGreen(p as picture) as boolean"),
    method(&findMethod<bit(kBlueQuantity), kBoth>, "FindBlue(p as picture) as boolean"),
    method(&findMethod<bit(kBlueQuantity), kBoth>, "FindMaxBlue(p as picture) as boolean"),
    method(&findMethod<bit(kSumQuantity), kBoth>, "FindSum(p as picture) as boolean"),
    method(&findMethod<bit(kSumQuantity), kBoth>, "FindMaxSum(p as picture) as boolean"),
    method(&findMethod<bit(kRedQuantity), kMinima>, "FindMinRed(p as picture) as boolean"),
    method(&findMethod<bit(kGreenQuantity), kMinima>, "FindMinGreen(p as picture) as boolean"),
    method(&findMethod<bit(kBlueQuantity), kMinima>, "FindMinBlue(p as picture) as boolean"),
    method(&findMethod<bit(kSumQuantity), kMinima>, "FindMinSum(p as picture) as boolean"),
    method(&minMaxClose, "Close"));

// "RedMaxX" ... "SumMin", in the order of the instance data.
std::array<RbPropertyRecord, 24> minMaxPropertyTable() {
  static const char* const kNames[24] = {
      "RedMaxX",   "RedMaxY",   "RedMax",   "RedMinX",   "RedMinY",   "RedMin",
      "GreenMaxX", "GreenMaxY", "GreenMax", "GreenMinX", "GreenMinY", "GreenMin",
      "BlueMaxX",  "BlueMaxY",  "BlueMax",  "BlueMinX",  "BlueMinY",  "BlueMin",
      "SumMaxX",   "SumMaxY",   "SumMax",   "SumMinX",   "SumMinY",   "SumMin"};
  static_assert(sizeof(PictureMinMaxData) == 24 * sizeof(int32_t));
  std::array<RbPropertyRecord, 24> table{};
  for (size_t i = 0; i < table.size(); ++i)
    table[i] = directProperty(kNames[i], "Integer", i * sizeof(int32_t));
  return table;
}

auto minMaxProperties = minMaxPropertyTable();

}  // namespace

RbClassDefinition pictureMinMaxClass =
    classDefinition("PictureMinMaxZRW", sizeof(PictureMinMaxData), nullptr, &minMaxClose,
                    minMaxProperties, minMaxMethods);

}  // namespace zrw
