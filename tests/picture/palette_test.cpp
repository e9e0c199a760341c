// PaletteZRW and its factories: the colours each factory lays down, entry
// access, the memory-block view, counting, indexed pictures, the system
// palette, and the Picture property that names the class.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "class_fixture.h"

namespace zrwtest {
namespace {

const char* const kCol = "Col(i as integer) as color";
const char* const kCountColors = "CountColors as integer";
const char* const kNewPicture = "NewPicture(width as integer,height as integer) as picture";

class PaletteTest : public ClassTest {
 protected:
  RbObject factory(const std::string& name) {
    return host.call<RbObject>("New" + name + "PaletteZRW as PaletteZRW");
  }
  RbColor col(RbObject palette, int32_t i) { return call<RbColor>(palette, kCol, i); }
  int32_t countColors(RbObject palette) { return call<int32_t>(palette, kCountColors); }
};

TEST_F(PaletteTest, FactoriesLayDownTheirColours) {
  struct Entry {
    int32_t index;
    RbColor colour;
  };
  struct Case {
    const char* name;
    std::vector<Entry> entries;
    int32_t distinct;
  };
  const std::vector<Case> cases = {
      {"Gray", {{0, 0x000000}, {1, 0x010101}, {128, 0x808080}, {255, 0xFFFFFF}}, 256},
      {"Red", {{0, 0}, {7, 0x070000}, {255, 0xFF0000}}, 256},
      {"Green", {{0, 0}, {7, 0x000700}, {255, 0x00FF00}}, 256},
      {"Blue", {{0, 0}, {7, 0x000007}, {255, 0x0000FF}}, 256},
      // The cube from white down; 216-255 repeat the black of 215.
      {"Web",
       {{0, 0xFFFFFF},
        {1, 0xFFFFCC},
        {5, 0xFFFF00},
        {6, 0xFFCCFF},
        {36, 0xCCFFFF},
        {210, 0x0000FF},
        {215, 0x000000},
        {216, 0x000000},
        {255, 0x000000}},
       216},
      // Entry 225 (CCCCCC) repeats cube entry 25, and 230-255 are black,
      // which the cube lacks: 215 + 10 greys + 4 + 1 distinct colours.
      {"Palm",
       {{0, 0xFFFFFF},
        {1, 0xFFCCFF},
        {6, 0xFFFFCC},
        {25, 0xCCCCCC},
        {107, 0x000099},
        {108, 0xFFFF66},
        {214, 0x003300},
        {215, 0x111111},
        {224, 0xEEEEEE},
        {225, 0xCCCCCC},
        {226, 0x880000},
        {227, 0x880088},
        {228, 0x008800},
        {229, 0x008888},
        {230, 0},
        {255, 0}},
       230},
      // The first and last entry of every line of the table.
      {"Windows",
       {{0, 0xFFFFFF},   {15, 0xFF0000},  {16, 0xFFFF00},  {31, 0x9D9D9D},  {32, 0xA7A7A7},
        {47, 0x158915},  {48, 0x189C18},  {63, 0xDDFFDD},  {64, 0xEEFFEE},  {79, 0x5959FF},
        {80, 0x6A6AFF},  {95, 0x898915},  {96, 0x9C9C18},  {111, 0xFFFFDD}, {112, 0xFFFFEE},
        {127, 0xC559FF}, {128, 0xCB6AFF}, {143, 0x158989}, {144, 0x189C9C}, {159, 0xDDFFFF},
        {160, 0xEEFFFF}, {175, 0xF3A659}, {176, 0xF4AF6A}, {191, 0x891515}, {192, 0x9C1818},
        {207, 0xFFDDDD}, {208, 0xFFEEEE}, {223, 0xE9B293}, {224, 0xEBBA9F}, {239, 0xC8CBD2},
        {240, 0xE3E5E8}, {255, 0x000000}},
       256},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RbObject p = factory(c.name);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(host.typeName(p), "PaletteZRW");
    EXPECT_EQ(get<int32_t>(p, "Count"), 256);
    for (const Entry& e : c.entries) EXPECT_EQ(col(p, e.index), e.colour) << e.index;
    EXPECT_EQ(countColors(p), c.distinct);
    destroy(p);
  }
  EXPECT_TRUE(auditWith(0));
}

TEST_F(PaletteTest, NewPaletteIsBlackWithTheCountAsGiven) {
  for (int32_t count : {10, 0, 1, 300, -5}) {
    SCOPED_TRACE(count);
    RbObject p = host.call<RbObject>("NewPaletteZRW(count as integer) as PaletteZRW", count);
    EXPECT_EQ(get<int32_t>(p, "Count"), count);
    for (int32_t i : {0, 100, 255}) EXPECT_EQ(col(p, i), 0u);
    destroy(p);
  }
  RbObject p = make("PaletteZRW");  // as a program's New makes it
  EXPECT_EQ(get<int32_t>(p, "Count"), 256);
  destroy(p);
  EXPECT_TRUE(auditWith(0));
}

TEST_F(PaletteTest, CountColorsLooksAtTheEntriesInUseThatExist) {
  RbObject grey = factory("Gray");
  struct Case {
    int32_t count, expected;
  };
  for (const Case& c : std::vector<Case>{{256, 256},
                                         {300, 256},
                                         {INT32_MAX, 256},
                                         {10, 10},
                                         {1, 1},
                                         {0, 0},
                                         {-1, 0},
                                         {INT32_MIN, 0}}) {
    set<int32_t>(grey, "Count", c.count);
    EXPECT_EQ(countColors(grey), c.expected) << c.count;
  }
  set<int32_t>(grey, "Count", 5);
  assign(grey, kCol, int32_t{4}, RbColor{0x000101});  // not yet a repeat
  EXPECT_EQ(countColors(grey), 5);
  assign(grey, kCol, int32_t{4}, RbColor{0x020202});
  EXPECT_EQ(countColors(grey), 4);
  destroy(grey);
  RbObject black =
      host.call<RbObject>("NewPaletteZRW(count as integer) as PaletteZRW", int32_t{10});
  EXPECT_EQ(countColors(black), 1);
  destroy(black);
  EXPECT_TRUE(auditWith(0));
}

TEST_F(PaletteTest, ColTakesTheLowEightBitsOfItsIndex) {
  RbObject p = host.call<RbObject>("NewPaletteZRW(count as integer) as PaletteZRW", int32_t{2});
  assign(p, kCol, 256, RbColor{0x123456});
  EXPECT_EQ(col(p, 0), 0x123456u);
  assign(p, kCol, -1, RbColor{0xABCDEF});
  EXPECT_EQ(col(p, 255), 0xABCDEFu);
  EXPECT_EQ(col(p, 511), 0xABCDEFu);
  EXPECT_EQ(col(p, INT32_MIN), 0x123456u);  // low byte 0
  assign(p, kCol, 100, RbColor{0x0000FF});  // beyond Count: no check
  EXPECT_EQ(col(p, 100), 0x0000FFu);
  destroy(p);
  EXPECT_TRUE(auditWith(0));
}

TEST_F(PaletteTest, MemIsAViewOfTheEntries) {
  RbObject p = factory("Gray");
  RbMemoryBlock mem = call<RbMemoryBlock>(p, "Mem as Memoryblock");
  ASSERT_NE(mem, nullptr);
  uint8_t* bytes = host.memoryBlockBytes(mem);
  ASSERT_NE(bytes, nullptr);
  // Entry 1 is 0x010101, stored blue, green, red, 0.
  EXPECT_EQ(std::vector<uint8_t>(bytes + 4, bytes + 8), (std::vector<uint8_t>{1, 1, 1, 0}));
  const uint8_t red[4] = {0x00, 0x00, 0xFF, 0x00};
  std::copy(red, red + 4, bytes);
  EXPECT_EQ(col(p, 0), 0xFF0000u);
  assign(p, kCol, 255, RbColor{0x102030});
  EXPECT_EQ(std::vector<uint8_t>(bytes + 1020, bytes + 1024),
            (std::vector<uint8_t>{0x30, 0x20, 0x10, 0x00}));
  host.release(mem);
  destroy(p);
  EXPECT_TRUE(auditWith(0));
}

TEST_F(PaletteTest, NewPictureIsDeepEnoughForTheCount) {
  struct Case {
    int32_t count, depth;  // depth 0: nil
  };
  RbObject p = make("PaletteZRW");
  for (const Case& c : std::vector<Case>{{1, 1},
                                         {2, 1},
                                         {3, 2},
                                         {4, 2},
                                         {5, 4},
                                         {16, 4},
                                         {17, 8},
                                         {256, 8},
                                         {257, 0},
                                         {300, 0},
                                         {0, 0},
                                         {-1, 0}}) {
    SCOPED_TRACE(c.count);
    set<int32_t>(p, "Count", c.count);
    RbPicture picture = call<RbPicture>(p, kNewPicture, int32_t{10}, int32_t{7});
    if (c.depth == 0) {
      EXPECT_EQ(picture, nullptr);
      continue;
    }
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(host.depth(picture), c.depth);
    EXPECT_EQ(host.width(picture), 10);
    EXPECT_EQ(host.height(picture), 7);
    host.release(picture);
  }
  set<int32_t>(p, "Count", 16);
  EXPECT_EQ(call<RbPicture>(p, kNewPicture, int32_t{0}, int32_t{7}), nullptr);
  EXPECT_EQ(call<RbPicture>(p, kNewPicture, int32_t{5}, int32_t{-1}), nullptr);
  call<void>(p, "Close");  // does nothing
  EXPECT_EQ(get<int32_t>(p, "Count"), 16);
  destroy(p);
  EXPECT_TRUE(auditWith(0));
}

TEST_F(PaletteTest, PicturePropertyReadsNilAndIgnoresAssignment) {
  RbPicture picture = patternPicture(3, 3, 8);
  const std::vector<Rgb> before = host.palette(picture);
  EXPECT_EQ(host.call<RbObject>("PaletteZRW as PaletteZRW", picture), nullptr);
  RbObject p = factory("Red");
  host.callSetter("Picture", "PaletteZRW as PaletteZRW", picture, p);
  EXPECT_EQ(host.palette(picture), before);
  EXPECT_EQ(host.referenceCount(p), 1);
  destroy(p);
  host.release(picture);
  EXPECT_TRUE(auditWith(0));
}

TEST_F(PaletteTest, SystemPaletteHasTheEntriesTheScreenHas) {
  RbObject p = factory("System");
  ASSERT_NE(p, nullptr);
  const int32_t count = get<int32_t>(p, "Count");
  EXPECT_GE(count, 0);
  EXPECT_LE(count, 256);
  destroy(p);
#ifndef _WIN32
  // The emulated screens (platform/win32.h).
  struct Case {
    const char* bits;
    int32_t count;
    std::vector<std::pair<int32_t, RbColor>> entries;
  };
  const std::vector<Case> cases = {
      {"8",
       256,
       {{0, 0x000000},
        {1, 0x800000},
        {9, 0xA6CAF0},
        {10, 0},
        {246, 0xFFFBF0},
        {249, 0xFF0000},
        {255, 0xFFFFFF}}},
      {"4", 16, {{0, 0}, {7, 0xC0C0C0}, {8, 0x808080}, {15, 0xFFFFFF}, {16, 0}}},
      {"1", 2, {{0, 0}, {1, 0xFFFFFF}}},
      {"32", 0, {{0, 0}}},  // one entry asked (1 << 32 % 32), none read
      {"24", 0, {{0, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    setenv("RB_EMULATED_SCREEN_BITS", c.bits, 1);
    RbObject s = factory("System");
    unsetenv("RB_EMULATED_SCREEN_BITS");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(get<int32_t>(s, "Count"), c.count);
    for (auto [i, colour] : c.entries) EXPECT_EQ(col(s, i), colour) << i;
    destroy(s);
  }
#endif
  EXPECT_TRUE(auditWith(0));
}

// A host that cannot make instances for the plug-in.
class PaletteWithoutInstancesTest : public rbtest::PluginTest {
 protected:
  PaletteWithoutInstancesTest() : PluginTest(rbhost::picturePluginPath(), options()) {}
  static rbhost::HostOptions options() {
    rbhost::HostOptions o;
    o.missingServices = {"PluginNewInstance"};
    return o;
  }
};

TEST_F(PaletteWithoutInstancesTest, FactoriesGiveNil) {
  for (const char* name : {"Gray", "Web", "Red", "Green", "Blue", "System", "Windows", "Palm"})
    EXPECT_EQ(host.call<RbObject>(std::string("New") + name + "PaletteZRW as PaletteZRW"), nullptr)
        << name;
  EXPECT_EQ(host.call<RbObject>("NewPaletteZRW(count as integer) as PaletteZRW", int32_t{4}),
            nullptr);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, audit0));
}

}  // namespace
}  // namespace zrwtest
