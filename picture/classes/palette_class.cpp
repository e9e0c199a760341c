// PaletteZRW: 256 colours with a count of entries in use.
#include "picture/classes/palette_class.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "host_binding/host_services.h"
#include "picture/classes/class_definitions.h"
#include "picture/classes/palette_tables.h"
#include "picture/classes/system_palette.h"
#include "picture/frame/class_records.h"

namespace zrw {
namespace {

constexpr int32_t kEntries = 256;

struct PaletteData {
  int32_t count;
  int32_t reserved;
  uint32_t entries[kEntries];  // 0xRRGGBB, little-endian: blue, green, red, 0 in memory
};

PaletteData* paletteData(RbObject self) { return instanceData<PaletteData>(self, paletteClass); }

void paletteConstruct(RbObject self) {
  if (PaletteData* d = paletteData(self)) {
    d->count = kEntries;
    d->reserved = -1;
  }
}

// The low eight bits of i: Col(256) is entry 0, Col(-1) entry 255.
size_t entryIndex(int32_t i) { return static_cast<uint32_t>(i) & 0xFF; }

RbColor paletteCol(RbObject self, int32_t i) {
  PaletteData* d = paletteData(self);
  return d != nullptr ? d->entries[entryIndex(i)] : 0;
}

void paletteColSet(RbObject self, int32_t i, RbColor colour) {
  if (PaletteData* d = paletteData(self)) d->entries[entryIndex(i)] = colour;
}

// The block refers to the entries themselves, so it is valid only while the
// palette lives.
RbMemoryBlock paletteMem(RbObject self) {
  PaletteData* d = paletteData(self);
  return d != nullptr ? host::ptrToMemoryBlock(d->entries) : nullptr;
}

// Distinct values among the entries in use, of which there are at most the
// 256 that exist, whatever Count says.
int32_t paletteCountColors(RbObject self) {
  PaletteData* d = paletteData(self);
  if (d == nullptr || d->count <= 0) return 0;
  const int32_t used = std::min(d->count, kEntries);
  int32_t duplicates = 0;
  for (int32_t i = 0; i + 1 < used; ++i)
    if (std::find(d->entries + i + 1, d->entries + used, d->entries[i]) != d->entries + used)
      ++duplicates;
  return used - duplicates;
}

void paletteClose(RbObject) {}

// An indexed picture deep enough for Count colours; the entries are not
// given to it.
RbPicture paletteNewPicture(RbObject self, int32_t width, int32_t height) {
  PaletteData* d = paletteData(self);
  if (d == nullptr || d->count <= 0 || d->count > kEntries) return nullptr;
  const int32_t depth = d->count <= 2 ? 1 : d->count <= 4 ? 2 : d->count <= 16 ? 4 : 8;
  return host::newPicture(width, height, depth);
}

auto paletteProperties =
    propertyTable(directProperty("Count", "Integer", offsetof(PaletteData, count)));

auto paletteMethods = methodTable(
    assignable(&paletteCol, &paletteColSet, "Col(i as integer) as color"),
    method(&paletteMem, "Mem as Memoryblock"),
    method(&paletteCountColors, "CountColors as integer"), method(&paletteClose, "Close"),
    method(&paletteNewPicture, "NewPicture(width as integer,height as integer) as picture"));

// A new palette; `fill(entries)` writes its colours. Entries start black.
template <typename Fill>
RbObject makePalette(int32_t count, Fill fill) {
  RbObject palette = host::pluginNewInstance("PaletteZRW");
  PaletteData* d = paletteData(palette);
  if (d == nullptr) return nullptr;
  d->count = count;
  fill(d->entries);
  return palette;
}

RbObject paletteOf(const PaletteColours& colours) {
  return makePalette(kEntries, [&colours](uint32_t* entries) {
    std::copy(colours.begin(), colours.end(), entries);
  });
}

// Entry k = k times `perStep`: k on each channel that perStep has a 1 in.
RbObject rampPalette(uint32_t perStep) {
  return makePalette(kEntries, [perStep](uint32_t* entries) {
    for (uint32_t k = 0; k < kEntries; ++k) entries[k] = k * perStep;
  });
}

}  // namespace

RbObject newGrayPalette() { return rampPalette(0x010101); }
RbObject newRedPalette() { return rampPalette(0x010000); }
RbObject newGreenPalette() { return rampPalette(0x000100); }
RbObject newBluePalette() { return rampPalette(0x000001); }
RbObject newWebPalette() { return paletteOf(webPaletteColours()); }
RbObject newWindowsPalette() { return paletteOf(windowsPaletteColours()); }
RbObject newPalmPalette() { return paletteOf(palmPaletteColours()); }

RbObject newSystemPalette() {
  const std::optional<SystemPalette> system = readSystemPalette();
  if (!system) return newWindowsPalette();
  RbObject palette = makePalette(system->count, [&system](uint32_t* entries) {
    std::copy(system->colours.begin(), system->colours.end(), entries);
  });
  return palette != nullptr ? palette : newWindowsPalette();
}

RbObject newPalette(int32_t count) {
  return makePalette(count, [](uint32_t*) {});
}

RbObject picturePalette(RbPicture) { return nullptr; }
void picturePaletteSet(RbPicture, RbObject) {}

RbClassDefinition paletteClass =
    classDefinition("PaletteZRW", sizeof(PaletteData), &paletteConstruct, nullptr,
                    paletteProperties, paletteMethods);

}  // namespace zrw
