#include "graphics/composite/convolute.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "graphics/frame/channel_math.h"
#include "graphics/frame/color_walks.h"
#include "graphics/frame/operation.h"
#include "graphics/frame/pixel_walk.h"
#include "graphics/frame/processor_features.h"
#include "graphics/frame/sse2_available.h"

#if TVQ_SSE2_AVAILABLE
#include <emmintrin.h>
#endif
#if TVQ_SSE2_AVAILABLE && defined(TVQ_HAVE_AVX2_ROWS)
#define TVQ_CONVOLVE_AVX2 1
#define TVQ_CONVOLVE_AVX512 1
#endif

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

// Kernels whose weighted sums stay within 16 bits: the sum of the magnitudes
// of the coefficients times 255 is at most 32767, so every partial sum of
// products, in any order, is exact in a 16-bit lane. The sign of the kernel
// is moved into its coefficients so that the divisor is positive; a quotient
// truncated toward zero is the same for (a, s) and (-a, -s).
struct ShortKernel {
  int32_t taps = 0;
  std::array<int16_t, 21> coefficients{};
  int32_t divisor = 1;
  // quotient(a) = min(255, ((a * multiplier) >> 16) >> shift) for 0 <= a <=
  // 32767; multiplier 0: the divisor is 1 and the quotient is a itself.
  uint16_t multiplier = 0;
  int32_t shift = 0;
  bool byReciprocal = false;  // false: each quotient is a division
};

constexpr int32_t kShortSumLimit = 32767;

int32_t clampedQuotient(int32_t sum, const ShortKernel& k) {
  if (sum <= 0) return 0;
  if (!k.byReciprocal) return std::min(sum / k.divisor, 255);
  if (k.multiplier == 0) return std::min(sum, 255);
  return std::min(
      static_cast<int32_t>(((static_cast<uint32_t>(sum) * k.multiplier) >> 16) >> k.shift), 255);
}

// A multiplier and shift that give every quotient of 0..32767 by the divisor,
// as far as it matters below the clamp; proved by trying all of them.
void chooseReciprocal(ShortKernel& k) {
  if (k.divisor == 1) {
    k.multiplier = 0;
    k.byReciprocal = true;
    return;
  }
  for (int32_t shift = 0; shift < 16; ++shift) {
    const uint64_t m = ((uint64_t{1} << (16 + shift)) + static_cast<uint64_t>(k.divisor) - 1) /
                       static_cast<uint64_t>(k.divisor);
    if (m > 0xFFFFu) break;
    k.multiplier = static_cast<uint16_t>(m);
    k.shift = shift;
    k.byReciprocal = true;
    bool exact = true;
    for (int32_t a = 0; a <= kShortSumLimit && exact; ++a) {
      exact = clampedQuotient(a, k) == std::min(a / k.divisor, 255);
    }
    if (exact) return;
  }
  k.byReciprocal = false;
}

std::optional<ShortKernel> shortKernelOf(const PassKernel& kernel) {
  ShortKernel k;
  k.taps = kernel.taps;
  const bool negate = kernel.divisor < 0;
  int64_t magnitudes = 0;
  for (int32_t t = 0; t < kernel.taps; ++t) {
    const int64_t c = kernel.coefficients[static_cast<size_t>(t)];
    magnitudes += c < 0 ? -c : c;
    if (magnitudes * 255 > kShortSumLimit) return std::nullopt;
    k.coefficients[static_cast<size_t>(t)] = static_cast<int16_t>(negate ? -c : c);
  }
  const int64_t divisor = negate ? -kernel.divisor : kernel.divisor;
  if (divisor <= 0 || divisor > kShortSumLimit) return std::nullopt;
  k.divisor = static_cast<int32_t>(divisor);
  chooseReciprocal(k);
  return k;
}

// Terms per pass over a run of bytes, and the bytes of a run: its partial
// sums stay in the first-level cache between passes.
constexpr int32_t kTermsPerPass = 4;
constexpr int32_t kRunBytes = 2048;

// The vectors beyond SSE2 a loop uses: none, AVX2, or AVX-512 then AVX2.
enum class Wider { None, Avx2, Avx512 };

// One term of a kernel: a tap, or two taps of one weight (a kernel equal to
// its mirror image) whose bytes are added before the one multiplication.
struct Term {
  const uint8_t* first;
  const uint8_t* second;  // null: a single tap
  int16_t weight;
};

