#include "convert/shared_conversion.h"

#include <array>
#include <cstdio>
#include <new>

#include "convert/cartridge.h"
#include "convert/tile_budget.h"
#include "convert/truecolour.h"
#include "formats/png/png_writer.h"
#include "picture/limits.h"
#include "snes/encoders/planar_tiles.h"
#include "snes/encoders/shared_tileset.h"
#include "snes/readback/readback.h"
#include "snes/readback/sheets.h"

namespace tilora {
namespace {

constexpr int kSwatchSide = 16;

SharedFailure OfRun(Failure failure) { return {std::move(failure), std::nullopt}; }
SharedFailure OfPicture(std::size_t picture, Failure failure) { return {std::move(failure), picture}; }

std::string PictureName(std::span<const std::string> names, std::size_t i) {
  return i < names.size() ? names[i] : "picture " + std::to_string(i + 1);
}

PictureShape ShapeOf(const Picture& picture) {
  return {picture.width, picture.height, picture.depth, picture.indexed, false, true};
}

std::optional<SharedFailure> RunProblem(std::span<const Picture> pictures, const ConversionSettings& settings) {
  if (settings.tiles.mode7) return OfRun(UsageFailure("--shared makes background maps; --mode7 does not apply"));
  if (settings.tiles.tileSize != 8) return OfRun(UsageFailure(kSharedTileSizeText));
  if (auto problem = CheckSettings(settings)) return OfRun(*problem);
  if (pictures.empty()) return OfRun(UsageFailure("no picture given"));
  if (pictures.size() > kMaxSharedPictures)
    return OfRun(UsageFailure("--shared takes at most " + std::to_string(kMaxSharedPictures) + " pictures, not " +
                              std::to_string(pictures.size())));
  std::int64_t pixels = 0;
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    pixels += static_cast<std::int64_t>(pictures[i].PixelCount());
    if (pixels > kMaxSharedPixels)
      return OfPicture(i, PastSharedPixels());
  }
  return std::nullopt;
}

// The one depth of the run, or the picture that cannot take it.
std::variant<int, SharedFailure> DepthOfRun(std::span<const Picture> pictures, std::span<const std::string> names,
                                            const ConversionSettings& settings) {
  int depth = 0;
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    const Result<int> bpp = DecideBeforePixels(ShapeOf(pictures[i]), settings);
    if (const Failure* failure = bpp.IfFailed()) return OfPicture(i, *failure);
    if (i == 0) depth = *bpp;
    else if (*bpp != depth)
      return OfPicture(i, Refused("This picture would be converted at " + std::to_string(*bpp) + " bpp and " +
                                  PictureName(names, 0) + " at " + std::to_string(depth) +
                                  " bpp; pictures that share tiles take one depth: give --bpp."));
  }
  return depth;
}

std::optional<SharedFailure> ExistingProblem(const ExistingVideoMemory& existing, const ConversionSettings& settings,
                                             int bpp) {
  const std::size_t tileSize = PlanarTileSize(bpp);
  const std::string tilesFile = "The tiles file \"" + existing.tilesName + "\"";
  if (existing.tiles.size() % tileSize != 0)
    return OfRun(Refused(tilesFile + " holds " + std::to_string(existing.tiles.size()) +
                         " bytes, not a whole number of " + std::to_string(tileSize) + "-byte tiles."));
  const std::size_t tiles = existing.tiles.size() / tileSize;
  const int tileBase = settings.tiles.tileBase;
  if (tiles + static_cast<std::size_t>(tileBase) > limits::kMaxMapTiles)
    return OfRun(Refused(tilesFile + " holds " + std::to_string(tiles) + " tiles; at most " +
                         std::to_string(limits::kMaxMapTiles - tileBase) + " fit the map (tile base " +
                         std::to_string(tileBase) + ")."));
  if (settings.maxTiles && tiles > static_cast<std::size_t>(settings.maxTiles))
    return OfRun(Refused(tilesFile + " holds " + std::to_string(tiles) + " tiles; --max-tiles allows " +
                         std::to_string(settings.maxTiles) + "."));
  if (tiles && settings.tiles.blankTile)
    return OfRun(UsageFailure("--blank-tile does not apply with --in-tiles: tile 0 is the first existing tile"));
  const int subPalettes = ExistingSubPalettes(existing.palette, bpp);
  const int most = bpp == 8 ? 1 : limits::kMaxSubPalettes;
  if (subPalettes > most)
    return OfRun(Refused("The palette file \"" + existing.palette.name + "\" holds " +
                         std::to_string(existing.palette.words.size()) + " colours, " + std::to_string(subPalettes) +
                         " sub-palettes of " + std::to_string(SubPaletteStride(bpp)) + "; at most " +
                         std::to_string(most) + " fit."));
  return std::nullopt;
}

