// What the processor offers beyond the build's baseline, asked once. Loops
// that use more than the baseline (SSE2 on the 32-bit Windows DLL) are chosen
// only where this says they can run, and their portable loop stays beside
// them.
#ifndef TVQ_FRAME_PROCESSOR_FEATURES_H
#define TVQ_FRAME_PROCESSOR_FEATURES_H

// Where the compiler can build AVX-512 loops beside the baseline ones:
// functions marked TVQ_AVX512_TARGET may use its intrinsics, and run only
// where hasAvx512BytePermutes() answers true.
#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define TVQ_HAVE_AVX512_ROWS 1
#define TVQ_AVX512_TARGET __attribute__((target("avx512f,avx512bw,avx512vbmi")))
// The same for AVX2 loops, which run only where hasAvx2() answers true.
#define TVQ_HAVE_AVX2_ROWS 1
#define TVQ_AVX2_TARGET __attribute__((target("avx2")))
// And for AVX-512 loops of bytes and words, where hasAvx512Words() answers
// true.
#define TVQ_AVX512_WORDS_TARGET __attribute__((target("avx512f,avx512bw")))
// Likewise SSSE3 (byte shuffles), where hasSsse3() answers true.
#define TVQ_HAVE_SSSE3_ROWS 1
#define TVQ_SSSE3_TARGET __attribute__((target("ssse3")))
#endif

namespace tvq {

// AVX-512 with byte and word permutes (AVX512BW and AVX512VBMI), with the
// operating system saving the registers.
bool hasAvx512BytePermutes();

// AVX2, with the operating system saving the registers.
bool hasAvx2();

// AVX-512 with byte and word instructions (AVX512BW), the same.
bool hasAvx512Words();
// SSSE3.
bool hasSsse3();

}  // namespace tvq

#endif
