// Signed 32-bit arithmetic that wraps on overflow, as the host's own integer
// type does. Computed in unsigned arithmetic, where wrapping is defined.
#ifndef TVQ_CLASSES_WRAPPING_INT32_H
#define TVQ_CLASSES_WRAPPING_INT32_H

#include <cstdint>

namespace tvq {

constexpr int32_t wrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

constexpr int32_t wrapSub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

constexpr int32_t wrapMul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

}  // namespace tvq

#endif
