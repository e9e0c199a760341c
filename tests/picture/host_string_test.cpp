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

// A string to fill: zero bytes of the length asked, written through the
// storage handed out; nil for a length no string can have, or from a host
// that makes no string without bytes, with nothing left behind.
TEST_F(HostStringTest, NewStringToFillIsBuiltInPlace) {
  const rbhost::Audit before = host.audit();
  uint8_t* storage = nullptr;
  RbString s = zrw::newBinaryString(5, &storage);
  ASSERT_NE(s, nullptr);
  ASSERT_NE(storage, nullptr);
  EXPECT_EQ(host.stringBytes(s), std::string(5, '\0'));
  std::memcpy(storage, "PP\0IC", 5);
  EXPECT_EQ(host.stringBytes(s), std::string("PP\0IC", 5));
  EXPECT_EQ(host.stringEncoding(s), 0xFFFFu);
  EXPECT_EQ(host.referenceCount(toObject(s)), 1);
  host.release(s);

  for (int64_t length : {int64_t{0}, int64_t{-1}, int64_t{INT32_MAX} + 1}) {
    EXPECT_EQ(zrw::newBinaryString(length, &storage), nullptr) << length;
    EXPECT_EQ(storage, nullptr);
  }
  host.options().buildsStringsWithoutBytes = false;
  EXPECT_EQ(zrw::newBinaryString(5, &storage), nullptr);
  EXPECT_EQ(storage, nullptr);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, before));
}

}  // namespace
}  // namespace zrwtest
