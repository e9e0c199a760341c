// What the colour operations' tests share: the order of the method
// skeleton's checks, and sweeps of every depth and row padding against the
// colour a pixel should become.
#ifndef TESTS_GRAPHICS_COLOR_FIXTURE_H
#define TESTS_GRAPHICS_COLOR_FIXTURE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "operation_fixture.h"

namespace tvqtest {

const RbObject kWholePicture = nullptr;

inline uint8_t clampChannel(int64_t v) {
  return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255));
}

// The pictures a call gets and the host faults in force. The source is a
// 4 x 3 24-bit picture; a rectangle selects part of it, or nothing.
struct Arrangement {
  bool nilSource = false;
  bool nilMask = false;
  bool sourceLockFails = false;
  bool emptyRect = false;
  bool maskLockFails = false;
  int32_t maskWidth = 4;
  int32_t maskHeight = 3;
  int32_t maskDepth = 8;
  bool noResult = false;
};

// One method called with the arrangement's source, rectangle and mask.
using ColorCall = std::function<RbPicture(RbPicture source, RbObject rect, RbPicture mask)>;
// The colour a selected (or fully masked) pixel becomes.
using ColorModel = std::function<Rgb(Rgb)>;
// The colour a pixel becomes under a mask level.
using MaskModel = std::function<Rgb(Rgb, uint8_t level)>;

class ColorOperationTest : public OperationTest {
 protected:
  // Calls once under the arrangement and checks the code, that nothing is
  // returned on failure, that a failure leaves the source as it was, and
  // that nothing stays locked. `returnsPicture` false: the method has no
  // result to check.
  void expectCode(const Arrangement& a, int32_t code, const ColorCall& call,
                  bool returnsPicture = true) {
    RbPicture source = patternPicture(4, 3, 24);
    RbPicture mask = picture(a.maskWidth, a.maskHeight, a.maskDepth);
    RbObject rect = a.emptyRect ? rectangle({4, 0, 2, 2}) : rectangle({1, 1, 2, 1});
    if (a.sourceLockFails) host.failLocksOf(source);
    if (a.maskLockFails) host.failLocksOf(mask);
    if (a.noResult) host.failNewPictureAfter(0);
    const std::vector<uint8_t> before = bytesOf(source);
    RbPicture result =
        adopt(call(a.nilSource ? nullptr : source, rect, a.nilMask ? nullptr : mask));
    host.failNewPictureAfter(std::nullopt);
    EXPECT_EQ(lastError(), code);
    if (returnsPicture) {
      EXPECT_EQ(result != nullptr, code == 0);
    }
    if (code != 0) {
      EXPECT_EQ(bytesOf(source), before) << "a failed call changed the source";
    }
    const rbhost::Audit now = host.audit();
    EXPECT_EQ(now.descriptionLocks, 0);
    EXPECT_EQ(now.globalMemoryLocks, 0);
    EXPECT_TRUE(now.violations.empty());
  }

  // Every depth and width 1 to 9 (each a different row padding), both
  // storages: inside the rectangle (columns width/3 .. width-2, memory rows
  // 1 and 2) pixels become model(colour), outside they are copied; every
  // result has depth max(source, 16).
  void sweepSelection(const ColorCall& call, const ColorModel& model) {
    for (PictureStorage storage : kStorages) {
      host.options().newPictureStorage = storage;
      for (int32_t depth : kAllDepths) {
        for (int32_t width = 1; width <= 9; ++width) {
          SCOPED_TRACE(std::to_string(width) + " pixels of " + std::to_string(depth) +
                       " bits, storage " + std::to_string(int(storage)));
          const RectArgument r{width / 3, 1, std::max(1, width - width / 3 - 1), 2};
          RbPicture source = patternPicture(width, 4, depth, storage);
          const std::vector<uint8_t> before = bytesOf(source);
          RbPicture result = adopt(call(source, rectangle(r), nullptr));
          ASSERT_NE(result, nullptr) << "code " << lastError();
          EXPECT_EQ(lastError(), 0);
          const int32_t resultDepth = resultDepthOf(depth);
          ASSERT_EQ(host.depth(result), resultDepth);
          for (int32_t y = 0; y < 4; ++y) {
            for (int32_t x = 0; x < width; ++x) {
              const bool inside = x >= r.left && x < r.left + r.width && y >= 1 && y <= 2;
              const Rgb original = readColor(source, x, y);
              ASSERT_EQ(host.pixel(result, x, y),
                        heldAtDepth(inside ? model(original) : original, resultDepth))
                  << "at " << x << ", " << y;
            }
          }
          EXPECT_EQ(bytesOf(source), before) << "the source changed";
        }
      }
    }
  }

