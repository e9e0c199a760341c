// Fast loops as data.
//
// Each kernel lists its fast loops in a table: the storage formats of the
// pictures each loop is written for, then the general walk, which takes any
// formats. The kernel runs the first entry whose formats match, or the
// general walk when none does or fast paths are off. The randomized
// equivalence test walks every entry of every table against the general walk,
// so a new fast loop is tested by being listed.
//
// Every entry relies on what the operations guarantee: all pictures of one
// size, and the selection inside them. A kernel called with anything else
// takes the general walk, which never leaves its pictures.
#ifndef TVQ_FRAME_FAST_PATH_TABLE_H
#define TVQ_FRAME_FAST_PATH_TABLE_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "graphics/frame/fast_paths.h"
#include "graphics/frame/pixel_view.h"

namespace tvq {

// A set of storage formats an entry accepts for one of its pictures.
class FormatSet {
 public:
  constexpr FormatSet() = default;
  constexpr FormatSet(PixelFormat format) : bits_(bitOf(format)) {}  // NOLINT: one format
  static constexpr FormatSet any() { return FormatSet(0xFFu); }
  static constexpr FormatSet of(std::initializer_list<PixelFormat> formats) {
    uint32_t bits = 0;
    for (PixelFormat f : formats) bits |= bitOf(f);
    return FormatSet(bits);
  }
  constexpr bool contains(PixelFormat format) const { return (bits_ & bitOf(format)) != 0; }
  constexpr bool isAny() const { return bits_ == 0xFFu; }

 private:
  constexpr explicit FormatSet(uint32_t bits) : bits_(bits) {}
  static constexpr uint32_t bitOf(PixelFormat f) { return 1u << static_cast<uint32_t>(f); }
  uint32_t bits_ = 0;
};

// The formats of a call: source, the second input (a mask; any for kernels
// with one input) and target.
struct CallFormats {
  PixelFormat source;
  PixelFormat second;
  PixelFormat target;
};

template <typename Loop>
struct FastPath {
  const char* name;  // in test failures and benchmark labels
  FormatSet source;
  FormatSet second;
  FormatSet target;
  Loop loop;
  // For a loop that needs more of the processor than the build's baseline
  // (SSE2 on the Windows DLL): whether this processor has it. Null: always.
  bool (*available)() = nullptr;

  bool usable() const { return available == nullptr || available(); }
  bool accepts(const CallFormats& f) const {
    return source.contains(f.source) && second.contains(f.second) && target.contains(f.target) &&
           usable();
  }
};

template <typename Loop, size_t FastCount>
struct FastPathTable {
  std::array<FastPath<Loop>, FastCount> fast;
  Loop general;

  // The loop for a call: the first matching fast entry, else the general
  // walk. `shapesFit` is the caller's check of sizes and selection.
  Loop choose(const CallFormats& formats, bool shapesFit) const {
    if (fastPathsEnabled() && shapesFit) {
      for (const FastPath<Loop>& entry : fast) {
        if (entry.accepts(formats)) return entry.loop;
      }
    }
    return general;
  }
};

}  // namespace tvq

#endif
