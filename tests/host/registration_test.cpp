// The host records registrations as the plug-in hands them over, in arrival
// order, reads method tables with the stride the record version implies, and
// writes the instance-data offset into each class record.
#include <filesystem>

#include "test_host.h"

namespace {

using rbhost::Host;

std::string fixturePath(int version) {
  return (std::filesystem::path(rbhost::graphicsPluginPath()).parent_path() /
          ("host-fixture-v" + std::to_string(version) +
           std::filesystem::path(rbhost::graphicsPluginPath()).extension().string()))
      .string();
}

class FixtureRegistration : public ::testing::TestWithParam<int> {};

TEST_P(FixtureRegistration, RecordsEverythingInArrivalOrder) {
  const int version = GetParam();
  Host host;
  rbhost::Plugin& plugin = host.load(fixturePath(version));
  EXPECT_EQ(plugin.interfaceVersion, version);
  std::vector<std::string> expected = {
      "FixtureDestructorCount() as integer",
      "class FixtureCounter (24 bytes of data)",
      "  property value as integer",
      "  property step as integer",
      "  Advance()",
      "  Scaled(times as integer) as double (assignable)",
      "extension picture",
      "  property FixtureDepth as integer (read-only)",
      "  FixtureWidthPlus(n as integer) as integer",
  };
  EXPECT_EQ(plugin.listing(), expected);
  const rbhost::ClassRegistration* counter = plugin.findClass("FixtureCounter");
  ASSERT_NE(counter, nullptr);
  EXPECT_EQ(counter->methodRecordSize,
            version == 8 ? sizeof(RbMethodRecord) : sizeof(RbShortMethodRecord));
  EXPECT_EQ(counter->recordVersion, version);
  // The offset the host chose is in the plug-in's own record.
  EXPECT_EQ(static_cast<const RbClassRecord*>(counter->record)->dataOffset, counter->dataOffset);
  EXPECT_GT(counter->dataOffset, 0);
  EXPECT_EQ(plugin.enteredMoviesAfter, version == 6 ? std::optional<size_t>(0) : std::nullopt);
  EXPECT_TRUE(host.audit().violations.empty());
}

INSTANTIATE_TEST_SUITE_P(RecordVersions, FixtureRegistration, ::testing::Values(8, 6));

TEST(Registration, EachHostLoadsAFreshCopy) {
  for (int round = 0; round < 2; ++round) {
    Host host;
    host.load(fixturePath(8));
    RbObject counter = host.newInstance("FixtureCounter");
    host.release(counter);
    // The destructor count restarts: the plug-in's globals are its own.
    EXPECT_EQ(host.call<int32_t>("FixtureDestructorCount() as integer"), 1);
  }
}

TEST(Registration, MissingFileIsAnError) {
  Host host;
  EXPECT_THROW(host.load("/nonexistent/plugin.so"), rbhost::HostError);
}

TEST(Registration, TypedCallsMustMatchTheDeclaration) {
  Host host;
  host.load(fixturePath(8));
  RbPicture p = host.newPicture(5, 2, 24);
  EXPECT_EQ(host.call<int32_t>("FixtureWidthPlus(n as integer) as integer", p, int32_t{3}), 8);
  EXPECT_THROW(host.call<int32_t>("FixtureWidthPlus(n as integer) as integer", p, 3.0),
               rbhost::HostError);
  EXPECT_THROW(host.call<double>("FixtureWidthPlus(n as integer) as integer", p, int32_t{3}),
               rbhost::HostError);
  EXPECT_THROW(host.call<int32_t>("FixtureWidthPlus(n as integer) as integer", int32_t{3}),
               rbhost::HostError);
  EXPECT_THROW(host.call<int32_t>("NoSuchMethod() as integer"), rbhost::HostError);
  host.release(p);
}

TEST(Registration, PropertiesThroughAccessorsAndDirectFields) {
  Host host;
  host.load(fixturePath(6));
  RbObject counter = host.newInstance("FixtureCounter");
  EXPECT_EQ(host.getProperty<int32_t>(counter, "step"), 1);  // set by the constructor
  host.setProperty<int32_t>(counter, "VALUE", 40);
  host.setProperty<int32_t>(counter, "step", 2);
  host.callClassMethod<void>("FixtureCounter", "Advance()", counter);
  EXPECT_EQ(host.getProperty<int32_t>(counter, "value"), 42);
  host.callSetter("FixtureCounter", "Scaled(times as integer) as double", counter, int32_t{4},
                  10.0);
  EXPECT_DOUBLE_EQ(host.callClassMethod<double>(
                       "FixtureCounter", "Scaled(times as integer) as double", counter, int32_t{2}),
                   5.0);
  EXPECT_THROW(host.getProperty<double>(counter, "value"), rbhost::HostError);
  EXPECT_THROW(host.getProperty<int32_t>(counter, "missing"), rbhost::HostError);

  RbPicture p = host.newPicture(2, 2, 16);
  EXPECT_EQ(host.getProperty<int32_t>(toObject(p), "FixtureDepth"), 16);
  EXPECT_THROW(host.setProperty<int32_t>(toObject(p), "FixtureDepth", 1), rbhost::HostError);
  host.release(p);
  host.release(counter);
  EXPECT_TRUE(host.audit().violations.empty());
}

}  // namespace
