// The picture plug-in's classes driven through the host: instances, their
// properties and methods by declaration, and the pictures they hold.
#ifndef TESTS_PICTURE_CLASS_FIXTURE_H
#define TESTS_PICTURE_CLASS_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "function_fixture.h"

namespace zrwtest {

// What the host fills a new picture with before the plug-in writes it: a
// result pixel that reads so was left unwritten.
inline constexpr uint32_t kUnwritten = 0xCDCDCDCD;

class ClassTest : public PictureFunctionTest {
 protected:
  // Every test gives back every instance and picture it made: the host then
  // holds what it held after loading, nothing locked.
  void TearDown() override { EXPECT_TRUE(auditWith(0)) << "at the end of the test"; }

 public:  // the class tables of the tests call these too
  // A new instance; the test owns its one reference (see destroy()).
  RbObject make(const char* className) { return host.newInstance(className); }
  // Drops the test's reference, which destroys the instance without Close.
  void destroy(RbObject instance) { host.release(instance); }

  template <typename Result, typename... Args>
  Result call(RbObject self, std::string_view declaration, Args... args) {
    return host.callClassMethod<Result>(host.typeName(self), declaration, self, args...);
  }
  template <typename... Args>
  void assign(RbObject self, std::string_view declaration, Args... args) {
    host.callSetter(host.typeName(self), declaration, self, args...);
  }
  template <typename T>
  T get(RbObject self, std::string_view name) {
    return host.getProperty<T>(self, name);
  }
  template <typename T>
  void set(RbObject self, std::string_view name, T value) {
    host.setProperty<T>(self, name, value);
  }

  void setSource(RbObject self, RbPicture p) { set<RbPicture>(self, "SourcePicture", p); }
  RbPicture destination(RbObject self) { return get<RbPicture>(self, "DestinationPicture"); }

  void close(RbObject self) { call<void>(self, "Close"); }

  // The raw 32-bit value of the result at (x, y from the top).
  uint32_t rawAt(RbPicture p, int32_t x, int32_t y) {
    return host.rawPixel(p, x, host.height(p) - 1 - y);
  }
  Rgb at(RbPicture p, int32_t x, int32_t y) { return host.pixel(p, x, host.height(p) - 1 - y); }

  // Passes when nothing is locked and the host holds exactly what it held
  // after loading plus `extraObjects` live objects, with one reference each
  // unless `extraReferences` says otherwise.
  ::testing::AssertionResult auditWith(int64_t extraObjects, int64_t extraReferences = -1) {
    rbhost::Audit expected = audit0;
    expected.liveObjects += extraObjects;
    expected.references += extraReferences < 0 ? extraObjects : extraReferences;
    return rbtest::AuditUnchanged(host, expected);
  }
};

}  // namespace zrwtest

#endif
