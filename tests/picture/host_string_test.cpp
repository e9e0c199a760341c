#include "picture/frame/host_string.h"

#include <cstring>
#include <string>

#include "frame_fixture.h"

namespace zrwtest {
namespace {

class HostStringTest : public FrameTest {};

TEST_F(HostStringTest, CopiesTheBytesAsBinaryData) {
  const std::string bytes("PP\0IC\xFF", 6);
  const rbhost::Audit before = host.audit();
  RbString s = zrw::buildBinaryString(bytes.data(), int64_t(bytes.size()));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(host.stringBytes(s), bytes);
  EXPECT_EQ(host.stringEncoding(s), 0xFFFFu);
  EXPECT_EQ(host.referenceCount(toObject(s)), 1);
  host.release(s);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, before));
}

TEST_F(HostStringTest, NoBytesGiveNil) {
  const char buffer[] = "abc";
  struct Case {
    const char* bytes;
    int64_t length;
  };
  // The last length is beyond any host string; the buffer is never read.
  const Case cases[] = {
      {nullptr, 3}, {buffer, 0}, {buffer, -1}, {nullptr, 0}, {buffer, int64_t{INT32_MAX} + 1}};
  const rbhost::Audit before = host.audit();
  for (const Case& c : cases)
    EXPECT_EQ(zrw::buildBinaryString(c.bytes, c.length), nullptr) << c.length;
  EXPECT_TRUE(rbtest::AuditUnchanged(host, before));
}

}  // namespace
}  // namespace zrwtest
