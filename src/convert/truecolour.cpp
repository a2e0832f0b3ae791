#include "convert/truecolour.h"

#include <algorithm>
#include <bitset>

#include "palettes/packing/subpalette_packing.h"
#include "palettes/reduction/tile_palettes.h"
#include "palettes/packing/tile_pixels.h"

namespace tilora {
namespace {


constexpr std::uint8_t kOpaque = kOpaqueAlpha;

int PaletteStride(int bpp) { return bpp == 8 ? 256 : 1 << bpp; }

// Colour 0 is the backdrop: the one asked for; black where the picture has
// transparent pixels (no opaque pixel takes it then); otherwise the top-left
// pixel's colour.
std::optional<Rgb> BackdropOf(const std::vector<Rgba>& colours, const SubPaletteSettings& options,
                                 bool& opaqueTakeIt) {
  opaqueTakeIt = true;
  if (options.colourZero) {
    const std::uint32_t c = *options.colourZero;
    return Rgb{static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c)};
  }
  if (std::any_of(colours.begin(), colours.end(), [](const Rgba& c) { return c.alpha < kOpaque; })) {
    opaqueTakeIt = false;
    return Rgb{0, 0, 0};
  }
  if (colours.empty()) return std::nullopt;
  return Rgb{colours[0].red, colours[0].green, colours[0].blue};
}

}  // namespace

std::vector<packing::TilePixels> TilesOf(const Picture& picture, const std::vector<Rgba>& colours,
                                         std::optional<Rgb> backdrop, bool opaqueTakeIt) {
  std::vector<Rgb> rgb(colours.size());
  for (std::size_t i = 0; i < colours.size(); ++i) rgb[i] = {colours[i].red, colours[i].green, colours[i].blue};
  std::vector<packing::TilePixels> tiles =
      packing::CutIntoTiles(rgb, picture.width, picture.height, opaqueTakeIt ? backdrop : std::nullopt);
  // Transparent pixels take colour 0 whatever their colour.
  const std::int32_t across = (picture.width + 7) / 8;
  for (std::int32_t y = 0; y < picture.height; ++y)
    for (std::int32_t x = 0; x < picture.width; ++x)
      if (colours[static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width) + static_cast<std::size_t>(x)]
              .alpha < kOpaque)
        tiles[static_cast<std::size_t>(y / 8 * across + x / 8)].transparent |= std::uint64_t{1}
                                                                                 << (y % 8 * 8 + x % 8);
  return tiles;
}

std::vector<Rgba> ColoursOf(const Picture& picture) {
  if (!picture.indexed) return picture.colours;
  std::vector<Rgba> out(picture.indices.size());
  for (std::size_t i = 0; i < out.size(); ++i) {
    const std::uint8_t index = picture.indices[i];
    const Rgb c = index < picture.palette.size() ? picture.palette[index] : Rgb{};
    out[i] = {c.red, c.green, c.blue, 255};
  }
  return out;
}

