// The operation steps as an operation uses them: checks in order, locks
// released on every path, results created, handed over or released.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "frame_fixture.h"
#include "graphics/classes/rectangle_class.h"
#include "graphics/frame/last_error.h"
#include "graphics/frame/mask_argument.h"
#include "graphics/frame/operation.h"
#include "graphics/frame/pixel_walk.h"

namespace tvqtest {
namespace {

using tvq::ErrorCode;
using tvq::Operation;
using tvq::OwnedPicture;
using tvq::PictureLock;
using tvq::PixelValue;
using tvq::PixelView;

// A masked operation written the way the plug-in's own are: the result
// shows the source where the mask level is at least 128, black elsewhere.
RbPicture maskedCopy(RbPicture source, RbPicture mask) {
  Operation op;
  if (!op.check(source != nullptr, ErrorCode::SourceNil)) return nullptr;
  if (!op.check(mask != nullptr, ErrorCode::MaskNil)) return nullptr;
  PictureLock in;
  if (!op.lock(in, source, ErrorCode::SourceLock)) return nullptr;
  PictureLock levels;
  if (!op.lockMaskArgument(levels, mask, in)) return nullptr;
  OwnedPicture result;
  if (!op.createResult(result, in)) return nullptr;
  const PixelView& m = levels.view();
  tvq::mapPixels(in.view(), result.view(), [&m](int32_t x, int32_t y, PixelValue v) {
    return tvq::maskLevelOf(tvq::readPixel(m, m.at(x, y))) >= 128 ? v : 0;
  });
  return result.handOver();
}

class OperationTest : public FrameTest {
 protected:
  // An 8-bit mask whose grey ramp palette makes index = level: full in the
  // left half of each row, empty in the right.
  RbPicture halfMask(int32_t width, int32_t height) {
    RbPicture m = picture(width, height, 8);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) host.setRawPixel(m, x, y, x < width / 2 ? 255 : 0);
    return m;
  }
};

struct FailureCase {
  const char* what;
  std::function<void(rbhost::Host&, RbPicture& source, RbPicture& mask)> arrange;
  ErrorCode expected;
};

TEST_F(OperationTest, FirstFailedStepSetsItsCodeAndNothingStaysLocked) {
  const FailureCase cases[] = {
      {"nil source", [](rbhost::Host&, RbPicture& s, RbPicture&) { s = nullptr; },
       ErrorCode::SourceNil},
      {"nil mask", [](rbhost::Host&, RbPicture&, RbPicture& m) { m = nullptr; },
       ErrorCode::MaskNil},
      // The nil mask is found before any picture is locked.
      {"nil mask, unlockable source",
       [](rbhost::Host& h, RbPicture& s, RbPicture& m) {
         h.failLocksOf(s);
         m = nullptr;
       },
       ErrorCode::MaskNil},
      {"unlockable source", [](rbhost::Host& h, RbPicture& s, RbPicture&) { h.failLocksOf(s); },
       ErrorCode::SourceLock},
      {"unlockable mask", [](rbhost::Host& h, RbPicture&, RbPicture& m) { h.failLocksOf(m); },
       ErrorCode::MaskLock},
      {"mask of another size",
       [](rbhost::Host& h, RbPicture&, RbPicture& m) { m = h.newPicture(5, 3, 8); },
       ErrorCode::MaskSize},
      {"no result picture",
       [](rbhost::Host& h, RbPicture&, RbPicture&) { h.failNewPictureAfter(0); },
       ErrorCode::ResultLock},
      // Last, so that it also shows a success clearing the previous code.
      {"success", [](rbhost::Host&, RbPicture&, RbPicture&) {}, ErrorCode::None},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.what);
    RbPicture source = patternPicture(6, 3, 24);
    RbPicture mask = halfMask(6, 3);
    RbPicture made = mask;
    c.arrange(host, source, mask);
    if (mask != made) adopt(mask);

    RbPicture result = maskedCopy(source, mask);
    adopt(result);
    EXPECT_EQ(tvq::lastError(), static_cast<int32_t>(c.expected));
    EXPECT_EQ(result != nullptr, c.expected == ErrorCode::None);
    const rbhost::Audit now = host.audit();
    EXPECT_EQ(now.descriptionLocks, 0);
    EXPECT_EQ(now.globalMemoryLocks, 0);
    EXPECT_TRUE(now.violations.empty());
    host.failNewPictureAfter(std::nullopt);
  }
}

