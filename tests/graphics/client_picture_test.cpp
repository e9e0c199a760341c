// TVQ_ClientPicture through the host: the picture form made by
// operator_convert, its properties, the way back, and every reference given
// back.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "operation_fixture.h"

namespace tvqtest {
namespace {

constexpr const char* kFromPicture = "operator_convert(p as picture)";
constexpr const char* kToPicture = "operator_convert() as picture";

class ClientPictureTest : public OperationTest {
 protected:
  RbObject client() {
    RbObject c = host.newInstance("TVQ_ClientPicture");
    clients_.push_back(c);
    return c;
  }
  void convertFrom(RbObject c, RbPicture p) {
    host.callClassMethod<void>("TVQ_ClientPicture", kFromPicture, c, p);
  }
  RbPicture convertTo(RbObject c) {
    return adopt(host.callClassMethod<RbPicture>("TVQ_ClientPicture", kToPicture, c));
  }
  int32_t integer(RbObject c, const char* name) { return host.getProperty<int32_t>(c, name); }
  bool hasMask(RbObject c) { return host.getProperty<bool>(c, "hasMask"); }
  RbPicture pic(RbObject c) { return adopt(host.getProperty<RbPicture>(c, "pic")); }

  void TearDown() override {
    for (RbObject c : clients_) host.release(c);
    OperationTest::TearDown();
  }

 private:
  std::vector<RbObject> clients_;
};

TEST_F(ClientPictureTest, ANewClientPictureIsEmpty) {
  RbObject c = client();
  for (const char* name : {"width", "height", "depth", "rowBytes", "maskDepth", "maskRowBytes"})
    EXPECT_EQ(integer(c, name), 0) << name;
  EXPECT_FALSE(hasMask(c));
  EXPECT_EQ(pic(c), nullptr);
  EXPECT_EQ(convertTo(c), nullptr);
}

TEST_F(ClientPictureTest, PictureFormRecordsThePicture) {
  struct Case {
    int32_t width, height, depth;
    int32_t rowBytes;  // the picture's own rows
  };
  const Case cases[] = {{5, 3, 1, 4}, {5, 3, 8, 8}, {7, 2, 16, 16}, {7, 2, 24, 24}, {3, 4, 32, 12}};
  for (PictureStorage storage : kStorages) {
    for (const Case& k : cases) {
      SCOPED_TRACE(std::to_string(k.depth) + " bits, storage " + std::to_string(int(storage)));
      RbPicture p = picture(k.width, k.height, k.depth, storage);
      RbObject c = client();
      convertFrom(c, p);
      EXPECT_EQ(integer(c, "width"), k.width);
      EXPECT_EQ(integer(c, "height"), k.height);
      EXPECT_EQ(integer(c, "depth"), k.depth);
      EXPECT_EQ(integer(c, "rowBytes"), k.rowBytes);
      EXPECT_FALSE(hasMask(c));
      // The client picture keeps the picture alive with a reference of its
      // own; `pic` and the way back each hand the caller another.
      EXPECT_EQ(host.referenceCount(toObject(p)), 2);
      EXPECT_EQ(pic(c), p);
      EXPECT_EQ(convertTo(c), p);
      EXPECT_EQ(host.referenceCount(toObject(p)), 4);
    }
  }
}

TEST_F(ClientPictureTest, AMaskIsReportedWithItsDepth) {
  for (int32_t maskDepth : {1, 8, 16, 32}) {
    SCOPED_TRACE(std::to_string(maskDepth) + "-bit mask");
    host.options().maskDepth = maskDepth;
    RbPicture p = picture(6, 2, 24);
    host.release(host.mask(p, true));
    RbObject c = client();
    convertFrom(c, p);
    EXPECT_TRUE(hasMask(c));
    EXPECT_EQ(integer(c, "maskDepth"), maskDepth);
    EXPECT_EQ(integer(c, "maskRowBytes"), ((6 * maskDepth + 31) / 32) * 4);
    // Converted again from a picture without a mask, it has none.
    convertFrom(c, picture(2, 2, 32));
    EXPECT_FALSE(hasMask(c));
    EXPECT_EQ(integer(c, "maskDepth"), 0);
    EXPECT_EQ(integer(c, "width"), 2);
  }
}

TEST_F(ClientPictureTest, ConvertingAgainGivesTheFirstPictureBack) {
  RbPicture first = picture(3, 3, 24);
  RbPicture second = picture(4, 1, 16);
  RbObject c = client();
  convertFrom(c, first);
  convertFrom(c, second);
  EXPECT_EQ(host.referenceCount(toObject(first)), 1);
  EXPECT_EQ(host.referenceCount(toObject(second)), 2);
  convertFrom(c, nullptr);
  EXPECT_EQ(host.referenceCount(toObject(second)), 1);
  EXPECT_EQ(integer(c, "width"), 0);
  EXPECT_EQ(pic(c), nullptr);
  EXPECT_EQ(convertTo(c), nullptr);
}

TEST_F(ClientPictureTest, DestructionGivesThePictureBack) {
  RbPicture p = picture(3, 3, 24);
  RbObject c = host.newInstance("TVQ_ClientPicture");
  convertFrom(c, p);
  EXPECT_EQ(host.referenceCount(toObject(p)), 2);
  host.release(c);
  EXPECT_EQ(host.referenceCount(toObject(p)), 1);
}

TEST_F(ClientPictureTest, ConvertingBackClearsTheLastError) {
  host.call<RbPicture>(
      "TVQ_AdjustRGB(rect as TVQ_Rectangle, red_delta as integer, green_delta as integer, "
      "blue_delta as integer) as picture",
      static_cast<RbPicture>(nullptr), static_cast<RbObject>(nullptr), 0, 0, 0);
  ASSERT_EQ(lastError(), 2);
  RbObject c = client();
  EXPECT_EQ(convertTo(c), nullptr);
  EXPECT_EQ(lastError(), 0);
}

}  // namespace
}  // namespace tvqtest
