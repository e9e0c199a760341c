// TVQ_Convolution: a one-dimensional integer kernel of odd length up to 21,
// as a host class.
#ifndef TVQ_CLASSES_CONVOLUTION_CLASS_H
#define TVQ_CLASSES_CONVOLUTION_CLASS_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "host_binding/rb_abi.h"

namespace tvq {

// The instance data, 92 bytes.
struct ConvolutionData {
  std::array<int32_t, 21> coefficients;  // beyond width: 0
  int32_t sum;                           // always 0: nothing sets it
  int32_t width;                         // 0 (no kernel) or odd, 1..21
};
static_assert(sizeof(ConvolutionData) == 92);
static_assert(offsetof(ConvolutionData, width) == 88);

RbClassRecord& convolutionClass();

// The kernel of a TVQ_Convolution instance; null for a nil instance.
const ConvolutionData* convolutionData(RbObject instance);

}  // namespace tvq

#endif
