// The graphics plug-in on a host without "lockPictureDescription": DIB
// sections still lock through "REALLockPictureDescription"; a packed
// picture fails with its lock code, and nothing that was never locked is
// unlocked.
#include <gtest/gtest.h>

#include "rbhost/host.h"
#include "test_host.h"

namespace tvqtest {
namespace {

constexpr const char* kAdd = "TVQ_Add(extends p as picture, addend as picture) as picture";
constexpr const char* kLastError = "TVQ_GetLastError() as integer";
constexpr int32_t kSourceLock = 3;

TEST(GraphicsWithoutService, LockDescriptionMissingLocksSectionsOnly) {
  rbhost::HostOptions options;
  options.missingServices.insert("lockPictureDescription");
  options.newPictureStorage = rbhost::PictureStorage::DibSection;
  rbhost::Host host(options);
  host.load(rbhost::graphicsPluginPath());
  for (auto storage : {rbhost::PictureStorage::DibSection, rbhost::PictureStorage::GlobalDib}) {
    const bool section = storage == rbhost::PictureStorage::DibSection;
    SCOPED_TRACE(section ? "section" : "packed");
    RbPicture a = host.newPicture(3, 2, 24, storage);
    RbPicture b = host.newPicture(3, 2, 24, storage);
    host.setPixel(a, 1, 1, {10, 20, 30});
    host.setPixel(b, 1, 1, {1, 2, 3});
    const rbhost::Audit before = host.audit();
    RbPicture sum = host.call<RbPicture>(kAdd, a, b);
    EXPECT_EQ(sum != nullptr, section);
    if (sum != nullptr) {
      EXPECT_EQ(host.pixel(sum, 1, 1), (rbhost::Rgb{11, 22, 33}));
      host.release(sum);
    } else {
      EXPECT_EQ(host.call<int32_t>(kLastError), kSourceLock);
    }
    EXPECT_TRUE(rbtest::AuditUnchanged(host, before));
    host.release(a);
    host.release(b);
  }
}

}  // namespace
}  // namespace tvqtest