#if TVQ_SSE2_AVAILABLE
// Sixteen bytes at a time over `bytes` (a multiple of 16): the sums of a
// group of terms, added to the partial sums of earlier groups unless `First`;
// the last group ends in the quotients, every other in the partial sums.
struct Sse2Terms {
  static constexpr int32_t kBytes = 16;
  template <bool First, bool Last>
  static void add(const Term* terms, int32_t termCount, int32_t offset, int32_t bytes,
                  int16_t* sums, uint8_t* to, const ShortKernel& k, bool zeroFourth) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i multiplier = _mm_set1_epi16(static_cast<int16_t>(k.multiplier));
    const __m128i shift = _mm_cvtsi32_si128(k.shift);
    const bool divides = k.multiplier != 0;
    const __m128i keep = _mm_set1_epi32(zeroFourth ? 0x00FFFFFF : -1);
    for (int32_t j = offset; j < offset + bytes; j += 16) {
      int16_t* partial = sums + (j - offset);
      __m128i lo = First ? zero : _mm_loadu_si128(reinterpret_cast<const __m128i*>(partial));
      __m128i hi = First ? zero : _mm_loadu_si128(reinterpret_cast<const __m128i*>(partial + 8));
      for (int32_t t = 0; t < termCount; ++t) {
        const Term& term = terms[t];
        const __m128i w = _mm_set1_epi16(term.weight);
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(term.first + j));
        __m128i aLo = _mm_unpacklo_epi8(a, zero);
        __m128i aHi = _mm_unpackhi_epi8(a, zero);
        if (term.second != nullptr) {
          const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(term.second + j));
          aLo = _mm_add_epi16(aLo, _mm_unpacklo_epi8(b, zero));
          aHi = _mm_add_epi16(aHi, _mm_unpackhi_epi8(b, zero));
        }
        lo = _mm_add_epi16(lo, _mm_mullo_epi16(aLo, w));
        hi = _mm_add_epi16(hi, _mm_mullo_epi16(aHi, w));
      }
      if constexpr (Last) {
        lo = _mm_max_epi16(lo, zero);
        hi = _mm_max_epi16(hi, zero);
        if (divides) {
          lo = _mm_srl_epi16(_mm_mulhi_epu16(lo, multiplier), shift);
          hi = _mm_srl_epi16(_mm_mulhi_epu16(hi, multiplier), shift);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + j),
                         _mm_and_si128(_mm_packus_epi16(lo, hi), keep));
      } else {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(partial), lo);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(partial + 8), hi);
      }
    }
  }
};

#ifdef TVQ_CONVOLVE_AVX2
// The same, thirty-two bytes at a time, where the processor has AVX2.
struct Avx2Terms {
  static constexpr int32_t kBytes = 32;
  template <bool First, bool Last>
  TVQ_AVX2_TARGET static void add(const Term* terms, int32_t termCount, int32_t offset,
                                  int32_t bytes, int16_t* sums, uint8_t* to, const ShortKernel& k,
                                  bool zeroFourth) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i multiplier = _mm256_set1_epi16(static_cast<int16_t>(k.multiplier));
    const __m128i shift = _mm_cvtsi32_si128(k.shift);
    const bool divides = k.multiplier != 0;
    const __m256i keep = _mm256_set1_epi32(zeroFourth ? 0x00FFFFFF : -1);
    for (int32_t j = offset; j < offset + bytes; j += 32) {
      int16_t* partial = sums + (j - offset);
      __m256i lo = First ? zero : _mm256_loadu_si256(reinterpret_cast<const __m256i*>(partial));
      __m256i hi =
          First ? zero : _mm256_loadu_si256(reinterpret_cast<const __m256i*>(partial + 16));
      for (int32_t t = 0; t < termCount; ++t) {
        const Term& term = terms[t];
        const __m256i w = _mm256_set1_epi16(term.weight);
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(term.first + j));
        __m256i aLo = _mm256_unpacklo_epi8(a, zero);
        __m256i aHi = _mm256_unpackhi_epi8(a, zero);
        if (term.second != nullptr) {
          const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(term.second + j));
          aLo = _mm256_add_epi16(aLo, _mm256_unpacklo_epi8(b, zero));
          aHi = _mm256_add_epi16(aHi, _mm256_unpackhi_epi8(b, zero));
        }
        lo = _mm256_add_epi16(lo, _mm256_mullo_epi16(aLo, w));
        hi = _mm256_add_epi16(hi, _mm256_mullo_epi16(aHi, w));
      }
      if constexpr (Last) {
        lo = _mm256_max_epi16(lo, zero);
        hi = _mm256_max_epi16(hi, zero);
        if (divides) {
          lo = _mm256_srl_epi16(_mm256_mulhi_epu16(lo, multiplier), shift);
          hi = _mm256_srl_epi16(_mm256_mulhi_epu16(hi, multiplier), shift);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + j),
                            _mm256_and_si256(_mm256_packus_epi16(lo, hi), keep));
      } else {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(partial), lo);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(partial + 16), hi);
      }
    }
  }
};
#endif

