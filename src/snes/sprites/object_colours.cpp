#include "snes/sprites/object_colours.h"

#include <algorithm>
#include <map>

#include "snes/encoders/palette_words.h"

namespace tilora::sprites {
namespace {

using packing::Colour15;

Colour15 ColourOf(FramePixel p) { return static_cast<Colour15>(p & 0x7FFF); }

void Distinct(std::vector<Colour15>& set) {
  std::sort(set.begin(), set.end());
  set.erase(std::unique(set.begin(), set.end()), set.end());
}

// Each object's distinct colours.
ColourSets ColourSetsOf(const FramePixels& frame, const Covering& covering) {
  ColourSets sets(covering.objects.size());
  for (std::size_t i = 0; i < frame.pixels.size(); ++i)
    if (covering.owner[i] != kNoOwner) sets[covering.owner[i]].push_back(ColourOf(frame.pixels[i]));
  for (std::vector<Colour15>& set : sets) Distinct(set);
  return sets;
}

// Sets that are the same go to the packing once; which one each of `sets`
// is among them.
struct DistinctSets {
  ColourSets sets;
  std::vector<std::size_t> of;

  void Add(std::vector<Colour15> set) {
    const auto [it, added] = index.emplace(std::move(set), sets.size());
    if (added) sets.push_back(it->first);
    of.push_back(it->second);
  }
  std::map<std::vector<Colour15>, std::size_t> index;
};

}  // namespace

void ObjectColours::WordsOf(const ColourSets& palettes) {
  words_.assign(32 * std::max<std::size_t>(palettes.size(), 1), 0);
  // Colour 0 is never shown for an object; its word stays 0.
  for (std::size_t b = 0; b < palettes.size(); ++b)
    for (std::size_t k = 0; k < palettes[b].size(); ++k) {
      words_[32 * b + 2 * k + 2] = static_cast<std::uint8_t>(palettes[b][k]);
      words_[32 * b + 2 * k + 3] = static_cast<std::uint8_t>(palettes[b][k] >> 8);
    }
}

ObjectColours ObjectColours::OfBlocks(const Picture& sheet, const std::vector<Covering>& coverings) {
  ObjectColours out;
  int highest = 0;
  for (const Covering& covering : coverings) {
    out.palettes_.emplace_back();
    for (const Placement& o : covering.objects) {
      out.palettes_.back().push_back(o.cls);
      highest = std::max(highest, o.cls);
    }
  }
  out.words_ = EncodePaletteWords(sheet.palette, static_cast<std::size_t>(16 * (highest + 1)));
  return out;
}

std::optional<ObjectColours> ObjectColours::PackedByObject(const std::vector<FramePixels>& shapes,
                                                           const std::vector<Covering>& coverings,
                                                           const SpriteSettings& settings, int& best) {
  DistinctSets distinct;
  for (std::size_t s = 0; s < coverings.size(); ++s)
    for (std::vector<Colour15>& set : ColourSetsOf(shapes[s], coverings[s])) distinct.Add(std::move(set));
  // The covering keeps every object within the colours a sub-palette holds,
  // so the packing can only run out of sub-palettes.
  const packing::PackingOutcome packed = packing::PackSubPalettes(distinct.sets, {settings.palettes, settings.colours});
  // Refused at once by a bound, nothing was packed: the bound is the count.
  best = std::max(packed.best, packed.fewestPossible);
  if (!packed.Fits()) return std::nullopt;
  ObjectColours out;
  out.packed_ = packed.packing.palettes;
  std::size_t next = 0;
  for (const Covering& covering : coverings) {
    out.palettes_.emplace_back();
    for (std::size_t i = 0; i < covering.objects.size(); ++i)
      out.palettes_.back().push_back(packed.packing.tilePalette[distinct.of[next++]]);
  }
  out.WordsOf(out.packed_);
  return out;
}

ObjectColours ObjectColours::OfClasses(ColourSets palettes, const std::vector<Covering>& coverings) {
  ObjectColours out;
  for (const Covering& covering : coverings) {
    out.palettes_.emplace_back();
    for (const Placement& o : covering.objects) out.palettes_.back().push_back(o.cls);
  }
  out.WordsOf(palettes);
  out.packed_ = std::move(palettes);
  return out;
}

std::optional<CellColours> ColoursByCells(const std::vector<FramePixels>& shapes, const SpriteSettings& settings,
                                          int& best) {
  const auto cellOf = [](const FramePixels& frame, int x, int y) {
    return static_cast<std::size_t>(y / 8 * ((frame.width + 7) / 8) + x / 8);
  };
  DistinctSets distinct;
  std::vector<std::size_t> firstCell;  // per shape, its first cell among all
  for (const FramePixels& frame : shapes) {
    ColourSets cells(static_cast<std::size_t>((frame.width + 7) / 8 * ((frame.height + 7) / 8)));
    for (int y = 0; y < frame.height; ++y)
      for (int x = 0; x < frame.width; ++x)
        if (const FramePixel p = frame.At(x, y); p != 0) cells[cellOf(frame, x, y)].push_back(ColourOf(p));
    firstCell.push_back(distinct.of.size());
    for (std::vector<Colour15>& cell : cells) {
      Distinct(cell);
      distinct.Add(std::move(cell));
    }
  }
  const packing::PackingOutcome packed = packing::PackSubPalettes(distinct.sets, {settings.palettes, settings.colours});
  best = packed.status == packing::PackingStatus::kNoPackingFound     ? packed.best
         : packed.status == packing::PackingStatus::kTooFewSubPalettes ? packed.fewestPossible
                                                                        : 0;
  if (!packed.Fits()) return std::nullopt;
  CellColours out;
  out.palettes = packed.packing.palettes;
  for (std::size_t s = 0; s < shapes.size(); ++s) {
    FramePixels frame = shapes[s];
    for (int y = 0; y < frame.height; ++y)
      for (int x = 0; x < frame.width; ++x) {
        FramePixel& p = frame.pixels[static_cast<std::size_t>(y * frame.width + x)];
        if (p == 0) continue;
        const int b = packed.packing.tilePalette[distinct.of[firstCell[s] + cellOf(frame, x, y)]];
        p = static_cast<FramePixel>(16 * b + packing::ColourIndexIn(out.palettes[static_cast<std::size_t>(b)], ColourOf(p)));
      }
    out.shapes.push_back(std::move(frame));
  }
  return out;
}

}  // namespace tilora::sprites
