// The instance data of every class as a program's host lays it out: the size
// each class declares, where each direct property lies, and where the fields
// behind the accessor methods lie. Offsets are written for 4-byte picture
// references, as in the 32-bit library, and shift by the wider references of
// a 64-bit build.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "class_fixture.h"

namespace zrwtest {
namespace {

constexpr size_t kReference = sizeof(void*);

// An offset given as in the 32-bit library: `references` picture references
// before it, then `bytes` more.
struct At {
  size_t references;
  size_t bytes;
  size_t offset() const { return references * kReference + bytes; }
  size_t offset32() const { return references * 4 + bytes; }
};

struct Layout {
  const char* className;
  At size;
  std::vector<std::pair<const char*, At>> directProperties;  // the class's own, in any order
};

using Fields = std::vector<std::pair<const char*, At>>;

Fields minMaxLayout();

// The two references and the area that open the processing classes, then
// `more`.
Fields processingFields(Fields more) {
  Fields all = {{"SourcePicture", {0, 0}}, {"DestinationPicture", {1, 0}},
                {"MinX", {2, 0}},          {"MinY", {2, 4}},
                {"MaxX", {2, 8}},          {"MaxY", {2, 12}}};
  all.insert(all.end(), more.begin(), more.end());
  return all;
}

const std::vector<Layout>& layouts() {
  static const std::vector<Layout> all = {
      {"PictureMinMaxZRW", {0, 96}, minMaxLayout()},
      {"PictureSepiaZRW",
       {2, 56},  // 64 bytes
       processingFields({{"SepiaRed", {2, 16}}, {"SepiaGreen", {2, 20}}, {"SepiaBlue", {2, 24}}})},
      {"PictureConvolutionZRW",
       {2, 328},  // 336 bytes
       {{"SourcePicture", {0, 0}}, {"DestinationPicture", {1, 0}}, {"ValueCount", {2, 0}}}},
      {"PictureLut3DZRW", {2, 16 + 18 * 18 * 18 * 3 * 8}, processingFields({})},  // 139,992 bytes
      {"PaletteZRW", {0, 1032}, {{"Count", {0, 0}}}},
      {"PictureMatrixZRW", {2, 136}, processingFields({{"Displacement", {2, 16}}})},  // 144 bytes
      {"PictureMatrix3DZRW", {2, 216}, processingFields({})},                         // 224 bytes
  };
  return all;
}

// PictureMinMaxZRW: 24 integers, RedMaxX first.
Fields minMaxLayout() {
  static const char* const kNames[24] = {
      "RedMaxX",   "RedMaxY",   "RedMax",   "RedMinX",   "RedMinY",   "RedMin",
      "GreenMaxX", "GreenMaxY", "GreenMax", "GreenMinX", "GreenMinY", "GreenMin",
      "BlueMaxX",  "BlueMaxY",  "BlueMax",  "BlueMinX",  "BlueMinY",  "BlueMin",
      "SumMaxX",   "SumMaxY",   "SumMax",   "SumMinX",   "SumMinY",   "SumMin"};
  Fields fields;
  for (size_t i = 0; i < 24; ++i) fields.push_back({kNames[i], {0, 4 * i}});
  return fields;
}

class ClassLayoutTest : public ClassTest {
 protected:
  template <typename T>
  T field(RbObject o, At at) {
    T value;
    std::memcpy(&value, static_cast<const char*>(host.instanceData(o)) + at.offset(), sizeof value);
    return value;
  }
};

TEST_F(ClassLayoutTest, SizesAndDirectPropertiesLieWhereTheLibraryPutsThem) {
  for (const Layout& layout : layouts()) {
    SCOPED_TRACE(layout.className);
    const rbhost::ClassRegistration* cls = plugin.findClass(layout.className);
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(size_t(cls->dataSize), layout.size.offset()) << "32-bit " << layout.size.offset32();
    for (const auto& [name, at] : layout.directProperties) {
      bool found = false;
      for (const rbhost::PropertyRegistration& p : cls->properties)
        if (p.name == name) {
          found = true;
          EXPECT_TRUE(p.direct()) << name;
          EXPECT_EQ(size_t(p.selector), at.offset()) << name << ", 32-bit " << at.offset32();
        }
      EXPECT_TRUE(found) << name;
    }
  }
}

TEST_F(ClassLayoutTest, SepiaFactorsBehindTheirAccessors) {
  RbObject o = make("PictureSepiaZRW");
  EXPECT_EQ(field<double>(o, {2, 32}), 0.299);  // FactorRed
  EXPECT_EQ(field<double>(o, {2, 40}), 0.587);  // FactorGreen
  EXPECT_EQ(field<double>(o, {2, 48}), 0.114);  // FactorBlue
  set<double>(o, "FactorBlue", 2.0);
  EXPECT_EQ(field<double>(o, {2, 48}), 2.0);
  destroy(o);
  EXPECT_TRUE(auditWith(0));
}

TEST_F(ClassLayoutTest, ConvolutionWeightsBehindTheirMethods) {
  RbObject o = make("PictureConvolutionZRW");
  EXPECT_EQ(field<int32_t>(o, {2, 0}), 3);  // ValueCount, set by the constructor
  assign(o, "Ver(index as integer) as double", 0, 1.25);
  assign(o, "Ver(index as integer) as double", 19, 2.25);
  assign(o, "Hor(index as integer) as double", 0, 3.25);
  assign(o, "Hor(index as integer) as double", 19, 4.25);
  EXPECT_EQ(field<double>(o, {2, 8}), 1.25);
  EXPECT_EQ(field<double>(o, {2, 8 + 19 * 8}), 2.25);
  EXPECT_EQ(field<double>(o, {2, 168}), 3.25);
  EXPECT_EQ(field<double>(o, {2, 168 + 19 * 8}), 4.25);
  destroy(o);
  EXPECT_TRUE(auditWith(0));
}

TEST_F(ClassLayoutTest, LutTableBehindItsMethod) {
  RbObject o = make("PictureLut3DZRW");
  const char* table = "Table(r as integer, g as integer, b as integer, x as integer) as double";
  assign(o, table, 0, 0, 0, 0, 1.5);
  assign(o, table, 1, 2, 3, 1, 2.5);  // r varies slowest, x fastest
  assign(o, table, 17, 17, 17, 2, 3.5);
  EXPECT_EQ(field<double>(o, {2, 16}), 1.5);
  EXPECT_EQ(field<double>(o, {2, 16 + 8 * (((1 * 18 + 2) * 18 + 3) * 3 + 1)}), 2.5);
  EXPECT_EQ(field<double>(o, {2, 16 + 8 * (18 * 18 * 18 * 3 - 1)}), 3.5);
  destroy(o);
  EXPECT_TRUE(auditWith(0));
}

TEST_F(ClassLayoutTest, PaletteEntriesFollowTheReservedWord) {
  RbObject o = make("PaletteZRW");
  EXPECT_EQ(field<int32_t>(o, {0, 0}), 256);  // Count
  EXPECT_EQ(field<int32_t>(o, {0, 4}), -1);   // reserved, set by the constructor
  assign(o, "Col(i as integer) as color", 3, RbColor{0x0A0B0C});
  EXPECT_EQ(field<uint32_t>(o, {0, 8 + 4 * 3}), 0x0A0B0Cu);
  destroy(o);
  EXPECT_TRUE(auditWith(0));
}

TEST_F(ClassLayoutTest, MatrixFieldsBehindTheMethods) {
  RbObject o = make("PictureMatrixZRW");
  EXPECT_EQ(field<double>(o, {2, 24}), 1.0);  // ScaleFactor, set by the constructor
  set<double>(o, "ScaleFactor", 0.75);
  EXPECT_EQ(field<double>(o, {2, 24}), 0.75);
  assign(o, "Matrix(x as integer, y as integer) as integer", 3, 1, int32_t{0x12345678});
  EXPECT_EQ(field<int32_t>(o, {2, 32 + 4 * (5 * 1 + 3)}), 0x12345678);  // row 1, column 3
  destroy(o);

  o = make("PictureMatrix3DZRW");
  assign(o, "Matrix(x as integer, y as integer) as double", 3, 1, -2.5);
  EXPECT_EQ(field<double>(o, {2, 16 + 8 * (5 * 1 + 3)}), -2.5);
  destroy(o);
  EXPECT_TRUE(auditWith(0));
}

}  // namespace
}  // namespace zrwtest
