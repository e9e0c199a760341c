// TVQ_Convolution and TVQ_Convolute through the host.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "operation_fixture.h"

namespace tvqtest {
namespace {

constexpr const char* kConvolute =
    "TVQ_Convolute(extends p as picture, rect as TVQ_Rectangle, horiz_convolution as "
    "TVQ_Convolution,vert_convolution as TVQ_Convolution) as picture";
constexpr const char* kSetCoefficients = "SetCoefficients(coeffs() as integer)";

class ConvolutionTest : public OperationTest {
 protected:
  RbObject kernel(const std::vector<int32_t>& coefficients) {
    RbObject k = host.newInstance("TVQ_Convolution");
    kernels_.push_back(k);
    set(k, coefficients);
    return k;
  }
  void set(RbObject k, const std::vector<int32_t>& coefficients) {
    RbArray a = host.newIntArray(coefficients);
    host.callClassMethod<void>("TVQ_Convolution", kSetCoefficients, k, a);
    host.release(a);
  }
  int32_t width(RbObject k) { return host.getProperty<int32_t>(k, "width"); }
  RbPicture convolute(RbPicture p, RbObject rect, RbObject h, RbObject v) {
    return adopt(host.call<RbPicture>(kConvolute, p, rect, h, v));
  }
  // A one-row (or one-column) 24-bit picture of grey values.
  RbPicture greys(const std::vector<uint8_t>& values, bool column = false) {
    const auto n = static_cast<int32_t>(values.size());
    RbPicture p = column ? picture(1, n, 24) : picture(n, 1, 24);
    for (int32_t i = 0; i < n; ++i) {
      const uint8_t g = values[static_cast<size_t>(i)];
      host.setPixel(p, column ? 0 : i, column ? i : 0, Rgb{g, g, g});
    }
    return p;
  }
  std::vector<uint8_t> greysOf(RbPicture p) {
    std::vector<uint8_t> out;
    for (int32_t y = 0; y < host.height(p); ++y)
      for (int32_t x = 0; x < host.width(p); ++x) out.push_back(host.pixel(p, x, y).red);
    return out;
  }
  void TearDown() override {
    for (RbObject k : kernels_) host.release(k);
    OperationTest::TearDown();
  }

