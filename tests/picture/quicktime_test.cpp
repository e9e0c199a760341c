// Pictures from QuickTime picture data, through the host on the built
// plug-in, with the stand-in library put where each step of the search for
// "QuickTime.qts" looks, and nowhere.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/win32.h"
#include "quicktime_fixture.h"
#include "rbhost/host.h"
#include "test_host.h"

namespace qttest {
namespace {

constexpr char kKey[] = "Software\\Apple Computer, Inc.\\QuickTime";
constexpr char kValue[] = "QuickTime.qts folder";

// A host with a fresh copy of the plug-in, so its QuickTime binding starts
// unbound.
struct Session {
  explicit Session(rbhost::HostOptions options = {})
      : host(std::move(options)),
        plugin(host.load(rbhost::picturePluginPath())),
        audit0(host.audit()) {}
  rbhost::Host host;
  rbhost::Plugin& plugin;
  rbhost::Audit audit0;
};

// The registry value naming QuickTime's folder under `root`, removed again
// with the keys made for it.
class FolderInRegistry {
 public:
  FolderInRegistry(HKEY root, const std::string& folder) : root_(root) {
    HKEY key = nullptr;
    status_ = RegCreateKeyExA(root, kKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                              &key, nullptr);
    if (status_ != ERROR_SUCCESS) return;
    status_ = RegSetValueExA(key, kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                             DWORD(folder.size() + 1));
    RegCloseKey(key);
  }
  ~FolderInRegistry() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root_, kKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
      RegDeleteValueA(key, kValue);
      RegCloseKey(key);
    }
    RegDeleteKeyA(root_, kKey);
    RegDeleteKeyA(root_, "Software\\Apple Computer, Inc.");
  }
  FolderInRegistry(const FolderInRegistry&) = delete;
  FolderInRegistry& operator=(const FolderInRegistry&) = delete;
  bool written() const { return status_ == ERROR_SUCCESS; }

 private:
  HKEY root_;
  LSTATUS status_;
};