#ifdef TVQ_CONVOLVE_AVX512
// The same, sixty-four bytes at a time, where the processor has AVX-512
// with byte and word instructions.
struct Avx512Terms {
  static constexpr int32_t kBytes = 64;
  template <bool First, bool Last>
  TVQ_AVX512_WORDS_TARGET static void add(const Term* terms, int32_t termCount, int32_t offset,
                                          int32_t bytes, int16_t* sums, uint8_t* to,
                                          const ShortKernel& k, bool zeroFourth) {
    const __m512i zero = _mm512_setzero_si512();
    const __m512i multiplier = _mm512_set1_epi16(static_cast<int16_t>(k.multiplier));
    const __m128i shift = _mm_cvtsi32_si128(k.shift);
    const bool divides = k.multiplier != 0;
    const __m512i keep = _mm512_set1_epi32(zeroFourth ? 0x00FFFFFF : -1);
    for (int32_t j = offset; j < offset + bytes; j += 64) {
      int16_t* partial = sums + (j - offset);
      __m512i lo = First ? zero : _mm512_loadu_si512(reinterpret_cast<const __m512i*>(partial));
      __m512i hi =
          First ? zero : _mm512_loadu_si512(reinterpret_cast<const __m512i*>(partial + 32));
      for (int32_t t = 0; t < termCount; ++t) {
        const Term& term = terms[t];
        const __m512i w = _mm512_set1_epi16(term.weight);
        const __m512i a = _mm512_loadu_si512(reinterpret_cast<const __m512i*>(term.first + j));
        __m512i aLo = _mm512_unpacklo_epi8(a, zero);
        __m512i aHi = _mm512_unpackhi_epi8(a, zero);
        if (term.second != nullptr) {
          const __m512i b = _mm512_loadu_si512(reinterpret_cast<const __m512i*>(term.second + j));
          aLo = _mm512_add_epi16(aLo, _mm512_unpacklo_epi8(b, zero));
          aHi = _mm512_add_epi16(aHi, _mm512_unpackhi_epi8(b, zero));
        }
        lo = _mm512_add_epi16(lo, _mm512_mullo_epi16(aLo, w));
        hi = _mm512_add_epi16(hi, _mm512_mullo_epi16(aHi, w));
      }
      if constexpr (Last) {
        lo = _mm512_max_epi16(lo, zero);
        hi = _mm512_max_epi16(hi, zero);
        if (divides) {
          lo = _mm512_srl_epi16(_mm512_mulhi_epu16(lo, multiplier), shift);
          hi = _mm512_srl_epi16(_mm512_mulhi_epu16(hi, multiplier), shift);
        }
        _mm512_storeu_si512(reinterpret_cast<__m512i*>(to + j),
                            _mm512_and_si512(_mm512_packus_epi16(lo, hi), keep));
      } else {
        _mm512_storeu_si512(reinterpret_cast<__m512i*>(partial), lo);
        _mm512_storeu_si512(reinterpret_cast<__m512i*>(partial + 32), hi);
      }
    }
  }
};
#endif

