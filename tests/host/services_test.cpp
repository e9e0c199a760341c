// Host services as a plug-in reaches them: locks and their audit, faults,
// drawing into a 32-bit picture, strings, arrays and memory blocks.
#include <cstring>

#include "platform/win32.h"
#include "service_access.h"
#include "test_host.h"

namespace {

using rbhost::Host;
using rbhost::PictureStorage;
using rbhost::Rgb;

using LockFn = void(RbPicture, RbPictureDescription*);
using RealLockFn = RbBoolean(RbPicture, RbPictureDescription*, int32_t);
using UnlockFn = void(RbPicture);

TEST(Services, DibSectionLockOnlyForDibSections) {
  Host host;
  auto realLock = service<RealLockFn>(host, "REALLockPictureDescription");
  auto unlock = service<UnlockFn>(host, "unlockPictureDescription");
  RbPicture packed = host.newPicture(2, 2, 24, PictureStorage::GlobalDib);
  RbPicture section = host.newPicture(2, 2, 24, PictureStorage::DibSection);
  RbPictureDescription d{};
  EXPECT_FALSE(realLock(packed, &d, 7));
  EXPECT_EQ(host.audit().descriptionLocks, 0);
  EXPECT_FALSE(realLock(section, &d, 5));
  ASSERT_TRUE(realLock(section, &d, 7));
  EXPECT_EQ(d.kind, 7);
  EXPECT_EQ(host.audit().descriptionLocks, 1);
  unlock(section);
  host.release(packed);
  host.release(section);
  EXPECT_EQ(host.audit(), rbhost::Audit{});
}

TEST(Services, AuditSeesOutstandingLocksAndMisuse) {
  Host host;
  auto lock = service<LockFn>(host, "lockPictureDescription");
  auto unlock = service<UnlockFn>(host, "unlockPictureDescription");
  RbPicture p = host.newPicture(2, 2, 32);
  RbPictureDescription d{};
  lock(p, &d);
  void* pixels = GlobalLock(static_cast<HGLOBAL>(d.handle));
  ASSERT_NE(pixels, nullptr);
  rbhost::Audit a = host.audit();
  EXPECT_EQ(a.descriptionLocks, 1);
  EXPECT_EQ(a.globalMemoryLocks, 1);
  GlobalUnlock(static_cast<HGLOBAL>(d.handle));
  unlock(p);
  unlock(p);  // one too many
  a = host.audit();
  EXPECT_EQ(a.descriptionLocks, 0);
  EXPECT_EQ(a.globalMemoryLocks, 0);
  ASSERT_EQ(a.violations.size(), 1u);
  EXPECT_NE(a.violations[0].find("without a lock"), std::string::npos);
  host.release(p);
}

TEST(Services, AFailingPictureLocksAsUnknownKindButStillCounts) {
  Host host;
  auto lock = service<LockFn>(host, "lockPictureDescription");
  auto realLock = service<RealLockFn>(host, "REALLockPictureDescription");
  auto unlock = service<UnlockFn>(host, "unlockPictureDescription");
  RbPicture p = host.newPicture(2, 2, 32, PictureStorage::DibSection);
  host.failLocksOf(p);
  RbPictureDescription d{};
  EXPECT_FALSE(realLock(p, &d, 7));
  lock(p, &d);
  EXPECT_NE(d.kind, 5);
  EXPECT_NE(d.kind, 7);
  EXPECT_EQ(d.handle, nullptr);
  EXPECT_EQ(host.audit().descriptionLocks, 1);
  unlock(p);
  host.release(p);
  EXPECT_EQ(host.audit(), rbhost::Audit{});
}

TEST(Services, NewPictureFailsAfterTheGivenCount) {
  Host host;
  auto newPicture = service<RbPicture(int32_t, int32_t, int32_t)>(host, "newPicture");
  host.failNewPictureAfter(1);
  RbPicture first = newPicture(2, 2, 32);
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(newPicture(2, 2, 32), nullptr);
  host.failNewPictureAfter(std::nullopt);
  RbPicture third = newPicture(2, 2, 32);
  EXPECT_NE(third, nullptr);
  EXPECT_EQ(newPicture(0, 2, 32), nullptr);
  EXPECT_EQ(newPicture(2, 2, 3), nullptr);
  host.release(first);
  host.release(third);
}

TEST(Services, NewPictureUsesTheConfiguredStorage) {
  rbhost::HostOptions options;
  options.newPictureStorage = PictureStorage::DibSection;
  Host host(options);
  auto newPicture = service<RbPicture(int32_t, int32_t, int32_t)>(host, "newPicture");
  RbPicture p = newPicture(2, 2, 24);
  EXPECT_EQ(host.storage(p), PictureStorage::DibSection);
  host.release(p);
}

TEST(Services, MaskServiceHandsTheCallerAReference) {
  Host host;
  auto getMask = service<RbPicture(RbPicture, RbBoolean)>(host, "REALGetPictureMask");
  RbPicture p = host.newPicture(3, 2, 24);
  EXPECT_EQ(getMask(p, false), nullptr);
  RbPicture m = getMask(p, true);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(getMask(p, false), m);
  EXPECT_EQ(host.referenceCount(toObject(m)), 3);
  host.release(m);
  host.release(m);
  host.release(p);
  EXPECT_EQ(host.audit(), rbhost::Audit{});
}

// Drawing converts any depth to the 32-bit target, top row to top row.
class DrawingConverts : public ::testing::TestWithParam<std::tuple<int32_t, PictureStorage>> {};

TEST_P(DrawingConverts, EveryPixelToItsColour) {
  auto [depth, storage] = GetParam();
  Host host;
  auto graphicsOf = service<RbGraphics(RbPicture)>(host, "pluginPictureGraphicsGetter");
  auto dcOf = service<uintptr_t(RbGraphics)>(host, "REALGraphicsDC");
  auto draw =
      service<void(uintptr_t, RbPicture, const RbRect16*, RbBoolean)>(host, "drawPicturePrimitive");
  const int32_t w = 5, h = 3;
  RbPicture source = host.newPicture(w, h, depth, storage);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      host.setPixel(source, x, y, {uint8_t(40 * x + 8), uint8_t(80 * y), uint8_t(255 - 16 * x)});
  RbPicture target = host.newPicture(w, h, 32);
  const RbRect16 bounds{0, 0, int16_t(h), int16_t(w)};
  draw(dcOf(graphicsOf(target)), source, &bounds, false);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      EXPECT_EQ(host.rawPixel(target, x, y), rbhost::toColor(host.pixel(source, x, y)))
          << x << "," << y;
    }
  host.release(source);
  host.release(target);
  EXPECT_EQ(host.audit(), rbhost::Audit{});
}