struct MaskGeometryCase {
  int32_t width, height, depth;
  ErrorCode expected;
};

TEST_F(OperationTest, MaskDepthIsCheckedEvenAfterAWrongSize) {
  // Depths no host picture has cannot be locked at all, so these views are
  // made by hand against a 4 x 4 source.
  const MaskGeometryCase cases[] = {
      {4, 4, 8, ErrorCode::None},         {4, 4, 1, ErrorCode::None},
      {4, 4, 32, ErrorCode::None},        {4, 5, 8, ErrorCode::MaskSize},
      {3, 4, 1, ErrorCode::MaskSize},     {4, 4, 12, ErrorCode::MaskNotGrey},
      {5, 5, 12, ErrorCode::MaskNotGrey},
  };
  PixelView source;
  source.width = 4;
  source.height = 4;
  source.depth = 24;
  for (const MaskGeometryCase& c : cases) {
    PixelView mask;
    mask.width = c.width;
    mask.height = c.height;
    mask.depth = c.depth;
    EXPECT_EQ(tvq::maskArgumentError(mask, source), c.expected)
        << c.width << " x " << c.height << " at " << c.depth << " bits";
  }
}

TEST_F(OperationTest, ResultHasTheSourceSizeAndAtLeastSixteenBits) {
  for (PictureStorage storage : kStorages) {
    for (int32_t depth : kDepths) {
      SCOPED_TRACE(std::to_string(depth) + " bits");
      RbPicture source = patternPicture(6, 3, depth, storage);
      RbPicture result = maskedCopy(source, halfMask(6, 3));
      adopt(result);
      ASSERT_NE(result, nullptr);
      EXPECT_EQ(host.width(result), 6);
      EXPECT_EQ(host.height(result), 3);
      EXPECT_EQ(host.depth(result), depth < 16 ? 16 : depth);
      // The caller owns the result: the only reference is the one it got.
      EXPECT_EQ(host.referenceCount(toObject(result)), 1);
      for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < 6; ++x) {
          Rgb expected{};
          if (x < 3 && depth >= 8) expected = host.pixel(source, x, y);
          if (x < 3 && depth == 8) {  // palette colours kept at five bits
            expected = {static_cast<uint8_t>(expected.red & 0xF8),
                        static_cast<uint8_t>(expected.green & 0xF8),
                        static_cast<uint8_t>(expected.blue & 0xF8)};
          }
          EXPECT_EQ(host.pixel(result, x, y), expected) << "at " << x << ", " << y;
        }
      }
    }
  }
}

TEST_F(OperationTest, PictureNeverHandedOverIsReleased) {
  RbPicture source = picture(4, 4, 8);
  const rbhost::Audit before = host.audit();
  {
    Operation op;
    PictureLock in;
    ASSERT_TRUE(op.lock(in, source, ErrorCode::SourceLock));
    OwnedPicture working;
    ASSERT_TRUE(op.createResult(working, in, ErrorCode::IntermediateLock));
    EXPECT_EQ(working.view().depth, 16);
    EXPECT_EQ(host.audit().liveObjects, before.liveObjects + 1);
  }
  EXPECT_EQ(host.audit().liveObjects, before.liveObjects);
  EXPECT_EQ(tvq::lastError(), 0);
}

TEST_F(OperationTest, UnlockableOwnMaskSetsItsCodeAndDropsTheReference) {
  RbPicture p = picture(3, 3, 24);
  RbPicture mask = host.mask(p, true);
  host.failLocksOf(mask);
  const int64_t references = host.referenceCount(toObject(mask));
  {
    Operation op;
    PictureLock lock;
    EXPECT_FALSE(op.lockMaskOf(lock, p, ErrorCode::MaskLock));
  }
  EXPECT_EQ(tvq::lastError(), static_cast<int32_t>(ErrorCode::MaskLock));
  EXPECT_EQ(host.referenceCount(toObject(mask)), references);
  host.release(mask);
}

