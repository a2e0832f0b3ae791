#include "convert/settings.h"

#include "convert/limits.h"
#include "picture/limits.h"
#include "snes/cells/encode_refusals.h"
#include "snes/encoders/map_layout.h"
#include "snes/sprites/sprite_refusals.h"

namespace tilora {
namespace {

bool InRange(int value, const SettingRange& range) { return value >= range.low && value <= range.high; }

std::optional<Failure> Problem(std::string text) { return UsageFailure(std::move(text)); }

std::optional<Failure> RangeProblem(const ConversionSettings& s) {
  const TileOptions& t = s.tiles;
  const SubPaletteSettings& p = s.subPalettes;
  if (s.bpp != 0 && !IsTileDepth(s.bpp)) return Problem(DepthText(std::to_string(s.bpp)));
  if (t.tileSize != 8 && t.tileSize != 16) return Problem(TileSizeText(std::to_string(t.tileSize)));
  if (!InRange(t.tileBase, kTileBaseRange)) return Problem(RangeText(kTileBaseRange, std::to_string(t.tileBase)));
  if (!InRange(t.paletteBase, kPaletteBaseRange))
    return Problem(RangeText(kPaletteBaseRange, std::to_string(t.paletteBase)));
  if (p.palettes != 0 && !InRange(p.palettes, kPalettesRange))
    return Problem(RangeText(kPalettesRange, std::to_string(p.palettes)));
  if (p.colours != 0 && !InRange(p.colours, kColoursRange))
    return Problem(RangeText(kColoursRange, std::to_string(p.colours)));
  if (s.maxTiles != 0 && !InRange(s.maxTiles, kMaxTilesRange))
    return Problem(RangeText(kMaxTilesRange, std::to_string(s.maxTiles)));
  if (p.colourZero && *p.colourZero > 0xFFFFFFu)
    return Problem("--colour-zero takes a colour as six hexadecimal digits RRGGBB");
  return std::nullopt;
}

std::optional<Failure> TileProblem(const ConversionSettings& s) {
  const TileOptions& t = s.tiles;
  if (t.mode7) {
    if (s.bpp && s.bpp != 8)
      return Problem("--mode7 makes 8-bit tiles; it cannot be combined with --bpp " + std::to_string(s.bpp));
    if (!t.flips) return Problem("--mode7 tiles have no flips; --no-flip does not apply");
    if (t.tileSize != 8) return Problem("--mode7 tiles are 8x8; --tile-size 16 does not apply");
    if (t.tileBase || t.paletteBase || t.priority || t.screens || t.blankTile)
      return Problem(
          "--mode7 has its own fixed map; --tile-base, --palette-base, --priority, --screens and --blank-tile do not "
          "apply");
    if (s.subPalettes.palettes > 1) return Problem("--mode7 has one palette; --palettes must be 1");
    if (t.map) return Problem("--mode7 makes its own map; --map does not apply");
    return std::nullopt;
  }
  if (t.interleave) return Problem("--interleave needs --mode7");
  if (!t.map) {
    if (!t.flips) return Problem("--no-flip needs --map");
    if (t.tileBase) return Problem("--tile-base needs --map");
    if (t.paletteBase) return Problem("--palette-base needs --map");
    if (t.priority) return Problem("--priority needs --map");
    if (t.blankTile) return Problem("--blank-tile needs --map");
    if (t.screens) return Problem("--screens needs --map");
    if (t.tileSize != 8) return Problem("--tile-size 16 needs --map");
  }
  if (s.bpp == 8 && t.paletteBase) return Problem("--palette-base does not apply at 8 bits per pixel");
  return std::nullopt;
}

std::optional<Failure> SubPaletteProblem(const ConversionSettings& s) {
  const SubPaletteSettings& p = s.subPalettes;
  if (!p.palettes) {
    if (p.colours) return Problem("--colours needs --palettes");
    if (p.lossy) return Problem("--lossy needs --palettes");
    if (p.colourZero) return Problem("--colour-zero needs --palettes");
    if (!s.palettePng.empty()) return Problem("--palette-png needs --palettes");
  }
  if (p.dither && !p.lossy) return Problem("--dither needs --lossy");
  const bool eightBit = s.tiles.mode7 || s.bpp == 8;
  if (p.palettes > 1 && eightBit) return Problem("8-bit tiles have one palette; --palettes must be 1");
  if (p.colours) {
    const int most = eightBit ? 256 : s.bpp == 2 ? 4 : 16;
    if (p.colours > most)
      return Problem("--colours " + std::to_string(p.colours) + " is more than the " + std::to_string(most) +
                     " colours of a palette at this depth");
  }
  return std::nullopt;
}

// Sprites are objects, not a background: none of the background's layout
// applies, and their depth is the console's 4 bpp.
std::optional<Failure> SpriteProblem(const ConversionSettings& s) {
  if (!s.sprites) {
    if (!s.oamAsm.empty()) return Problem("--oam-asm needs --sprites");
    return std::nullopt;
  }
  const TileOptions& t = s.tiles;
  if (s.bpp && s.bpp != 4) return Problem("--sprites makes 4-bit objects; it cannot be combined with --bpp " + std::to_string(s.bpp));
  if (t.map || t.mode7 || t.screens || t.tileBase || t.paletteBase || t.priority || t.blankTile || !t.flips ||
      t.interleave)
    return Problem("--sprites lays out its own tiles; the background's --map, --mode7 and their options do not apply");
  if (!s.preview.empty() || !s.palettePng.empty()) return Problem("--preview and --palette-png do not apply to --sprites");
  if (s.subPalettes.lossy) return Problem("--lossy does not apply to --sprites");
  if (s.subPalettes.colours > 16) return Problem("--colours " + std::to_string(s.subPalettes.colours) + " is more than the 16 colours of an object's sub-palette");
  sprites::SpriteSettings checked = *s.sprites;
  if (s.subPalettes.palettes) checked.palettes = s.subPalettes.palettes;
  if (auto problem = sprites::SettingsProblem(checked)) return Problem(*problem);
  return std::nullopt;
}

}  // namespace

std::string RangeText(const SettingRange& range, const std::string& given) {
  return std::string(range.option) + " takes a whole number from " + std::to_string(range.low) + " to " +
         std::to_string(range.high) + ", not '" + given + "'";
}

std::string DepthText(const std::string& given) { return "--bpp takes 2, 4 or 8, not '" + given + "'"; }

std::string TileSizeText(const std::string& given) { return "--tile-size takes 8 or 16, not '" + given + "'"; }

std::optional<Failure> CheckSettings(const ConversionSettings& settings) {
  if (auto problem = RangeProblem(settings)) return problem;
  if (auto problem = SpriteProblem(settings)) return problem;
  if (auto problem = TileProblem(settings)) return problem;
  return SubPaletteProblem(settings);
}

int OutputDepth(const PictureShape& shape, const ConversionSettings& settings) {
  // Sub-palettes are made for any picture that asks, indexed or not.
  if (settings.subPalettes.palettes > 0) return settings.tiles.mode7 ? 8 : settings.bpp ? settings.bpp : 4;
  if (!shape.indexed) return 0;
  if (settings.tiles.mode7) return 8;
  if (settings.bpp != 0) return settings.bpp;
  return shape.depth == 4 || shape.depth == 8 ? shape.depth : 0;
}

Result<int> DecideBeforePixels(const PictureShape& shape, const ConversionSettings& settings) {
  if (settings.sprites) {
    // Frames that do not divide the sheet are told from its size.
    if (auto notice = SizeNotice(shape.width, shape.height)) return Refused(*notice);
    const sprites::SpriteSettings& s = *settings.sprites;
    if (shape.width % s.frameWidth != 0 || shape.Rows() % s.frameHeight != 0)
      return sprites::refusals::SheetNotWholeFrames(static_cast<std::int32_t>(shape.width),
                                                    static_cast<std::int32_t>(shape.Rows()), s.frameWidth,
                                                    s.frameHeight);
    return 4;
  }
  const int bpp = OutputDepth(shape, settings);
  if (bpp == 0) return Refused(DepthNotice(shape.depth));
  const TileOptions& tiles = settings.tiles;
  if (auto notice = SizeNotice(shape.width, shape.height)) return Refused(*notice);
  if (tiles.mode7) {
    if (shape.width > limits::kMode7Side || shape.Rows() > limits::kMode7Side)
      return refusals::TooLargeForMode7(static_cast<std::int32_t>(shape.width),
                                        static_cast<std::int32_t>(shape.Rows()));
  } else if (tiles.map) {
    const auto layout = MapLayoutFor(EntriesFor(shape.width, tiles.tileSize), EntriesFor(shape.Rows(), tiles.tileSize),
                                     tiles.screens, tiles.tileSize);
    if (const auto* refusal = std::get_if<Failure>(&layout)) return *refusal;
  } else if (auto notice = LimitNotice(shape.width, shape.height, bpp)) {
    // The tile-count limit holds for plain tile data; a map's tiles are
    // counted by its encoder.
    return Refused(*notice);
  }
  return bpp;
}

}  // namespace tilora
