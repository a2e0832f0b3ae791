#include "palettes/reduction/lossy_reduction.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "palettes/reduction/palette_polish.h"
#include "palettes/reduction/reduction_model.h"
#include "palettes/reduction/tile_dither.h"

namespace tilora::packing {
namespace {

using detail::ColourCount;
using detail::NearestEntries;
using detail::Palettes;
using detail::PictureColours;

std::size_t At(int i) { return static_cast<std::size_t>(i); }

// Rounds of quantising the groups and moving tiles; the error rarely falls
// after the first few.
constexpr int kRounds = 10;

int TilesWithColours(const PictureColours& picture) {
  return static_cast<int>(std::count_if(picture.tiles.begin(), picture.tiles.end(),
                                        [](const auto& counts) { return !counts.empty(); }));
}

// Moves each tile to the sub-palette that serves it best; returns the total
// error, and each tile's error where it went.
double AssignTiles(const PictureColours& picture, const NearestEntries& nearest, int palettes,
                   std::vector<int>& paletteOf, std::vector<double>& errorOf) {
  double total = 0;
  for (int t = 0; t < static_cast<int>(picture.tiles.size()); ++t) {
    double best = std::numeric_limits<double>::max();
    for (int p = 0; p < palettes && !picture.tiles[At(t)].empty(); ++p) {
      const double error = detail::TileError(picture, nearest, t, p);
      if (error < best) best = error, paletteOf[At(t)] = p;
    }
    errorOf[At(t)] = picture.tiles[At(t)].empty() ? 0 : best;
    total += errorOf[At(t)];
  }
  return total;
}

// A group without tiles gets the worst-served tile of a group that has more
// than one, so no sub-palette goes to waste.
void FillEmptyGroups(std::vector<int>& groupOf, std::vector<double> errorOf, const PictureColours& picture,
                     int groups) {
  std::vector<int> members(At(groups), 0);
  for (std::size_t t = 0; t < groupOf.size(); ++t) members[At(groupOf[t])] += !picture.tiles[t].empty();
  for (int g = 0; g < groups; ++g) {
    if (members[At(g)] > 0) continue;
    int worst = -1;
    for (int t = 0; t < static_cast<int>(groupOf.size()); ++t)
      if (members[At(groupOf[At(t)])] > 1 && (worst < 0 || errorOf[At(t)] > errorOf[At(worst)])) worst = t;
    if (worst < 0) return;
    --members[At(groupOf[At(worst)])];
    ++members[At(g)];
    groupOf[At(worst)] = g;
    errorOf[At(worst)] = 0;
  }
}

// Sub-palettes numbered by the first tile with colours that uses them,
// unused ones dropped; tiles without colours take 0.
void NumberByFirstUse(std::span<const TilePixels> tiles, TilePalettes& result) {
  std::vector<int> renamed(result.palettes.size(), -1);
  Palettes kept;
  for (std::size_t t = 0; t < tiles.size(); ++t) {
    if (tiles[t].transparent == ~std::uint64_t{0}) {
      result.tilePalette[t] = 0;
      continue;
    }
    int& name = renamed[At(result.tilePalette[t])];
    if (name < 0) {
      name = static_cast<int>(kept.size());
      kept.push_back(std::move(result.palettes[At(result.tilePalette[t])]));
    }
    result.tilePalette[t] = name;
  }
  if (kept.empty()) kept.emplace_back();
  result.palettes = std::move(kept);
}

TilePalettes Assemble(std::span<const TilePixels> tiles, const PictureColours& picture, Palettes palettes,
                      std::vector<int> paletteOf, bool dither) {
  TilePalettes result;
  result.reduced = true;
  result.pixelIndex.resize(tiles.size());
  const NearestEntries nearest(picture, palettes);
  std::vector<int> idOf(kColour15Count, -1);
  for (int c = 0; c < picture.Count(); ++c) idOf[picture.colours[At(c)]] = c;
  for (std::size_t t = 0; t < tiles.size(); ++t) {
    const std::vector<Colour15>& palette = palettes[At(paletteOf[t])];
    if (dither && !picture.tiles[t].empty()) {
      result.pixelIndex[t] = detail::DitherTile(tiles[t], palette);
      continue;
    }
    for (int i = 0; i < kTilePixels; ++i) {
      if (tiles[t].IsTransparent(i)) continue;
      const int colour = idOf[Colour15Of(tiles[t].rgb[At(i)])];
      result.pixelIndex[t][At(i)] = static_cast<std::uint8_t>(nearest.Entry(colour, paletteOf[t]) + 1);
    }
  }
  result.palettes = std::move(palettes);
  result.tilePalette = std::move(paletteOf);
  NumberByFirstUse(tiles, result);
  MeasureDeltaE(tiles, result);
  return result;
}

void RequireLimits(PaletteLimits limits) {
  const std::string notice = LimitsNotice(limits);
  if (!notice.empty()) throw std::invalid_argument(notice);
}

std::uint8_t NearestLevel(double channel) {
  return static_cast<std::uint8_t>(std::clamp(static_cast<int>(std::lround(channel * 31.0 / 255.0)), 0, 31));
}

std::vector<Colour15> MedianCutInRgb(const PictureColours& picture, const std::vector<ColourCount>& histogram,
                                     int count) {
  std::vector<detail::WeightedPoint> points;
  for (const ColourCount& c : histogram) {
    const Rgb rgb = ShownRgb(picture.colours[At(c.colour)]);
    points.push_back({{static_cast<double>(rgb.red), static_cast<double>(rgb.green), static_cast<double>(rgb.blue)},
                      static_cast<double>(c.pixels)});
  }
  std::vector<Colour15> palette;
  for (const auto& mean : detail::BoxMeans(points, detail::MedianCut(points, count)))
    palette.push_back(static_cast<Colour15>(NearestLevel(mean[0]) | NearestLevel(mean[1]) << 5 |
                                            NearestLevel(mean[2]) << 10));
  std::sort(palette.begin(), palette.end());
  palette.erase(std::unique(palette.begin(), palette.end()), palette.end());
  return palette;
}

}  // namespace

TilePalettes ReduceColours(std::span<const TilePixels> tiles, PaletteLimits limits, bool dither) {
  RequireLimits(limits);
  const PackingOutcome packing = PackSubPalettes(TileColourSets(tiles), limits);
  if (packing.Fits()) return IndexPixels(tiles, packing.packing);

  const PictureColours picture = detail::CountColours(tiles);
  const int groups = std::min(limits.palettes, TilesWithColours(picture));
  std::vector<int> groupOf = detail::GroupTilesByMeanColour(picture, groups, true);
  std::vector<int> paletteOf(tiles.size(), 0);
  std::vector<double> errorOf(tiles.size(), 0);
  Palettes best;
  std::vector<int> bestPaletteOf;
  double bestError = std::numeric_limits<double>::max();
  for (int round = 0; round < kRounds; ++round) {
    Palettes palettes;
    for (const auto& histogram : detail::GroupHistograms(picture, groupOf, groups))
      palettes.push_back(detail::QuantiseInLab(picture, histogram, limits.colours - 1));
    const double error = AssignTiles(picture, NearestEntries(picture, palettes), groups, paletteOf, errorOf);
    if (error < bestError) {
      bestError = error;
      best = palettes;
      bestPaletteOf = paletteOf;
    }
    FillEmptyGroups(paletteOf, errorOf, picture, groups);
    if (paletteOf == groupOf) break;
    groupOf = paletteOf;
  }
  detail::PolishForDeltaE2000(picture, bestPaletteOf, best);
  AssignTiles(picture, NearestEntries(picture, best), groups, bestPaletteOf, errorOf);
  return Assemble(tiles, picture, std::move(best), std::move(bestPaletteOf), dither);
}

TilePalettes ReduceColoursByMedianCut(std::span<const TilePixels> tiles, PaletteLimits limits) {
  RequireLimits(limits);
  const PictureColours picture = detail::CountColours(tiles);
  const int groups = std::max(1, std::min(limits.palettes, TilesWithColours(picture)));
  std::vector<int> groupOf = detail::GroupTilesByMeanColour(picture, groups, false);
  Palettes palettes;
  for (const auto& histogram : detail::GroupHistograms(picture, groupOf, groups))
    palettes.push_back(MedianCutInRgb(picture, histogram, limits.colours - 1));

  TilePalettes result;
  result.reduced = true;
  result.pixelIndex.resize(tiles.size());
  for (std::size_t t = 0; t < tiles.size(); ++t) {
    const std::vector<Colour15>& palette = palettes[At(groupOf[t])];
    for (int i = 0; i < kTilePixels; ++i) {
      if (tiles[t].IsTransparent(i)) continue;
      const Rgb want = ShownRgb(Colour15Of(tiles[t].rgb[At(i)]));
      int nearest = 0, bestDistance = std::numeric_limits<int>::max();
      for (std::size_t k = 0; k < palette.size(); ++k) {
        const Rgb have = ShownRgb(palette[k]);
        const int dr = want.red - have.red, dg = want.green - have.green, db = want.blue - have.blue;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) bestDistance = distance, nearest = static_cast<int>(k);
      }
      result.pixelIndex[t][At(i)] = static_cast<std::uint8_t>(nearest + 1);
    }
  }
  result.palettes = std::move(palettes);
  result.tilePalette = std::move(groupOf);
  NumberByFirstUse(tiles, result);
  MeasureDeltaE(tiles, result);
  return result;
}

}  // namespace tilora::packing