// The terms over the whole vectors of bytes from `begin`, a run of bytes at
// a time, a group of terms per pass; answers where the vectors end.
template <typename Terms>
int32_t addGroups(const Term* terms, int32_t termCount, int32_t begin, int32_t count, int16_t* sums,
                  uint8_t* to, const ShortKernel& k, bool zeroFourth) {
  const int32_t end = begin + (count - begin) / Terms::kBytes * Terms::kBytes;
  for (int32_t offset = begin; offset < end; offset += kRunBytes) {
    const int32_t bytes = std::min(kRunBytes, end - offset);
    for (int32_t g = 0; g < termCount; g += kTermsPerPass) {
      const int32_t n = std::min(kTermsPerPass, termCount - g);
      const bool first = g == 0;
      const bool last = g + n == termCount;
      const Term* group = terms + g;
      if (first && last) {
        Terms::template add<true, true>(group, n, offset, bytes, sums, to, k, zeroFourth);
      } else if (first) {
        Terms::template add<true, false>(group, n, offset, bytes, sums, to, k, zeroFourth);
      } else if (last) {
        Terms::template add<false, true>(group, n, offset, bytes, sums, to, k, zeroFourth);
      } else {
        Terms::template add<false, false>(group, n, offset, bytes, sums, to, k, zeroFourth);
      }
    }
  }
  return end;
}
#endif

// out[j] = quotient of the sum over t of c(t) * sources[t][j], j < count;
// with `zeroFourth` every fourth byte (the row starts at a pixel) is 0.
// `sums`: kRunBytes partial sums.
template <Wider Vectors>
void convolveBytes(const uint8_t* const* sources, uint8_t* to, int32_t count, const ShortKernel& k,
                   bool zeroFourth, int16_t* sums) {
  const int32_t taps = k.taps;
  const int16_t* c = k.coefficients.data();
  int32_t j = 0;
#if TVQ_SSE2_AVAILABLE
  if (k.byReciprocal) {
    bool mirrored = true;
    for (int32_t t = 0; t < taps / 2; ++t) mirrored = mirrored && c[t] == c[taps - 1 - t];
    std::array<Term, 21> terms{};
    int32_t termCount = 0;
    for (int32_t t = 0; t < taps; ++t) {
      const bool paired = mirrored && t < taps / 2;
      if (mirrored && t > taps / 2) break;
      terms[static_cast<size_t>(termCount++)] = {sources[t],
                                                 paired ? sources[taps - 1 - t] : nullptr, c[t]};
    }
#ifdef TVQ_CONVOLVE_AVX2
    if constexpr (Vectors == Wider::Avx512)
      j = addGroups<Avx512Terms>(terms.data(), termCount, j, count, sums, to, k, zeroFourth);
    if constexpr (Vectors != Wider::None)
      j = addGroups<Avx2Terms>(terms.data(), termCount, j, count, sums, to, k, zeroFourth);
#endif
    j = addGroups<Sse2Terms>(terms.data(), termCount, j, count, sums, to, k, zeroFourth);
  }
#endif
  for (; j < count; ++j) {
    int32_t sum = 0;
    for (int32_t t = 0; t < taps; ++t) sum += c[t] * sources[t][j];
    to[j] = zeroFourth && j % 4 == 3 ? 0 : static_cast<uint8_t>(clampedQuotient(sum, k));
  }
}

