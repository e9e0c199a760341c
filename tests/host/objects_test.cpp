// Reference counting, destruction and misuse detection.
#include <filesystem>

#include "test_host.h"

namespace {

using rbhost::Host;

std::string fixturePath() {
  auto g = std::filesystem::path(rbhost::graphicsPluginPath());
  return (g.parent_path() / ("host-fixture-v8" + g.extension().string())).string();
}

TEST(Objects, LastReleaseRunsTheDestructorOnce) {
  Host host;
  host.load(fixturePath());
  const rbhost::Audit before = host.audit();
  RbObject counter = host.newInstance("FixtureCounter");
  EXPECT_EQ(host.referenceCount(counter), 1);
  host.retain(counter);
  host.release(counter);
  EXPECT_TRUE(host.isAlive(counter));
  EXPECT_EQ(host.call<int32_t>("FixtureDestructorCount() as integer"), 0);
  host.release(counter);
  EXPECT_FALSE(host.isAlive(counter));
  EXPECT_EQ(host.call<int32_t>("FixtureDestructorCount() as integer"), 1);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, before));
}

TEST(Objects, NewInstanceDataStartsZeroed) {
  Host host;
  host.load(fixturePath());
  RbObject counter = host.newInstance("fixturecounter");  // class names ignore case
  ASSERT_NE(counter, nullptr);
  EXPECT_EQ(host.getProperty<int32_t>(counter, "value"), 0);
  EXPECT_EQ(host.newInstance("NoSuchClass"), nullptr);
  host.release(counter);
}

TEST(Objects, ReleasingAnUnknownOrDeadHandleIsRecordedNotFatal) {
  Host host;
  RbString s = host.newString("x");
  host.release(s);
  host.release(s);  // already destroyed
  int local = 0;
  host.release(reinterpret_cast<RbObject>(&local));
  EXPECT_EQ(host.audit().violations.size(), 2u);
}

TEST(Objects, AuditCountsLiveObjectsAndReferences) {
  Host host;
  RbPicture p = host.newPicture(3, 3, 32);
  RbMemoryBlock b = host.newMemoryBlock(8);
  host.retain(toObject(b));
  rbhost::Audit a = host.audit();
  EXPECT_EQ(a.liveObjects, 2);
  EXPECT_EQ(a.references, 3);
  EXPECT_EQ(host.memoryBlockSize(b), 8);
  host.release(b);
  host.release(b);
  host.release(p);
  EXPECT_EQ(host.audit(), rbhost::Audit{});
}

TEST(Objects, APictureKeepsItsMaskAlive) {
  Host host;
  RbPicture p = host.newPicture(4, 2, 24);
  EXPECT_EQ(host.mask(p, false), nullptr);
  RbPicture m = host.mask(p, true);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(host.referenceCount(toObject(m)), 2);  // the picture's and ours
  EXPECT_EQ(host.width(m), 4);
  EXPECT_EQ(host.depth(m), 8);
  EXPECT_EQ(host.pixel(m, 3, 1), (rbhost::Rgb{0, 0, 0}));  // a new mask is black
  host.release(m);
  host.release(p);  // takes the mask with it
  EXPECT_EQ(host.audit().liveObjects, 0);
}

}  // namespace
