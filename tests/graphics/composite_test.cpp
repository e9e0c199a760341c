// The composite family through the host: an overlay picture at a fraction
// (weighted by its own mask), a colour over a selection, an overlay through a
// mask argument, and the overlay composite on client pictures of both forms.
// Every call is followed by an audit: nothing locked, no misuse, and exactly
// the objects the call hands out added.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "graphics/classes/client_picture.h"
#include "operation_fixture.h"

namespace tvqtest {
namespace {

constexpr const char* kComposite =
    "TVQ_Composite(extends p as picture, overlay as picture, overlay_fraction as double, left as "
    "integer, top as integer) as picture";
constexpr const char* kCompositeColor =
    "TVQ_Composite(extends p as picture, rect as TVQ_Rectangle, overlay_color as color, "
    "overlay_fraction as double) as picture";
constexpr const char* kCompositeWithMask =
    "TVQ_CompositeWithMask(extends p as picture, overlay as picture, mask as picture, left as "
    "integer, top as integer) as picture";
constexpr const char* kCompositeClient =
    "TVQ_Composite(extends cp as TVQ_ClientPicture, overlay as TVQ_ClientPicture, "
    "overlay_fraction as double, left as integer, top as integer, as_picture as boolean = false) "
    "as TVQ_ClientPicture";
constexpr const char* kFromPicture = "operator_convert(p as picture)";
constexpr const char* kToPicture = "operator_convert() as picture";

const double kNaN = std::numeric_limits<double>::quiet_NaN();

uint8_t blendChannel(uint32_t over, uint32_t source, uint32_t w) {
  return static_cast<uint8_t>((over * w + source * (256 - w)) >> 8);
}
Rgb blend(Rgb over, Rgb source, uint32_t w) {
  return {blendChannel(over.red, source.red, w), blendChannel(over.green, source.green, w),
          blendChannel(over.blue, source.blue, w)};
}

// What weights the overlay at overlay position (ox, oy); 0 keeps the source.
using WeightAt = std::function<uint32_t(int32_t ox, int32_t oy)>;

class CompositeTest : public OperationTest {
 protected:
  void TearDown() override {
    for (RbObject c : clients_) host.release(c);
    OperationTest::TearDown();
  }

  // Runs one call and checks the audit after it: every lock released, no
  // misuse, and `handedOut` new objects, each with the one reference the
  // caller now holds.
  template <typename Call>
  auto audited(int64_t handedOut, Call call) {
    const rbhost::Audit before = host.audit();
    auto result = call();
    const rbhost::Audit after = host.audit();
    const int64_t added = result != nullptr ? handedOut : 0;
    EXPECT_EQ(after.descriptionLocks, 0);
    EXPECT_EQ(after.globalMemoryLocks, 0);
    EXPECT_TRUE(after.violations.empty()) << after.violations.front();
    EXPECT_EQ(after.liveObjects, before.liveObjects + added);
    EXPECT_EQ(after.references, before.references + added);
    return result;
  }

  RbPicture composite(RbPicture p, RbPicture overlay, double f, int32_t left, int32_t top) {
    return adopt(
        audited(1, [&] { return host.call<RbPicture>(kComposite, p, overlay, f, left, top); }));
  }
  RbPicture compositeColor(RbPicture p, RbObject rect, uint32_t color, double f) {
    return adopt(audited(
        1, [&] { return host.call<RbPicture>(kCompositeColor, p, rect, RbColor{color}, f); }));
  }
  RbPicture compositeWithMask(RbPicture p, RbPicture overlay, RbPicture mask, int32_t left,
                              int32_t top) {
    return adopt(audited(
        1, [&] { return host.call<RbPicture>(kCompositeWithMask, p, overlay, mask, left, top); }));
  }
  // A picture-form result is an instance and its picture.
  RbObject compositeClient(RbObject cp, RbObject overlay, double f, int32_t left, int32_t top,
                           bool asPicture) {
    return keep(audited(asPicture ? 2 : 1, [&] {
      return host.call<RbObject>(kCompositeClient, cp, overlay, f, left, top,
                                 static_cast<RbBoolean>(asPicture));
    }));
  }

