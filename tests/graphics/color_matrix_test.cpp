// TVQ_ColorMatrix through the host: elements, copying, both products, the
// inverse and the message box.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "rbhost/host.h"
#include "test_host.h"

namespace tvqtest {
namespace {

constexpr const char* kColorMatrix = "TVQ_ColorMatrix";
constexpr const char* kValue = "Value(i as integer, j as integer) as double";
constexpr const char* kMultiplyByFactor = "Multiply(factor as double) as TVQ_ColorMatrix";
constexpr const char* kMultiplyByMatrix = "Multiply(source as TVQ_ColorMatrix) as TVQ_ColorMatrix";
constexpr const char* kInvert = "Invert() as TVQ_ColorMatrix";

// Row by row: element (i, j) at i * 3 + j.
using Elements = std::array<double, 9>;
constexpr Elements kIdentity = {1, 0, 0, 0, 1, 0, 0, 0, 1};
const RbObject kNil = nullptr;

class ColorMatrixTest : public rbtest::GraphicsTest {
 protected:
  void TearDown() override {
    for (RbObject o : owned_) host.release(o);
    EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
  }

  RbObject adopt(RbObject o) {
    if (o != nullptr) owned_.push_back(o);
    return o;
  }
  RbObject make(const Elements& e) {
    RbObject m = adopt(host.newInstance(kColorMatrix));
    for (int32_t i = 0; i < 3; ++i)
      for (int32_t j = 0; j < 3; ++j) set(m, i, j, e[size_t(i * 3 + j)]);
    return m;
  }
  double value(RbObject m, int32_t i, int32_t j) {
    return host.callClassMethod<double>(kColorMatrix, kValue, m, i, j);
  }
  void set(RbObject m, int32_t i, int32_t j, double x) {
    host.callSetter(kColorMatrix, kValue, m, i, j, x);
  }
  Elements elements(RbObject m) {
    Elements e{};
    for (int32_t i = 0; i < 3; ++i)
      for (int32_t j = 0; j < 3; ++j) e[size_t(i * 3 + j)] = value(m, i, j);
    return e;
  }
  RbObject multiply(RbObject m, double factor) {
    return adopt(host.callClassMethod<RbObject>(kColorMatrix, kMultiplyByFactor, m, factor));
  }
  RbObject multiply(RbObject m, RbObject other) {
    return adopt(host.callClassMethod<RbObject>(kColorMatrix, kMultiplyByMatrix, m, other));
  }
  RbObject invert(RbObject m) {
    return adopt(host.callClassMethod<RbObject>(kColorMatrix, kInvert, m));
  }

