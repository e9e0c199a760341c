// Whether this build may use SSE2 without a run-time check: always on
// x86-64, and on 32-bit x86 when the compiler targets it (the Windows DLL's
// baseline). Kernels list their SSE2 loops only then.
#ifndef TVQ_FRAME_SSE2_AVAILABLE_H
#define TVQ_FRAME_SSE2_AVAILABLE_H

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define TVQ_SSE2_AVAILABLE 1
#else
#define TVQ_SSE2_AVAILABLE 0
#endif

#endif
