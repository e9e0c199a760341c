// Method tables converted for hosts that read 12-byte records.
#include <gtest/gtest.h>

#include "frame_fixture.h"
#include "graphics/frame/method_table.h"

namespace tvqtest {
namespace {

void first() {}
void second() {}
void secondSetter() {}

class MethodTableTest : public FrameTest {};

TEST_F(MethodTableTest, KeepsFunctionSetterAndDeclarationInOrder) {
  const RbMethodRecord methods[] = {
      {rbFunction(first), nullptr, "A() as integer", 0},
      {rbFunction(second), rbFunction(secondSetter), "B(i as integer) as double", 0},
  };
  const RbShortMethodRecord* table = tvq::shortMethodTable(methods, 2);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table[0].function, rbFunction(first));
  EXPECT_EQ(table[0].setter, nullptr);
  EXPECT_STREQ(table[0].declaration, "A() as integer");
  EXPECT_EQ(table[1].function, rbFunction(second));
  EXPECT_EQ(table[1].setter, rbFunction(secondSetter));
  EXPECT_STREQ(table[1].declaration, "B(i as integer) as double");
  // An empty class still gets a table to point at.
  EXPECT_NE(tvq::shortMethodTable(methods, 0), nullptr);
}

}  // namespace
}  // namespace tvqtest
