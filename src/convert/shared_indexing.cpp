#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "convert/shared_palettes.h"
#include "convert/truecolour.h"
#include "palettes/packing/subpalette_packing.h"
#include "palettes/reduction/tile_palettes.h"
#include "snes/encoders/map_entry.h"

namespace tilora {
namespace {

using packing::TilePixels;

struct Backdrop {
  std::optional<Rgb> colour;  // none: no picture has a pixel
  bool opaqueTakeIt = true;
};

// The tiles of every picture in one list, and where each lies.
struct AllTiles {
  std::vector<TilePixels> tiles;
  std::vector<std::size_t> first;  // per picture, its first tile
  std::vector<std::int32_t> across;

  std::size_t PictureOf(std::size_t tile) const {
    return static_cast<std::size_t>(std::upper_bound(first.begin(), first.end(), tile) - first.begin()) - 1;
  }
  TilePosition PositionOf(std::size_t tile) const {
    const std::size_t p = PictureOf(tile);
    const auto n = static_cast<std::int32_t>(tile - first[p]);
    return {n % across[p] * 8, n / across[p] * 8};
  }
};

SharedFailure AtTile(const AllTiles& all, std::size_t tile, const std::string& what) {
  const TilePosition at = all.PositionOf(tile);
  return {Refused("The tile at " + std::to_string(at.x) + "," + std::to_string(at.y) + " " + what, at),
          all.PictureOf(tile)};
}

SharedFailure OfRun(Failure failure) { return {std::move(failure), std::nullopt}; }

bool AnyTransparent(const std::vector<std::vector<Rgba>>& colours) {
  for (const auto& picture : colours)
    for (const Rgba& c : picture)
      if (c.alpha < kOpaqueAlpha) return true;
  return false;
}

// One colour 0 for every picture, as the console shows one backdrop.
std::variant<Backdrop, SharedFailure> BackdropFor(const std::vector<std::vector<Rgba>>& colours,
                                                  const SubPaletteSettings& options, const ExistingPalette& existing) {
  const auto rgbOf = [](std::uint32_t c) {
    return Rgb{static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c)};
  };
  if (!existing.words.empty()) {
    const Colour15 zero = existing.words[0];
    if (options.colourZero && Colour15Of(rgbOf(*options.colourZero)) != zero) {
      char given[8];
      std::snprintf(given, sizeof given, "%06X", *options.colourZero & 0xFFFFFFu);
      return OfRun(UsageFailure("--colour-zero " + std::string(given) + " is not colour 0 of the palette file \"" +
                                existing.name + "\""));
    }
    return Backdrop{ShownRgb(zero), true};
  }
  if (options.colourZero) return Backdrop{rgbOf(*options.colourZero), true};
  if (AnyTransparent(colours)) return Backdrop{Rgb{0, 0, 0}, false};
  for (const auto& picture : colours)
    if (!picture.empty()) return Backdrop{Rgb{picture[0].red, picture[0].green, picture[0].blue}, true};
  return Backdrop{};
}

// Per existing sub-palette and 15-bit colour, the first entry k (1 and up)
// that holds it; 0 where none does.
class ExistingLookup {
 public:
  ExistingLookup(const ExistingPalette& existing, int bpp)
      : blocks_(static_cast<std::size_t>(ExistingSubPalettes(existing, bpp))), k_(blocks_ * kColour15Count, 0) {
    const std::size_t stride = static_cast<std::size_t>(SubPaletteStride(bpp));
    for (std::size_t e = existing.words.size(); e-- > 0;) {
      if (e % stride == 0) continue;  // colour 0 of a sub-palette shows the backdrop
      k_[e / stride * kColour15Count + existing.words[e]] = static_cast<std::uint8_t>(e % stride);
    }
  }
  std::size_t Blocks() const { return blocks_; }
  std::uint8_t K(std::size_t block, Colour15 colour) const { return k_[block * kColour15Count + colour]; }
  std::size_t Missing(std::size_t block, const std::vector<Colour15>& set) const {
    return static_cast<std::size_t>(std::count_if(set.begin(), set.end(), [&](Colour15 c) { return !K(block, c); }));
  }
  // The first sub-palette that holds every colour of set, or -1.
  int Fitting(const std::vector<Colour15>& set) const {
    for (std::size_t b = 0; b < blocks_; ++b)
      if (Missing(b, set) == 0) return static_cast<int>(b);
    return -1;
  }

