// What the geometry operations' tests share: client pictures made and
// released through the host, and the audit checked after a call.
#ifndef TESTS_GRAPHICS_GEOMETRY_FIXTURE_H
#define TESTS_GRAPHICS_GEOMETRY_FIXTURE_H

#include <gtest/gtest.h>

#include <vector>

#include "operation_fixture.h"

namespace tvqtest {

class GeometryTest : public OperationTest {
 protected:
  void TearDown() override {
    for (RbObject c : clients_) host.release(c);
    clients_.clear();
    OperationTest::TearDown();
  }

  // A client picture standing for `p` (picture form), or an empty one.
  RbObject clientOf(RbPicture p) {
    RbObject c = adoptClient(host.newInstance("TVQ_ClientPicture"));
    if (p != nullptr) {
      host.callClassMethod<void>("TVQ_ClientPicture", "operator_convert(p as picture)", c, p);
    }
    return c;
  }
  // Takes over a client picture the plug-in handed out (nil is ignored).
  RbObject adoptClient(RbObject c) {
    if (c != nullptr) clients_.push_back(c);
    return c;
  }
  // A client picture's pixels as a host picture of its own.
  RbPicture pictureOf(RbObject c) {
    return adopt(
        host.callClassMethod<RbPicture>("TVQ_ClientPicture", "operator_convert() as picture", c));
  }
  RbPicture picOf(RbObject c) { return adopt(host.getProperty<RbPicture>(c, "pic")); }

  // No lock is left and the host saw no misuse.
  void expectNothingHeld() {
    const rbhost::Audit now = host.audit();
    EXPECT_EQ(now.descriptionLocks, 0);
    EXPECT_EQ(now.globalMemoryLocks, 0);
    EXPECT_TRUE(now.violations.empty());
  }

 private:
  std::vector<RbObject> clients_;
};

}  // namespace tvqtest

#endif
