#include "graphics/frame/processor_features.h"

namespace tvq {

bool hasAvx512BytePermutes() {
#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
  // GCC's and clang's checks include the operating system's support for the
  // AVX-512 register state.
  static const bool available = __builtin_cpu_supports("avx512f") &&
                                __builtin_cpu_supports("avx512bw") &&
                                __builtin_cpu_supports("avx512vbmi");
  return available;
#else
  return false;
#endif
}

bool hasAvx2() {
#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
  static const bool available = __builtin_cpu_supports("avx2");
  return available;
#else
  return false;
#endif
}

bool hasAvx512Words() {
#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
  static const bool available =
      __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
  return available;
#else
  return false;
#endif
}

bool hasSsse3() {
#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
  static const bool available = __builtin_cpu_supports("ssse3");
  return available;
#else
  return false;
#endif
}

}  // namespace tvq