// A plug-in that bound a library it loaded itself holds it for as long as it
// stays loaded, which in this host is the life of the process, so that
// library would be found as loaded by every later case. Such cases run in a
// process of their own (a child that gtest starts) and report through its
// exit status; the child's failures are printed as usual.
template <typename Body>
void inOwnProcess(Body body) {
  EXPECT_EXIT(
      {
        body();
        std::exit(::testing::Test::HasFailure() ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "");
}

bool loadedAt(const std::string& path) { return GetModuleHandleA(path.c_str()) != nullptr; }

// Without QuickTime anywhere the search looks, every call answers nil, and
// keeps looking.
TEST(QuickTimeAbsentTest, GivesNilAndLeavesNothingBehind) {
  Session s;
  for (int call = 0; call < 2; ++call) {
    EXPECT_EQ(buildPicture(s.host, sampleData()), nullptr) << call;
    EXPECT_EQ(s.host.call<RbPicture>(kDeclaration, static_cast<RbString>(nullptr)), nullptr);
  }
  EXPECT_FALSE(loadedAt("QuickTime.qts"));
  EXPECT_TRUE(rbtest::AuditUnchanged(s.host, s.audit0));
}

// A library someone else loaded is used where it is and not held: once its
// owner lets it go it is gone.
TEST(QuickTimeLocatorTest, UsesTheLoadedModuleWithoutKeepingIt) {
  const std::string path = standInPath("standin");
  auto standIn = std::make_unique<StandIn>(path);
  ASSERT_TRUE(standIn->loaded()) << path;
  standIn->reset();
  {
    Session s;
    RbPicture p = buildPicture(s.host, sampleData());
    EXPECT_TRUE(IsSamplePicture(s.host, p));
    EXPECT_EQ(standIn->calls(), kConversionCalls);
    EXPECT_EQ(standIn->world(), kInitialWorld);  // restored after the conversion drew
    // The handle made is the one disposed of; the host freed the bitmap. (A
    // block nobody freed shows as a leak in the sanitizer build.)
    EXPECT_NE(standIn->handle(0), nullptr);
    EXPECT_EQ(standIn->handle(2), standIn->handle(0));
    EXPECT_NE(standIn->handle(1), nullptr);
    s.host.release(p);
    EXPECT_TRUE(rbtest::AuditUnchanged(s.host, s.audit0));
    standIn.reset();
    EXPECT_FALSE(loadedAt(path));
  }
}

// The registry names the folder, with or without a separator at its end;
// the machine's entry is read before the user's.
struct RegistryCase {
  const char* name;
  bool machine;
  const char* ending;  // appended to the folder
};

class QuickTimeRegistryTest : public ::testing::TestWithParam<RegistryCase> {};

TEST_P(QuickTimeRegistryTest, FindsTheFolderTheValueNames) {
  const RegistryCase c = GetParam();
  const HKEY root = c.machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  if (!FolderInRegistry(root, "probe").written())
    GTEST_SKIP() << "this user cannot write that registry key";
  inOwnProcess([&] {
    FolderInRegistry entry(root, standInFolder("standin") + c.ending);
    ASSERT_TRUE(entry.written());
    const std::string path = standInPath("standin");
    ASSERT_FALSE(loadedAt(path));
    Session s;
    RbPicture p = buildPicture(s.host, sampleData());
    EXPECT_TRUE(IsSamplePicture(s.host, p));
    // Bound from a library the plug-in loaded: held, so its entry points
    // stay good.
    EXPECT_TRUE(loadedAt(path));
    s.host.release(p);
    EXPECT_TRUE(rbtest::AuditUnchanged(s.host, s.audit0));
  });
}

INSTANTIATE_TEST_SUITE_P(Values, QuickTimeRegistryTest,
                         ::testing::Values(RegistryCase{"Machine", true, ""},
                                           RegistryCase{"MachineBackslash", true, "\\"},
                                           RegistryCase{"MachineSlash", true, "/"},
                                           RegistryCase{"User", false, ""},
                                           RegistryCase{"UserBackslash", false, "\\"},
                                           RegistryCase{"UserSlash", false, "/"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(QuickTimeLocatorTest, MachineEntryComesFirstAndAnEmptyFolderFallsThrough) {
  if (!FolderInRegistry(HKEY_LOCAL_MACHINE, "probe").written())
    GTEST_SKIP() << "this user cannot write the machine's registry";
  for (bool machineHasIt : {true, false}) {
    // The user's entry names a folder with the damaged library (first case),
    // the machine's one without any library (second case): a picture shows
    // that the other entry was used.
    inOwnProcess([&] {
      FolderInRegistry machine(HKEY_LOCAL_MACHINE, machineHasIt ? standInFolder("standin")
                                                                : programFolder() + "quicktime");
      FolderInRegistry user(HKEY_CURRENT_USER, standInFolder(machineHasIt ? "partial" : "standin"));
      ASSERT_TRUE(machine.written() && user.written());
      Session s;
      RbPicture p = buildPicture(s.host, sampleData());
      EXPECT_TRUE(IsSamplePicture(s.host, p)) << machineHasIt;
      s.host.release(p);
    });
  }
}

#ifndef _WIN32
// The emulation's system folder can be moved for a test; Windows' cannot.
TEST(QuickTimeLocatorTest, LooksInTheSystemFolderLast) {
  inOwnProcess([] {
    ASSERT_EQ(setenv("RB_EMULATED_SYSTEM_DIRECTORY", standInFolder("standin").c_str(), 1), 0);
    Session s;
    RbPicture p = buildPicture(s.host, sampleData());
    EXPECT_TRUE(IsSamplePicture(s.host, p));
    s.host.release(p);
    EXPECT_TRUE(rbtest::AuditUnchanged(s.host, s.audit0));
  });
}
#endif

// A library without the dispatcher binds nothing that could be called: the
// call fails, the library is let go, and the next call searches again.
TEST(QuickTimeBindingTest, IncompleteLibraryIsLetGoAndTheSearchGoesOn) {
  inOwnProcess([] {
    Session s;
    {
      FolderInRegistry entry(HKEY_CURRENT_USER, standInFolder("partial"));
      ASSERT_TRUE(entry.written());
      EXPECT_EQ(buildPicture(s.host, sampleData()), nullptr);
      EXPECT_FALSE(loadedAt(standInPath("partial")));
    }
    FolderInRegistry entry(HKEY_CURRENT_USER, standInFolder("standin"));
    RbPicture p = buildPicture(s.host, sampleData());
    EXPECT_TRUE(IsSamplePicture(s.host, p));
    s.host.release(p);
    EXPECT_TRUE(rbtest::AuditUnchanged(s.host, s.audit0));
  });
}

// Once bound, calls go straight to the library: nothing is searched again.
TEST(QuickTimeBindingTest, StaysBoundWhenTheEntryThatFoundItIsGone) {
  inOwnProcess([] {
    Session s;
    auto entry = std::make_unique<FolderInRegistry>(HKEY_CURRENT_USER, standInFolder("standin"));
    ASSERT_TRUE(entry->written());
    RbPicture first = buildPicture(s.host, sampleData());
    EXPECT_TRUE(IsSamplePicture(s.host, first));
    entry.reset();
    RbPicture second = buildPicture(s.host, sampleData());
    EXPECT_TRUE(IsSamplePicture(s.host, second));
    StandIn standIn(standInPath("standin"));
    std::vector<uint32_t> twice = kConversionCalls;
    twice.insert(twice.end(), kConversionCalls.begin(), kConversionCalls.end());
    EXPECT_EQ(standIn.calls(), twice);
    s.host.release(first);
    s.host.release(second);
    EXPECT_TRUE(rbtest::AuditUnchanged(s.host, s.audit0));
  });
}

// Data the library cannot convert: nil, and still the handle is disposed of
// and the graphics world restored.
TEST(QuickTimeDataTest, UnconvertibleDataGivesNilAndCleansUp) {
  StandIn standIn(standInPath("standin"));
  ASSERT_TRUE(standIn.loaded());
  Session s;
  std::string truncated = sampleData();
  truncated.pop_back();
  for (const std::string& data : {std::string(), std::string("SPIC"), truncated,
                                  std::string("XPIC") + sampleData().substr(4)}) {
    standIn.reset();
    EXPECT_EQ(buildPicture(s.host, data), nullptr) << data.size();
    EXPECT_EQ(standIn.calls(), kConversionCalls);
    EXPECT_EQ(standIn.handle(1), nullptr);
    EXPECT_NE(standIn.handle(0), nullptr);
    EXPECT_EQ(standIn.handle(2), standIn.handle(0));
    EXPECT_EQ(standIn.world(), kInitialWorld);
  }
  // A nil string is empty data.
  standIn.reset();
  EXPECT_EQ(s.host.call<RbPicture>(kDeclaration, static_cast<RbString>(nullptr)), nullptr);
  EXPECT_EQ(standIn.calls(), kConversionCalls);
  EXPECT_TRUE(rbtest::AuditUnchanged(s.host, s.audit0));
}

// Grey 8-bit data comes back through a top-down bitmap with a colour table.
TEST(QuickTimeDataTest, GreyDataArrivesTopRowFirst) {
  StandIn standIn(standInPath("standin"));
  ASSERT_TRUE(standIn.loaded());
  Session s;
  std::string data = std::string("SPIC") + '\x02' + '\0' + '\x02' + '\0' + '\x08';
  data += {'\x00', '\x40', '\x80', '\xFF'};
  RbPicture p = buildPicture(s.host, data);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(s.host.pixel(p, 0, 1), (rbhost::Rgb{0, 0, 0}));
  EXPECT_EQ(s.host.pixel(p, 1, 1), (rbhost::Rgb{0x40, 0x40, 0x40}));
  EXPECT_EQ(s.host.pixel(p, 0, 0), (rbhost::Rgb{0x80, 0x80, 0x80}));
  EXPECT_EQ(s.host.pixel(p, 1, 0), (rbhost::Rgb{0xFF, 0xFF, 0xFF}));
  s.host.release(p);
  EXPECT_TRUE(rbtest::AuditUnchanged(s.host, s.audit0));
}

// A host that cannot take a bitmap: nil before QuickTime is asked anything,
// so no block is made that nobody could free.
TEST(QuickTimeDataTest, WithoutTheHostsBitmapServiceNothingIsCalled) {
  StandIn standIn(standInPath("standin"));
  ASSERT_TRUE(standIn.loaded());
  rbhost::HostOptions options;
  options.missingServices = {"REALBuildPictureFromDIB"};
  Session s(options);
  standIn.reset();
  EXPECT_EQ(buildPicture(s.host, sampleData()), nullptr);
  EXPECT_TRUE(standIn.calls().empty());
  EXPECT_TRUE(rbtest::AuditUnchanged(s.host, s.audit0));
}

}  // namespace
}  // namespace qttest
