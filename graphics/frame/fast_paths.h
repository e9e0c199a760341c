// The switch between an operation's per-format loops and the general
// reader/writer walk.
//
// A kernel may take a loop written for one storage format (24-bit rows copied
// and changed bytewise, say) where it is known to give exactly the bytes the
// general walk gives. Turning the fast paths off sends every pixel through
// the general walk, so the same tests can check both ways, and a suspected
// fast-path fault can be confirmed in a running program: setting the
// environment variable TVQ_FAST_PATHS to 0 before the plug-in loads turns
// them off for its whole life.
#ifndef TVQ_FRAME_FAST_PATHS_H
#define TVQ_FRAME_FAST_PATHS_H

namespace tvq {

bool fastPathsEnabled();
void setFastPathsEnabled(bool enabled);

}  // namespace tvq

#endif
