// PNG files in and out of host pictures, through libpng.
//
// Loading converts to the depth asked for the way a person expects: up to 8
// bits a palette the picture keeps (the file's own when it fits, else the
// colours the image uses when they fit, else a standard palette with each
// pixel taking its nearest colour); 16 bits keep the top five bits of each
// channel. Transparency becomes the picture's mask, at level 255 - alpha
// (0 shows the pixel, 255 hides it). Saving writes the colours, as a
// paletted file up to 8 bits, with the mask as alpha.
#ifndef RBSCRIPT_PNG_IO_H
#define RBSCRIPT_PNG_IO_H

#include <cstdint>
#include <string>

#include "rbhost/host.h"

namespace rbscript {

// The largest file LoadPicture and LoadString read.
constexpr uintmax_t kMaxFileBytes = uintmax_t{256} << 20;

// Throws std::runtime_error, before opening anything, for what is not a
// regular file (a folder, a device, a FIFO: reading could block or never
// end) and for a file larger than `limit` bytes.
void checkRegularFile(const std::string& path, uintmax_t limit = kMaxFileBytes);

// A new picture (the caller owns its reference). Throws std::runtime_error
// naming the problem when the file cannot be read or decoded.
RbPicture loadPng(rbhost::Host& host, const std::string& path, int32_t depth);

// Throws std::runtime_error when the file cannot be written.
void savePng(rbhost::Host& host, RbPicture picture, const std::string& path);

}  // namespace rbscript

#endif
