// "REALBuildPictureFromDIB": pictures from packed DIBs in global memory, and
// what becomes of the block.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/win32.h"
#include "service_access.h"
#include "test_host.h"

namespace {

using rbhost::Host;
using rbhost::Rgb;

using BuildFromDib = RbPicture(HGLOBAL, RbBoolean);

constexpr int32_t kWidth = 3;
constexpr int32_t kHeight = 2;

struct Dib {
  uint32_t headerSize = 40;  // 12: core header
  int32_t depth = 24;
  bool topDown = false;
  uint32_t used = 0;  // biClrUsed
};

uint32_t tableEntries(const Dib& d) {
  if (d.headerSize != 12 && d.used != 0) return d.used;
  return d.depth <= 8 ? 1u << d.depth : 0;
}

// The raw value of pixel i (0-2 top row, 3-5 bottom row), as the host reports
// it: an index into the table, a 5-5-5 word, 0xRRGGBB, or the whole word.
uint32_t rawValue(const Dib& d, int i) {
  switch (d.depth) {
    case 1:
      return uint32_t(i % 2);
    case 4:
    case 8:
      return uint32_t(i);
    case 16:
      return uint32_t(0x0421 * (i + 1));
    case 24:
      return uint32_t(0x102030 * (i + 1));
    default:
      return 0x01000000u * uint32_t(i + 7) | uint32_t(0x0A0B0C * (i + 1));
  }
}

Rgb tableColor(uint32_t i) { return {uint8_t(10 + i), uint8_t(100 + i), uint8_t(200 - i)}; }

// The packed DIB of `d`, `extra` bytes longer (negative: shorter).
std::vector<uint8_t> packedDib(const Dib& d, int extra = 0) {
  std::vector<uint8_t> bytes(d.headerSize, 0);
  std::memcpy(bytes.data(), &d.headerSize, 4);
  if (d.headerSize == 12) {
    const WORD core[4] = {WORD(kWidth), WORD(kHeight), 1, WORD(d.depth)};
    std::memcpy(bytes.data() + 4, core, sizeof core);
  } else {
    BITMAPINFOHEADER h{};
    h.biSize = d.headerSize;
    h.biWidth = kWidth;
    h.biHeight = d.topDown ? -kHeight : kHeight;
    h.biPlanes = 1;
    h.biBitCount = WORD(d.depth);
    h.biCompression = BI_RGB;
    h.biClrUsed = d.used;
    std::memcpy(bytes.data(), &h, sizeof h);
  }
  for (uint32_t i = 0; i < tableEntries(d); ++i) {
    const Rgb c = tableColor(i);
    bytes.insert(bytes.end(), {c.blue, c.green, c.red});
    if (d.headerSize != 12) bytes.push_back(0);
  }
  const size_t rowBytes = (size_t(kWidth) * size_t(d.depth) + 31) / 32 * 4;
  for (int memoryRow = 0; memoryRow < kHeight; ++memoryRow) {
    const int topRow = d.topDown ? memoryRow : kHeight - 1 - memoryRow;
    std::vector<uint8_t> row(rowBytes, 0);
    for (int x = 0; x < kWidth; ++x) {
      const uint32_t v = rawValue(d, topRow * kWidth + x);
      if (d.depth < 8) {
        const int shift = 8 - d.depth * (x % (8 / d.depth) + 1);
        row[size_t(x * d.depth / 8)] |= uint8_t(v << shift);
      } else {
        for (int b = 0; b < d.depth / 8; ++b)
          row[size_t(x * d.depth / 8 + b)] = uint8_t(v >> 8 * b);
      }
    }
    bytes.insert(bytes.end(), row.begin(), row.end());
  }
  if (extra >= 0) {
    bytes.insert(bytes.end(), size_t(extra), uint8_t{0});
  } else {
    bytes.erase(bytes.end() - std::min<ptrdiff_t>(-ptrdiff_t{extra}, ptrdiff_t(bytes.size())),
                bytes.end());
  }
  return bytes;
}

HGLOBAL globalCopy(const std::vector<uint8_t>& bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (block == nullptr) return nullptr;
  std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
  GlobalUnlock(block);
  return block;
}

bool unchangedAndUnlocked(HGLOBAL block, const std::vector<uint8_t>& bytes) {
  if (GlobalFlags(block) != 0 || GlobalSize(block) < bytes.size()) return false;
  const bool same = std::memcmp(GlobalLock(block), bytes.data(), bytes.size()) == 0;
  GlobalUnlock(block);
  return same;
}

class PictureFromDibTest : public ::testing::TestWithParam<Dib> {
 protected:
  Host host;
  BuildFromDib* build = service<BuildFromDib>(host, "REALBuildPictureFromDIB");
};

TEST_P(PictureFromDibTest, PixelsAndColoursArriveInTheHostsRowOrder) {
  const Dib d = GetParam();
  const std::vector<uint8_t> bytes = packedDib(d);
  for (bool takeOwnership : {false, true}) {
    const rbhost::Audit before = host.audit();
    HGLOBAL block = globalCopy(bytes);
    RbPicture p = build(block, takeOwnership);
    ASSERT_NE(p, nullptr) << takeOwnership;
    EXPECT_EQ(host.width(p), kWidth);
    EXPECT_EQ(host.height(p), kHeight);
    EXPECT_EQ(host.depth(p), d.depth);
    for (int i = 0; i < kWidth * kHeight; ++i)
      EXPECT_EQ(host.rawPixel(p, i % kWidth, kHeight - 1 - i / kWidth), rawValue(d, i)) << i;
    if (d.depth <= 8) {
      const std::vector<Rgb> palette = host.palette(p);
      for (uint32_t i = 0; i < palette.size(); ++i) {
        const Rgb expected = i < tableEntries(d) ? tableColor(i) : Rgb{0, 0, 0};
        EXPECT_EQ(palette[i], expected) << i;
      }
    }
    // A block handed over is the host's to free (one it kept would show as
    // a leak in the sanitizer build); one lent must come back as it was.
    if (!takeOwnership) {
      EXPECT_TRUE(unchangedAndUnlocked(block, bytes));
      GlobalFree(block);
    }
    host.release(p);
    EXPECT_TRUE(rbtest::AuditUnchanged(host, before));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PictureFromDibTest,
    ::testing::Values(Dib{40, 1}, Dib{40, 4, false, 6}, Dib{40, 8}, Dib{40, 8, true, 6},
                      Dib{40, 16}, Dib{40, 24}, Dib{40, 24, true}, Dib{40, 32}, Dib{40, 32, true},
                      Dib{40, 24, false, 5},  // a table deeper pictures may carry is skipped
                      Dib{124, 8, false, 3}, Dib{124, 32, true}, Dib{12, 8}, Dib{12, 4},
                      Dib{12, 24}));

// Headers no picture can be built from, and blocks too small for what their
// header promises: nil, and the block freed or left exactly as asked.
TEST(PictureFromDibRefusalTest, RefusesAndStillHonoursOwnership) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  auto withField = [](Dib d, size_t offset, std::vector<uint8_t> value, int extra = 0) {
    std::vector<uint8_t> bytes = packedDib(d, extra);
    std::memcpy(bytes.data() + offset, value.data(), value.size());
    return bytes;
  };
  auto le32 = [](uint32_t v) {
    return std::vector<uint8_t>{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  };
  const std::vector<Case> cases = {
      {"one byte short of the rows", packedDib(Dib{40, 24}, -1)},
      {"one byte short of the table",
       [&] {
         std::vector<uint8_t> b = packedDib(Dib{40, 8});
         b.resize(40 + 1023);
         return b;
       }()},
      {"three bytes", {40, 0, 0}},
      {"header size 39", withField(Dib{40, 24}, 0, le32(39))},
      {"header size 16", withField(Dib{40, 24}, 0, le32(16))},
      {"header larger than the block", withField(Dib{40, 24}, 0, le32(4096))},
      {"width 0", withField(Dib{40, 24}, 4, le32(0))},
      {"negative width", withField(Dib{40, 24}, 4, le32(uint32_t(-3)))},
      {"height 0", withField(Dib{40, 24}, 8, le32(0))},
      {"height INT32_MIN", withField(Dib{40, 24}, 8, le32(0x80000000u))},
      {"two planes", withField(Dib{40, 24}, 12, {2, 0})},
      {"2 bits", withField(Dib{40, 8}, 14, {2, 0})},
      {"64 bits", withField(Dib{40, 32}, 14, {64, 0})},
      {"bit fields", withField(Dib{40, 32}, 16, le32(BI_BITFIELDS))},
      {"257 colours for 8 bits", withField(Dib{40, 8}, 32, le32(257))},
      {"four billion colours", withField(Dib{40, 24}, 32, le32(0xFFFFFFFFu))},
      {"rows beyond any block",
       [&] {
         std::vector<uint8_t> b = withField(Dib{40, 32}, 4, le32(0x7FFFFFFF));
         std::memcpy(b.data() + 8, le32(0x7FFFFFFF).data(), 4);
         return b;
       }()},
      {"core header of 0 width", withField(Dib{12, 24}, 4, {0, 0})},
      {"core header of 16 bits", withField(Dib{12, 24}, 10, {16, 0})},
  };
  Host host;
  auto* build = service<BuildFromDib>(host, "REALBuildPictureFromDIB");
  const rbhost::Audit before = host.audit();
  for (const Case& c : cases) {
    for (bool takeOwnership : {false, true}) {
      HGLOBAL block = globalCopy(c.bytes);
      ASSERT_NE(block, nullptr) << c.what;
      EXPECT_EQ(build(block, takeOwnership), nullptr) << c.what;
      if (!takeOwnership) {
        EXPECT_TRUE(unchangedAndUnlocked(block, c.bytes)) << c.what;
        GlobalFree(block);
      }
    }
  }
  EXPECT_EQ(build(nullptr, true), nullptr);
  EXPECT_TRUE(rbtest::AuditUnchanged(host, before));
}

#ifndef _WIN32
// The emulation knows its handles; a stray pointer is the plug-in's fault.
TEST(PictureFromDibRefusalTest, StrayHandleIsAMisuse) {
  Host host;
  auto* build = service<BuildFromDib>(host, "REALBuildPictureFromDIB");
  // Memory that is no block at all (a freed one may not be touched).
  alignas(16) uint8_t notABlock[64] = {};
  auto block = reinterpret_cast<HGLOBAL>(notABlock);
  EXPECT_EQ(build(block, true), nullptr);
  ASSERT_EQ(host.audit().violations.size(), 1u);
  EXPECT_EQ(host.audit().violations[0], "REALBuildPictureFromDIB: invalid handle");
}
#endif

}  // namespace
