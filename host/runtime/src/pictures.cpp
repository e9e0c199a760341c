// Host pictures: bottom-up device-independent bitmaps of depth 1, 2, 4, 8, 16
// (5-5-5), 24 or 32, stored either packed in global memory (header, colour
// table, bits) or as a DIB section.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "state.h"

namespace rbhost {
namespace {

// Pictures larger than this are refused, as a real host runs out of memory.
constexpr uint64_t kMaxPictureBytes = 256u << 20;

bool validDepth(int32_t depth) {
  return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16 || depth == 24 ||
         depth == 32;
}

int32_t colorCount(int32_t depth) { return depth <= 8 ? 1 << depth : 0; }

// 1-bit: white at index 0, black at index 1 (the convention the plug-ins
// read). 2, 4 and 8 bits: a grey ramp from black, so that a mask's index is
// its grey level.
std::vector<RGBQUAD> defaultPalette(int32_t depth) {
  std::vector<RGBQUAD> table(static_cast<size_t>(colorCount(depth)));
  const int32_t last = colorCount(depth) - 1;
  for (int32_t i = 0; i <= last && last > 0; ++i) {
    int32_t grey = depth == 1 ? 255 * (1 - i) : i * 255 / last;
    auto g = static_cast<BYTE>(grey);
    table[static_cast<size_t>(i)] = RGBQUAD{g, g, g, 0};
  }
  return table;
}

// The colour table of a DIB section is reached through a DC it is selected
// into: the picture's graphics DC when it holds the section (a section lives
// in one DC at a time), else a DC of its own for the moment.
class DibSectionColorTable {
 public:
  explicit DibSectionColorTable(PictureObject& p) {
    if (p.graphics && p.graphics->dc != nullptr && p.graphics->previousBitmap != nullptr) {
      dc_ = p.graphics->dc;
      return;
    }
    dc_ = CreateCompatibleDC(nullptr);
    owned_ = true;
    previous_ = SelectObject(dc_, p.bitmap);
  }
  ~DibSectionColorTable() {
    if (!owned_) return;
    SelectObject(dc_, previous_);
    DeleteDC(dc_);
  }
  DibSectionColorTable(const DibSectionColorTable&) = delete;
  DibSectionColorTable& operator=(const DibSectionColorTable&) = delete;
  UINT get(RGBQUAD* out, UINT count) { return GetDIBColorTable(dc_, 0, count, out); }
  UINT set(const RGBQUAD* in, UINT count) { return SetDIBColorTable(dc_, 0, count, in); }

 private:
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  bool owned_ = false;
};

}  // namespace

PictureObject::~PictureObject() {
  graphics.reset();  // its DC may hold the bitmap, which cannot go while selected
  if (global != nullptr) GlobalFree(global);
  if (bitmap != nullptr) DeleteObject(bitmap);
}

std::unique_ptr<PictureObject> makePicture(int32_t width, int32_t height, int32_t depth,
                                           PictureStorage storage, uint8_t fillByte) {
  if (width <= 0 || height <= 0 || !validDepth(depth)) return nullptr;
  const uint64_t rowBytes = ((uint64_t(width) * uint64_t(depth) + 31) / 32) * 4;
  const uint64_t imageBytes = rowBytes * uint64_t(height);
  if (imageBytes > kMaxPictureBytes) return nullptr;

  // Windows makes no 2-bit DIB sections; a 2-bit picture lives in global memory.
  if (depth == 2) storage = PictureStorage::GlobalDib;

  auto p = std::make_unique<PictureObject>();
  p->width = width;
  p->height = height;
  p->depth = depth;
  p->rowBytes = static_cast<int32_t>(rowBytes);
  p->storage = storage;

  std::vector<RGBQUAD> palette = defaultPalette(depth);
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = width;
  header.biHeight = height;  // positive: bottom-up
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(depth);
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(imageBytes);

  const size_t tableBytes = palette.size() * sizeof(RGBQUAD);
  if (storage == PictureStorage::GlobalDib) {
    p->global = GlobalAlloc(GMEM_MOVEABLE, sizeof header + tableBytes + imageBytes);
    if (p->global == nullptr) return nullptr;
    auto* base = static_cast<uint8_t*>(GlobalLock(p->global));
    std::memcpy(base, &header, sizeof header);
    if (tableBytes != 0) std::memcpy(base + sizeof header, palette.data(), tableBytes);
    std::memset(base + sizeof header + tableBytes, fillByte, imageBytes);
    GlobalUnlock(p->global);
  } else {
    std::vector<uint8_t> info(sizeof header + std::max<size_t>(tableBytes, sizeof(RGBQUAD)));
    std::memcpy(info.data(), &header, sizeof header);
    if (tableBytes != 0) std::memcpy(info.data() + sizeof header, palette.data(), tableBytes);
    void* bits = nullptr;
    p->bitmap = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(info.data()),
                                 DIB_RGB_COLORS, &bits, nullptr, 0);
    if (p->bitmap == nullptr || bits == nullptr) return nullptr;
    std::memset(bits, fillByte, imageBytes);
  }
  return p;
}

BITMAPINFOHEADER* pictureHeader(PictureObject& p) {
  if (p.global == nullptr) return nullptr;
  // A moveable block that nobody reallocates stays where it is; lock and
  // unlock at once so the audit only ever sees the plug-ins' locks.
  void* base = GlobalLock(p.global);
  GlobalUnlock(p.global);
  return static_cast<BITMAPINFOHEADER*>(base);
}