  RbObject keep(RbObject client) {
    if (client != nullptr) clients_.push_back(client);
    return client;
  }
  // A client picture in picture form standing for `p`.
  RbObject pictureClient(RbPicture p) {
    RbObject c = keep(host.newInstance("TVQ_ClientPicture"));
    host.callClassMethod<void>("TVQ_ClientPicture", kFromPicture, c, p);
    return c;
  }
  // A buffer-form client picture with the pixels of `p` (at 16 bits or more):
  // the client composite at fraction 0 copies its source.
  RbObject bufferClient(RbPicture p) {
    RbObject c = compositeClient(pictureClient(p), pictureClient(p), 0.0, 0, 0, false);
    EXPECT_EQ(host.getProperty<RbPicture>(c, "pic"), nullptr);
    return c;
  }
  RbPicture toPicture(RbObject c) {
    return adopt(host.callClassMethod<RbPicture>("TVQ_ClientPicture", kToPicture, c));
  }

  // Expects `result` to be `p` with `overlay` laid over it at (left, top),
  // weighted by weightAt; covered pixels (weight above 0, or all covered
  // pixels when `blendAtZero`) get a fourth byte of 0 at 32 bits, the others
  // keep it when the source has one.
  void expectLaidOver(RbPicture result, RbPicture p, RbPicture overlay, int32_t left, int32_t top,
                      const WeightAt& weightAt, bool blendAtZero = true) {
    ASSERT_NE(result, nullptr);
    const int32_t depth = resultDepthOf(host.depth(p));
    ASSERT_EQ(host.depth(result), depth);
    ASSERT_EQ(host.width(result), host.width(p));
    ASSERT_EQ(host.height(result), host.height(p));
    for (int32_t y = 0; y < host.height(p); ++y)
      for (int32_t x = 0; x < host.width(p); ++x) {
        const int64_t ox64 = int64_t{x} - left, oy64 = int64_t{y} - top;
        const bool covered =
            ox64 >= 0 && oy64 >= 0 && ox64 < host.width(overlay) && oy64 < host.height(overlay);
        const auto ox = static_cast<int32_t>(ox64), oy = static_cast<int32_t>(oy64);
        const uint32_t w = covered ? weightAt(ox, oy) : 0;
        const bool blended = covered && (w > 0 || blendAtZero);
        const Rgb s = readColor(p, x, y);
        const Rgb expected = blended ? blend(readColor(overlay, ox, oy), s, w) : s;
        ASSERT_EQ(host.pixel(result, x, y), heldAtDepth(expected, depth))
            << "at " << x << ", " << y << (covered ? " (covered)" : "");
        if (depth == 32) {
          const uint32_t fourth = blended || host.depth(p) != 32 ? 0 : host.rawPixel(p, x, y) >> 24;
          ASSERT_EQ(host.rawPixel(result, x, y) >> 24, fourth) << "at " << x << ", " << y;
        }
      }
  }

  // A mask on `p` of the host's mask depth, its pixel (x, y) set by level(x, y).
  void giveMask(RbPicture p, const std::function<Rgb(int32_t, int32_t)>& level) {
    RbPicture mask = host.mask(p, true);
    for (int32_t y = 0; y < host.height(mask); ++y)
      for (int32_t x = 0; x < host.width(mask); ++x) {
        if (host.depth(mask) == 8) {
          host.setRawPixel(mask, x, y, level(x, y).red);
        } else {
          host.setPixel(mask, x, y, level(x, y));
        }
      }
    host.release(mask);
  }

