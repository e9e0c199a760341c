// The host versions this plug-in is qualified for.
#ifndef TVQ_FRAME_VERSION_GATE_H
#define TVQ_FRAME_VERSION_GATE_H

namespace tvq {

// True for hosts 2005.x and 2006.x, and for exactly 5.5. A missing version
// service reads as 0.0 and is refused.
bool hostVersionAccepted(double version);

// Tells the user which host version was found and that the plug-in is not
// qualified for it: two message boxes.
void explainRejectedVersion(double version);

}  // namespace tvq

#endif
