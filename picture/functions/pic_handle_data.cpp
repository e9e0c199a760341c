#include "picture/functions/pic_handle_data.h"

#include "host_binding/host_services.h"
#include "picture/frame/quicktime_binding.h"

namespace zrw {

RbPicture buildPictureWithPicHandleData(RbString data) {
  // Without the host's side the bitmap could be neither used nor freed.
  if (!host::realBuildPictureFromDIBAvailable()) return nullptr;
  int32_t length = 0;
  const char* bytes = host::stringGetBytes(data, &length);
  if (bytes == nullptr || length < 0) length = 0;

  void* picture = nullptr;
  if (quicktime::ptrToHand(bytes, &picture, length) != 0) return nullptr;

  void* port = nullptr;
  void* device = nullptr;
  quicktime::getGWorld(&port, &device);
  RbPicture result = nullptr;
  if (void* dib = quicktime::pictureToDib(picture))
    result = host::realBuildPictureFromDIB(dib, true);
  quicktime::killPicture(picture);
  quicktime::setGWorld(port, device);
  return result;
}

}  // namespace zrw
