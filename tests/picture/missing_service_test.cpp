// The picture plug-in on hosts that lack one service: what still works gives
// the right pixels and leaves the caller's pictures and the audit as they
// were; what cannot work answers nil instead of a picture it never drew.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "function_fixture.h"

namespace zrwtest {
namespace {

const char* const kBrighter = "ChangeBrightnessAbsoluteZRW(x as double) as picture";
const char* const kToString = "PicturetoBinaryStringZRW(p as picture) as string";
const char* const kFromString = "BinaryStringtoPictureZRW(data as String) as Picture";

rbhost::HostOptions without(std::string service) {
  rbhost::HostOptions options;
  options.missingServices.insert(std::move(service));
  return options;
}

struct Source {
  const char* what;
  int32_t depth;
  PictureStorage storage;
};

// A 32-bit packed bitmap is read in place; the others are read through a
// 32-bit copy the host draws.
const Source kSources[] = {
    {"32-bit packed", 32, PictureStorage::GlobalDib},
    {"24-bit packed", 24, PictureStorage::GlobalDib},
    {"8-bit packed", 8, PictureStorage::GlobalDib},
    {"32-bit section", 32, PictureStorage::DibSection},
};

std::vector<Rgb> brighterBy(const std::vector<Rgb>& colors, int level) {
  std::vector<Rgb> out;
  auto up = [level](uint8_t c) { return static_cast<uint8_t>(std::min(255, c + level)); };
  for (Rgb c : colors) out.push_back({up(c.red), up(c.green), up(c.blue)});
  return out;
}

// What the picture shows, row by row from the top.
std::vector<Rgb> shownColors(const rbhost::Host& host, RbPicture p) {
  std::vector<Rgb> colors;
  for (int32_t y = host.height(p) - 1; y >= 0; --y)
    for (int32_t x = 0; x < host.width(p); ++x) colors.push_back(host.pixel(p, x, y));
  return colors;
}

// Without "REALLockObject" the view cannot take a reference of its own; it
// must neither drop one it never got (destroying the caller's picture, or
// the copy it is still reading) nor leave one behind.
TEST(PictureWithoutService, LockObjectMissingLeavesSourcesAliveAndResultsExact) {
  rbhost::Host host(without("REALLockObject"));
  host.load(rbhost::picturePluginPath());
  for (const Source& source : kSources) {
    SCOPED_TRACE(source.what);
    const int32_t width = 3, height = 2;
    RbPicture p = host.newPicture(width, height, source.depth, source.storage);
    std::vector<Rgb> colors;
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) colors.push_back(patternColor(x, y));
    if (source.depth <= 8) host.setPalette(p, colors);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x)
        host.setPixel(p, x, height - 1 - y, colors[size_t(y * width + x)]);
    const rbhost::Audit before = host.audit();

    RbPicture result = host.call<RbPicture>(kBrighter, p, 16.0);
    ASSERT_NE(result, nullptr);
    EXPECT_TRUE(host.isAlive(toObject(p)));
    EXPECT_EQ(host.referenceCount(toObject(p)), 1);
    EXPECT_EQ(shownColors(host, result), brighterBy(colors, 16));
    host.release(result);
    EXPECT_TRUE(rbtest::AuditUnchanged(host, before));

    RbString bytes = host.call<RbString>(kToString, p);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(host.referenceCount(toObject(p)), 1);
    RbPicture back = host.call<RbPicture>(kFromString, bytes);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(shownColors(host, back), colors);
    host.release(back);
    host.release(bytes);
    EXPECT_TRUE(rbtest::AuditUnchanged(host, before));
    host.release(p);
  }
}

// Without a service an operation needs it gives nil, never a picture of
// the host's fill bytes, and unlocks nothing it did not lock; what does not
// need the service is unaffected.
TEST(PictureWithoutService, OperationsRefuseWhatNeedsTheMissingService) {
  struct Case {
    const char* service;
    bool inPlaceStillWorks;  // a 32-bit packed picture, read without a copy
  };
  const Case cases[] = {
      // No copy can be drawn.
      {"drawPicturePrimitive", true},
      // Nothing can be read or made.
      {"lockPictureDescription", false},
  };
  for (const Case& c : cases) {
    rbhost::Host host(without(c.service));
    host.load(rbhost::picturePluginPath());
    for (const Source& source : kSources) {
      SCOPED_TRACE(std::string(c.service) + " missing, " + source.what);
      RbPicture p = host.newPicture(3, 2, source.depth, source.storage);
      const rbhost::Audit before = host.audit();
      const bool works =
          c.inPlaceStillWorks && source.depth == 32 && source.storage == PictureStorage::GlobalDib;
      RbPicture result = host.call<RbPicture>(kBrighter, p, 16.0);
      RbString bytes = host.call<RbString>(kToString, p);
      EXPECT_EQ(result != nullptr, works);
      EXPECT_EQ(bytes != nullptr, works);
      host.release(result);
      host.release(bytes);
      EXPECT_TRUE(rbtest::AuditUnchanged(host, before));
      host.release(p);
    }
  }
}

}  // namespace
}  // namespace zrwtest