 private:
  std::size_t blocks_;
  std::vector<std::uint8_t> k_;
};

// Per tile the sub-palette and every pixel's colour within it.
struct Assignment {
  std::vector<int> block;
  std::vector<std::array<std::uint8_t, packing::kTilePixels>> k;
  std::vector<std::vector<Colour15>> made;  // new sub-palettes, colours 1 and up
  bool reduced = false;
  double meanDeltaE = 0;
  double worstDeltaE = 0;
};

std::optional<SharedFailure> TooManyColours(const AllTiles& all, const std::vector<std::vector<Colour15>>& sets,
                                            const std::vector<std::size_t>& tiles, int colours) {
  const auto room = static_cast<std::size_t>(colours - 1);
  for (const std::size_t t : tiles)
    if (sets[t].size() > room)
      return AtTile(all, t,
                    "has " + std::to_string(sets[t].size()) + " colours besides colour 0; a sub-palette of " +
                        std::to_string(colours) + " colours holds " + std::to_string(room) + ".");
  return std::nullopt;
}

// Without existing sub-palettes: the packing, or the reduction, of them all.
std::variant<Assignment, SharedFailure> MadeForAll(const AllTiles& all, const std::vector<std::vector<Colour15>>& sets,
                                                   const SubPaletteSettings& options, int colours) {
  std::vector<std::size_t> every(all.tiles.size());
  for (std::size_t t = 0; t < every.size(); ++t) every[t] = t;
  if (!options.lossy)
    if (auto refusal = TooManyColours(all, sets, every, colours)) return *refusal;
  packing::TilePaletteOptions made;
  made.limits = {options.palettes, colours};
  made.lossy = options.lossy;
  made.dither = options.dither;
  packing::TilePaletteOutcome outcome = packing::MakeTilePalettes(all.tiles, made);
  if (!outcome.made) return OfRun(Refused("The tiles of all the pictures together: " + outcome.notice));
  Assignment a;
  a.block = std::move(outcome.result.tilePalette);
  a.k = std::move(outcome.result.pixelIndex);
  a.made = std::move(outcome.result.palettes);
  a.reduced = outcome.result.reduced;
  a.meanDeltaE = outcome.result.meanDeltaE;
  a.worstDeltaE = outcome.result.worstDeltaE;
  return a;
}

std::string PaletteFileText(const ExistingPalette& existing) { return "the palette file \"" + existing.name + "\""; }

// The refusal of a tile that fits no existing sub-palette when none can be
// added: how many of its colours the closest lacks.
SharedFailure NoRoomFor(const AllTiles& all, std::size_t tile, const std::vector<Colour15>& set,
                        const ExistingLookup& lookup, const ExistingPalette& existing, int bpp) {
  std::size_t fewest = set.size();
  for (std::size_t b = 0; b < lookup.Blocks(); ++b) fewest = std::min(fewest, lookup.Missing(b, set));
  const std::string lacks = std::to_string(fewest) + " of its " + std::to_string(set.size()) + " colours";
  if (bpp == 8)
    return AtTile(all, tile,
                  "has " + lacks + " outside " + PaletteFileText(existing) +
                      ", and 8-bit tiles have no room for another palette.");
  return AtTile(all, tile,
                "fits none of the " + std::to_string(lookup.Blocks()) + " sub-palettes of " +
                    PaletteFileText(existing) + " (the closest lacks " + lacks +
                    "), and no room is left for new ones.");
}

// Tiles that fit an existing sub-palette take it; the rest are packed into
// new ones after them.
std::variant<Assignment, SharedFailure> AfterExisting(const AllTiles& all,
                                                      const std::vector<std::vector<Colour15>>& sets,
                                                      const SubPaletteSettings& options, int colours, int bpp,
                                                      const ExistingPalette& existing) {
  const ExistingLookup lookup(existing, bpp);
  const int existingBlocks = static_cast<int>(lookup.Blocks());
  Assignment a;
  a.block.assign(all.tiles.size(), 0);
  a.k.assign(all.tiles.size(), {});
  std::vector<std::size_t> rest;
  for (std::size_t t = 0; t < all.tiles.size(); ++t) {
    const int b = lookup.Fitting(sets[t]);
    if (b < 0) {
      rest.push_back(t);
      continue;
    }
    a.block[t] = b;
    for (int i = 0; i < packing::kTilePixels; ++i)
      if (!all.tiles[t].IsTransparent(i))
        a.k[t][static_cast<std::size_t>(i)] =
            lookup.K(static_cast<std::size_t>(b), Colour15Of(all.tiles[t].rgb[static_cast<std::size_t>(i)]));
  }
  if (rest.empty()) return a;
  if (auto refusal = TooManyColours(all, sets, rest, colours)) return *refusal;
  const int room = (bpp == 8 ? 1 : packing::kMaxPalettes) - existingBlocks;
  const int allowed = std::min(options.palettes, room);
  if (allowed < 1) return NoRoomFor(all, rest.front(), sets[rest.front()], lookup, existing, bpp);

  std::vector<std::vector<Colour15>> restSets;
  std::vector<TilePixels> restTiles;
  for (const std::size_t t : rest) {
    restSets.push_back(sets[t]);
    restTiles.push_back(all.tiles[t]);
  }
  const packing::PackingOutcome packed = packing::PackSubPalettes(restSets, {allowed, colours});
  if (packed.status == packing::PackingStatus::kNoPackingFound) {
    const std::string limit = allowed < room ? "--palettes allows " + std::to_string(allowed)
                                             : std::to_string(allowed) + " can be added after them";
    const std::size_t others = rest.size() - 1;
    return AtTile(all, rest.front(),
                  std::string(others ? "and " + std::to_string(others) + " others " : "") + "fit none of the " +
                      std::to_string(existingBlocks) + " sub-palettes of " + PaletteFileText(existing) +
                      "; their colours need " + std::to_string(packed.best) + " sub-palettes of their own, and " +
                      limit + ".");
  }
  if (!packed.Fits()) return OfRun(Refused(packed.notice));
  const packing::TilePalettes indexed = packing::IndexPixels(restTiles, packed.packing);
  for (std::size_t r = 0; r < rest.size(); ++r) {
    a.block[rest[r]] = existingBlocks + indexed.tilePalette[r];
    a.k[rest[r]] = indexed.pixelIndex[r];
  }
  a.made = indexed.palettes;
  return a;
}

std::vector<std::uint16_t> PaletteWords(const Assignment& a, int existingBlocks, int bpp,
                                        const ExistingPalette& existing, Colour15 zero) {
  const std::size_t stride = static_cast<std::size_t>(SubPaletteStride(bpp));
  const std::size_t blocks = static_cast<std::size_t>(existingBlocks) + a.made.size();
  std::vector<std::uint16_t> words(bpp == 8 ? 256 : blocks * stride, 0);
  std::copy(existing.words.begin(), existing.words.end(), words.begin());
  for (std::size_t p = 0; p < a.made.size(); ++p) {
    const std::size_t at = (static_cast<std::size_t>(existingBlocks) + p) * stride;
    words[at] = zero;
    std::copy(a.made[p].begin(), a.made[p].end(), words.begin() + static_cast<std::ptrdiff_t>(at + 1));
  }
  return words;
}

Picture IndexedPicture(const Picture& source, const AllTiles& all, std::size_t picture, const Assignment& a, int bpp,
                       const std::vector<std::uint16_t>& words) {
  Picture out;
  out.width = source.width;
  out.height = source.height;
  out.depth = bpp;
  out.indexed = true;
  for (const std::uint16_t word : words) {
    const Rgb c = ShownRgb(word);
    out.palette.push_back({c.red, c.green, c.blue});
  }
  out.indices.resize(out.PixelCount());
  const std::size_t stride = static_cast<std::size_t>(SubPaletteStride(bpp));
  const std::int32_t across = all.across[picture];
  for (std::int32_t y = 0; y < out.height; ++y)
    for (std::int32_t x = 0; x < out.width; ++x) {
      const std::size_t tile = all.first[picture] + static_cast<std::size_t>(y / 8 * across + x / 8);
      const std::size_t k = a.k[tile][static_cast<std::size_t>(y % 8 * 8 + x % 8)];
      out.indices[static_cast<std::size_t>(y) * static_cast<std::size_t>(out.width) + static_cast<std::size_t>(x)] =
          static_cast<std::uint8_t>(static_cast<std::size_t>(a.block[tile]) * stride + k);
    }
  return out;
}


}  // namespace