RGBQUAD* pictureColorTable(PictureObject& p) {
  if (p.depth > 8 || p.global == nullptr) return nullptr;
  return reinterpret_cast<RGBQUAD*>(reinterpret_cast<uint8_t*>(pictureHeader(p)) +
                                    sizeof(BITMAPINFOHEADER));
}

uint8_t* pictureBits(PictureObject& p) {
  if (p.global != nullptr) {
    return reinterpret_cast<uint8_t*>(pictureHeader(p)) + sizeof(BITMAPINFOHEADER) +
           sizeof(RGBQUAD) * size_t(colorCount(p.depth));
  }
  DIBSECTION section{};
  if (GetObjectA(p.bitmap, sizeof section, &section) == 0) return nullptr;
  return static_cast<uint8_t*>(section.dsBm.bmBits);
}

std::vector<Rgb> readPalette(PictureObject& p) {
  std::vector<RGBQUAD> table(static_cast<size_t>(colorCount(p.depth)));
  if (table.empty()) return {};
  if (p.global != nullptr) {
    std::memcpy(table.data(), pictureColorTable(p), table.size() * sizeof(RGBQUAD));
  } else {
    DibSectionColorTable(p).get(table.data(), static_cast<UINT>(table.size()));
  }
  std::vector<Rgb> colors;
  for (const RGBQUAD& q : table) colors.push_back({q.rgbRed, q.rgbGreen, q.rgbBlue});
  return colors;
}

void writePalette(PictureObject& p, const std::vector<Rgb>& colors) {
  std::vector<RGBQUAD> table(static_cast<size_t>(colorCount(p.depth)));
  for (size_t i = 0; i < table.size() && i < colors.size(); ++i)
    table[i] = RGBQUAD{colors[i].blue, colors[i].green, colors[i].red, 0};
  if (table.empty()) return;
  if (p.global != nullptr) {
    std::memcpy(pictureColorTable(p), table.data(), table.size() * sizeof(RGBQUAD));
  } else {
    DibSectionColorTable(p).set(table.data(), static_cast<UINT>(table.size()));
  }
}

PixelAccess::PixelAccess(PictureObject& picture)
    : p_(picture), bits_(pictureBits(picture)), palette_(readPalette(picture)) {}

uint32_t PixelAccess::raw(int32_t x, int32_t memoryRow) const {
  const uint8_t* row = bits_ + size_t(memoryRow) * size_t(p_.rowBytes);
  switch (p_.depth) {
    case 32:
      return uint32_t(row[4 * x]) | uint32_t(row[4 * x + 1]) << 8 | uint32_t(row[4 * x + 2]) << 16 |
             uint32_t(row[4 * x + 3]) << 24;
    case 24:
      return uint32_t(row[3 * x]) | uint32_t(row[3 * x + 1]) << 8 | uint32_t(row[3 * x + 2]) << 16;
    case 16:
      return uint32_t(row[2 * x]) | uint32_t(row[2 * x + 1]) << 8;
    default: {
      const int32_t perByte = 8 / p_.depth;
      const uint8_t byte = row[x / perByte];
      const int32_t shift = 8 - p_.depth * (x % perByte + 1);  // leftmost pixel in the high bits
      return (byte >> shift) & ((1u << p_.depth) - 1);
    }
  }
}

void PixelAccess::setRaw(int32_t x, int32_t memoryRow, uint32_t v) {
  uint8_t* row = bits_ + size_t(memoryRow) * size_t(p_.rowBytes);
  switch (p_.depth) {
    case 32:
      for (int i = 0; i < 4; ++i) row[4 * x + i] = static_cast<uint8_t>(v >> (8 * i));
      return;
    case 24:
      for (int i = 0; i < 3; ++i) row[3 * x + i] = static_cast<uint8_t>(v >> (8 * i));
      return;
    case 16:
      row[2 * x] = static_cast<uint8_t>(v);
      row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
      return;
    default: {
      const int32_t perByte = 8 / p_.depth;
      uint8_t& byte = row[x / perByte];
      const int32_t shift = 8 - p_.depth * (x % perByte + 1);
      const uint32_t field = (1u << p_.depth) - 1;
      byte = static_cast<uint8_t>((byte & ~(field << shift)) | ((v & field) << shift));
      return;
    }
  }
}

Rgb PixelAccess::color(int32_t x, int32_t memoryRow) const {
  const uint32_t v = raw(x, memoryRow);
  if (p_.depth <= 8) return v < palette_.size() ? palette_[v] : Rgb{};
  if (p_.depth == 16) {
    return {static_cast<uint8_t>(((v >> 10) & 31) << 3), static_cast<uint8_t>(((v >> 5) & 31) << 3),
            static_cast<uint8_t>((v & 31) << 3)};
  }
  return fromColor(v & 0xFFFFFFu);
}

uint32_t PixelAccess::nearestIndex(Rgb c) const {
  uint32_t best = 0;
  int64_t bestDistance = INT64_MAX;
  for (size_t i = 0; i < palette_.size(); ++i) {
    const int64_t dr = int64_t(palette_[i].red) - c.red, dg = int64_t(palette_[i].green) - c.green,
                  db = int64_t(palette_[i].blue) - c.blue;
    const int64_t d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = static_cast<uint32_t>(i);
    }
  }
  return best;
}

void PixelAccess::setColor(int32_t x, int32_t memoryRow, Rgb c) {
  uint32_t v;
  if (p_.depth <= 8) {
    v = nearestIndex(c);
  } else if (p_.depth == 16) {
    v = (uint32_t(c.red >> 3) << 10) | (uint32_t(c.green >> 3) << 5) | uint32_t(c.blue >> 3);
  } else {
    v = toColor(c);
  }
  setRaw(x, memoryRow, v);
}

}  // namespace rbhost
