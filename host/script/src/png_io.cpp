#include "rbscript/png_io.h"

#include <png.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

#include "rbscript/picture_pixels.h"
#include "rbscript/value.h"

namespace rbscript {

using rbhost::Rgb;

namespace {

// The largest picture loaded: what the host can hold at 32 bits.
constexpr uint64_t kMaxPixels = uint64_t{64} << 20;

uint32_t readBigEndian32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// The palette stored in a colour-type-3 file, read from its PLTE chunk (the
// simplified libpng interface converts pixels but does not hand it out).
std::optional<std::vector<Rgb>> filePalette(const std::vector<uint8_t>& file) {
  static const uint8_t signature[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};
  if (file.size() < 8 || std::memcmp(file.data(), signature, 8) != 0) return std::nullopt;
  size_t at = 8;
  bool paletted = false;
  while (file.size() - at >= 12) {
    const uint32_t length = readBigEndian32(&file[at]);
    const std::string type(reinterpret_cast<const char*>(&file[at + 4]), 4);
    if (length > file.size() - at - 12) return std::nullopt;
    const uint8_t* data = &file[at + 8];
    if (type == "IHDR" && length >= 13) paletted = data[9] == 3;
    if (type == "PLTE") {
      if (!paletted) return std::nullopt;
      std::vector<Rgb> colors;
      for (uint32_t i = 0; i + 3 <= length; i += 3)
        colors.push_back({data[i], data[i + 1], data[i + 2]});
      return colors;
    }
    if (type == "IDAT" || type == "IEND") break;
    at += size_t(length) + 12;
  }
  return std::nullopt;
}

std::vector<Rgb> standardPalette(int32_t depth, const std::vector<Rgb>& hostDefault) {
  if (depth == 8) {
    std::vector<Rgb> p;
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b)
          p.push_back({uint8_t(r * 51), uint8_t(g * 51), uint8_t(b * 51)});
    for (int i = 1; p.size() < 256; ++i) {  // greys between the cube's own
      const auto v = static_cast<uint8_t>(i * 255 / 41);
      p.push_back({v, v, v});
    }
    return p;
  }
  if (depth == 4) {
    return {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
            {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
            {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
            {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
  }
  return hostDefault;  // 1 bit: white and black; 2 bits: four greys
}

std::vector<Rgb> choosePalette(int32_t depth, const std::vector<Rgb>& pixels,
                               const std::optional<std::vector<Rgb>>& fromFile,
                               const std::vector<Rgb>& hostDefault) {
  const size_t capacity = size_t{1} << depth;
  if (fromFile && !fromFile->empty() && fromFile->size() <= capacity) return *fromFile;
  std::unordered_set<uint32_t> defaults;
  for (const Rgb& c : hostDefault) defaults.insert(rbhost::toColor(c));
  std::vector<Rgb> used;
  std::unordered_set<uint32_t> seen;
  bool allDefault = true;
  for (const Rgb& c : pixels) {
    const uint32_t key = rbhost::toColor(c);
    if (!seen.insert(key).second) continue;
    allDefault = allDefault && defaults.count(key) != 0;
    used.push_back(c);
    if (used.size() > capacity && !allDefault) break;
  }
  if (allDefault) return hostDefault;
  if (used.size() <= capacity) return used;
  return standardPalette(depth, hostDefault);
}

std::vector<uint8_t> readFile(const std::string& path) {
  checkRegularFile(path);
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  if (in.bad()) throw std::runtime_error("cannot read " + path);
  return bytes;
}

}  // namespace

void checkRegularFile(const std::string& path, uintmax_t limit) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path file(path);
  const fs::file_status st = fs::status(file, ec);
  if (ec || !fs::exists(st)) throw std::runtime_error("cannot read " + path);
  if (fs::is_directory(st)) throw std::runtime_error(path + " is a folder, not a file");
  if (!fs::is_regular_file(st))
    throw std::runtime_error(path + " is not a regular file (a device or a pipe?)");
  const uintmax_t size = fs::file_size(file, ec);
  if (ec) throw std::runtime_error("cannot read " + path);
  if (size > limit)
    throw std::runtime_error(path + " is too large (" + std::to_string(size) + " bytes; at most " +
                             std::to_string(limit) + ")");
}

RbPicture loadPng(rbhost::Host& host, const std::string& path, int32_t depth) {
  if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16 && depth != 24 &&
      depth != 32)
    throw std::runtime_error("depth " + std::to_string(depth) +
                             " is not one of 1, 2, 4, 8, 16, 24, 32");
  const std::vector<uint8_t> file = readFile(path);
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_memory(&image, file.data(), file.size()) == 0)
    throw std::runtime_error(path + " is not a PNG file we can read: " + image.message);
  const uint64_t pixels = uint64_t(image.width) * uint64_t(image.height);
  if (image.width == 0 || image.height == 0 || image.width > INT32_MAX ||
      image.height > INT32_MAX || pixels > kMaxPixels) {
    png_image_free(&image);
    throw std::runtime_error(path + " is too large a picture");
  }
  // Deflate shrinks data at most about 1032 times: a file too short for the
  // rows it declares (one bit a pixel and a filter byte each, at the least)
  // is truncated or corrupt, and is refused before its pixels are allocated.
  const uint64_t leastRowBytes = 1 + (uint64_t(image.width) + 7) / 8;
  if (leastRowBytes * image.height > uint64_t(file.size()) * 1032 + 1024) {
    png_image_free(&image);
    throw std::runtime_error(path + " is truncated or corrupt: it declares " +
                             std::to_string(image.width) + "x" + std::to_string(image.height) +
                             " pixels in " + std::to_string(file.size()) + " bytes");
  }
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> rgba(size_t(pixels) * 4);
  if (png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr) == 0)
    throw std::runtime_error(path + ": " + image.message);

