// TVQ_Rectangle through the host: properties, methods, message box.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "rbhost/host.h"
#include "test_host.h"

namespace tvqtest {
namespace {

constexpr const char* kRectangle = "TVQ_Rectangle";

struct Rect {
  int32_t left = 0, top = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
};

void PrintTo(const Rect& r, std::ostream* os) {
  *os << "(" << r.left << ", " << r.top << ", " << r.width << ", " << r.height << ")";
}

class RectangleTest : public rbtest::GraphicsTest {
 protected:
  void TearDown() override {
    for (RbObject o : created_) host.release(o);
    EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
  }

  RbObject make(Rect r) {
    RbObject o = host.newInstance(kRectangle);
    created_.push_back(o);
    host.setProperty<int32_t>(o, "left", r.left);
    host.setProperty<int32_t>(o, "top", r.top);
    host.setProperty<int32_t>(o, "width", r.width);
    host.setProperty<int32_t>(o, "height", r.height);
    return o;
  }

  Rect fields(RbObject o) {
    return {host.getProperty<int32_t>(o, "left"), host.getProperty<int32_t>(o, "top"),
            host.getProperty<int32_t>(o, "width"), host.getProperty<int32_t>(o, "height")};
  }

  int32_t get(RbObject o, const char* property) { return host.getProperty<int32_t>(o, property); }

