#pragma once

// Many pictures, one video memory: one tileset and one palette for all the
// pictures, a map for each, built on tiles and sub-palettes already there.
// Values in, values out; ConvertShared never reads or writes a file.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "convert/settings.h"
#include "convert/shared_palettes.h"
#include "picture/picture.h"
#include "snes/encoders/console_encoding.h"

namespace tilora {

// What video memory already holds before the pictures' tiles arrive.
struct ExistingVideoMemory {
  std::vector<std::uint8_t> tiles;  // planar tiles at the run's depth, kept first
  std::string tilesName;            // the file they came from, for messages
  ExistingPalette palette;          // colour words, kept first
};

// The most pictures one shared run takes: every map (and preview) is a file
// of one output set, held open until the set is put in place.
inline constexpr std::size_t kMaxSharedPictures = 256;
// Their pixels together, as many as the largest picture has.
inline constexpr std::int64_t kMaxSharedPixels = std::int64_t{8192} * 4096;

// Shared tiles are 8x8: a tileset of 16x16 tiles would need their blocks
// laid out around the existing tiles.
inline constexpr const char* kSharedTileSizeText =
    "--shared, --in-tiles and --in-palette lay out 8x8 tiles; --tile-size 16 does not apply";

// The refusal of the picture that takes the pixels of a run past
// kMaxSharedPixels.
Failure PastSharedPixels();

struct SharedPictureOutputs {
  std::vector<std::uint8_t> map;      // as EncodedOutputs::map
  std::int32_t width = 0;             // the picture's size in pixels
  std::int32_t height = 0;
  std::int32_t mapColumns = 0;        // the map's size in cells
  std::int32_t mapRows = 0;
  std::uint8_t subPalettes = 0;       // bit b: a tile of the picture in sub-palette b
  int tilesAdded = 0;                 // tiles stored first for this picture
  std::vector<std::uint8_t> preview;  // PNG, when settings.preview asks
};

struct SharedConversion {
  int bpp = 4;
  TileOptions options;                // as the maps were made: a map each, flips and bases
  std::vector<std::uint8_t> tiles;    // the existing tiles, then the new ones
  std::vector<std::uint8_t> palette;  // the existing words, then the rest
  int tileCount = 0;
  int existingTiles = 0;
  int existingSubPalettes = 0;
  int subPalettesMade = 0;  // generated ones; 0 when the pictures keep their indices
  std::vector<SharedPictureOutputs> pictures;
  std::vector<std::uint8_t> swatches;  // PNG of the palette, when settings.palettePng names one
  std::vector<std::uint8_t> rom;       // the first picture on the console, when settings.rom names one
  bool reduced = false;
  double meanDeltaE = 0;
  double worstDeltaE = 0;
  std::string report;  // what the user should know of a conversion that succeeded, or empty

  // The outputs as one picture's conversion would hold them: the shared
  // tiles and palette with the picture's map.
  EncodedOutputs OutputsOf(std::size_t picture) const;
};

using SharedResult = std::variant<SharedConversion, SharedFailure>;

// Converts the pictures together at one depth (the settings', or every
// picture's own, which must agree). Their tiles are deduplicated into one
// tileset, numbered in order of first appearance in the order given, after
// the existing tiles; each picture gets a map (settings.tiles.map is
// implied). Indexed pictures keep their indices when their colour tables
// agree; with settings.subPalettes.palettes every picture is taken as
// truecolour and sub-palettes are made for all their tiles together. Every
// picture is rebuilt from the outputs and compared, colours included, before
// anything is returned. names (one per picture) name them in refusals that
// concern two.
SharedResult ConvertShared(std::span<const Picture> pictures, std::span<const std::string> names,
                           const ConversionSettings& settings, const ExistingVideoMemory& existing = {});

// The figures --info --shared prints, read back from the outputs.
struct SharedFigures {
  int cells = 0;              // of all the pictures
  int distinctTiles = 0;      // cells that differ in their colours (k), over all the pictures
  int distinctWithFlips = 0;  // ... counting flipped copies as one
  std::uint8_t subPalettes = 0;
  std::size_t tileBytes = 0;
  std::size_t mapBytes = 0;     // every map together
  std::size_t largestMap = 0;
};
SharedFigures FiguresOfShared(const SharedConversion& conversion);

}  // namespace tilora