 private:
  std::vector<RbObject> kernels_;
};

TEST_F(ConvolutionTest, SetCoefficientsTakesOddLengthsUpTo21) {
  RbObject k = kernel({1, 2, 1});
  EXPECT_EQ(width(k), 3);
  EXPECT_EQ(host.getProperty<int32_t>(k, "sum"), 0);
  for (const std::vector<int32_t>& refused :
       {std::vector<int32_t>{1, 2, 3, 4}, std::vector<int32_t>(23, 1), std::vector<int32_t>{}}) {
    set(k, refused);
    EXPECT_EQ(width(k), 3) << refused.size() << " elements";
  }
  set(k, std::vector<int32_t>(21, 7));
  EXPECT_EQ(width(k), 21);
  host.callClassMethod<void>("TVQ_Convolution", kSetCoefficients, k, static_cast<RbArray>(nullptr));
  EXPECT_EQ(width(k), 21);
}

TEST_F(ConvolutionTest, MessageBoxShowsWidthSumAndCoefficients) {
  host.clearMessageBoxes();
  host.callClassMethod<void>("TVQ_Convolution", "MessageBox()", kernel({1, -2, 1}));
  host.callClassMethod<void>("TVQ_Convolution", "MessageBox()", kernel({}));
  ASSERT_EQ(host.messageBoxes().size(), 2u);
  EXPECT_EQ(host.messageBoxes()[0], "width: 3; sum: 0\n1,-2,1");
  EXPECT_EQ(host.messageBoxes()[1], "width: 0; sum: 0\n");
}

TEST_F(ConvolutionTest, RowsThenColumnsWithTheEdgesRepeated) {
  // (1, 2, 1) / 4 along the row; the missing neighbours are the edge pixels.
  EXPECT_EQ(greysOf(convolute(greys({0, 90, 180}), nullptr, kernel({1, 2, 1}), nullptr)),
            (std::vector<uint8_t>{22, 90, 157}));
  // The vertical kernel works down the column.
  EXPECT_EQ(greysOf(convolute(greys({0, 90, 180}, true), nullptr, nullptr, kernel({1, 2, 1}))),
            (std::vector<uint8_t>{22, 90, 157}));
  // Sharpening clamps: (-1, 3, -1) of 100, 200, 100.
  EXPECT_EQ(greysOf(convolute(greys({100, 200, 100}), nullptr, kernel({-1, 3, -1}), nullptr)),
            (std::vector<uint8_t>{0, 255, 0}));
  // Coefficients that add up to 0 divide by 1: an edge filter, clamped.
  EXPECT_EQ(greysOf(convolute(greys({10, 50, 200, 200}), nullptr, kernel({-1, 0, 1}), nullptr)),
            (std::vector<uint8_t>{40, 190, 150, 0}));
  // Coefficients whose sum is beyond 32 bits.
  EXPECT_EQ(
      greysOf(convolute(greys({0, 255, 0}), nullptr, kernel({INT32_MAX, INT32_MAX, 1}), nullptr)),
      (std::vector<uint8_t>{0, 127, 127}));
  EXPECT_EQ(lastError(), 0);
}

TEST_F(ConvolutionTest, KernelsThatChangeNothing) {
  for (int32_t depth : kAllDepths) {
    SCOPED_TRACE(std::to_string(depth) + " bits");
    RbPicture p = patternPicture(5, 4, depth);
    const RbObject nilKernel = nullptr;
    for (RbObject h : {kernel({1}), nilKernel, kernel({})}) {
      RbPicture result = convolute(p, nullptr, h, h);
      ASSERT_NE(result, nullptr);
      ASSERT_EQ(host.depth(result), resultDepthOf(depth));
      for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 5; ++x)
          EXPECT_EQ(host.pixel(result, x, y),
                    heldAtDepth(readColor(p, x, y), resultDepthOf(depth)));
    }
    // A blur of a uniform picture is the picture.
    RbPicture uniform = filled(4, 4, depth, depth <= 8 ? 3 : 0x123456);
    RbPicture blurred = convolute(uniform, nullptr, kernel({1, 2, 1}), kernel({1, 4, 6, 4, 1}));
    EXPECT_EQ(host.pixel(blurred, 2, 1),
              heldAtDepth(readColor(uniform, 2, 1), resultDepthOf(depth)));
  }
}

TEST_F(ConvolutionTest, OnlyTheSelectionChanges) {
  RbPicture p = patternPicture(7, 7, 32);
  RbPicture result = convolute(p, rectangle({2, 2, 3, 3}), kernel({1, 1, 1}), kernel({1, 1, 1}));
  ASSERT_NE(result, nullptr);
  int32_t changed = 0;
  for (int32_t y = 0; y < 7; ++y)
    for (int32_t x = 0; x < 7; ++x) {
      const bool inside = x >= 2 && x <= 4 && y >= 2 && y <= 4;
      if (host.pixel(result, x, y) != host.pixel(p, x, y)) {
        ++changed;
        EXPECT_TRUE(inside) << "at " << x << ", " << y;
      }
      if (!inside) {
        EXPECT_EQ(host.rawPixel(result, x, y), host.rawPixel(p, x, y)) << "copied whole";
      }
    }
  EXPECT_GT(changed, 4);
}

TEST_F(ConvolutionTest, ChecksInOrderAndTheIntermediateIsReleased) {
  RbObject k = kernel({1, 2, 1});
  EXPECT_EQ(convolute(nullptr, nullptr, k, k), nullptr);
  EXPECT_EQ(lastError(), 2);
  RbPicture p = patternPicture(4, 3, 24);
  host.failLocksOf(p);
  EXPECT_EQ(convolute(p, rectangle({9, 0, 1, 1}), k, k), nullptr);
  EXPECT_EQ(lastError(), 3);
  host.failLocksOf(p, false);
  EXPECT_EQ(convolute(p, rectangle({9, 0, 1, 1}), k, k), nullptr);
  EXPECT_EQ(lastError(), 37);
  host.failNewPictureAfter(0);
  EXPECT_EQ(convolute(p, nullptr, k, k), nullptr);
  EXPECT_EQ(lastError(), 4);
  host.failNewPictureAfter(1);
  EXPECT_EQ(convolute(p, nullptr, k, k), nullptr);
  EXPECT_EQ(lastError(), 5);
  host.failNewPictureAfter(std::nullopt);
  const rbhost::Audit before = host.audit();
  EXPECT_NE(convolute(p, nullptr, k, k), nullptr);
  EXPECT_EQ(host.audit().descriptionLocks, 0);
  EXPECT_EQ(host.audit().liveObjects, before.liveObjects + 1) << "only the result is left";
}

}  // namespace
}  // namespace tvqtest