// The pictures as the tileset takes them: their own, or indexed anew.
struct Colours {
  std::vector<Picture> made;
  std::vector<const Picture*> indexed;
  std::vector<std::uint8_t> palette;  // empty until the tables give it
  SharedIndexing figures;             // made ones only: what was made and how
};

std::variant<Colours, SharedFailure> ColoursOfRun(std::span<const Picture> pictures, int bpp,
                                                  const ConversionSettings& settings,
                                                  const ExistingVideoMemory& existing) {
  Colours colours;
  std::vector<const Picture*> given;
  for (const Picture& picture : pictures) given.push_back(&picture);
  if (settings.subPalettes.palettes == 0) {
    colours.indexed = std::move(given);
    return colours;
  }
  auto made = IndexTogether(given, bpp, settings.subPalettes, existing.palette);
  if (auto* refusal = std::get_if<SharedFailure>(&made)) return std::move(*refusal);
  SharedIndexing& indexing = std::get<SharedIndexing>(made);
  colours.made = std::move(indexing.pictures);
  colours.palette = std::move(indexing.palette);
  colours.figures = std::move(indexing);
  for (const Picture& picture : colours.made) colours.indexed.push_back(&picture);
  return colours;
}

// Where the pictures' tiles first pass --max-tiles.
std::optional<SharedFailure> OverBudget(const SharedConversion& c, int budget) {
  if (budget <= 0 || c.tileCount <= budget) return std::nullopt;
  std::size_t stored = static_cast<std::size_t>(c.existingTiles);
  for (std::size_t i = 0; i < c.pictures.size(); ++i) {
    stored += static_cast<std::size_t>(c.pictures[i].tilesAdded);
    if (stored <= static_cast<std::size_t>(budget)) continue;
    const std::string already =
        c.existingTiles ? " (" + std::to_string(c.existingTiles) + " of them already in video memory)" : "";
    return OfPicture(i, Refused("The tiles pass --max-tiles " + std::to_string(budget) +
                                    " at this picture: the pictures need " + std::to_string(c.tileCount) + already +
                                    ".",
                                FirstCellShowingTile(c.OutputsOf(i), c.options, c.pictures[i].width,
                                                     c.pictures[i].height, static_cast<std::size_t>(budget))));
  }
  return std::nullopt;
}

std::string Hex(Colour15 c) {
  const Rgb shown = ShownRgb(c);
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", shown.red, shown.green, shown.blue);
  return text;
}

// The palette's word for every colour index; 0 past its end.
std::array<Colour15, 256> WordsOf(const std::vector<std::uint8_t>& palette) {
  std::array<Colour15, 256> words{};
  for (std::size_t i = 0; i < words.size() && 2 * i + 1 < palette.size(); ++i)
    words[i] = static_cast<Colour15>(palette[2 * i] | palette[2 * i + 1] << 8);
  return words;
}

std::string ColourFaultAt(std::int32_t x, std::int32_t y, Colour15 shown, std::optional<Colour15> wanted) {
  return "the outputs show " + Hex(shown) + " at pixel " + std::to_string(x) + "," + std::to_string(y) +
         " where the picture has " + (wanted ? Hex(*wanted) : std::string("a transparent pixel")) + ".";
}

