#include "picture/functions/embedded_mask.h"

#include <algorithm>

#include "picture/frame/bgra32.h"
#include "picture/frame/picture_operation.h"

namespace zrw {

void readFourthBytes(SourceRows source, ResultRows result, bool swap) {
  const uint8_t flip = swap ? 0xFF : 0x00;
  for (int32_t y = 0; y < source.height; ++y) {
    const uint8_t* in = source.row(y);
    uint8_t* out = result.row(y);
    for (int32_t x = 0; x < source.width; ++x, in += 4, out += 4) {
      const auto m = static_cast<uint8_t>(in[bgra32::kFourth] ^ flip);
      bgra32::storeRgb(out, m, m, m);
    }
  }
}

void writeFourthBytes(ResultRows picture, SourceRows mask, bool swap) {
  const uint8_t flip = swap ? 0xFF : 0x00;
  const int32_t width = std::min(picture.width, mask.width);
  const int32_t height = std::min(picture.height, mask.height);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* in = mask.row(y);
    uint8_t* out = picture.row(y);
    for (int32_t x = 0; x < width; ++x, in += 4, out += 4)
      out[bgra32::kFourth] = static_cast<uint8_t>(in[bgra32::kRed] ^ flip);
  }
}

RbPicture embeddedMask(RbPicture picture, RbBoolean swap) {
  return fromSource(picture, SameSize{},
                    [swap](SourceRows in, ResultRows out) { readFourthBytes(in, out, swap); });
}

void setEmbeddedMask(RbPicture picture, RbBoolean swap, RbPicture mask) {
  if (mask == nullptr) return;
  SourceView target;
  if (!target.open(picture)) return;
  SourceView maskView;
  if (!maskView.open(mask)) return;
  writeFourthBytes(target.writableRows(), maskView.rows(), swap);
}

}  // namespace zrw