TEST_F(OperationTest, EmptySelectionSetsInvalidSelection) {
  // This copy of the class was never registered, so the test plays the
  // host: it lays a rectangle's fields at the data offset of the record.
  tvq::rectangleClass().dataOffset = 0;
  tvq::RectangleData outside{-10, 0, 5, 5};
  tvq::RectangleData inside{1, 1, 2, 2};
  RbPicture p = picture(4, 4, 24);

  Operation op;
  PictureLock lock;
  ASSERT_TRUE(op.lock(lock, p, ErrorCode::SourceLock));
  EXPECT_FALSE(op.select(lock, reinterpret_cast<RbObject>(&outside)).has_value());
  EXPECT_EQ(tvq::lastError(), static_cast<int32_t>(ErrorCode::InvalidSelection));

  Operation next;
  std::optional<tvq::Selection> selection = next.select(lock, reinterpret_cast<RbObject>(&inside));
  ASSERT_TRUE(selection.has_value());
  EXPECT_EQ(selection->right, 2);
  std::optional<tvq::Selection> whole = next.select(lock, nullptr);
  ASSERT_TRUE(whole.has_value());
  EXPECT_EQ(whole->bottom, 3);
  EXPECT_EQ(tvq::lastError(), 0);
}

}  // namespace
}  // namespace tvqtest

namespace tvqtest {
namespace {

constexpr tvq::SecondPictureCodes kOverlayCodes = {ErrorCode::OverlayNil, ErrorCode::OverlayLock,
                                                   ErrorCode::OverlayWrongSize};

// A second-picture step as an operation uses it: the nil check before any
// lock, then the lock and the size check.
int32_t lockBoth(RbPicture first, RbPicture second) {
  Operation op;
  if (!op.check(first != nullptr, ErrorCode::SourceNil)) return tvq::lastError();
  if (!op.check(second != nullptr, kOverlayCodes.nil)) return tvq::lastError();
  PictureLock a;
  if (!op.lock(a, first, ErrorCode::SourceLock)) return tvq::lastError();
  PictureLock b;
  op.lockSecondPicture(b, second, kOverlayCodes, a);
  return tvq::lastError();
}

TEST_F(OperationTest, SecondPictureHasItsOwnThreeCodes) {
  RbPicture first = patternPicture(4, 3, 24);
  EXPECT_EQ(lockBoth(first, nullptr), 12);
  RbPicture locked = picture(4, 3, 32);
  host.failLocksOf(locked);
  EXPECT_EQ(lockBoth(first, locked), 13);
  EXPECT_EQ(lockBoth(first, picture(4, 2, 24)), 16);
  EXPECT_EQ(lockBoth(first, picture(3, 3, 8)), 16);
  EXPECT_EQ(lockBoth(first, picture(4, 3, 1)), 0) << "any depth of the same size";
  EXPECT_EQ(host.audit().descriptionLocks, 0);
}

TEST_F(OperationTest, ResultOfAnySizeAndDepth) {
  struct Case {
    int32_t width, height, depth;
    bool made;
  };
  const Case cases[] = {
      {7, 1, 16, true},
      {1, 9, 24, true},
      {300, 2, 32, true},
      {0, 4, 32, false},
      {4, -1, 32, false},
      {4, 4, 8, false},
      {4, 4, 2, false},
      {4, 4, 33, false},
      // 1-bit results, for the operations that keep black-and-white pictures.
      {5, 3, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + " at " +
                 std::to_string(c.depth));
    Operation op;
    OwnedPicture result;
    EXPECT_EQ(op.createResult(result, c.width, c.height, c.depth), c.made);
    EXPECT_EQ(tvq::lastError(), c.made ? 0 : 5);
    if (c.made) {
      EXPECT_EQ(result.view().width, c.width);
      EXPECT_EQ(result.view().height, c.height);
      EXPECT_EQ(result.view().depth, c.depth);
    }
  }
  EXPECT_EQ(host.audit().descriptionLocks, 0);
}

}  // namespace
}  // namespace tvqtest