// Both pictures of format F (24 or 32 bits): the selected bytes of each row
// filtered with the neighbouring pixels (horizontal) or rows (vertical) as
// the taps, in the widest vectors `Vectors` allows; near the left and right
// edges the taps read a copy of the row with the edge pixels repeated, near
// the top and bottom the edge rows are named again. Kernels beyond 16-bit
// sums take the 64-bit walk.
template <PixelFormat F, Wider Vectors>
void filterBytes(const PixelView& in, const PixelView& out, const Selection& selection,
                 const PassKernel& kernel, bool horizontal) {
  const std::optional<ShortKernel> k = shortKernelOf(kernel);
  if (!k) {
    filterPass<Fixed<F>, Fixed<F>>(in, out, selection, kernel, horizontal);
    return;
  }
  constexpr int32_t bpp = F == PixelFormat::Bgrx32 ? 4 : 3;
  constexpr bool zeroFourth = F == PixelFormat::Bgrx32;
  const int32_t half = k->taps / 2;
  std::vector<uint8_t> padded;
  if (horizontal) padded.resize(static_cast<size_t>(in.width + 2 * half) * bpp);
  std::vector<int16_t> sums(static_cast<size_t>(kRunBytes));
  std::array<const uint8_t*, 21> sources{};
  mapSelectionRows<Fixed<F>, Fixed<F>>(
      in, out, selection,
      [&](const uint8_t*, uint8_t* to, int32_t count, int32_t x0, int32_t y) {
        if (!horizontal) {
          for (int32_t t = 0; t < k->taps; ++t) {
            const int32_t v = std::clamp(y + t - half, 0, in.height - 1);
            sources[static_cast<size_t>(t)] = in.row(v) + static_cast<ptrdiff_t>(x0) * bpp;
          }
          convolveBytes<Vectors>(sources.data(), to, count * bpp, *k, zeroFourth, sums.data());
          return;
        }
        // Columns whose neighbours are all inside the row read the row
        // itself; those within `half` of an edge read a copy of their
        // neighbours with the edge pixels repeated.
        const uint8_t* row = in.row(y);
        const auto columns = [&](int32_t from, int32_t to_) {
          if (from >= to_) return;
          const int32_t first = from - half;
          const int32_t last = to_ - 1 + half;
          const uint8_t* base = row + static_cast<ptrdiff_t>(first) * bpp;
          if (first < 0 || last > in.width - 1) {
            const int32_t low = std::max(first, 0);
            const int32_t high = std::min(last, in.width - 1);
            uint8_t* at = padded.data();
            for (int32_t x = first; x < low; ++x, at += bpp) std::memcpy(at, row, bpp);
            std::memcpy(at, row + static_cast<ptrdiff_t>(low) * bpp,
                        static_cast<size_t>(high - low + 1) * bpp);
            at += static_cast<ptrdiff_t>(high - low + 1) * bpp;
            const uint8_t* edge = row + static_cast<ptrdiff_t>(in.width - 1) * bpp;
            for (int32_t x = high + 1; x <= last; ++x, at += bpp) std::memcpy(at, edge, bpp);
            base = padded.data();
          }
          for (int32_t t = 0; t < k->taps; ++t) {
            sources[static_cast<size_t>(t)] = base + static_cast<ptrdiff_t>(t) * bpp;
          }
          convolveBytes<Vectors>(sources.data(), to + static_cast<ptrdiff_t>(from - x0) * bpp,
                                 (to_ - from) * bpp, *k, zeroFourth, sums.data());
        };
        const int32_t end = x0 + count;
        const int32_t inner = std::clamp(half, x0, end);
        const int32_t outer = std::clamp(in.width - half, inner, end);
        columns(x0, inner);
        columns(inner, outer);
        columns(outer, end);
      },
      CopyRule::Converted);
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

const FastPathTable<ConvolvePassLoop, 6>& convolvePassLoops() {
  static constexpr FastPathTable<ConvolvePassLoop, 6> table = {
      {{
#ifdef TVQ_CONVOLVE_AVX2
          {"32-bit, AVX-512", F::Bgrx32, FormatSet::any(), F::Bgrx32,
           filterBytes<F::Bgrx32, Wider::Avx512>, hasAvx512Words},
          {"24-bit, AVX-512", F::Bgr24, FormatSet::any(), F::Bgr24,
           filterBytes<F::Bgr24, Wider::Avx512>, hasAvx512Words},
          {"32-bit, AVX2", F::Bgrx32, FormatSet::any(), F::Bgrx32,
           filterBytes<F::Bgrx32, Wider::Avx2>, hasAvx2},
          {"24-bit, AVX2", F::Bgr24, FormatSet::any(), F::Bgr24, filterBytes<F::Bgr24, Wider::Avx2>,
           hasAvx2},
#else
          {"32-bit, AVX-512", F::Bgrx32, FormatSet::any(), F::Bgrx32,
           filterBytes<F::Bgrx32, Wider::None>, [] { return false; }},
          {"24-bit, AVX-512", F::Bgr24, FormatSet::any(), F::Bgr24,
           filterBytes<F::Bgr24, Wider::None>, [] { return false; }},
          {"32-bit, AVX2", F::Bgrx32, FormatSet::any(), F::Bgrx32,
           filterBytes<F::Bgrx32, Wider::None>, [] { return false; }},
          {"24-bit, AVX2", F::Bgr24, FormatSet::any(), F::Bgr24, filterBytes<F::Bgr24, Wider::None>,
           [] { return false; }},
#endif
          {"32-bit", F::Bgrx32, FormatSet::any(), F::Bgrx32, filterBytes<F::Bgrx32, Wider::None>},
          {"24-bit", F::Bgr24, FormatSet::any(), F::Bgr24, filterBytes<F::Bgr24, Wider::None>},
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