 private:
  std::vector<RbObject> clients_;
};

uint32_t weightOf(double f) { return static_cast<uint32_t>(f * 256); }

// ---- The overlay form.

TEST_F(CompositeTest, OverlayPlacedAndBlendedAtTheFraction) {
  struct Case {
    const char* what;
    double f;
    int32_t left, top;
  };
  const Case cases[] = {
      {"inside", 0.5, 2, 1},
      {"at (-5, -5): the first rows and columns from overlay pixel (5, 5) on", 0.7, -5, -5},
      {"over the last row and column", 0.3, 7, 5},
      {"past the right edge: a copy", 0.5, 8, 0},
      {"past the bottom: a copy", 0.5, 0, 6},
      {"ending before the first column: a copy", 0.5, -7, 0},
      {"ending before the first row: a copy", 0.5, 0, -6},
      {"fraction 0: a copy with covered fourth bytes 0", 0.0, 1, 1},
      {"fraction 1: the overlay itself", 1.0, -1, 2},
      {"far away, no wrap-around", 1.0, INT32_MAX, INT32_MIN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RbPicture p = patternPicture(8, 6, 32);
    RbPicture overlay = patternPicture(7, 6, 32);
    host.setPixel(overlay, 0, 0, {1, 2, 3});
    RbPicture result = composite(p, overlay, c.f, c.left, c.top);
    EXPECT_EQ(lastError(), 0);
    expectLaidOver(result, p, overlay, c.left, c.top,
                   [&](int32_t, int32_t) { return weightOf(c.f); });
  }
}

TEST_F(CompositeTest, OverlayAtEveryDepthAndStorage) {
  const double f = 0.7;
  for (PictureStorage storage : kStorages) {
    host.options().newPictureStorage = storage;
    for (int32_t depth : kAllDepths) {
      for (int32_t overlayDepth : {8, 16, 24, 32}) {
        SCOPED_TRACE(std::to_string(depth) + "-bit source, " + std::to_string(overlayDepth) +
                     "-bit overlay, storage " + std::to_string(int(storage)));
        RbPicture p = patternPicture(6, 4, depth, storage);
        RbPicture overlay = patternPicture(4, 4, overlayDepth, storage);
        expectLaidOver(composite(p, overlay, f, 3, -1), p, overlay, 3, -1,
                       [&](int32_t, int32_t) { return weightOf(f); });
      }
    }
  }
}

// The overlay's own mask weights by its red channel: level 0 shows the
// overlay at the full fraction, 255 hides it. Masks are given a blue channel
// unlike their red, so reading the wrong channel shows; the all-32-bit and
// all-24-bit cases run the fast loops (the suite's second run the general
// walk).
TEST_F(CompositeTest, OverlaysOwnMaskWeightsByItsRedChannel) {
  const double f = 0.75;
  for (int32_t maskDepth : {8, 16, 32}) {
    for (int32_t depth : {32, 24, 16}) {
      SCOPED_TRACE(std::to_string(maskDepth) + "-bit mask, all " + std::to_string(depth) +
                   "-bit pictures");
      host.options().maskDepth = maskDepth;
      RbPicture p = patternPicture(7, 5, depth);
      RbPicture overlay = patternPicture(5, 4, depth);
      auto red = [](int32_t x, int32_t y) { return static_cast<uint8_t>((x * 60 + y * 90) % 256); };
      giveMask(overlay, [&](int32_t x, int32_t y) {
        return Rgb{red(x, y), 17, static_cast<uint8_t>(255 - red(x, y))};
      });
      RbPicture result = composite(p, overlay, f, 1, 1);
      expectLaidOver(result, p, overlay, 1, 1, [&](int32_t ox, int32_t oy) {
        // A 16-bit mask holds five bits of it.
        const uint32_t m = maskDepth == 16 ? red(ox, oy) & 0xF8u : red(ox, oy);
        return ((255 - m) * weightOf(f)) / 255;
      });
    }
  }
}

TEST_F(CompositeTest, OverlayMaskLevelsAtTheEnds) {
  RbPicture p = filled(3, 1, 24, 0x000000);
  RbPicture overlay = filled(3, 1, 24, 0xFFFFFF);
  giveMask(overlay, [](int32_t x, int32_t) {
    const uint8_t levels[] = {0, 255, 128};
    return Rgb{levels[x], levels[x], levels[x]};
  });
  RbPicture result = composite(p, overlay, 1.0, 0, 0);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(host.rawPixel(result, 0, 0), 0xFFFFFFu) << "black shows the overlay fully";
  EXPECT_EQ(host.rawPixel(result, 1, 0), 0u) << "white hides it";
  // w' = (127 × 256) / 255 = 127: 255 × 127 >> 8 = 126.
  EXPECT_EQ(host.rawPixel(result, 2, 0), 0x7E7E7Eu);
}

// ---- The colour form.

TEST_F(CompositeTest, ColorOverTheSelection) {
  struct Case {
    const char* what;
    uint32_t source, color;
    double f;
    uint32_t expected;
  };
  const Case cases[] = {
      {"a half: black under white gives 127", 0x000000, 0xFFFFFF, 0.5, 0x7F7F7F},
      // wo = 76, ws = 179: (255 × 179 + 255 × 76) >> 8 = 254.
      {"weights truncated apart", 0xFFFFFF, 0xFFFFFF, 0.3, 0xFEFEFE},
      {"fraction 0 keeps the source", 0x123456, 0xFFFFFF, 0.0, 0x123456},
      {"fraction 1 gives the colour", 0x123456, 0xABCDEF, 1.0, 0xABCDEF},
      {"channels apart; the colour's top byte ignored", 0x204060, 0xFF80C0FF, 0.25, 0x386087},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RbPicture p = filled(2, 1, 24, c.source);
    RbPicture result = compositeColor(p, nullptr, c.color, c.f);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(host.rawPixel(result, 1, 0), c.expected);
  }
}

TEST_F(CompositeTest, ColorAtEveryDepthAndStorage) {
  const double f = 0.6;
  const uint32_t color = 0xE01080;
  const Rgb overlay = rbhost::fromColor(color);
  for (PictureStorage storage : kStorages) {
    host.options().newPictureStorage = storage;
    for (int32_t depth : kAllDepths) {
      SCOPED_TRACE(std::to_string(depth) + " bits, storage " + std::to_string(int(storage)));
      RbPicture p = patternPicture(6, 5, depth, storage);
      // Clipped to columns 0..2, rows 1..4.
      RbPicture result = compositeColor(p, rectangle({-2, 1, 5, 9}), color, f);
      ASSERT_NE(result, nullptr);
      const int32_t out = resultDepthOf(depth);
      const uint32_t wo = weightOf(f), ws = weightOf(1 - f);
      for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 6; ++x) {
          const bool inside = x <= 2 && y >= 1;
          const Rgb s = readColor(p, x, y);
          auto mix = [&](uint32_t sc, uint32_t oc) {
            return static_cast<uint8_t>((sc * ws + oc * wo) >> 8);
          };
          const Rgb expected = inside ? Rgb{mix(s.red, overlay.red), mix(s.green, overlay.green),
                                            mix(s.blue, overlay.blue)}
                                      : s;
          ASSERT_EQ(host.pixel(result, x, y), heldAtDepth(expected, out)) << x << ", " << y;
          if (out == 32) {
            EXPECT_EQ(host.rawPixel(result, x, y) >> 24, inside ? 0 : host.rawPixel(p, x, y) >> 24);
          }
        }
    }
  }
}

// ---- The mask-argument form.

TEST_F(CompositeTest, MaskLevelsWeightOutOf256) {
  // Source 0, overlay 255: the channel is 255 × w >> 8.
  struct Case {
    uint8_t level;
    uint32_t expected;
  };
  const Case cases[] = {{127, 126}, {128, 128}, {255, 255}, {1, 0}};
  for (int32_t maskDepth : {8, 24, 32}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::to_string(maskDepth) + "-bit mask, level " + std::to_string(c.level));
      RbPicture p = filled(2, 2, 32, 0xAA000000);
      RbPicture overlay = filled(2, 2, 24, 0xFFFFFF);
      RbPicture mask = picture(2, 2, maskDepth);
      if (maskDepth == 8) host.setPalette(mask, {{0, 0, 0}, {9, 9, c.level}});
      for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 2; ++x) {
          // The red channel differs, so only the blue one gives the level.
          if (maskDepth == 8) {
            host.setRawPixel(mask, x, y, 1);
          } else {
            host.setPixel(mask, x, y, {static_cast<uint8_t>(255 - c.level), 9, c.level});
          }
        }
      RbPicture result = compositeWithMask(p, overlay, mask, 0, 0);
      ASSERT_NE(result, nullptr);
      EXPECT_EQ(host.rawPixel(result, 1, 1), c.expected * 0x010101u) << "fourth byte 0";
    }
  }
}

