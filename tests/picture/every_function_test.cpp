// What every picture-returning function of the plug-in shares: however the
// source is stored, the result is what its 32-bit equivalent gives; a source
// that cannot be read or a result that cannot be made gives nil; and nothing
// is left locked or referenced.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "function_fixture.h"

namespace zrwtest {
namespace {

const char* const kScale =
    "ScaleZRW(width as integer, height as integer, AntiAlias as boolean) as picture";

struct Operation {
  std::string name;
  std::function<RbPicture(rbhost::Host&, RbPicture)> call;
};

Operation unary(const char* declaration) {
  return {declaration, [declaration](rbhost::Host& host, RbPicture p) {
            return host.call<RbPicture>(declaration, p);
          }};
}

template <typename... Args>
Operation with(const char* declaration, Args... args) {
  return {declaration, [declaration, args...](rbhost::Host& host, RbPicture p) {
            return host.call<RbPicture>(declaration, p, args...);
          }};
}

const std::vector<Operation>& operations() {
  static const std::vector<Operation> all = {
      with("InvertZRW(left as integer,top as integer,width as integer,height as integer) as "
           "picture",
           int32_t{1}, int32_t{0}, int32_t{3}, int32_t{2}),
      unary("Rotate90ZRW as picture"),
      unary("Rotate180ZRW as picture"),
      unary("Rotate270ZRW as picture"),
      with("RotateZRW(angle as double,background as color) as picture", 30.0, RbColor{0x336699}),
      with("RotateZRW(angle as double,background as color) as picture", 200.0, RbColor{0}),
      unary("VMirrorZRW as picture"),
      unary("HMirrorZRW as picture"),
      with(kScale, int32_t{3}, int32_t{2}, false),
      with(kScale, int32_t{9}, int32_t{7}, false),
      with(kScale, int32_t{11}, int32_t{4}, true),
      with("EmbededMaskZRW(swap as boolean) as picture", true),
      // The global methods, given the same picture in every position.
      {"BlendPicturesZRW",
       [](rbhost::Host& host, RbPicture p) {
         return host.call<RbPicture>(
             "BlendPicturesZRW(source as picture, sourcepercent as double, dest as picture, "
             "destpercent as double) as picture",
             p, 0.3, p, 0.6);
       }},
      {"BlendPicturesWithMaskZRW",
       [](rbhost::Host& host, RbPicture p) {
         return host.call<RbPicture>(
             "BlendPicturesWithMaskZRW(source as picture, dest as picture, mask as picture) as "
             "picture",
             p, p, p);
       }},
      {"CombinePicturesZRW",
       [](rbhost::Host& host, RbPicture p) {
         return host.call<RbPicture>(
             "CombinePicturesZRW(red as picture, blue as picture, green as picture) as picture", p,
             p, p);
       }},
      {"TransformColorsZRW",
       [](rbhost::Host& host, RbPicture p) {
         RbMemoryBlock table = host.newMemoryBlock(256);
         for (int v = 0; v < 256; ++v) host.memoryBlockBytes(table)[v] = uint8_t(v * 7 + 3);
         RbPicture result = host.call<RbPicture>(
             "TransformColorsZRW(red as memoryblock, blue as memoryblock, green as memoryblock) "
             "as picture",
             p, table, table, table);
         host.release(table);
         return result;
       }},
      {"TintPictureZRW",
       [](rbhost::Host& host, RbPicture p) {
         return host.call<RbPicture>(
             "TintPictureZRW(source as picture, GreyBase as color, SepiaBase as color) as picture",
             p, RbColor{0x402000}, RbColor{0xFFE0A0});
       }},
  };
  return all;
}

// Whole pixel values are compared, fourth bytes included; the pixels that
// inversion leaves unwritten hold the host's fill in both results.
class EveryFunctionStorageTest : public PictureFunctionTest,
                                 public ::testing::WithParamInterface<StoredAs> {};

TEST_P(EveryFunctionStorageTest, MatchesThe32BitEquivalent) {
  const int32_t width = 5, height = 3;  // odd width: rows of other depths are padded
  RbPicture source = patternPicture(width, height, GetParam().depth, GetParam().storage);
  RbPicture equivalent = pictureShowing(width, height, shown(source));
  for (const Operation& op : operations()) {
    SCOPED_TRACE(op.name);
    RbPicture result = op.call(host, source);
    RbPicture expected = op.call(host, equivalent);
    ASSERT_NE(result, nullptr);
    ASSERT_NE(expected, nullptr);
    EXPECT_EQ(host.depth(result), 32);
    EXPECT_EQ(values(result), values(expected));
    host.release(result);
    host.release(expected);
  }
  host.release(source);
  host.release(equivalent);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

INSTANTIATE_TEST_SUITE_P(Storages, EveryFunctionStorageTest, everyStorage(), storageName);

class EveryFunctionTest : public PictureFunctionTest {};

TEST_F(EveryFunctionTest, GivesNilWhenTheSourceCannotBeReadOrTheResultMade) {
  RbPicture unlockable = patternPicture(2, 3);
  host.failLocksOf(unlockable);
  RbPicture stored32 = patternPicture(2, 3);
  RbPicture stored24 = patternPicture(2, 3, 24);
  for (const Operation& op : operations()) {
    SCOPED_TRACE(op.name);
    EXPECT_EQ(op.call(host, nullptr), nullptr);
    EXPECT_EQ(op.call(host, unlockable), nullptr);
    host.failNewPictureAfter(0);  // no result picture
    EXPECT_EQ(op.call(host, stored32), nullptr);
    host.failNewPictureAfter(1);  // the 32-bit copy of the source, but no result
    EXPECT_EQ(op.call(host, stored24), nullptr);
    host.failNewPictureAfter(std::nullopt);
    EXPECT_TRUE(rbtest::AuditUnchanged(host, host.audit()));
  }
  host.release(unlockable);
  host.release(stored32);
  host.release(stored24);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

}  // namespace
}  // namespace zrwtest