  // The same sweep through an 8-bit mask of levels 0, 255, 128 and 37.
  void sweepMask(const ColorCall& call, const MaskModel& model) {
    constexpr uint8_t kLevels[] = {0, 255, 128, 37};
    auto levelAt = [&](int32_t x, int32_t y) { return kLevels[(x + 3 * y) % 4]; };
    for (PictureStorage storage : kStorages) {
      host.options().newPictureStorage = storage;
      for (int32_t depth : kAllDepths) {
        for (int32_t width = 1; width <= 9; ++width) {
          SCOPED_TRACE(std::to_string(width) + " pixels of " + std::to_string(depth) +
                       " bits, storage " + std::to_string(int(storage)));
          RbPicture source = patternPicture(width, 4, depth, storage);
          RbPicture mask = picture(width, 4, 8, storage);
          for (int32_t y = 0; y < 4; ++y)
            for (int32_t x = 0; x < width; ++x) host.setRawPixel(mask, x, y, levelAt(x, y));
          RbPicture result = adopt(call(source, nullptr, mask));
          ASSERT_NE(result, nullptr) << "code " << lastError();
          EXPECT_EQ(lastError(), 0);
          const int32_t resultDepth = resultDepthOf(depth);
          ASSERT_EQ(host.depth(result), resultDepth);
          for (int32_t y = 0; y < 4; ++y)
            for (int32_t x = 0; x < width; ++x)
              ASSERT_EQ(host.pixel(result, x, y),
                        heldAtDepth(model(readColor(source, x, y), levelAt(x, y)), resultDepth))
                  << "at " << x << ", " << y << ", level " << int(levelAt(x, y));
        }
      }
    }
  }

  // The raw pixels of a 1 x 1 result of a 1 x 1 source of `raw` at `depth`.
  uint32_t onePixel(const ColorCall& call, int32_t depth, uint32_t raw, RbPicture mask = nullptr) {
    RbPicture source = filled(1, 1, depth, raw);
    RbPicture result = adopt(call(source, nullptr, mask));
    EXPECT_NE(result, nullptr) << "code " << lastError();
    return result == nullptr ? 0xDEADBEEF : host.rawPixel(result, 0, 0);
  }

  RbPicture maskOfLevel(int32_t width, int32_t height, uint8_t level, int32_t depth = 8) {
    RbPicture m = picture(width, height, depth);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) {
        // At 8 bits the host's grey ramp makes the index the level.
        if (depth == 8) {
          host.setRawPixel(m, x, y, level);
        } else {
          host.setPixel(m, x, y, Rgb{level, level, level});
        }
      }
    return m;
  }
};

// The (m A + (255 - m) C) / 255 blend, truncated toward zero, clamped.
inline uint8_t blend255(int64_t adjusted, uint8_t original, uint8_t level) {
  return clampChannel((level * adjusted + (255 - level) * int64_t{original}) / 255);
}
inline Rgb blend255(Rgb adjusted, Rgb original, uint8_t level) {
  return {blend255(adjusted.red, original.red, level),
          blend255(adjusted.green, original.green, level),
          blend255(adjusted.blue, original.blue, level)};
}

}  // namespace tvqtest

#endif