TEST_F(CompositeTest, MaskedOverlayAtEveryDepthAndStorage) {
  for (PictureStorage storage : kStorages) {
    host.options().newPictureStorage = storage;
    for (int32_t depth : kAllDepths) {
      for (int32_t overlayDepth : {8, 16, 24, 32}) {
        SCOPED_TRACE(std::to_string(depth) + "-bit source, " + std::to_string(overlayDepth) +
                     "-bit overlay, storage " + std::to_string(int(storage)));
        RbPicture p = patternPicture(6, 5, depth, storage);
        RbPicture overlay = patternPicture(4, 3, overlayDepth, storage);
        // The overlay's own mask would hide it everywhere; it is not read.
        giveMask(overlay, [](int32_t, int32_t) { return Rgb{255, 255, 255}; });
        RbPicture mask = picture(4, 3, 32, storage);
        auto level = [](int32_t x, int32_t y) {
          return static_cast<uint8_t>(((x - 1) * 85 + y * 100 + 256) % 256);
        };
        for (int32_t y = 0; y < 3; ++y)
          for (int32_t x = 0; x < 4; ++x) host.setPixel(mask, x, y, {0, 0, level(x, y)});
        RbPicture result = compositeWithMask(p, overlay, mask, -1, 3);
        // Level 0 writes the source as it was read, fourth byte included.
        expectLaidOver(
            result, p, overlay, -1, 3,
            [&](int32_t ox, int32_t oy) { return uint32_t{level(ox, oy)} + (level(ox, oy) >> 7); },
            false);
      }
    }
  }
}

