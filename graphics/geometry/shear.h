// Shearing: every column of a picture slid up or down (vertical), or every
// row slid sideways (horizontal), by an amount that grows linearly across
// the picture, each result pixel a 16.16 blend of the two source pixels
// that straddle its position. The sheared picture is centred in a result of
// the caller's size; outside it lies a frame colour, or transparency
// through the result's mask.
#ifndef TVQ_GEOMETRY_SHEAR_H
#define TVQ_GEOMETRY_SHEAR_H

#include <cstdint>

#include "graphics/frame/fast_path_table.h"
#include "graphics/frame/pixel_view.h"
#include "host_binding/rb_abi.h"

namespace tvq {

enum class ShearAxis : uint8_t { Vertical, Horizontal };

// Writes every pixel of `target` (and, when `targetMask` is given, of it
// and from `sourceMask`, a mask of the source's size) from `source` sheared
// by `shear` (-1 to 1). Without masks the outside is `frameColor`; with
// them it is grey 136 at mask level 255. Nothing outside the pictures is
// read or written, whatever their sizes.
void shearInto(const PixelView& source, const PixelView* sourceMask, const PixelView& target,
               const PixelView* targetMask, ShearAxis axis, double shear, uint32_t frameColor);

using ShearLoop = void (*)(const PixelView& source, const PixelView* sourceMask,
                           const PixelView& target, const PixelView* targetMask, ShearAxis axis,
                           double shear, uint32_t frameColor);
// The shear's loops: 32-bit and 24-bit pictures sheared into their own
// format with the format fixed in the loop, then the general walk.
const FastPathTable<ShearLoop, 2>& shearLoops();

// Whether a result side can be sheared into: 1 to 65535 pixels.
constexpr bool isShearSide(int32_t side) { return side >= 1 && side <= 65535; }

// "TVQ_ShearHorizontal(width as integer, height as integer, shear as double)
// as picture" and the same with ", frame_color as color"; likewise
// TVQ_ShearVertical.
RbPicture shearHorizontalMethod(RbPicture p, int32_t width, int32_t height, double shear);
RbPicture shearHorizontalFramedMethod(RbPicture p, int32_t width, int32_t height, double shear,
                                      uint32_t frameColor);
RbPicture shearVerticalMethod(RbPicture p, int32_t width, int32_t height, double shear);
RbPicture shearVerticalFramedMethod(RbPicture p, int32_t width, int32_t height, double shear,
                                    uint32_t frameColor);

}  // namespace tvq

#endif
