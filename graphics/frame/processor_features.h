// What the processor offers beyond the build's baseline, asked once. Loops
// that use more than the baseline (SSE2 on the 32-bit Windows DLL) are chosen
// only where this says they can run, and their portable loop stays beside
// them.
#ifndef TVQ_FRAME_PROCESSOR_FEATURES_H
#define TVQ_FRAME_PROCESSOR_FEATURES_H

namespace tvq {

// AVX-512 with byte and word permutes (AVX512BW and AVX512VBMI), with the
// operating system saving the registers.
bool hasAvx512BytePermutes();

}  // namespace tvq

#endif