TEST_F(CompositeTest, OneBitMaskKeepsTheSource) {
  RbPicture p = patternPicture(3, 3, 32);
  RbPicture overlay = filled(3, 3, 32, 0xFFFFFF);
  RbPicture mask = picture(3, 3, 1);
  host.setPalette(mask, {{0, 0, 0}, {255, 255, 255}});
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 3; ++x) host.setRawPixel(mask, x, y, 1);
  RbPicture result = compositeWithMask(p, overlay, mask, 0, 0);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(bytesOf(result), bytesOf(p));
}

// ---- Checks, in the order each form makes them.

TEST_F(CompositeTest, OverlayFormChecksInOrder) {
  struct Case {
    const char* what;
    bool nilSource, nilOverlay;
    double f;
    bool sourceLockFails, overlayLockFails, noResult;
    int32_t code;
  };
  const Case cases[] = {
      {"nil source", true, true, 2.0, false, false, false, 2},
      {"nil overlay", false, true, 2.0, true, false, false, 12},
      {"fraction below 0, before any lock", false, false, -0.01, true, true, false, 14},
      {"fraction above 1", false, false, 1.01, true, true, false, 14},
      {"NaN fraction", false, false, kNaN, false, false, false, 14},
      {"source lock", false, false, 0.5, true, true, true, 3},
      {"overlay lock", false, false, 0.5, false, true, true, 13},
      {"no result", false, false, 0.5, false, false, true, 5},
      {"both ends of the range pass", false, false, 0.0, false, false, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RbPicture p = patternPicture(4, 3, 24);
    RbPicture overlay = patternPicture(9, 9, 16);
    if (c.sourceLockFails) host.failLocksOf(p);
    if (c.overlayLockFails) host.failLocksOf(overlay);
    if (c.noResult) host.failNewPictureAfter(0);
    RbPicture result =
        composite(c.nilSource ? nullptr : p, c.nilOverlay ? nullptr : overlay, c.f, 0, 0);
    host.failNewPictureAfter(std::nullopt);
    EXPECT_EQ(lastError(), c.code);
    EXPECT_EQ(result != nullptr, c.code == 0);
  }
}

TEST_F(CompositeTest, ColorFormChecksInOrder) {
  struct Case {
    const char* what;
    bool nilSource;
    double f;
    bool lockFails;
    RectArgument rect;
    bool noResult;
    int32_t code;
  };
  const Case cases[] = {
      {"nil source", true, 2.0, false, {0, 0, 0, 0}, false, 2},
      {"fraction above 1, before the lock", false, 1.01, true, {0, 0, 0, 0}, false, 14},
      {"NaN fraction", false, kNaN, false, {0, 0, 4, 3}, false, 14},
      {"source lock", false, 0.5, true, {0, 0, 0, 0}, true, 3},
      {"selection left of the picture", false, 0.5, false, {-5, 0, 5, 3}, true, 37},
      {"selection below the picture", false, 0.5, false, {0, 3, 4, 3}, true, 37},
      {"no result", false, 0.5, false, {3, 2, 1, 1}, true, 5},
      {"one pixel", false, 1.0, false, {3, 2, 1, 1}, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RbPicture p = patternPicture(4, 3, 32);
    if (c.lockFails) host.failLocksOf(p);
    if (c.noResult) host.failNewPictureAfter(0);
    RbPicture result = compositeColor(c.nilSource ? nullptr : p, rectangle(c.rect), 0xFF00FF, c.f);
    host.failNewPictureAfter(std::nullopt);
    EXPECT_EQ(lastError(), c.code);
    EXPECT_EQ(result != nullptr, c.code == 0);
  }
}

TEST_F(CompositeTest, MaskFormChecksInOrder) {
  // A 6 x 4 source, a 3 x 2 overlay.
  struct Case {
    const char* what;
    bool nilSource, nilOverlay, nilMask;
    int32_t left, top;
    bool sourceLockFails, overlayLockFails, maskLockFails;
    int32_t maskWidth;
    bool noResult;
    int32_t code;
  };
  const Case cases[] = {
      {"nil source", true, true, true, 9, 9, false, false, false, 3, false, 2},
      {"nil overlay", false, true, true, 9, 9, true, false, false, 3, false, 12},
      {"nil mask, before any lock", false, false, true, 9, 9, true, false, false, 3, false, 7},
      {"source lock", false, false, false, 9, 9, true, true, true, 6, true, 3},
      {"overlay lock", false, false, false, 9, 9, false, true, true, 6, true, 13},
      {"left at the width, before the mask", false, false, false, 6, 0, false, false, true, 6, true,
       15},
      {"top at the height", false, false, false, 0, 4, false, false, false, 3, false, 15},
      {"ending before the first column", false, false, false, -3, 0, false, false, false, 3, false,
       15},
      {"ending before the first row", false, false, false, 0, -2, false, false, false, 3, false,
       15},
      {"mask lock", false, false, false, 0, 0, false, false, true, 3, true, 8},
      {"mask the size of the source, not the overlay", false, false, false, 0, 0, false, false,
       false, 6, true, 9},
      {"no result", false, false, false, 0, 0, false, false, false, 3, true, 5},
      {"last column and row still covered", false, false, false, 5, 3, false, false, false, 3,
       false, 0},
      {"first column and row still covered", false, false, false, -2, -1, false, false, false, 3,
       false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RbPicture p = patternPicture(6, 4, 24);
    RbPicture overlay = patternPicture(3, 2, 24);
    RbPicture mask = filled(c.maskWidth, c.maskWidth == 6 ? 4 : 2, 24, 0xFFFFFF);
    if (c.sourceLockFails) host.failLocksOf(p);
    if (c.overlayLockFails) host.failLocksOf(overlay);
    if (c.maskLockFails) host.failLocksOf(mask);
    if (c.noResult) host.failNewPictureAfter(0);
    RbPicture result =
        compositeWithMask(c.nilSource ? nullptr : p, c.nilOverlay ? nullptr : overlay,
                          c.nilMask ? nullptr : mask, c.left, c.top);
    host.failNewPictureAfter(std::nullopt);
    EXPECT_EQ(lastError(), c.code);
    EXPECT_EQ(result != nullptr, c.code == 0);
  }
}

// ---- The client-picture form.

TEST_F(CompositeTest, ClientPicturesOfBothFormsGiveEitherForm) {
  const double f = 0.6;
  for (PictureStorage storage : kStorages) {
    host.options().newPictureStorage = storage;
    for (int32_t depth : {8, 16, 24, 32}) {
      for (bool sourceBuffer : {false, true}) {
        for (bool overlayBuffer : {false, true}) {
          for (bool asPicture : {false, true}) {
            // A buffer form holds 16, 24 or 32 bits.
            if (depth == 8 && (sourceBuffer || overlayBuffer)) continue;
            SCOPED_TRACE(
                std::to_string(depth) + " bits, source " + (sourceBuffer ? "buffer" : "picture") +
                ", overlay " + (overlayBuffer ? "buffer" : "picture") + ", result " +
                (asPicture ? "picture" : "buffer") + ", storage " + std::to_string(int(storage)));
            RbPicture p = patternPicture(6, 5, depth, storage);
            RbPicture overlay = patternPicture(4, 4, depth == 8 ? 24 : depth, storage);
            RbObject cp = sourceBuffer ? bufferClient(p) : pictureClient(p);
            // A buffer-form copy has blended pixels, with fourth bytes of 0.
            RbPicture source = sourceBuffer ? toPicture(cp) : p;
            RbObject co = overlayBuffer ? bufferClient(overlay) : pictureClient(overlay);
            RbObject result = compositeClient(cp, co, f, 2, -1, asPicture);
            ASSERT_NE(result, nullptr);
            EXPECT_EQ(lastError(), 0);
            EXPECT_EQ(host.getProperty<int32_t>(result, "depth"), resultDepthOf(depth));
            EXPECT_FALSE(host.getProperty<bool>(result, "hasMask"));
            RbPicture pic = adopt(host.getProperty<RbPicture>(result, "pic"));
            EXPECT_EQ(pic != nullptr, asPicture);
            expectLaidOver(toPicture(result), source, overlay, 2, -1,
                           [&](int32_t, int32_t) { return weightOf(f); });
          }
        }
      }
    }
  }
}

TEST_F(CompositeTest, ClientOverlayMasksWeightTheBlend) {
  const double f = 1.0;
  auto level = [](int32_t x, int32_t y) { return static_cast<uint8_t>((x * 70 + y * 40) % 256); };
  for (bool overlayBuffer : {false, true}) {
    SCOPED_TRACE(overlayBuffer ? "buffer form: its mask buffer" : "picture form: the host mask");
    RbPicture p = patternPicture(5, 4, 24);
    RbPicture overlay = patternPicture(4, 3, 32);
    RbObject co;
    if (overlayBuffer) {
      co = bufferClient(overlay);
      // Mask levels of the client picture's own, as a buffer-form client
      // picture holds them.
      auto* data = static_cast<tvq::ClientPictureData*>(host.instanceData(co));
      ASSERT_NE(data, nullptr);
      data->maskBuffer = static_cast<uint8_t*>(std::malloc(4 * 3));
      ASSERT_NE(data->maskBuffer, nullptr);
      data->hasMask = 1;
      data->maskDepth = 8;
      data->maskRowBytes = 4;
      for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 4; ++x) data->maskBuffer[y * 4 + x] = level(x, y);
    } else {
      giveMask(overlay, [&](int32_t x, int32_t y) { return Rgb{level(x, y), 0, 0}; });
      co = pictureClient(overlay);
    }
    RbObject result = compositeClient(pictureClient(p), co, f, 1, 1, false);
    expectLaidOver(toPicture(result), p, overlay, 1, 1, [&](int32_t ox, int32_t oy) {
      return ((255u - level(ox, oy)) * weightOf(f)) / 255;
    });
  }
}

TEST_F(CompositeTest, ClientFormChecksInOrder) {
  struct Case {
    const char* what;
    bool nilSource, nilOverlay;
    double f;
    bool emptySource, emptyOverlay, sourceLockFails, noResult, asPicture;
    int32_t code;
  };
  const Case cases[] = {
      {"nil source", true, true, 2.0, true, true, false, false, false, 2},
      {"nil overlay", false, true, 2.0, true, true, false, false, false, 12},
      {"fraction above 1, before any lock", false, false, 1.01, true, true, false, false, false,
       14},
      {"NaN fraction", false, false, kNaN, false, false, false, false, false, 14},
      {"an empty source cannot be locked", false, false, 0.5, true, true, false, false, false, 3},
      {"a source picture that does not lock", false, false, 0.5, false, true, true, false, false,
       3},
      {"an empty overlay", false, false, 0.5, false, true, false, false, false, 13},
      {"no result picture", false, false, 0.5, false, false, false, true, true, 5},
      {"both ends of the range pass", false, false, 1.0, false, false, false, false, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RbPicture p = patternPicture(4, 3, 24);
    RbObject cp = c.emptySource ? keep(host.newInstance("TVQ_ClientPicture")) : pictureClient(p);
    RbObject co = c.emptyOverlay ? keep(host.newInstance("TVQ_ClientPicture"))
                                 : pictureClient(patternPicture(2, 2, 32));
    if (c.sourceLockFails) host.failLocksOf(p);
    if (c.noResult) host.failNewPictureAfter(0);
    RbObject result = compositeClient(c.nilSource ? nullptr : cp, c.nilOverlay ? nullptr : co, c.f,
                                      0, 0, c.asPicture);
    host.failNewPictureAfter(std::nullopt);
    EXPECT_EQ(lastError(), c.code);
    EXPECT_EQ(result != nullptr, c.code == 0);
  }
}

}  // namespace
}  // namespace tvqtest
