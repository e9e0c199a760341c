#include "graphics/classes/color_matrix_class.h"

#include <array>
#include <optional>

#include "graphics/frame/host_message.h"
#include "host_binding/host_services.h"
#include "host_binding/instance_data.h"

namespace tvq {
namespace {

constexpr const char* kClassName = "TVQ_ColorMatrix";

void construct(RbObject self) {
  if (ColorMatrixData* m = colorMatrixData(self)) *m = identityMatrix();
}

void destruct(RbObject) {}

double valueMethod(RbObject self, int32_t i, int32_t j) {
  const ColorMatrixData* m = colorMatrixData(self);
  if (m == nullptr || !isElementIndex(i, j)) return 0.0;
  return m->element[elementIndex(i, j)];
}

void setValueMethod(RbObject self, int32_t i, int32_t j, double value) {
  ColorMatrixData* m = colorMatrixData(self);
  if (m != nullptr && isElementIndex(i, j)) m->element[elementIndex(i, j)] = value;
}

void copyFromMethod(RbObject self, RbObject source) {
  ColorMatrixData* m = colorMatrixData(self);
  const ColorMatrixData* from = colorMatrixData(source);
  if (m != nullptr && from != nullptr) *m = *from;
}

// A new matrix from the host holding `elements`. The host's new instance
// starts as the identity; one without data is handed back as it came.
RbObject newMatrix(const ColorMatrixData& elements) {
  RbObject created = host::pluginNewInstance(kClassName);
  if (ColorMatrixData* m = colorMatrixData(created)) *m = elements;
  return created;
}

RbObject multiplyByFactorMethod(RbObject self, double factor) {
  const ColorMatrixData* m = colorMatrixData(self);
  return m != nullptr ? newMatrix(scaled(*m, factor)) : nullptr;
}

RbObject multiplyByMatrixMethod(RbObject self, RbObject source) {
  const ColorMatrixData* m = colorMatrixData(self);
  const ColorMatrixData* other = colorMatrixData(source);
  if (m == nullptr || other == nullptr) return nullptr;
  return newMatrix(transposedProduct(*m, *other));
}

RbObject invertMethod(RbObject self) {
  const ColorMatrixData* m = colorMatrixData(self);
  if (m == nullptr) return nullptr;
  const std::optional<ColorMatrixData> inverted = inverse(*m);
  return inverted ? newMatrix(*inverted) : nullptr;
}

void messageBoxMethod(RbObject self) {
  if (const ColorMatrixData* m = colorMatrixData(self)) showMessage(describe(*m));
}

constexpr RbMethodRecord method(RbFunction function, const char* declaration) {
  return {function, nullptr, declaration, 0};
}

std::array methods = {
    RbMethodRecord{rbFunction(valueMethod), rbFunction(setValueMethod),
                   "Value(i as integer, j as integer) as double", 0},
    method(rbFunction(copyFromMethod), "CopyFrom(source as TVQ_ColorMatrix)"),
    method(rbFunction(multiplyByFactorMethod), "Multiply(factor as double) as TVQ_ColorMatrix"),
    method(rbFunction(multiplyByMatrixMethod),
           "Multiply(source as TVQ_ColorMatrix) as TVQ_ColorMatrix"),
    method(rbFunction(invertMethod), "Invert() as TVQ_ColorMatrix"),
    method(rbFunction(messageBoxMethod), "MessageBox()"),
};

RbClassRecord record = {
    kRbClassRecordVersion,
    kClassName,
    nullptr,
    sizeof(ColorMatrixData),
    0,
    rbFunction(construct),
    rbFunction(destruct),
    nullptr,
    0,
    methods.data(),
    static_cast<RbWord>(methods.size()),
    {},
};

}  // namespace

RbClassRecord& colorMatrixClass() { return record; }

ColorMatrixData* colorMatrixData(RbObject instance) {
  return host::instanceData<ColorMatrixData>(instance, record);
}

}  // namespace tvq
