// Adding and subtracting two pictures of one size, channel by channel.
//
// Each of red, green and blue is computed as an 8-bit unsigned value that
// wraps around instead of saturating: 200 + 100 gives 44, 10 - 20 gives 246.
// The inputs may differ in depth; the result has the first one's depth,
// raised to 16 bits, and no fourth byte.
#ifndef TVQ_COMPOSITE_ADD_SUBTRACT_H
#define TVQ_COMPOSITE_ADD_SUBTRACT_H

#include "graphics/frame/pixel_view.h"
#include "host_binding/rb_abi.h"

namespace tvq {

enum class ChannelArithmetic { Add, Subtract };

// The kernel: writes first (+ or -) second into every pixel of `target`, all
// three of one size.
void combineChannels(const PixelView& first, const PixelView& second, const PixelView& target,
                     ChannelArithmetic arithmetic);

// "TVQ_Add(extends p as picture, addend as picture) as picture"
RbPicture addMethod(RbPicture p, RbPicture addend);

// "TVQ_Subtract(extends p as picture, subtractend as picture) as picture"
RbPicture subtractMethod(RbPicture p, RbPicture subtractend);

}  // namespace tvq

#endif