INSTANTIATE_TEST_SUITE_P(Depths, DrawingConverts,
                         ::testing::Combine(::testing::Values(1, 2, 4, 8, 16, 24, 32),
                                            ::testing::Values(PictureStorage::GlobalDib,
                                                              PictureStorage::DibSection)));

TEST(Services, StringsKeepBytesAndEncoding) {
  Host host;
  auto build = service<RbString(const char*, int32_t)>(host, "REALBuildString");
  auto setEncoding = service<void(RbString, uint32_t)>(host, "REALSetStringEncoding");
  const char bytes[] = {'a', '\0', 'b'};
  RbString s = build(bytes, 3);
  setEncoding(s, 0xFFFF);
  EXPECT_EQ(host.stringBytes(s), std::string(bytes, 3));
  EXPECT_EQ(host.stringEncoding(s), 0xFFFFu);
  host.release(s);
  // Without bytes: that many zero bytes, to be filled through stringGetBytes.
  auto bytesOf = service<const char*(RbString, int32_t*)>(host, "stringGetBytes");
  RbString blank = build(nullptr, 4);
  ASSERT_NE(blank, nullptr);
  EXPECT_EQ(host.stringBytes(blank), std::string(4, '\0'));
  int32_t length = 0;
  char* storage = const_cast<char*>(bytesOf(blank, &length));
  ASSERT_EQ(length, 4);
  std::memcpy(storage, "PPIC", 4);
  EXPECT_EQ(host.stringBytes(blank), "PPIC");
  host.release(blank);
  EXPECT_EQ(build(bytes, -1), nullptr);
  EXPECT_EQ(host.audit().violations, std::vector<std::string>{"REALBuildString: bad buffer"});
}

