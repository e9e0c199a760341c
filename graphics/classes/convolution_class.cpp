#include "graphics/classes/convolution_class.h"

#include <string>

#include "graphics/frame/host_message.h"
#include "host_binding/host_services.h"
#include "host_binding/instance_data.h"

namespace tvq {
namespace {

enum ConvolutionProperty : RbWord { kSum = 2, kWidth = 3 };

ConvolutionData* data(RbObject instance);

void construct(RbObject self) {
  if (ConvolutionData* k = data(self)) *k = {};
}

void destruct(RbObject self) {
  if (ConvolutionData* k = data(self)) *k = {};
}

int32_t getProperty(RbObject self, RbWord selector) {
  const ConvolutionData* k = data(self);
  if (k == nullptr) return 0;
  switch (selector) {
    case kSum:
      return k->sum;
    case kWidth:
      return k->width;
    default:
      return 0;
  }
}

// An element count of 1, 3, ..., 21; any other array leaves the kernel as
// it was.
void setCoefficientsMethod(RbObject self, RbArray coeffs) {
  ConvolutionData* k = data(self);
  if (k == nullptr || coeffs == nullptr || !host::integerArraysAvailable()) return;
  const int32_t upperBound = host::runtimeUBound(coeffs);
  if (upperBound < 0 || upperBound > 20 || upperBound % 2 != 0) return;
  *k = {};
  k->width = upperBound + 1;
  for (int32_t i = 0; i <= upperBound; ++i) {
    k->coefficients[static_cast<size_t>(i)] = host::runtimeDirectReadIntArray(coeffs, i);
  }
}

void messageBoxMethod(RbObject self) {
  const ConvolutionData* k = data(self);
  if (k == nullptr) return;
  std::string text =
      "width: " + std::to_string(k->width) + "; sum: " + std::to_string(k->sum) + "\n";
  for (int32_t i = 0; i < k->width; ++i) {
    if (i > 0) text += ",";
    text += std::to_string(k->coefficients[static_cast<size_t>(i)]);
  }
  showMessage(text);
}

RbPropertyRecord property(const char* name, RbWord selector) {
  return {"Convolution", name, "integer", 0, rbFunction(getProperty), nullptr, selector, {}};
}

std::array properties = {property("sum", kSum), property("width", kWidth)};

std::array methods = {
    RbMethodRecord{rbFunction(setCoefficientsMethod), nullptr,
                   "SetCoefficients(coeffs() as integer)", 0},
    RbMethodRecord{rbFunction(messageBoxMethod), nullptr, "MessageBox()", 0},
};

RbClassRecord record = {
    kRbClassRecordVersion,
    "TVQ_Convolution",
    nullptr,
    sizeof(ConvolutionData),
    0,
    rbFunction(construct),
    rbFunction(destruct),
    properties.data(),
    static_cast<RbWord>(properties.size()),
    methods.data(),
    static_cast<RbWord>(methods.size()),
    {},
};

ConvolutionData* data(RbObject instance) {
  return host::instanceData<ConvolutionData>(instance, record);
}

}  // namespace

RbClassRecord& convolutionClass() { return record; }

const ConvolutionData* convolutionData(RbObject instance) { return data(instance); }

}  // namespace tvq
