#include "graphics/composite/convolute.h"

#include <algorithm>

#include "graphics/frame/channel_math.h"
#include "graphics/frame/color_walks.h"
#include "graphics/frame/operation.h"
#include "graphics/frame/pixel_walk.h"

namespace tvq {
namespace {

using F = PixelFormat;

template <typename In, typename Out, bool Horizontal>
void filterSelection(const PixelView& in, const PixelView& out, const Selection& selection,
                     const PassKernel& k) {
  const int32_t half = k.taps / 2;
  const int32_t inStep = stepOf(In{}, in);
  const int32_t limit = Horizontal ? in.width - 1 : in.height - 1;
  mapSelectionRows<In, Out>(
      in, out, selection,
      [&](const uint8_t*, uint8_t* to, int32_t count, int32_t x0, int32_t y) {
        for (int32_t i = 0; i < count; ++i, to += stepOf(Out{}, out)) {
          const int32_t x = x0 + i;
          int64_t red = 0, green = 0, blue = 0;
          for (int32_t t = 0; t < k.taps; ++t) {
            const int32_t at = std::clamp((Horizontal ? x : y) + t - half, 0, limit);
            const uint8_t* p = Horizontal ? in.row(y) + static_cast<ptrdiff_t>(at) * inStep
                                          : in.row(at) + static_cast<ptrdiff_t>(x) * inStep;
            const PixelValue v = fetch(In{}, in, p);
            const int64_t c = k.coefficients[static_cast<size_t>(t)];
            red += c * redOf(v);
            green += c * greenOf(v);
            blue += c * blueOf(v);
          }
          store(Out{}, out, to,
                makePixel(clampChannel(red / k.divisor), clampChannel(green / k.divisor),
                          clampChannel(blue / k.divisor)));
        }
      },
      CopyRule::Converted);
}

template <typename In, typename Out>
void filterPass(const PixelView& in, const PixelView& out, const Selection& selection,
                const PassKernel& kernel, bool horizontal) {
  if (horizontal) {
    filterSelection<In, Out, true>(in, out, selection, kernel);
  } else {
    filterSelection<In, Out, false>(in, out, selection, kernel);
  }
}

}  // namespace

std::optional<PassKernel> passKernelOf(const ConvolutionData* kernel) {
  if (kernel == nullptr || kernel->width <= 0) return std::nullopt;
  PassKernel k;
  k.taps = std::min(kernel->width, 21);
  int64_t sum = 0;
  for (int32_t t = 0; t < k.taps; ++t) {
    k.coefficients[static_cast<size_t>(t)] = kernel->coefficients[static_cast<size_t>(t)];
    sum += kernel->coefficients[static_cast<size_t>(t)];
  }
  k.divisor = sum != 0 ? sum : 1;
  return k;
}

const FastPathTable<ConvolvePassLoop, 2>& convolvePassLoops() {
  static constexpr FastPathTable<ConvolvePassLoop, 2> table = {
      {{
          {"32-bit", F::Bgrx32, FormatSet::any(), F::Bgrx32,
           filterPass<Fixed<F::Bgrx32>, Fixed<F::Bgrx32>>},
          {"24-bit", F::Bgr24, FormatSet::any(), F::Bgr24,
           filterPass<Fixed<F::Bgr24>, Fixed<F::Bgr24>>},
      }},
      filterPass<PerPixel, PerPixel>,
  };
  return table;
}

void convolvePass(const PixelView& in, const PixelView& out, const Selection& selection,
                  const PassKernel* kernel, bool horizontal) {
  if (kernel == nullptr || !in.sameSizeAs(out)) {
    copyPixels(in, out);
    return;
  }
  convolvePassLoops().choose({in.format, in.format, out.format}, true)(in, out, selection, *kernel,
                                                                       horizontal);
}

RbPicture convoluteMethod(RbPicture p, RbObject rect, RbObject horizontal, RbObject vertical) {
  Operation op;
  if (!op.check(p != nullptr, ErrorCode::SourceNil)) return nullptr;
  const std::optional<PassKernel> rows = passKernelOf(convolutionData(horizontal));
  const std::optional<PassKernel> columns = passKernelOf(convolutionData(vertical));
  OwnedPicture intermediate;
  Selection selection;
  {
    PictureLock in;
    if (!op.lock(in, p, ErrorCode::SourceLock)) return nullptr;
    const std::optional<Selection> s = op.select(in, rect);
    if (!s) return nullptr;
    selection = *s;
    if (!op.createResult(intermediate, in, ErrorCode::IntermediateLock)) return nullptr;
    convolvePass(in.view(), intermediate.view(), selection, rows ? &*rows : nullptr, true);
  }  // the source is unlocked before the result is made
  const PixelView& middle = intermediate.view();
  OwnedPicture result;
  if (!op.createResult(result, middle.width, middle.height, middle.depth)) return nullptr;
  convolvePass(middle, result.view(), selection, columns ? &*columns : nullptr, false);
  return result.handOver();
}

}  // namespace tvq