 private:
  std::vector<RbObject> created_;
};

TEST_F(RectangleTest, RegistersSixIntegerPropertiesOverOneGetterAndSetter) {
  const rbhost::ClassRegistration* cls = plugin.findClass(kRectangle);
  ASSERT_NE(cls, nullptr);
  EXPECT_EQ(cls->dataSize, 16);
  const char* names[] = {"left", "top", "width", "height", "right", "bottom"};
  ASSERT_EQ(cls->properties.size(), 6u);
  for (size_t i = 0; i < 6; ++i) {
    const rbhost::PropertyRegistration& p = cls->properties[i];
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(p.group, "Rectangle");
    EXPECT_EQ(p.name, names[i]);
    EXPECT_EQ(p.type, "integer");
    EXPECT_EQ(p.flags, 0);
    EXPECT_EQ(p.selector, static_cast<RbWord>(i + 1));
    EXPECT_NE(p.getter, nullptr);
    EXPECT_EQ(p.getter, cls->properties[0].getter);
    EXPECT_EQ(p.setter, cls->properties[0].setter);
  }
}

TEST_F(RectangleTest, NewRectangleIsEmptyAndInvalid) {
  RbObject r = host.newInstance(kRectangle);
  EXPECT_EQ(fields(r), Rect{});
  EXPECT_EQ(get(r, "right"), -1);
  EXPECT_EQ(get(r, "bottom"), -1);
  EXPECT_FALSE(host.callClassMethod<bool>(kRectangle, "IsValid() as Boolean", r));
  EXPECT_EQ(host.callClassMethod<int32_t>(kRectangle, "Area() as integer", r), 0);
  host.release(r);
}

TEST_F(RectangleTest, RightAndBottomMoveTheFarEdgeOnly) {
  RbObject r = make({});
  host.setProperty<int32_t>(r, "right", 9);
  EXPECT_EQ(get(r, "width"), 10);
  host.setProperty<int32_t>(r, "left", 5);  // the width stays, the right edge follows
  EXPECT_EQ(get(r, "width"), 10);
  EXPECT_EQ(get(r, "right"), 14);

  host.setProperty<int32_t>(r, "top", -3);
  host.setProperty<int32_t>(r, "bottom", -3);
  EXPECT_EQ(get(r, "height"), 1);

  // Past the largest integer the edges wrap like the host's own integers.
  RbObject far = make({INT32_MAX, INT32_MIN, 2, 1});
  EXPECT_EQ(get(far, "right"), INT32_MIN);
  EXPECT_EQ(get(far, "bottom"), INT32_MIN);
  host.setProperty<int32_t>(far, "right", INT32_MIN);
  EXPECT_EQ(get(far, "width"), 2);
}

struct TwoIntegerCase {
  const char* declaration;
  Rect start;
  int32_t a, b;
  Rect expected;
};

TEST_F(RectangleTest, MethodsWithTwoIntegers) {
  const TwoIntegerCase cases[] = {
      {"OffsetBy(h as integer, v as integer)", {1, 2, 3, 4}, 10, -20, {11, -18, 3, 4}},
      {"OffsetBy(h as integer, v as integer)",
       {INT32_MAX, INT32_MIN, 1, 1},
       1,
       -1,
       {INT32_MIN, INT32_MAX, 1, 1}},
      {"MoveTo(left as integer, top as integer)", {1, 2, 3, 4}, -5, 7, {-5, 7, 3, 4}},
      {"Resize(width as integer, height as integer)", {1, 2, 3, 4}, 30, -1, {1, 2, 30, -1}},
      {"InsetBy(h as integer, v as integer)", {0, 0, 10, 10}, 5, 5, {5, 5, 0, 0}},
      {"InsetBy(h as integer, v as integer)", {0, 0, 10, 10}, -2, -3, {-2, -3, 14, 16}},
      {"InsetBy(h as integer, v as integer)",
       {0, 0, 0, 0},
       0x40000000,
       -0x40000000,
       {0x40000000, -0x40000000, INT32_MIN, INT32_MIN}},
  };
  for (const TwoIntegerCase& c : cases) {
    SCOPED_TRACE(c.declaration);
    RbObject r = make(c.start);
    host.callClassMethod<void>(kRectangle, c.declaration, r, c.a, c.b);
    EXPECT_EQ(fields(r), c.expected);
  }
}

struct RectangleArgumentCase {
  const char* declaration;
  Rect self, other, expected;
};

TEST_F(RectangleTest, MethodsCombiningTwoRectangles) {
  const RectangleArgumentCase cases[] = {
      {"UnionWith(rect as TVQ_Rectangle)", {0, 0, 10, 10}, {20, 20, 5, 5}, {0, 0, 25, 25}},
      // An invalid operand still counts.
      {"UnionWith(rect as TVQ_Rectangle)", {0, 0, 0, 0}, {5, 5, 5, 5}, {0, 0, 10, 10}},
      // The far edge of the argument wraps below the other one.
      {"UnionWith(rect as TVQ_Rectangle)", {0, 0, 1, 1}, {INT32_MAX, 0, 1, 1}, {0, 0, 1, 1}},
      {"IntersectWith(rect as TVQ_Rectangle)", {0, 0, 10, 10}, {5, -5, 10, 10}, {5, 0, 5, 5}},
      {"IntersectWith(rect as TVQ_Rectangle)", {0, 0, 10, 10}, {20, 20, 5, 5}, {20, 20, -10, -10}},
      {"CopyFrom(rect as TVQ_Rectangle)", {1, 2, 3, 4}, {-1, -2, -3, -4}, {-1, -2, -3, -4}},
  };
  for (const RectangleArgumentCase& c : cases) {
    SCOPED_TRACE(c.declaration);
    RbObject self = make(c.self);
    RbObject other = make(c.other);
    host.callClassMethod<void>(kRectangle, c.declaration, self, other);
    EXPECT_EQ(fields(self), c.expected);
    EXPECT_EQ(fields(other), c.other);
  }
}

struct PredicateCase {
  const char* declaration;
  Rect self, other;
  bool expected;
};

TEST_F(RectangleTest, PredicatesOnTwoRectangles) {
  const PredicateCase cases[] = {
      {"Equals(rect as TVQ_Rectangle) as Boolean", {1, 2, 3, 4}, {1, 2, 3, 4}, true},
      {"Equals(rect as TVQ_Rectangle) as Boolean", {1, 2, 3, 4}, {1, 2, 3, 5}, false},
      {"Contains(rect as TVQ_Rectangle) as Boolean", {0, 0, 10, 10}, {0, 0, 10, 10}, true},
      {"Contains(rect as TVQ_Rectangle) as Boolean", {0, 0, 10, 10}, {1, 1, 10, 2}, false},
      {"Contains(rect as TVQ_Rectangle) as Boolean", {0, 0, 10, 10}, {-1, 0, 2, 2}, false},
      {"Intersects(rect as TVQ_Rectangle) as Boolean", {0, 0, 10, 10}, {9, 0, 5, 5}, true},
      {"Intersects(rect as TVQ_Rectangle) as Boolean", {0, 0, 10, 10}, {10, 0, 5, 5}, false},
      {"Intersects(rect as TVQ_Rectangle) as Boolean",
       {INT32_MAX - 1, 0, 2, 1},
       {INT32_MAX, 0, 1, 1},
       true},
  };
  for (const PredicateCase& c : cases) {
    SCOPED_TRACE(c.declaration);
    EXPECT_EQ(host.callClassMethod<bool>(kRectangle, c.declaration, make(c.self), make(c.other)),
              c.expected);
  }
}

struct UnaryCase {
  Rect rect;
  bool valid;
  int32_t area;
};

TEST_F(RectangleTest, ValidityAndArea) {
  const UnaryCase cases[] = {
      {{0, 0, 0, 0}, false, 0},         {{5, 5, 3, 4}, true, 12},
      {{0, 0, 1, 0}, false, 0},         {{0, 0, -3, -4}, false, 12},
      {{0, 0, INT32_MAX, 2}, true, -2}, {{0, 0, 65536, 65536}, true, 0},
  };
  for (const UnaryCase& c : cases) {
    RbObject r = make(c.rect);
    SCOPED_TRACE(::testing::PrintToString(c.rect));
    EXPECT_EQ(host.callClassMethod<bool>(kRectangle, "IsValid() as Boolean", r), c.valid);
    EXPECT_EQ(host.callClassMethod<int32_t>(kRectangle, "Area() as integer", r), c.area);
  }
}

struct ScaleCase {
  int32_t width, height;
  double factor;
  int32_t scaledWidth, scaledHeight;
};

TEST_F(RectangleTest, ScaleByTruncatesAndSaturates) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const ScaleCase cases[] = {
      {3, 3, 1.5, 4, 4},
      {3, 3, -1.5, -4, -4},
      {1, 1, 0.99, 0, 0},
      {-3, 5, 1.5, -4, 7},
      {1000, 1000, 1e-300, 0, 0},
      // Not representable: saturated at the nearest limit ...
      {3, -4, kInf, INT32_MAX, INT32_MIN},
      {INT32_MAX, INT32_MIN, 2.0, INT32_MAX, INT32_MIN},
      {INT32_MIN, 1, -1.0, INT32_MAX, -1},
      // ... or, when not a number at all, left as it was.
      {3, 4, kNaN, 3, 4},
      {0, 4, kInf, 0, INT32_MAX},
  };
  for (const ScaleCase& c : cases) {
    SCOPED_TRACE(c.factor);
    RbObject r = make({7, 8, c.width, c.height});
    host.callClassMethod<void>(kRectangle, "ScaleBy(factor as double)", r, c.factor);
    EXPECT_EQ(fields(r), (Rect{7, 8, c.scaledWidth, c.scaledHeight}));
  }
}

struct MessageCase {
  Rect rect;
  const char* text;
};

TEST_F(RectangleTest, MessageBoxShowsEdgesSizeAndValidity) {
  const MessageCase cases[] = {
      {{1, 2, 3, 4}, "left: 1 top: 2 right: 3 bottom: 5\nwidth: 3 height: 4\nvalid"},
      {{0, 0, 0, 0}, "left: 0 top: 0 right: -1 bottom: -1\nwidth: 0 height: 0\ninvalid"},
      // The word follows the edges, which wrap, not the sign of the size.
      {{INT32_MIN, INT32_MAX, INT32_MIN, 1},
       "left: -2147483648 top: 2147483647 right: -1 bottom: 2147483647\n"
       "width: -2147483648 height: 1\nvalid"},
  };
  for (const MessageCase& c : cases) {
    host.clearMessageBoxes();
    host.callClassMethod<void>(kRectangle, "MessageBox()", make(c.rect));
    EXPECT_EQ(host.messageBoxes(), std::vector<std::string>{c.text});
  }
}

TEST_F(RectangleTest, NilRectanglesChangeNothingAndAnswerNothing) {
  const RbObject nil = nullptr;
  const Rect start{1, 2, 3, 4};
  RbObject r = make(start);

  for (const char* predicate :
       {"Equals(rect as TVQ_Rectangle) as Boolean", "Contains(rect as TVQ_Rectangle) as Boolean",
        "Intersects(rect as TVQ_Rectangle) as Boolean"}) {
    SCOPED_TRACE(predicate);
    EXPECT_FALSE(host.callClassMethod<bool>(kRectangle, predicate, r, nil));
    EXPECT_FALSE(host.callClassMethod<bool>(kRectangle, predicate, nil, r));
  }
  for (const char* combine : {"CopyFrom(rect as TVQ_Rectangle)", "UnionWith(rect as TVQ_Rectangle)",
                              "IntersectWith(rect as TVQ_Rectangle)"}) {
    SCOPED_TRACE(combine);
    host.callClassMethod<void>(kRectangle, combine, r, nil);
    host.callClassMethod<void>(kRectangle, combine, nil, r);
  }
  for (const char* twoIntegers :
       {"OffsetBy(h as integer, v as integer)", "MoveTo(left as integer, top as integer)",
        "Resize(width as integer, height as integer)", "InsetBy(h as integer, v as integer)"}) {
    host.callClassMethod<void>(kRectangle, twoIntegers, nil, int32_t{1}, int32_t{1});
  }
  host.callClassMethod<void>(kRectangle, "ScaleBy(factor as double)", nil, 2.0);
  EXPECT_FALSE(host.callClassMethod<bool>(kRectangle, "IsValid() as Boolean", nil));
  EXPECT_EQ(host.callClassMethod<int32_t>(kRectangle, "Area() as integer", nil), 0);
  host.clearMessageBoxes();
  host.callClassMethod<void>(kRectangle, "MessageBox()", nil);
  EXPECT_TRUE(host.messageBoxes().empty());

  EXPECT_EQ(fields(r), start);
}

}  // namespace
}  // namespace tvqtest
