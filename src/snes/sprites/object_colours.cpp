#include "snes/sprites/object_colours.h"

#include <algorithm>
#include <map>

#include "encode/palette_words.h"
#include "encode/subpalette_packing.h"
#include "snes/sprites/sprite_refusals.h"

namespace tilora::sprites {
namespace {

using packing::Colour15;

// Each object's distinct colours, ascending.
std::vector<std::vector<Colour15>> ColourSetsOf(const FramePixels& frame, const Covering& covering) {
  std::vector<std::vector<Colour15>> sets(covering.objects.size());
  for (std::size_t i = 0; i < frame.pixels.size(); ++i)
    if (covering.owner[i] != kNoOwner)
      sets[covering.owner[i]].push_back(static_cast<Colour15>(frame.pixels[i] & 0x7FFF));
  for (std::vector<Colour15>& set : sets) {
    std::sort(set.begin(), set.end());
    set.erase(std::unique(set.begin(), set.end()), set.end());
  }
  return sets;
}

void PutWord(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t word) {
  out[at] = static_cast<std::uint8_t>(word);
  out[at + 1] = static_cast<std::uint8_t>(word >> 8);
}

}  // namespace

std::variant<ObjectColours, Refusal> ObjectColours::Make(const Picture& sheet, const SpriteSettings& settings,
                                                         const FrameShapes& shapes,
                                                         const std::vector<Covering>& coverings) {
  ObjectColours out;
  out.palettes_.resize(coverings.size());
  if (sheet.indexed) {
    int highest = 0;
    for (std::size_t s = 0; s < coverings.size(); ++s)
      for (const Placement& o : coverings[s].objects) {
        out.palettes_[s].push_back(o.cls);
        highest = std::max(highest, o.cls);
      }
    out.words_ = EncodePaletteWords(sheet.palette, static_cast<std::size_t>(16 * (highest + 1)));
    return out;
  }
  // Objects with the same colours are one set to the packing.
  std::map<std::vector<Colour15>, std::size_t> setIndex;
  std::vector<std::vector<Colour15>> sets;
  std::vector<std::vector<std::size_t>> objectSet(coverings.size());
  for (std::size_t s = 0; s < coverings.size(); ++s)
    for (std::vector<Colour15>& set : ColourSetsOf(shapes.Pixels(static_cast<int>(s)), coverings[s])) {
      const auto [it, added] = setIndex.emplace(std::move(set), sets.size());
      if (added) sets.push_back(it->first);
      objectSet[s].push_back(it->second);
    }
  const packing::PackingOutcome packed =
      packing::PackSubPalettes(sets, {settings.palettes, settings.colours});
  if (!packed.Fits()) {
    if (packed.status == packing::PackingStatus::kNoPackingFound)
      return refusals::PalettesDoNotFit(packed.best, settings.palettes, settings.colours);
    // The covering keeps every object within the colours, so only a fault
    // of ours comes here.
    return refusals::Internal("the objects' colours could not be packed: " + packed.notice);
  }
  out.packed_ = packed.packing.palettes;
  for (std::size_t s = 0; s < coverings.size(); ++s)
    for (const std::size_t set : objectSet[s]) out.palettes_[s].push_back(packed.packing.tilePalette[set]);
  out.words_.assign(32 * out.packed_.size(), 0);
  // Colour 0 is never shown for an object; its word stays 0.
  for (std::size_t b = 0; b < out.packed_.size(); ++b)
    for (std::size_t k = 0; k < out.packed_[b].size(); ++k) PutWord(out.words_, 32 * b + 2 * (k + 1), out.packed_[b][k]);
  return out;
}

}  // namespace tilora::sprites
