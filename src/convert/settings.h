#pragma once

// The one value that says how pictures are converted: built by the
// converter's options, the window's "In File", the console preview and the
// tests alike, and checked in one place.

#include <cstdint>
#include <optional>
#include <string>

#include "formats/picture_file.h"
#include "io/failure.h"
#include "snes/encoders/console_encoding.h"
#include "snes/sprites/sprite_sheet.h"

namespace tilora {

// Sub-palettes made for a picture's colours rather than taken from its
// colour table (--palettes and the rest).
struct SubPaletteSettings {
  int palettes = 0;  // 0: none are made; a truecolour picture is refused
  int colours = 0;   // per sub-palette, colour 0 included; 0: the depth's own
  bool lossy = false;
  bool dither = false;
  std::optional<std::uint32_t> colourZero;  // 0xRRGGBB
};

struct ConversionSettings {
  // The output depth, 2, 4 or 8; 0: the picture's own when it is 4 or 8.
  int bpp = 0;
  TileOptions tiles;
  SubPaletteSettings subPalettes;
  // Extra outputs, written when named: the picture as the console shows it,
  // the sub-palettes as swatches, the stored tiles as a sheet (PNG all
  // three), and a cartridge that shows the outputs on the console.
  std::string preview;
  std::string palettePng;
  std::string tilesPng;
  std::string rom;

  // Sprites instead of a background: the picture is a sheet of frames made
  // into objects, their tiles, sub-palettes and metasprite tables (the
  // sub-palette count and colours come from subPalettes), written as
  // BASE.bin, BASE.plt and BASE.oam, and as ca65 source where oamAsm names
  // a file.
  std::optional<sprites::SpriteSettings> sprites;
  std::string oamAsm;
  std::string oamLabel;  // the source's label prefix; empty: oamAsm's file name
  // The most tiles the tile data may hold, existing ones included; 0: as
  // many as the console takes.
  int maxTiles = 0;
};

// A numeric setting's range, as the converter's options take it.
struct SettingRange {
  const char* option;
  int low;
  int high;
};
inline constexpr SettingRange kTileBaseRange{"--tile-base", 0, 1023};
inline constexpr SettingRange kPaletteBaseRange{"--palette-base", 0, 7};
inline constexpr SettingRange kPalettesRange{"--palettes", 1, 8};
inline constexpr SettingRange kColoursRange{"--colours", 2, 256};
// Plain tiles of one conversion come to 65,536 at most (1 MiB at 2 bpp).
inline constexpr SettingRange kMaxTilesRange{"--max-tiles", 1, 65536};

// "--tile-base takes a whole number from 0 to 1023, not '1024'".
std::string RangeText(const SettingRange& range, const std::string& given);
std::string DepthText(const std::string& given);  // "--bpp takes 2, 4 or 8, not '3'"
std::string TileSizeText(const std::string& given);  // "--tile-size takes 8 or 16, not '12'"

// Why the settings cannot be converted with (a Usage failure naming the
// converter's options), or nothing when they are sound.
std::optional<Failure> CheckSettings(const ConversionSettings& settings);

// The depth a picture of this shape is converted at, or 0 when the settings
// cannot convert it.
int OutputDepth(const PictureShape& shape, const ConversionSettings& settings);

// What a picture's headers and the settings decide before any of its
// pixels are read: the depth it is converted at, or why it is refused (its
// depth, a size beyond what the settings' tiles hold, mode 7's size).
Result<int> DecideBeforePixels(const PictureShape& shape, const ConversionSettings& settings);

}  // namespace tilora
