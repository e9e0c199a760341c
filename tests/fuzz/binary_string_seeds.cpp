// Writes the seed corpus of the binary-string reader's fuzzer: the strings
// the plug-in's writer makes from pictures of every depth and both storage
// kinds, at a few sizes, one file each.
//
//   binary_string_seeds DIRECTORY
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "rbhost/host.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: binary_string_seeds DIRECTORY\n");
    return 2;
  }
  const std::filesystem::path directory = argv[1];
  std::filesystem::create_directories(directory);
  rbhost::Host host;
  host.load(rbhost::picturePluginPath());
  struct Size {
    int32_t width, height;
  };
  const Size sizes[] = {{1, 1}, {3, 2}, {1, 7}, {7, 1}, {5, 5}};
  uint32_t state = 12345;
  int written = 0;
  for (int32_t depth : {1, 2, 4, 8, 16, 24, 32}) {
    for (auto storage : {rbhost::PictureStorage::GlobalDib, rbhost::PictureStorage::DibSection}) {
      if (depth == 2 && storage == rbhost::PictureStorage::DibSection) continue;
      for (const Size& size : sizes) {
        RbPicture p = host.newPicture(size.width, size.height, depth, storage);
        for (int32_t y = 0; y < size.height; ++y)
          for (int32_t i = 0; i < host.rowBytes(p); ++i) {
            state = state * 1103515245u + 12345u;
            host.row(p, y)[i] = static_cast<uint8_t>(state >> 16);
          }
        RbString s = host.call<RbString>("PicturetoBinaryStringZRW(p as picture) as string", p);
        if (s != nullptr) {
          const std::string name =
              "writer-" + std::to_string(depth) +
              (storage == rbhost::PictureStorage::GlobalDib ? "-packed-" : "-section-") +
              std::to_string(size.width) + "x" + std::to_string(size.height);
          std::ofstream(directory / name, std::ios::binary) << host.stringBytes(s);
          ++written;
          host.release(s);
        }
        host.release(p);
      }
    }
  }
  std::printf("binary_string_seeds: %d strings in %s\n", written, directory.string().c_str());
  return written > 0 ? 0 : 1;
}