std::variant<SharedIndexing, SharedFailure> IndexTogether(std::span<const Picture* const> pictures, int bpp,
                                                          const SubPaletteSettings& options,
                                                          const ExistingPalette& existing) {
  if (options.lossy && !existing.words.empty())
    return OfRun(UsageFailure("--lossy cannot be combined with --in-palette"));
  const int stride = SubPaletteStride(bpp);
  const int colours = options.colours ? options.colours : stride;
  std::vector<std::vector<Rgba>> colourOf;
  for (const Picture* picture : pictures) colourOf.push_back(ColoursOf(*picture));
  const auto backdrop = BackdropFor(colourOf, options, existing);
  if (const auto* refusal = std::get_if<SharedFailure>(&backdrop)) return *refusal;
  const Backdrop zero = std::get<Backdrop>(backdrop);

  AllTiles all;
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    all.first.push_back(all.tiles.size());
    all.across.push_back((pictures[i]->width + 7) / 8);
    std::vector<TilePixels> tiles = TilesOf(*pictures[i], colourOf[i], zero.colour, zero.opaqueTakeIt);
    all.tiles.insert(all.tiles.end(), tiles.begin(), tiles.end());
    colourOf[i] = {};  // only the tiles are needed from here on
  }
  const std::vector<std::vector<Colour15>> sets = packing::TileColourSets(all.tiles);
  const int existingBlocks = ExistingSubPalettes(existing, bpp);
  auto assigned = existing.words.empty() ? MadeForAll(all, sets, options, colours)
                                         : AfterExisting(all, sets, options, colours, bpp, existing);
  if (const auto* refusal = std::get_if<SharedFailure>(&assigned)) return *refusal;
  const Assignment& a = std::get<Assignment>(assigned);

  SharedIndexing out;
  out.colourZero = zero.colour ? Colour15Of(*zero.colour) : Colour15{0};
  out.opaqueTakeColourZero = zero.opaqueTakeIt;
  const std::vector<std::uint16_t> words = PaletteWords(a, existingBlocks, bpp, existing, out.colourZero);
  for (std::size_t i = 0; i < pictures.size(); ++i)
    out.pictures.push_back(IndexedPicture(*pictures[i], all, i, a, bpp, words));
  out.palette = WordBytes(words);
  out.existingSubPalettes = existingBlocks;
  out.subPalettesMade = static_cast<int>(a.made.size());
  out.reduced = a.reduced;
  out.meanDeltaE = a.meanDeltaE;
  out.worstDeltaE = a.worstDeltaE;
  return out;
}

}  // namespace tilora