// A picture that kept its indices shows each one's table colour: each
// index used is checked once, and the first pixel of a wrong one named.
std::optional<std::string> TableColourFault(const Picture& picture, const std::array<Colour15, 256>& words,
                                            std::size_t stride) {
  std::array<bool, 256> used{};
  for (const std::uint8_t index : picture.indices) used[index] = true;
  for (std::size_t index = 0; index < used.size(); ++index) {
    // Colour 0 shows the backdrop; a colour the table does not give is the
    // table's affair.
    if (!used[index] || index % stride == 0 || index >= picture.palette.size()) continue;
    const Rgb& c = picture.palette[index];
    const Colour15 wanted = Colour15Of({c.red, c.green, c.blue});
    if (words[index] == wanted) continue;
    for (std::int32_t y = 0; y < picture.height; ++y)
      for (std::int32_t x = 0; x < picture.width; ++x)
        if (picture.IndexAt(x, y) == index) return ColourFaultAt(x, y, words[index], wanted);
  }
  return std::nullopt;
}

// The colour the palette gives each pixel's index against the colour the
// picture asked for, in 15 bits: the self-check compares indices, this
// compares what they show. Colour 0 shows the backdrop in any sub-palette.
std::optional<std::string> ColourFault(const Picture& original, const Picture& indexed, int bpp,
                                       const std::vector<std::uint8_t>& palette, const Colours& colours) {
  const std::size_t stride = static_cast<std::size_t>(SubPaletteStride(bpp));
  const std::array<Colour15, 256> words = WordsOf(palette);
  if (colours.made.empty()) return TableColourFault(original, words, stride);
  const std::vector<Rgba> asked = ColoursOf(original);
  const SharedIndexing& made = colours.figures;
  for (std::int32_t y = 0; y < original.height; ++y)
    for (std::int32_t x = 0; x < original.width; ++x) {
      const std::size_t p = static_cast<std::size_t>(y) * static_cast<std::size_t>(original.width) +
                            static_cast<std::size_t>(x);
      const std::size_t index = indexed.indices[p];
      const bool zero = index % stride == 0;
      const Colour15 shown = zero ? words[0] : words[index];
      if (asked[p].alpha < kOpaqueAlpha) {
        if (zero) continue;
        return ColourFaultAt(x, y, shown, std::nullopt);
      }
      const Colour15 wanted = Colour15Of({asked[p].red, asked[p].green, asked[p].blue});
      if (shown == wanted || (zero && made.opaqueTakeColourZero && wanted == made.colourZero)) continue;
      return ColourFaultAt(x, y, shown, wanted);
    }
  return std::nullopt;
}

std::optional<SharedFailure> CheckEveryPicture(const SharedConversion& c, std::span<const Picture> pictures,
                                               const Colours& colours) {
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    const EncodedOutputs outputs = c.OutputsOf(i);
    if (auto fault = SelfCheck(*colours.indexed[i], c.options, outputs)) return OfPicture(i, InternalFailure(*fault));
    if (c.reduced) continue;  // the colours were changed on purpose
    if (auto fault = ColourFault(pictures[i], *colours.indexed[i], c.bpp, c.palette, colours))
      return OfPicture(i, InternalFailure(*fault));
  }
  return std::nullopt;
}

std::string DeltaEText(double mean, double worst) {
  char text[80];
  std::snprintf(text, sizeof text, "mean \u0394E %.2f, worst \u0394E %.2f (CIEDE2000)", mean, worst);
  return text;
}

std::optional<SharedFailure> DrawExtras(SharedConversion& c, const ConversionSettings& settings) {
  try {
    if (!settings.preview.empty())
      for (std::size_t i = 0; i < c.pictures.size(); ++i) {
        SharedPictureOutputs& p = c.pictures[i];
        p.preview = EncodePngRgb(p.width, p.height, ConsolePreview(c.OutputsOf(i), c.options, p.width, p.height));
      }
    if (!settings.palettePng.empty()) {
      const RgbImage swatches = SwatchPicture(Swatches(c.OutputsOf(0)), kSwatchSide);
      c.swatches = EncodePngRgb(swatches.width, swatches.height, swatches.pixels);
    }
  } catch (const PngError& e) {
    return OfRun(Refused(e.what()));
  }
  if (!settings.rom.empty()) {
    ConversionSettings shown = settings;
    shown.tiles = c.options;
    rom::RomResult cartridge = CartridgeOf(c.OutputsOf(0), shown, c.pictures[0].width, c.pictures[0].height);
    if (const auto* refusal = std::get_if<rom::RomRefusal>(&cartridge)) return OfPicture(0, Refused(refusal->message));
    c.rom = std::move(std::get<std::vector<std::uint8_t>>(cartridge));
  }
  return std::nullopt;
}

