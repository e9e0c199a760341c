// Test helpers: a simulated host with a plug-in loaded, and audit checks.
#ifndef TESTS_SUPPORT_TEST_HOST_H
#define TESTS_SUPPORT_TEST_HOST_H

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "rbhost/host.h"

namespace rbtest {

// Passes when nothing is locked, no misuse was seen, and objects and
// references are as they were in `before`.
inline ::testing::AssertionResult AuditUnchanged(const rbhost::Host& host,
                                                 const rbhost::Audit& before) {
  rbhost::Audit now = host.audit();
  ::testing::AssertionResult r = ::testing::AssertionSuccess();
  bool ok = now.descriptionLocks == 0 && now.globalMemoryLocks == 0 && now.violations.empty() &&
            now.liveObjects == before.liveObjects && now.references == before.references &&
            now.gdiObjects == before.gdiObjects && now.deviceContexts == before.deviceContexts;
  if (ok) return r;
  auto fail = ::testing::AssertionFailure();
  fail << "host audit: descriptionLocks=" << now.descriptionLocks
       << " globalMemoryLocks=" << now.globalMemoryLocks << " liveObjects=" << now.liveObjects
       << " (before " << before.liveObjects << ") references=" << now.references << " (before "
       << before.references << ") gdiObjects=" << now.gdiObjects << " (before " << before.gdiObjects
       << ") deviceContexts=" << now.deviceContexts << " (before " << before.deviceContexts << ")";
  for (const auto& v : now.violations) fail << "\n  violation: " << v;
  return fail;
}

// Every byte of every row of a picture, row padding included, in memory order.
inline std::vector<uint8_t> pictureBytes(rbhost::Host& host, RbPicture p) {
  std::vector<uint8_t> all;
  for (int32_t y = 0; y < host.height(p); ++y) {
    const uint8_t* row = host.row(p, y);
    all.insert(all.end(), row, row + host.rowBytes(p));
  }
  return all;
}

// A host with one plug-in loaded; `audit0` is the audit right after loading.
class PluginTest : public ::testing::Test {
 protected:
  explicit PluginTest(std::string path, rbhost::HostOptions options = {})
      : host(std::move(options)), plugin(host.load(path)), audit0(host.audit()) {}

  rbhost::Host host;
  rbhost::Plugin& plugin;
  rbhost::Audit audit0;
};

class GraphicsTest : public PluginTest {
 protected:
  GraphicsTest() : PluginTest(rbhost::graphicsPluginPath()) {}
};

class PictureTest : public PluginTest {
 protected:
  PictureTest() : PluginTest(rbhost::picturePluginPath()) {}
};

}  // namespace rbtest

#endif
