#include "graphics/composite/difference.h"

#include <algorithm>
#include <type_traits>

#include "graphics/frame/format_access.h"
#include "graphics/frame/owned_picture.h"
#include "graphics/frame/picture_lock.h"
#include "graphics/frame/sse2_available.h"

#if TVQ_SSE2_AVAILABLE
#include <emmintrin.h>
#endif

namespace tvq {
namespace {

using F = PixelFormat;

constexpr PixelValue kSame = 0xFFFFFF;
constexpr PixelValue kDifferent = 0xFF0000;
constexpr PixelValue kSourceOnly = 0xDDFFDD;
constexpr PixelValue kOutsideSource = 0xDDDDFF;

template <typename Source, typename Compare>
void differenceWalk(const PixelView& source, const PixelView& compare, const PixelView& map) {
  const int32_t sourceStep = stepOf(Source{}, source);
  const int32_t compareStep = stepOf(Compare{}, compare);
  for (int32_t y = 0; y < map.height; ++y) {
    uint8_t* to = map.row(y);
    int32_t x = 0;
    if (y < source.height) {
      const int32_t both = y < compare.height ? std::min(source.width, compare.width) : 0;
      const uint8_t* s = source.row(y);
      const uint8_t* c = both > 0 ? compare.row(y) : nullptr;
#if TVQ_SSE2_AVAILABLE
      // Two 32-bit rows: four whole words compared at once.
      if constexpr (std::is_same_v<Source, Fixed<F::Bgrx32>> &&
                    std::is_same_v<Compare, Fixed<F::Bgrx32>>) {
        const __m128i same = _mm_set1_epi32(static_cast<int32_t>(kSame));
        const __m128i different = _mm_set1_epi32(static_cast<int32_t>(kDifferent));
        for (; x + 4 <= both; x += 4, s += 16, c += 16, to += 16) {
          const __m128i equal =
              _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)),
                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(c)));
          _mm_storeu_si128(
              reinterpret_cast<__m128i*>(to),
              _mm_or_si128(_mm_and_si128(equal, same), _mm_andnot_si128(equal, different)));
        }
      }
#endif
      for (; x < both; ++x, s += sourceStep, c += compareStep, to += 4) {
        const bool same = fetch(Source{}, source, s) == fetch(Compare{}, compare, c);
        accessors::storeBgrx32(to, same ? kSame : kDifferent);
      }
      for (; x < source.width && x < map.width; ++x, to += 4) {
        accessors::storeBgrx32(to, kSourceOnly);
      }
    }
    for (; x < map.width; ++x, to += 4) accessors::storeBgrx32(to, kOutsideSource);
  }
}

}  // namespace

const FastPathTable<DifferenceLoop, 2>& differenceLoops() {
  static constexpr FastPathTable<DifferenceLoop, 2> table = {
      {{
          {"32-bit", F::Bgrx32, F::Bgrx32, F::Bgrx32,
           differenceWalk<Fixed<F::Bgrx32>, Fixed<F::Bgrx32>>},
          {"24-bit", F::Bgr24, F::Bgr24, F::Bgrx32,
           differenceWalk<Fixed<F::Bgr24>, Fixed<F::Bgr24>>},
      }},
      differenceWalk<PerPixel, PerPixel>,
  };
  return table;
}

void differenceMap(const PixelView& source, const PixelView& compare, const PixelView& map) {
  // Every loop writes 4 bytes a pixel over the whole map.
  if (map.format != PixelFormat::Bgrx32 || map.width < std::max(source.width, compare.width) ||
      map.height < std::max(source.height, compare.height)) {
    return;
  }
  differenceLoops().choose({source.format, compare.format, map.format}, true)(source, compare, map);
}

RbPicture differenceMethod(RbPicture source, RbPicture compare) {
  if (source == nullptr || compare == nullptr) return nullptr;
  PictureLock in;
  if (!in.lock(source)) return nullptr;
  PictureLock other;
  if (!other.lock(compare)) return nullptr;
  OwnedPicture map;
  if (!map.create(std::max(in.view().width, other.view().width),
                  std::max(in.view().height, other.view().height), 32)) {
    return nullptr;
  }
  differenceMap(in.view(), other.view(), map.view());
  return map.handOver();
}

}  // namespace tvq