SharedResult ConvertChecked(std::span<const Picture> pictures, std::span<const std::string> names,
                            const ConversionSettings& settings, const ExistingVideoMemory& existing) {
  if (auto problem = RunProblem(pictures, settings)) return *problem;
  const auto depth = DepthOfRun(pictures, names, settings);
  if (const auto* refusal = std::get_if<SharedFailure>(&depth)) return *refusal;
  SharedConversion c;
  c.bpp = std::get<int>(depth);
  c.options = settings.tiles;
  if (auto problem = ExistingProblem(existing, settings, c.bpp)) return *problem;

  auto coloured = ColoursOfRun(pictures, c.bpp, settings, existing);
  if (auto* refusal = std::get_if<SharedFailure>(&coloured)) return std::move(*refusal);
  Colours& colours = std::get<Colours>(coloured);

  SharedTileset tileset(c.bpp, c.options, existing.tiles);
  std::uint8_t used = 0;
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    auto added = tileset.Add(*colours.indexed[i]);
    if (auto* refusal = std::get_if<Failure>(&added)) return OfPicture(i, std::move(*refusal));
    SharedMap& map = std::get<SharedMap>(added);
    used = static_cast<std::uint8_t>(used | map.subPalettes);
    c.pictures.push_back({std::move(map.map), pictures[i].width, pictures[i].height, map.columns, map.rows,
                          map.subPalettes, map.tilesAdded, {}});
  }
  c.tiles = tileset.Tiles();
  c.tileCount = static_cast<int>(tileset.TileCount());
  c.existingTiles = static_cast<int>(tileset.ExistingCount());
  c.existingSubPalettes = ExistingSubPalettes(existing.palette, c.bpp);
  if (colours.made.empty()) {
    auto palette = SharedTablePalette(colours.indexed, names, c.bpp, used, existing.palette);
    if (auto* refusal = std::get_if<SharedFailure>(&palette)) return std::move(*refusal);
    c.palette = std::move(std::get<std::vector<std::uint8_t>>(palette));
  } else {
    c.palette = colours.palette;
    c.subPalettesMade = colours.figures.subPalettesMade;
    c.reduced = colours.figures.reduced;
    c.meanDeltaE = colours.figures.meanDeltaE;
    c.worstDeltaE = colours.figures.worstDeltaE;
    if (c.reduced) c.report = "colours reduced to fit: " + DeltaEText(c.meanDeltaE, c.worstDeltaE);
  }
  if (auto over = OverBudget(c, settings.maxTiles)) return *over;
  if (auto fault = CheckEveryPicture(c, pictures, colours)) return *fault;
  if (auto failure = DrawExtras(c, settings)) return *failure;
  return c;
}

}  // namespace

Failure PastSharedPixels() {
  return Refused("With this picture the pictures of the run hold more than " + std::to_string(kMaxSharedPixels) +
                 " pixels, as many as one picture of 8192 x 4096.");
}

EncodedOutputs SharedConversion::OutputsOf(std::size_t picture) const {
  EncodedOutputs out;
  out.bpp = bpp;
  out.tiles = tiles;
  out.map = pictures[picture].map;
  out.palette = palette;
  out.tileCount = tileCount;
  out.mapColumns = pictures[picture].mapColumns;
  out.mapRows = pictures[picture].mapRows;
  out.subPalettes = pictures[picture].subPalettes;
  return out;
}

SharedResult ConvertShared(std::span<const Picture> pictures, std::span<const std::string> names,
                           const ConversionSettings& settings, const ExistingVideoMemory& existing) {
  ConversionSettings mapped = settings;
  mapped.tiles.map = !settings.tiles.mode7;
  try {
    return ConvertChecked(pictures, names, mapped, existing);
  } catch (const std::bad_alloc&) {
    return OfRun(OutOfMemoryFailure());
  }
}

}  // namespace tilora