Result<IndexedTruecolour> IndexTruecolour(const Picture& picture, int bpp, const SubPaletteSettings& options,
                                          bool map) {
  IndexedTruecolour out;
  const std::vector<Rgba> colours = ColoursOf(picture);
  bool opaqueTakeIt = true;
  const std::optional<Rgb> backdrop = BackdropOf(colours, options, opaqueTakeIt);
  const std::vector<packing::TilePixels> tiles = TilesOf(picture, colours, backdrop, opaqueTakeIt);

  const int stride = PaletteStride(bpp);
  packing::TilePaletteOptions made;
  made.limits = {options.palettes, options.colours ? options.colours : stride};
  made.lossy = options.lossy;
  made.dither = options.dither;
  // A tile no sub-palette can hold is named by where it is.
  const std::vector<std::vector<Colour15>> sets = packing::TileColourSets(tiles);
  const int room = made.limits.colours - 1;
  const std::int32_t across = (picture.width + 7) / 8;
  for (std::size_t t = 0; t < sets.size() && !options.lossy; ++t)
    if (static_cast<int>(sets[t].size()) > room) {
      const TilePosition at{static_cast<std::int32_t>(t) % across * 8, static_cast<std::int32_t>(t) / across * 8};
      return Refused("The tile at " + std::to_string(at.x) + "," + std::to_string(at.y) + " has " +
                         std::to_string(sets[t].size()) + " colours besides colour 0; a sub-palette of " +
                         std::to_string(made.limits.colours) + " colours holds " + std::to_string(room) + ".",
                     at);
    }
  // Plain tiles take one sub-palette: reducing into several would be work
  // for a certain refusal, so a picture that needs more is refused first.
  if (options.lossy && !map && made.limits.palettes > 1 &&
      !packing::PackSubPalettes(sets, {1, made.limits.colours}).Fits())
    return Refused("Without --map every tile takes the same sub-palette, and the picture's colours need more "
                   "than one; add --map, or reduce them into one with --palettes 1.");
  const packing::TilePaletteOutcome outcome = packing::MakeTilePalettes(tiles, made);
  if (!outcome.made) return Refused(outcome.notice);
  const packing::TilePalettes& result = outcome.result;
  out.reduced = result.reduced;
  out.meanDeltaE = result.meanDeltaE;
  out.worstDeltaE = result.worstDeltaE;
  out.subPalettes = static_cast<int>(result.palettes.size());

  Picture& indexed = out.picture;
  indexed.width = picture.width;
  indexed.height = picture.height;
  indexed.depth = bpp;
  indexed.indexed = true;
  const Colour15 zero = backdrop ? tilora::Colour15Of(*backdrop) : Colour15{0};
  indexed.palette.assign(result.palettes.size() * static_cast<std::size_t>(stride), Rgb{});
  for (std::size_t b = 0; b < result.palettes.size(); ++b) {
    Rgb* block = indexed.palette.data() + b * static_cast<std::size_t>(stride);
    block[0] = ShownRgb(zero);
    for (std::size_t k = 0; k < result.palettes[b].size(); ++k) block[k + 1] = ShownRgb(result.palettes[b][k]);
  }
  indexed.indices.resize(indexed.PixelCount());
  for (std::int32_t y = 0; y < picture.height; ++y)
    for (std::int32_t x = 0; x < picture.width; ++x) {
      const auto tile = static_cast<std::size_t>(y / 8 * across + x / 8);
      const int block = result.tilePalette[tile];
      const int k = result.pixelIndex[tile][static_cast<std::size_t>(y % 8 * 8 + x % 8)];
      indexed.indices[static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width) +
                      static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(block * stride + k);
    }
  return out;
}

TruecolourFigures FiguresOfTruecolour(const Picture& picture) {
  TruecolourFigures f;
  const std::vector<Rgba> colours = ColoursOf(picture);
  std::bitset<tilora::kColour15Count> seen;
  for (const Rgba& c : colours)
    if (c.alpha >= kOpaque) seen.set(tilora::Colour15Of({c.red, c.green, c.blue}));
  f.colours15 = static_cast<int>(seen.count());
  bool opaqueTakeIt = true;
  const auto backdrop = BackdropOf(colours, {}, opaqueTakeIt);
  const std::vector<packing::TilePixels> tiles = TilesOf(picture, colours, backdrop, opaqueTakeIt);
  std::vector<std::vector<Colour15>> sets(tiles.size());
  for (std::size_t t = 0; t < tiles.size(); ++t) {
    for (int i = 0; i < packing::kTilePixels; ++i)
      if (!tiles[t].IsTransparent(i)) sets[t].push_back(tilora::Colour15Of(tiles[t].rgb[static_cast<std::size_t>(i)]));
    std::sort(sets[t].begin(), sets[t].end());
    sets[t].erase(std::unique(sets[t].begin(), sets[t].end()), sets[t].end());
    f.mostInATile = std::max(f.mostInATile, static_cast<int>(sets[t].size()));
  }
  const auto fewest = [&sets](int perPalette) -> FewestSubPalettes {
    // As many sub-palettes as it takes, to learn how many that is.
    const packing::PackingOutcome o = packing::PackSubPalettes(sets, {packing::kMaxPalettes, perPalette});
    if (o.status == packing::PackingStatus::kTooFewSubPalettes) return {o.fewestPossible, true};
    return {o.Fits() || o.status == packing::PackingStatus::kNoPackingFound ? o.best : 0, false};
  };
  f.fewest4bpp = fewest(16);
  f.fewest2bpp = fewest(4);
  return f;
}

}  // namespace tilora
