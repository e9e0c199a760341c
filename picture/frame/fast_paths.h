// The switch between a kernel's fast loops and its general loop.
//
// A kernel may take a loop written for a common case (integer sums that
// cannot overflow, say) where it is known to give exactly the bytes the
// general loop gives. Turning the fast paths off sends every pixel through
// the general loop, so the same tests check both ways, and a suspected
// fast-path fault can be confirmed in a running program: setting the
// environment variable TVQ_FAST_PATHS to 0 before the plug-in loads turns
// them off for its whole life.
#ifndef PICTURE_FRAME_FAST_PATHS_H
#define PICTURE_FRAME_FAST_PATHS_H

namespace zrw {

enum class KernelPath { Fast, General };

// KernelPath::Fast unless TVQ_FAST_PATHS is 0.
KernelPath kernelPath();

}  // namespace zrw

#endif
