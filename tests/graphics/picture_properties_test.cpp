// TVQ_BitDepth, TVQ_RowBytes and TVQ_HasMask through the host.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "operation_fixture.h"

namespace tvqtest {
namespace {

class PicturePropertiesTest : public OperationTest {
 protected:
  int32_t integer(RbPicture p, const char* name) {
    return host.getProperty<int32_t>(toObject(p), name);
  }
  bool hasMask(RbPicture p) { return host.getProperty<bool>(toObject(p), "TVQ_HasMask"); }

  // The getter as the host calls it, which the host's own property access
  // does not do for a nil picture.
  template <typename T>
  T getterOnNil(const char* name) {
    for (const auto& plugin : host.plugins())
      for (const rbhost::ClassRegistration& c : plugin->classes)
        if (c.isExtension && c.name == "picture")
          for (const rbhost::PropertyRegistration& p : c.properties)
            if (p.name == name)
              return reinterpret_cast<T (*)(RbPicture, RbWord)>(p.getter)(nullptr, p.selector);
    ADD_FAILURE() << name << " is not registered";
    return T{};
  }
};

TEST_F(PicturePropertiesTest, DepthAndRowLength) {
  struct Case {
    int32_t width, depth, rowBytes;
  };
  const Case cases[] = {{3, 24, 12}, {33, 1, 8}, {32, 1, 4}, {5, 2, 4},  {9, 4, 8},
                        {5, 8, 8},   {3, 16, 8}, {1, 32, 4}, {7, 24, 24}};
  for (PictureStorage storage : kStorages) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::to_string(c.width) + " pixels at " + std::to_string(c.depth));
      RbPicture p = picture(c.width, 2, c.depth, storage);
      EXPECT_EQ(integer(p, "TVQ_BitDepth"), c.depth);
      EXPECT_EQ(integer(p, "TVQ_RowBytes"), c.rowBytes);
      EXPECT_EQ(lastError(), 0);
    }
  }
}

TEST_F(PicturePropertiesTest, HasMaskAsksWithoutMaking) {
  RbPicture plain = picture(4, 4, 24);
  EXPECT_FALSE(hasMask(plain));
  EXPECT_EQ(lastError(), 0);
  RbPicture none = host.mask(plain, false);
  EXPECT_EQ(none, nullptr) << "asking made a mask";

  RbPicture masked = picture(4, 4, 24);
  RbPicture mask = host.mask(masked, true);
  const int64_t references = host.referenceCount(toObject(mask));
  EXPECT_TRUE(hasMask(masked));
  EXPECT_EQ(host.referenceCount(toObject(mask)), references) << "the mask's reference was kept";
  host.release(mask);
}

TEST_F(PicturePropertiesTest, NilAndUnlockablePictures) {
  for (const char* name : {"TVQ_BitDepth", "TVQ_RowBytes"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(getterOnNil<int32_t>(name), 0);
    EXPECT_EQ(lastError(), 2);
    RbPicture p = picture(3, 3, 32);
    host.failLocksOf(p);
    EXPECT_EQ(integer(p, name), 0);
    EXPECT_EQ(lastError(), 3);
  }
  EXPECT_FALSE(getterOnNil<RbBoolean>("TVQ_HasMask"));
  EXPECT_EQ(lastError(), 2);
  RbPicture p = picture(3, 3, 32);
  host.release(host.mask(p, true));
  host.failLocksOf(p);
  EXPECT_FALSE(hasMask(p));
  EXPECT_EQ(lastError(), 3);
  // The next good call clears the code.
  EXPECT_EQ(integer(picture(1, 1, 8), "TVQ_BitDepth"), 8);
  EXPECT_EQ(lastError(), 0);
}

}  // namespace
}  // namespace tvqtest
