// libFuzzer target: the picture plug-in's binary-string reader, reached
// through the simulated host as a program reaches it.
//
// Each input is handed over as a host string. The oracle:
//   - the string is accepted exactly when the stored-picture rule below says
//     it is well formed;
//   - an accepted string gives a 32-bit picture of its width and height
//     whose pixels are the string's red, green, blue triples, rows from the
//     top, fourth byte 0;
//   - written back, the picture gives the string in its canonical form
//     (pixels right after the 40-byte header), which reads back to the same
//     pixels;
//   - the host audit is clean after every input.
// Built by the `fuzz` preset (clang, libFuzzer, ASan and UBSan); scripts/fuzz
// makes the seed corpus and runs it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "rbhost/host.h"

namespace {

const char* const kRead = "BinaryStringtoPictureZRW(data as String) as Picture";
const char* const kWrite = "PicturetoBinaryStringZRW(p as picture) as string";

rbhost::Host* g_host = nullptr;
rbhost::Audit g_audit0;

[[noreturn]] void oracleFailure(const char* what) {
  std::fprintf(stderr, "binary string oracle: %s\n", what);
  std::abort();
}

uint32_t bigEndian32(const uint8_t* at) {
  return (uint32_t{at[0]} << 24) | (uint32_t{at[1]} << 16) | (uint32_t{at[2]} << 8) | at[3];
}

void putBigEndian32(std::string& s, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) s.push_back(static_cast<char>(v >> shift));
}

// The stored-picture rule: a 40-byte header holding "PPIC", the whole
// string's length, the width and the height (both positive as signed 32-bit
// values), a bits field and the offset of the pixels; width x height red,
// green, blue triples from that offset must lie within the string. Fields
// are big-endian; the bits field and the rest of the header are not read.
struct Stored {
  bool wellFormed = false;
  int32_t width = 0, height = 0;
  uint64_t offset = 0;
};

Stored ruleFor(const uint8_t* data, size_t size) {
  Stored s;
  if (size < 40 || std::memcmp(data, "PPIC", 4) != 0) return s;
  if (bigEndian32(data + 4) != size) return s;
  s.width = static_cast<int32_t>(bigEndian32(data + 8));
  s.height = static_cast<int32_t>(bigEndian32(data + 12));
  s.offset = bigEndian32(data + 20);
  if (s.width <= 0 || s.height <= 0) return s;
  const uint64_t pixels = uint64_t(s.width) * uint64_t(s.height) * 3;
  s.wellFormed = s.offset <= size && pixels <= size - s.offset;
  return s;
}

void checkAudit() {
  const rbhost::Audit now = g_host->audit();
  if (now.descriptionLocks != 0 || now.globalMemoryLocks != 0 || !now.violations.empty() ||
      now.liveObjects != g_audit0.liveObjects || now.references != g_audit0.references)
    oracleFailure("host audit not clean");
}

// Every pixel of `p` against the triples at `pixels`; the fourth byte is 0.
void checkPixels(RbPicture p, const uint8_t* pixels, int32_t width, int32_t height) {
  rbhost::Host& host = *g_host;
  if (host.width(p) != width || host.height(p) != height || host.depth(p) != 32)
    oracleFailure("picture of the wrong size or depth");
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint8_t* rgb = pixels + 3 * (size_t(y) * size_t(width) + size_t(x));
      const uint32_t expected = (uint32_t{rgb[0]} << 16) | (uint32_t{rgb[1]} << 8) | rgb[2];
      if (host.rawPixel(p, x, height - 1 - y) != expected) oracleFailure("pixel differs");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static rbhost::Host host;
  host.load(rbhost::picturePluginPath());
  g_host = &host;
  g_audit0 = host.audit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  rbhost::Host& host = *g_host;
  const Stored rule = ruleFor(data, size);
  RbString input = host.newString(std::string(reinterpret_cast<const char*>(data), size), 0);
  RbPicture picture = host.call<RbPicture>(kRead, input);
  host.release(input);
  if ((picture != nullptr) != rule.wellFormed)
    oracleFailure(picture != nullptr ? "accepted a malformed string"
                                     : "refused a well-formed string");
  if (picture == nullptr) {
    checkAudit();
    return 0;
  }
  checkPixels(picture, data + rule.offset, rule.width, rule.height);

  // Written back: the canonical form of the same picture.
  const uint64_t pixelBytes = uint64_t(rule.width) * uint64_t(rule.height) * 3;
  std::string canonical = "PPIC";
  putBigEndian32(canonical, static_cast<uint32_t>(40 + pixelBytes));
  putBigEndian32(canonical, static_cast<uint32_t>(rule.width));
  putBigEndian32(canonical, static_cast<uint32_t>(rule.height));
  putBigEndian32(canonical, 32);
  putBigEndian32(canonical, 40);
  canonical.resize(40, '\0');
  canonical.append(reinterpret_cast<const char*>(data + rule.offset), size_t(pixelBytes));
  RbString written = host.call<RbString>(kWrite, picture);
  if (written == nullptr || host.stringBytes(written) != canonical)
    oracleFailure("written back, the picture is not its canonical string");
  RbPicture again = host.call<RbPicture>(kRead, written);
  if (again == nullptr) oracleFailure("the canonical string does not read back");
  checkPixels(again, reinterpret_cast<const uint8_t*>(canonical.data()) + 40, rule.width,
              rule.height);
  host.release(again);
  host.release(written);
  host.release(picture);
  checkAudit();
  return 0;
}