 private:
  std::vector<RbObject> owned_;
};

TEST_F(ColorMatrixTest, RegistersSeventyTwoBytesAndAnAssignableValue) {
  const rbhost::ClassRegistration* cls = plugin.findClass(kColorMatrix);
  ASSERT_NE(cls, nullptr);
  EXPECT_EQ(cls->dataSize, 72);
  EXPECT_TRUE(cls->properties.empty());
  ASSERT_EQ(cls->methods.size(), 6u);
  EXPECT_NE(cls->methods[0].setter, nullptr);
  for (size_t i = 1; i < cls->methods.size(); ++i) {
    EXPECT_EQ(cls->methods[i].setter, nullptr) << cls->methods[i].declaration;
  }
}

TEST_F(ColorMatrixTest, NewMatrixIsTheIdentityStoredRowByRow) {
  RbObject m = adopt(host.newInstance(kColorMatrix));
  EXPECT_EQ(elements(m), kIdentity);
  set(m, 0, 2, 0.5);
  set(m, 2, 1, -3.25);
  const auto* data = static_cast<const double*>(host.instanceData(m));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data[2], 0.5);
  EXPECT_EQ(data[7], -3.25);
  EXPECT_EQ(value(m, 0, 2), 0.5);
}

TEST_F(ColorMatrixTest, IndicesOutsideZeroToTwoReadZeroAndAssignNothing) {
  const Elements e = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  RbObject m = make(e);
  const std::pair<int32_t, int32_t> outside[] = {{3, 0},         {-1, 2},        {0, 3}, {2, -1},
                                                 {INT32_MIN, 0}, {0, INT32_MAX}, {3, 3}};
  for (auto [i, j] : outside) {
    SCOPED_TRACE(std::to_string(i) + ", " + std::to_string(j));
    EXPECT_EQ(value(m, i, j), 0.0);
    set(m, i, j, 42.0);
    EXPECT_EQ(elements(m), e);
  }
  // A nil matrix reads 0 and takes nothing.
  EXPECT_EQ(value(kNil, 1, 1), 0.0);
  set(kNil, 1, 1, 2.0);
}

TEST_F(ColorMatrixTest, CopyFromTakesAllNineElementsAndIgnoresNil) {
  const Elements e = {0.5, -1, 2, 3, 4, 5, 6, 7, 1e300};
  RbObject source = make(e);
  RbObject m = adopt(host.newInstance(kColorMatrix));
  host.callClassMethod<void>(kColorMatrix, "CopyFrom(source as TVQ_ColorMatrix)", m, source);
  EXPECT_EQ(elements(m), e);
  host.callClassMethod<void>(kColorMatrix, "CopyFrom(source as TVQ_ColorMatrix)", m, kNil);
  EXPECT_EQ(elements(m), e);
  host.callClassMethod<void>(kColorMatrix, "CopyFrom(source as TVQ_ColorMatrix)", kNil, source);
  EXPECT_EQ(elements(source), e);
}

TEST_F(ColorMatrixTest, MultiplyByAFactorGivesANewMatrix) {
  RbObject identity = adopt(host.newInstance(kColorMatrix));
  RbObject doubled = multiply(identity, 2.0);
  ASSERT_NE(doubled, nullptr);
  EXPECT_NE(doubled, identity);
  EXPECT_EQ(host.typeName(doubled), kColorMatrix);
  EXPECT_EQ(host.referenceCount(doubled), 1);
  EXPECT_EQ(elements(doubled), (Elements{2, 0, 0, 0, 2, 0, 0, 0, 2}));
  EXPECT_EQ(elements(identity), kIdentity);

  RbObject m = make({1, -2, 0.5, 3, 0, 7, -1, 1, 4});
  EXPECT_EQ(elements(multiply(m, -0.5)), (Elements{-0.5, 1, -0.25, -1.5, -0, -3.5, 0.5, -0.5, -2}));
  EXPECT_EQ(multiply(kNil, 2.0), nullptr);
}

TEST_F(ColorMatrixTest, MultiplyByAMatrixGivesTheTransposeOfTheProduct) {
  const Elements a = {1, 2, 3, 4, 5, 6, 7, 8, 10};
  const Elements b = {2, 0, 1, -1, 3, 0, 0.5, 1, -2};
  RbObject ma = make(a);
  RbObject mb = make(b);
  // (a b)(j, i), written out: row 0 of the result is column 0 of a b.
  const Elements expected = {1.5, 6, 11, 9, 21, 34, -5, -8, -13};
  RbObject p = multiply(ma, mb);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(elements(p), expected);
  EXPECT_EQ(elements(ma), a);
  EXPECT_EQ(elements(mb), b);
  // By the identity: the transpose of a.
  RbObject identity = adopt(host.newInstance(kColorMatrix));
  EXPECT_EQ(elements(multiply(ma, identity)), (Elements{1, 4, 7, 2, 5, 8, 3, 6, 10}));
  EXPECT_EQ(multiply(ma, kNil), nullptr);
  EXPECT_EQ(multiply(kNil, mb), nullptr);
}

TEST_F(ColorMatrixTest, InvertGivesTheInverseOrNil) {
  const Elements invertible[] = {
      kIdentity,
      {0, 0, 1, 0, 1, 0, 1, 0, 0},  // red and blue swapped
      {2, 1, 0, 1, 3, 1, 0, 1, 4},  // symmetric
      {0.299, 0.587, 0.114, -0.147, -0.289, 0.436, 0.615, -0.515, -0.100},
      {1e-9, 0, 0, 0, 1e9, 0, 0, 0, 1},         // far apart in scale
      {1e200, 0, 0, 0, 1e200, 0, 0, 0, 1e200},  // determinant beyond doubles
      {1e-300, 0, 0, 0, 1e300, 0, 0, 0, 1},
  };
  for (const Elements& e : invertible) {
    SCOPED_TRACE(e[0]);
    RbObject m = make(e);
    RbObject inverse = invert(m);
    ASSERT_NE(inverse, nullptr);
    EXPECT_EQ(host.typeName(inverse), kColorMatrix);
    EXPECT_EQ(elements(m), e);
    // m times its inverse is the identity.
    const Elements inv = elements(inverse);
    for (int32_t i = 0; i < 3; ++i) {
      for (int32_t j = 0; j < 3; ++j) {
        double sum = 0;
        for (int32_t k = 0; k < 3; ++k) sum += e[size_t(i * 3 + k)] * inv[size_t(k * 3 + j)];
        EXPECT_NEAR(sum, i == j ? 1.0 : 0.0, 1e-9) << i << ", " << j;
      }
    }
  }
  EXPECT_EQ(elements(invert(make({0, 0, 1, 0, 1, 0, 1, 0, 0}))),
            (Elements{0, 0, 1, 0, 1, 0, 1, 0, 0}));
  EXPECT_EQ(elements(invert(make({2, 0, 0, 0, 4, 0, 0, 0, -0.5}))),
            (Elements{0.5, 0, 0, 0, 0.25, 0, 0, 0, -2}));

  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const Elements singular[] = {
      {0, 0, 0, 0, 0, 0, 0, 0, 0},
      {1, 2, 3, 4, 5, 6, 7, 8, 9},                    // rows dependent
      {0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9},  // the same, in rounded doubles
      {1, 0, 0, 0, 1, 0, 0, 0, 0},                    // a zero row
      {1, 0, 0, 0, kNaN, 0, 0, 0, 1},
      {kInf, 0, 0, 0, 1, 0, 0, 0, 1},
      {1e-310, 0, 0, 0, 1, 0, 0, 0, 1},  // inverse beyond doubles
  };
  for (const Elements& e : singular) {
    SCOPED_TRACE(e[0]);
    EXPECT_EQ(invert(make(e)), nullptr);
  }
  EXPECT_EQ(invert(kNil), nullptr);
}

TEST_F(ColorMatrixTest, MessageBoxShowsThreeLinesOfTwoDecimals) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const struct {
    Elements e;
    const char* text;
  } cases[] = {
      {kIdentity, "1.00  0.00  0.00\n0.00  1.00  0.00\n0.00  0.00  1.00"},
      {{-0.5, 12.346, 0.006, 1234.5, -0.001, 2, 0.333, -10, 100},
       "-0.50  12.35  0.01\n1234.50  -0.00  2.00\n0.33  -10.00  100.00"},
      {{kNaN, kInf, -kInf, 0, 0, 0, 0, 0, 0},
       " nan   inf  -inf\n0.00  0.00  0.00\n0.00  0.00  0.00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    host.clearMessageBoxes();
    host.callClassMethod<void>(kColorMatrix, "MessageBox()", make(c.e));
    EXPECT_EQ(host.messageBoxes(), std::vector<std::string>{c.text});
  }
  // Huge elements are printed in full.
  host.clearMessageBoxes();
  host.callClassMethod<void>(kColorMatrix, "MessageBox()", make({1e300, 0, 0, 0, 1, 0, 0, 0, 1}));
  ASSERT_EQ(host.messageBoxes().size(), 1u);
  EXPECT_EQ(host.messageBoxes()[0].rfind("10000000000000000", 0), 0u);
  EXPECT_GT(host.messageBoxes()[0].size(), 300u);
  host.clearMessageBoxes();
  host.callClassMethod<void>(kColorMatrix, "MessageBox()", kNil);
  EXPECT_TRUE(host.messageBoxes().empty());
}

}  // namespace
}  // namespace tvqtest
