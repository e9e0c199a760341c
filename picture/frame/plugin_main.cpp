// The library's one export.
#include "picture/frame/registration.h"

#if defined(_WIN32)
#define ZRW_PLUGIN_EXPORT extern "C" __declspec(dllexport)
#else
#define ZRW_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

ZRW_PLUGIN_EXPORT void REALPluginMain(RbResolver resolver) { zrw::startPlugin(resolver); }
