// "REALBuildPictureFromDIB": a host picture from a packed device-independent
// bitmap in global memory (header, colour table, bits).
//
// Accepted: a BITMAPINFOHEADER of 40 bytes or more (the fields past the first
// 40 are ignored) with 1, 4, 8, 16 (5-5-5), 24 or 32 bits, or a 12-byte
// BITMAPCOREHEADER with 1, 4, 8 or 24 bits; one plane; BI_RGB; rows bottom-up, or top-down with a
// negative height. The colour table has the used-colours count of entries when a 40-byte-or-longer
// header gives one (no more than the depth can index), otherwise 2, 16 or 256 entries for 1, 4 and
// 8 bits and none deeper; four bytes an entry, three after a core header. A depth-8-or-less picture
// takes the table's colours, black for indices past its end. Anything else, and a block too small
// for its header, table and rows, gives nil.
//
// Ownership: with `takeOwnership` the host frees the block whatever the
// outcome, so a caller that hands a block over never loses one; without it
// the host copies the pixels and leaves the block as it was. A handle that is
// not a live global memory block is a misuse: nil, nothing freed.
#include <cstdint>
#include <cstring>
#include <vector>

#include "state.h"

namespace rbhost {
namespace {

struct CoreHeader {
  DWORD size;
  WORD width;
  WORD height;
  WORD planes;
  WORD bitCount;
};
static_assert(sizeof(CoreHeader) == 12);

struct Layout {
  int32_t width = 0, height = 0, depth = 0;
  bool topDown = false;
  uint64_t headerBytes = 0, entries = 0, entryBytes = 0;
};

bool supportedDepth(uint32_t depth) {
  return depth == 1 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
}

// The layout of the DIB at `base` (of `size` bytes); false when it is none
// this host builds pictures from.
bool readLayout(const uint8_t* base, uint64_t size, Layout& out) {
  if (size < sizeof(DWORD)) return false;
  DWORD headerSize = 0;
  std::memcpy(&headerSize, base, sizeof headerSize);
  uint32_t depth = 0;
  uint64_t used = 0;
  if (headerSize == sizeof(CoreHeader)) {
    if (size < sizeof(CoreHeader)) return false;
    CoreHeader core;
    std::memcpy(&core, base, sizeof core);
    if (core.planes != 1 || core.width == 0 || core.height == 0) return false;
    out.width = core.width;
    out.height = core.height;
    depth = core.bitCount;
    if (depth == 16 || depth == 32) return false;  // a core header knows 1, 4, 8 and 24 bits
    out.entryBytes = 3;
  } else if (headerSize >= sizeof(BITMAPINFOHEADER) && headerSize <= size) {
    BITMAPINFOHEADER info;
    std::memcpy(&info, base, sizeof info);
    if (info.biPlanes != 1 || info.biCompression != BI_RGB || info.biWidth <= 0 ||
        info.biHeight == 0 || info.biHeight == INT32_MIN)
      return false;
    out.width = info.biWidth;
    out.topDown = info.biHeight < 0;
    out.height = out.topDown ? -info.biHeight : info.biHeight;
    depth = info.biBitCount;
    used = info.biClrUsed;
    out.entryBytes = 4;
  } else {
    return false;
  }
  if (!supportedDepth(depth)) return false;
  out.depth = static_cast<int32_t>(depth);
  out.headerBytes = headerSize;
  const uint64_t indexable = depth <= 8 ? uint64_t{1} << depth : 0;
  if (used != 0) {
    if (depth <= 8 && used > indexable) return false;
    out.entries = used;
  } else {
    out.entries = indexable;
  }
  const uint64_t rowBytes = (uint64_t(out.width) * depth + 31) / 32 * 4;
  const uint64_t tableBytes = out.entries * out.entryBytes;     // entries < 2^32: no overflow
  const uint64_t imageBytes = rowBytes * uint64_t(out.height);  // < 2^34 * 2^31
  return out.headerBytes + tableBytes <= size && imageBytes <= size - out.headerBytes - tableBytes;
}

RbPicture build(const uint8_t* base, uint64_t size) {
  Layout layout;
  if (!readLayout(base, size, layout)) return nullptr;
  auto p = makePicture(layout.width, layout.height, layout.depth,
                       Host::current().options().newPictureStorage, 0);
  if (!p) return nullptr;
  const uint8_t* table = base + layout.headerBytes;
  if (layout.depth <= 8) {
    std::vector<Rgb> colors(size_t{1} << layout.depth, Rgb{0, 0, 0});
    for (uint64_t i = 0; i < layout.entries && i < colors.size(); ++i) {
      const uint8_t* entry = table + i * layout.entryBytes;
      colors[i] = Rgb{entry[2], entry[1], entry[0]};
    }
    writePalette(*p, colors);
  }
  const uint8_t* bits = table + layout.entries * layout.entryBytes;
  uint8_t* target = pictureBits(*p);
  const auto rowBytes = static_cast<size_t>(p->rowBytes);
  for (int32_t row = 0; row < layout.height; ++row) {
    // Host pictures are bottom-up: memory row 0 is the bottom row.
    const int32_t sourceRow = layout.topDown ? layout.height - 1 - row : row;
    std::memcpy(target + rowBytes * size_t(row), bits + rowBytes * size_t(sourceRow), rowBytes);
  }
  return static_cast<RbPicture>(Host::current().state().adopt(std::move(p)));
}

}  // namespace

RbPicture REALBuildPictureFromDIB(HGLOBAL dib, RbBoolean takeOwnership) {
  if (dib == nullptr) return nullptr;
  Host::State& s = Host::current().state();
  if ((GlobalFlags(dib) & GMEM_INVALID_HANDLE) != 0) {
    s.violation("REALBuildPictureFromDIB: invalid handle");
    return nullptr;
  }
  RbPicture picture = nullptr;
  const uint64_t size = GlobalSize(dib);
  if (const auto* base = static_cast<const uint8_t*>(GlobalLock(dib))) {
    picture = build(base, size);
    GlobalUnlock(dib);
  }
  if (takeOwnership) GlobalFree(dib);
  return picture;
}

}  // namespace rbhost
