// The search for "QuickTime.qts" in the host program's own folder. This
// program is built into a folder of its own with the stand-in beside it, so
// no other test program finds the library there.
#include <gtest/gtest.h>

#include "quicktime_fixture.h"
#include "rbhost/host.h"
#include "test_host.h"

namespace qttest {
namespace {

TEST(QuickTimeBesideProgramTest, FindsTheLibraryInTheProgramsFolder) {
  const std::string path = programFolder() + "QuickTime.qts";
  rbhost::Host host;
  // The plug-in lies two folders up, with the other test programs.
  host.load(
      programFolder() + ".." + kSeparator + ".." + kSeparator +
      rbhost::picturePluginPath().substr(rbhost::picturePluginPath().find_last_of("/\\") + 1));
  const rbhost::Audit audit0 = host.audit();
  EXPECT_EQ(GetModuleHandleA(path.c_str()), nullptr);
  RbPicture p = buildPicture(host, sampleData());
  EXPECT_TRUE(IsSamplePicture(host, p));
  EXPECT_NE(GetModuleHandleA(path.c_str()), nullptr);
  host.release(p);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

}  // namespace
}  // namespace qttest
