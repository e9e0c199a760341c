// Everything the plug-in registers, in the order programs see it.
#ifndef TVQ_FRAME_REGISTRATION_TABLES_H
#define TVQ_FRAME_REGISTRATION_TABLES_H

namespace tvq {

// Hands every table to the host: the error methods, the classes, the
// extension of picture, then the global methods that extend picture,
// TVQ_ClientPicture and screen.
void registerPluginInterface();

}  // namespace tvq

#endif
