#include "palettes/reduction/tile_palettes.h"

#include <algorithm>
#include <unordered_map>

#include "palettes/reduction/lossy_reduction.h"

namespace tilora::packing {

TilePaletteOutcome MakeTilePalettes(std::span<const TilePixels> tiles, const TilePaletteOptions& options) {
  TilePaletteOutcome outcome;
  outcome.notice = LimitsNotice(options.limits);
  if (!outcome.notice.empty()) return outcome;
  if (options.lossy) {
    outcome.result = ReduceColours(tiles, options.limits, options.dither);
    outcome.made = true;
    return outcome;
  }
  const PackingOutcome packing = PackSubPalettes(TileColourSets(tiles), options.limits);
  if (!packing.Fits()) {
    outcome.notice = packing.notice;
    return outcome;
  }
  outcome.result = IndexPixels(tiles, packing.packing);
  outcome.made = true;
  return outcome;
}

TilePalettes IndexPixels(std::span<const TilePixels> tiles, const SubPalettes& packing) {
  TilePalettes result;
  result.palettes = packing.palettes;
  result.tilePalette = packing.tilePalette;
  result.pixelIndex.resize(tiles.size());
  for (std::size_t t = 0; t < tiles.size(); ++t) {
    const auto& palette = result.palettes[static_cast<std::size_t>(result.tilePalette[t])];
    for (int i = 0; i < kTilePixels; ++i) {
      if (tiles[t].IsTransparent(i)) continue;
      result.pixelIndex[t][static_cast<std::size_t>(i)] =
          static_cast<std::uint8_t>(ColourIndexIn(palette, Colour15Of(tiles[t].rgb[static_cast<std::size_t>(i)])));
    }
  }
  return result;
}

void MeasureDeltaE(std::span<const TilePixels> tiles, TilePalettes& result) {
  // Pixels repeat the same few pairs of wanted and shown colours.
  std::unordered_map<std::uint32_t, double> known;
  double sum = 0, worst = 0;
  std::size_t pixels = 0;
  for (std::size_t t = 0; t < tiles.size(); ++t) {
    const auto& palette = result.palettes[static_cast<std::size_t>(result.tilePalette[t])];
    for (int i = 0; i < kTilePixels; ++i) {
      const auto slot = static_cast<std::size_t>(i);
      if (tiles[t].IsTransparent(i)) continue;
      const Colour15 wanted = Colour15Of(tiles[t].rgb[slot]);
      const Colour15 shown = palette[static_cast<std::size_t>(result.pixelIndex[t][slot] - 1)];
      const std::uint32_t pair = static_cast<std::uint32_t>(wanted) << 15 | shown;
      auto it = known.find(pair);
      if (it == known.end()) it = known.emplace(pair, DeltaE2000(LabOf15(wanted), LabOf15(shown))).first;
      sum += it->second;
      worst = std::max(worst, it->second);
      ++pixels;
    }
  }
  result.meanDeltaE = pixels == 0 ? 0 : sum / static_cast<double>(pixels);
  result.worstDeltaE = worst;
}

}  // namespace tilora::packing