  std::vector<Rgb> colors(static_cast<size_t>(pixels));
  std::vector<Rgb> levels(static_cast<size_t>(pixels));
  bool transparent = false;
  for (size_t i = 0; i < size_t(pixels); ++i) {
    colors[i] = {rgba[4 * i], rgba[4 * i + 1], rgba[4 * i + 2]};
    const auto level = static_cast<uint8_t>(255 - rgba[4 * i + 3]);
    levels[i] = {level, level, level};
    transparent = transparent || level != 0;
  }

  const auto width = static_cast<int32_t>(image.width);
  const auto height = static_cast<int32_t>(image.height);
  HostRef picture = HostRef::adopt(host, toObject(host.newPicture(width, height, depth)));
  auto p = reinterpret_cast<RbPicture>(picture.get());
  if (depth <= 8)
    host.setPalette(p, choosePalette(depth, colors, filePalette(file), host.palette(p)));
  writeVisualPixels(host, p, colors);
  if (transparent) {
    HostRef mask = HostRef::adopt(host, toObject(host.mask(p, true)));
    writeVisualPixels(host, reinterpret_cast<RbPicture>(mask.get()), levels);
  }
  return reinterpret_cast<RbPicture>(picture.detach());
}

void savePng(rbhost::Host& host, RbPicture picture, const std::string& path) {
  const int32_t width = host.width(picture), height = host.height(picture);
  const int32_t depth = host.depth(picture);
  const std::vector<Rgb> colors = readVisualPixels(host, picture);
  std::vector<uint8_t> levels;
  if (RbPicture m = host.mask(picture, false)) {
    HostRef mask = HostRef::adopt(host, toObject(m));
    if (host.width(m) == width && host.height(m) == height) levels = readVisualLevels(host, m);
  }

  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  std::vector<uint8_t> buffer;
  std::vector<uint8_t> colormap;
  if (depth <= 8 && levels.empty()) {
    const std::vector<Rgb> palette = host.palette(picture);
    std::unordered_map<uint32_t, uint8_t> indexOf;
    for (size_t i = palette.size(); i-- > 0;) indexOf[rbhost::toColor(palette[i])] = uint8_t(i);
    for (const Rgb& c : palette) colormap.insert(colormap.end(), {c.red, c.green, c.blue});
    for (const Rgb& c : colors) buffer.push_back(indexOf[rbhost::toColor(c)]);
    image.format = PNG_FORMAT_RGB_COLORMAP;
    image.colormap_entries = static_cast<png_uint_32>(palette.size());
  } else {
    const bool alpha = !levels.empty();
    image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    for (size_t i = 0; i < colors.size(); ++i) {
      buffer.insert(buffer.end(), {colors[i].red, colors[i].green, colors[i].blue});
      if (alpha) buffer.push_back(static_cast<uint8_t>(255 - levels[i]));
    }
  }
  if (png_image_write_to_file(&image, path.c_str(), 0, buffer.data(), 0,
                              colormap.empty() ? nullptr : colormap.data()) == 0)
    throw std::runtime_error("cannot write " + path + ": " + image.message);
}

}  // namespace rbscript