TEST(Services, MessageBoxesAreCapturedInOrder) {
  Host host;
  auto build = service<RbString(const char*, int32_t)>(host, "REALBuildString");
  auto show = service<void(RbString)>(host, "RuntimeMsgBox");
  RbString a = build("first", 5);
  RbString b = build("second", 6);
  show(a);
  show(b);
  EXPECT_EQ(host.messageBoxes(), (std::vector<std::string>{"first", "second"}));
  host.release(a);
  host.release(b);
}

TEST(Services, ArraysAreBoundsChecked) {
  Host host;
  auto ubound = service<int32_t(RbArray)>(host, "RuntimeUBound");
  auto read = service<int32_t(RbArray, int32_t)>(host, "RuntimeDirectReadIntArray");
  RbArray a = host.newIntArray({1, -2, 3});
  EXPECT_EQ(ubound(a), 2);
  EXPECT_EQ(read(a, 1), -2);
  EXPECT_EQ(read(a, 3), 0);
  EXPECT_EQ(host.audit().violations.size(), 1u);
  host.release(a);
}

TEST(Services, MemoryBlocksOwnedAndForeign) {
  Host host;
  auto newBlock = service<RbMemoryBlock(int32_t)>(host, "newMemoryBlock");
  auto pointer = service<void*(RbMemoryBlock)>(host, "memoryBlockGetPtr");
  auto wrap = service<RbMemoryBlock(void*)>(host, "PtrToMemoryBlock");
  auto size = service<int32_t(RbMemoryBlock)>(host, "REALMemoryBlockGetSize");
  RbMemoryBlock b = newBlock(16);
  ASSERT_NE(pointer(b), nullptr);
  EXPECT_EQ(host.memoryBlockSize(b), 16);
  EXPECT_EQ(size(b), 16);
  RbMemoryBlock empty = newBlock(0);
  EXPECT_EQ(size(empty), 0);
  host.release(empty);
  EXPECT_EQ(newBlock(-1), nullptr);
  uint8_t outside[4] = {1, 2, 3, 4};
  RbMemoryBlock w = wrap(outside);
  EXPECT_EQ(pointer(w), outside);
  EXPECT_EQ(host.memoryBlockSize(w), -1);
  EXPECT_EQ(size(w), -1);  // the host cannot know the size of memory it does not own
  host.release(b);
  host.release(w);
  EXPECT_EQ(host.audit(), rbhost::Audit{});
}

TEST(Services, MissingServicesResolveToNull) {
  rbhost::HostOptions options;
  options.missingServices = {"newPicture", "REALGetRBVersion"};
  Host host(options);
  EXPECT_EQ(host.resolver()("newPicture"), nullptr);
  EXPECT_EQ(host.resolver()("REALGetRBVersion"), nullptr);
  EXPECT_EQ(host.resolver()("NoSuchService"), nullptr);
  EXPECT_NE(host.resolver()("lockPictureDescription"), nullptr);
}

TEST(Services, VersionIsTheConfiguredOne) {
  rbhost::HostOptions options;
  options.version = 5.5;
  Host host(options);
  EXPECT_EQ(service<double()>(host, "REALGetRBVersion")(), 5.5);
}

}  // namespace
