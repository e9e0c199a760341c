#include "rbscript/picture_pixels.h"

#include <unordered_map>

namespace rbscript {

using rbhost::Rgb;

namespace {

Rgb decode(const uint8_t* row, int32_t x, int32_t depth, const std::vector<Rgb>& palette) {
  switch (depth) {
    case 32:
    case 24: {
      const uint8_t* px = row + size_t(x) * size_t(depth / 8);
      return {px[2], px[1], px[0]};
    }
    case 16: {
      const uint32_t v = uint32_t(row[2 * x]) | uint32_t(row[2 * x + 1]) << 8;
      return {static_cast<uint8_t>(((v >> 10) & 31) << 3),
              static_cast<uint8_t>(((v >> 5) & 31) << 3), static_cast<uint8_t>((v & 31) << 3)};
    }
    default: {
      const int32_t perByte = 8 / depth;
      const int32_t shift = 8 - depth * (x % perByte + 1);  // leftmost pixel in the high bits
      const uint32_t index = (uint32_t(row[x / perByte]) >> shift) & ((1u << depth) - 1);
      return index < palette.size() ? palette[index] : Rgb{};
    }
  }
}

class IndexFinder {
 public:
  explicit IndexFinder(const std::vector<Rgb>& palette) : palette_(palette) {}
  uint32_t operator()(Rgb c) {
    const uint32_t key = rbhost::toColor(c);
    auto it = cache_.find(key);
    if (it != cache_.end()) return it->second;
    uint32_t best = 0;
    int64_t bestDistance = INT64_MAX;
    for (size_t i = 0; i < palette_.size(); ++i) {
      const int64_t dr = int64_t(palette_[i].red) - c.red;
      const int64_t dg = int64_t(palette_[i].green) - c.green;
      const int64_t db = int64_t(palette_[i].blue) - c.blue;
      const int64_t d = dr * dr + dg * dg + db * db;
      if (d < bestDistance) {
        bestDistance = d;
        best = static_cast<uint32_t>(i);
      }
    }
    cache_[key] = best;
    return best;
  }

 private:
  const std::vector<Rgb>& palette_;
  std::unordered_map<uint32_t, uint32_t> cache_;
};

}  // namespace

std::vector<Rgb> readVisualPixels(rbhost::Host& host, RbPicture p) {
  const int32_t w = host.width(p), h = host.height(p), depth = host.depth(p);
  const std::vector<Rgb> palette = host.palette(p);
  std::vector<Rgb> out;
  out.reserve(size_t(w) * size_t(h));
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* row = host.row(p, memoryRowOf(h, y));
    for (int32_t x = 0; x < w; ++x) out.push_back(decode(row, x, depth, palette));
  }
  return out;
}

void writeVisualPixels(rbhost::Host& host, RbPicture p, const std::vector<Rgb>& pixels) {
  const int32_t w = host.width(p), h = host.height(p), depth = host.depth(p);
  const std::vector<Rgb> palette = host.palette(p);
  IndexFinder indexOf(palette);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = host.row(p, memoryRowOf(h, y));
    for (int32_t x = 0; x < w; ++x) {
      const Rgb c = pixels[size_t(y) * size_t(w) + size_t(x)];
      switch (depth) {
        case 32:
          row[4 * x + 3] = 0;
          [[fallthrough]];
        case 24: {
          uint8_t* px = row + size_t(x) * size_t(depth / 8);
          px[0] = c.blue;
          px[1] = c.green;
          px[2] = c.red;
          break;
        }
        case 16: {
          const uint32_t v =
              (uint32_t(c.red >> 3) << 10) | (uint32_t(c.green >> 3) << 5) | uint32_t(c.blue >> 3);
          row[2 * x] = static_cast<uint8_t>(v);
          row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
          break;
        }
        default: {
          const int32_t perByte = 8 / depth;
          const int32_t shift = 8 - depth * (x % perByte + 1);
          const uint32_t field = (1u << depth) - 1;
          uint8_t& byte = row[x / perByte];
          byte = static_cast<uint8_t>((byte & ~(field << shift)) | ((indexOf(c) & field) << shift));
          break;
        }
      }
    }
  }
}

std::vector<uint8_t> readVisualLevels(rbhost::Host& host, RbPicture mask) {
  std::vector<Rgb> colours = readVisualPixels(host, mask);
  std::vector<uint8_t> levels;
  levels.reserve(colours.size());
  for (const Rgb& c : colours) levels.push_back(c.blue);
  return levels;
}

}  // namespace rbscript
