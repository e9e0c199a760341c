// What every processing class shares: the pictures it holds and releases,
// the results of a failed Run, sources of every depth and storage, and the
// processing area at and beyond the picture's edges.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "class_fixture.h"

namespace zrwtest {
namespace {

struct ProcessingClass {
  const char* name;
  const char* run;  // the declaration of its Run
  bool runTakesChannels;
  bool hasArea;
  int32_t margin;  // pixels left out on every side of the area
  // Parameters under which an area pixel of colour c becomes expected(c).
  std::function<void(ClassTest&, RbObject)> configure;
  std::function<Rgb(Rgb)> expected;
};

Rgb same(Rgb c) { return c; }

uint8_t limited(int32_t v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

// The default weights 306, 601 and 116 / 1024 with tints 40, 20, -20.
Rgb sepia(Rgb c) {
  const int32_t l = (c.red * 306 + c.green * 601 + c.blue * 116) / 1024;
  return {limited(l + 40), limited(l + 20), limited(l - 20)};
}

const std::vector<ProcessingClass>& processingClasses() {
  static const std::vector<ProcessingClass> classes = {
      {"PictureSepiaZRW", "Run as boolean", false, true, 0,
       [](ClassTest& t, RbObject o) {
         t.set<int32_t>(o, "SepiaRed", 40);
         t.set<int32_t>(o, "SepiaGreen", 20);
         t.set<int32_t>(o, "SepiaBlue", -20);
       },
       sepia},
      {"PictureConvolutionZRW", "Run(channels as integer) as boolean", true, false, 1,
       [](ClassTest& t, RbObject o) {
         t.assign(o, "Hor(index as integer) as double", 1, 1.0);
         t.assign(o, "Ver(index as integer) as double", 1, 1.0);
       },
       same},
      {"PictureLut3DZRW", "Run as boolean", false, true, 0,
       [](ClassTest& t, RbObject o) {
         for (int32_t r = 0; r < 16; ++r)
           for (int32_t g = 0; g < 16; ++g)
             for (int32_t b = 0; b < 16; ++b) {
               const int32_t node[3] = {r, g, b};
               for (int32_t x = 0; x < 3; ++x)
                 t.assign(o,
                          "Table(r as integer, g as integer, b as integer, x as integer) as double",
                          r, g, b, x, 17.0 * node[x]);
             }
       },
       same},
      {"PictureMatrixZRW", "Run as boolean", false, true, 2,
       [](ClassTest& t, RbObject o) {
         t.assign(o, "Matrix(x as integer, y as integer) as integer", 2, 2, int32_t{1});
       },
       same},
      {"PictureMatrix3DZRW", "Run as boolean", false, true, 0,
       [](ClassTest& t, RbObject o) {
         for (int32_t i = 0; i < 3; ++i)
           t.assign(o, "Matrix(x as integer, y as integer) as double", i, i, 1.0);
       },
       same},
  };
  return classes;
}

std::string nameOf(const ::testing::TestParamInfo<ProcessingClass>& info) {
  return info.param.name;
}

class ProcessingClassTest : public ClassTest,
                            public ::testing::WithParamInterface<ProcessingClass> {
 protected:
  RbObject configured() {
    RbObject o = make(GetParam().name);
    GetParam().configure(*this, o);
    return o;
  }
  bool run(RbObject o) {
    if (GetParam().runTakesChannels) return call<bool>(o, GetParam().run, int32_t{7});
    return call<bool>(o, GetParam().run);
  }
};

TEST_P(ProcessingClassTest, FieldsHoldOneReferenceEachUntilReplacedClosedOrDestroyed) {
  RbPicture first = patternPicture(6, 6);
  RbPicture second = patternPicture(6, 6);
  RbObject o = configured();
  EXPECT_EQ(destination(o), nullptr);

  setSource(o, first);
  EXPECT_EQ(host.referenceCount(toObject(first)), 2);
  setSource(o, second);
  EXPECT_EQ(host.referenceCount(toObject(first)), 1);
  EXPECT_EQ(host.referenceCount(toObject(second)), 2);

  ASSERT_TRUE(run(o));
  RbPicture result = destination(o);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(host.referenceCount(toObject(result)), 1);
  EXPECT_TRUE(auditWith(4, 5));  // instance, two sources (one held by the field), result

  // Running again replaces the result; the first loses the field's reference.
  host.retain(toObject(result));
  ASSERT_TRUE(run(o));
  EXPECT_NE(destination(o), result);
  EXPECT_EQ(host.referenceCount(toObject(result)), 1);
  host.release(result);
  EXPECT_TRUE(auditWith(4, 5));

  close(o);
  EXPECT_EQ(get<RbPicture>(o, "SourcePicture"), nullptr);
  EXPECT_EQ(destination(o), nullptr);
  EXPECT_TRUE(auditWith(3));  // instance, two sources
  close(o);                   // twice is harmless
  EXPECT_TRUE(auditWith(3));

  destroy(o);
  host.release(first);
  host.release(second);
  EXPECT_TRUE(auditWith(0));
}

TEST_P(ProcessingClassTest, DestructionWithoutCloseReleasesBothPictures) {
  RbPicture source = patternPicture(5, 5, 24);
  RbObject o = configured();
  setSource(o, source);
  ASSERT_TRUE(run(o));
  destroy(o);
  EXPECT_TRUE(auditWith(1));  // the test's source
  host.release(source);
  EXPECT_TRUE(auditWith(0));
}

TEST_P(ProcessingClassTest, FailedRunReturnsFalseWithoutDestination) {
  enum class Fault { NilSource, UnreadableSource, NoResult };
  for (Fault fault : {Fault::NilSource, Fault::UnreadableSource, Fault::NoResult}) {
    SCOPED_TRACE(static_cast<int>(fault));
    RbPicture source = patternPicture(5, 5);
    RbObject o = configured();
    setSource(o, source);
    ASSERT_TRUE(run(o));  // an earlier result, which the failed Run drops
    if (fault == Fault::NilSource) setSource(o, nullptr);
    if (fault == Fault::UnreadableSource) host.failLocksOf(source);
    if (fault == Fault::NoResult) host.failNewPictureAfter(0);
    EXPECT_FALSE(run(o));
    EXPECT_EQ(destination(o), nullptr);
    host.failNewPictureAfter(std::nullopt);
    destroy(o);
    host.release(source);
    EXPECT_TRUE(auditWith(0));
  }
}

TEST_P(ProcessingClassTest, SourcesOfEveryDepthGiveTheResultOfTheir32BitCopy) {
  struct Source {
    int32_t depth;
    PictureStorage storage;
  };
  const std::vector<Source> sources = {
      {1, PictureStorage::GlobalDib},   {2, PictureStorage::GlobalDib},
      {4, PictureStorage::GlobalDib},   {8, PictureStorage::GlobalDib},
      {16, PictureStorage::GlobalDib},  {24, PictureStorage::GlobalDib},
      {32, PictureStorage::DibSection}, {8, PictureStorage::DibSection},
      {24, PictureStorage::DibSection},
  };
  for (const Source& s : sources) {
    SCOPED_TRACE("depth " + std::to_string(s.depth) +
                 (s.storage == PictureStorage::DibSection ? " DIB section" : ""));
    RbPicture stored = patternPicture(7, 6, s.depth, s.storage);
    RbPicture copy = pictureShowing(7, 6, shown(stored));
    RbObject o = configured();
    setSource(o, stored);
    ASSERT_TRUE(run(o));
    const std::vector<uint8_t> fromStored = rbtest::pictureBytes(host, destination(o));
    setSource(o, copy);
    ASSERT_TRUE(run(o));
    EXPECT_EQ(fromStored, rbtest::pictureBytes(host, destination(o)));
    destroy(o);
    host.release(stored);
    host.release(copy);
    EXPECT_TRUE(auditWith(0));
  }
}

// The classes with MinX, MinY, MaxX and MaxY.
class ProcessingAreaTest : public ProcessingClassTest {};

std::vector<ProcessingClass> classesWithArea() {
  std::vector<ProcessingClass> withArea;
  for (const ProcessingClass& c : processingClasses())
    if (c.hasArea) withArea.push_back(c);
  return withArea;
}

TEST_P(ProcessingAreaTest, AreaAtAndBeyondTheEdgesNeverLeavesThePicture) {
  const int32_t w = 9, h = 7;
  struct Area {
    int32_t minX, minY, maxX, maxY;
    int32_t left, top, right, bottom;  // the area computed, before the margin
  };
  const std::vector<Area> areas = {
      {0, 0, 0, 0, 0, 0, w, h},                  // the defaults: the whole picture
      {2, 1, 6, 5, 2, 1, 6, 5},                  // inside
      {3, 2, w, h, 3, 2, w, h},                  // maxima at the size: the size
      {3, 2, w - 1, h - 1, 3, 2, w - 1, h - 1},  // just inside
      {3, 2, 100, 100, 3, 2, w, h},              // maxima beyond the edges
      {5, 1, 5, 1, 5, 1, w, h},                  // maxima not above the minima
      {6, 4, 2, 1, 6, 4, w, h},
      {-3, -2, 5, 4, 0, 0, 5, 4},  // negative minima start at 0
      {INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0, 0, w, h},
      {-5, -5, 0, 0, 0, 0, 0, 0},  // -5 < 0 < size: ends at 0, empty
      {12, 9, 0, 0, 0, 0, 0, 0},   // starts beyond the picture
      {w, h, 0, 0, 0, 0, 0, 0},
      {INT_MAX, INT_MAX, 0, 0, 0, 0, 0, 0},
  };
  RbPicture source = patternPicture(w, h);
  const int32_t m = GetParam().margin;
  for (const Area& a : areas) {
    SCOPED_TRACE(::testing::Message()
                 << "area " << a.minX << ", " << a.minY << " to " << a.maxX << ", " << a.maxY);
    RbObject o = configured();
    set<int32_t>(o, "MinX", a.minX);
    set<int32_t>(o, "MinY", a.minY);
    set<int32_t>(o, "MaxX", a.maxX);
    set<int32_t>(o, "MaxY", a.maxY);
    setSource(o, source);
    ASSERT_TRUE(run(o));
    RbPicture result = destination(o);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        const bool computed =
            x >= a.left + m && x < a.right - m && y >= a.top + m && y < a.bottom - m;
        if (computed) {
          EXPECT_EQ(at(result, x, y), GetParam().expected(patternColor(x, y))) << x << ", " << y;
          EXPECT_EQ(rawAt(result, x, y) >> 24, 0u);
        } else {
          EXPECT_EQ(rawAt(result, x, y), kUnwritten) << x << ", " << y;
        }
      }
    destroy(o);
  }
  host.release(source);
  EXPECT_TRUE(auditWith(0));
}

INSTANTIATE_TEST_SUITE_P(Classes, ProcessingClassTest, ::testing::ValuesIn(processingClasses()),
                         nameOf);
INSTANTIATE_TEST_SUITE_P(Classes, ProcessingAreaTest, ::testing::ValuesIn(classesWithArea()),
                         nameOf);

}  // namespace
}  // namespace zrwtest
