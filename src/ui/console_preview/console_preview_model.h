#pragma once

// What the console preview window shows, worked out from a picture value
// and the window's settings without any widget, so it can run on a worker
// thread and be tested on its own.

#include <QImage>
#include <QRect>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "convert/convert.h"
#include "convert/settings.h"
#include "convert/shared_conversion.h"
#include "picture/picture.h"
#include "snes/readback/readback.h"

namespace tilora::ui {

struct PreviewSettings {
  int bpp = 4;               // 2, 4 or 8; not used in mode 7
  bool mode7 = false;        // mode 7's 8-bit tiles and fixed map
  bool deduplicate = false;  // a map over distinct tiles
  bool flips = true;         // with a map: a flipped copy is the same tile
  int tileSize = 8;          // 16: map entries of 16x16 tiles, with a map only
  // Pictures converted together, a map each over one tileset (--shared);
  // a map is implied.
  bool shared = false;
  // The picture as a sheet of sprite frames instead of a background
  // (--sprites and its options); the depth and map do not apply.
  bool sprites = false;
  int frameWidth = 16;
  int frameHeight = 16;
  sprites::ObjectSizes objectSizes;
  int originX = 0;
  int originY = 0;
  // Sub-palettes made from the picture's colours (--palettes), 0 for none:
  // an indexed picture then keeps its own colour table, and a truecolour
  // one, which has none, gets one.
  bool truecolour = false;
  int subPalettes = 0;
  bool lossy = false;
  bool dither = false;
  int sheetColumns = 16;   // tiles across the tile sheet: 16 or 32
  bool greySheet = false;  // the tile sheet in grey levels of the colour numbers
};

// The settings a conversion takes to write what the preview shows, and the
// same as tilora-convert arguments ("--bpp 4 --map --no-flip").
ConversionSettings ConversionOf(const PreviewSettings& settings);
std::string ArgumentsOf(const PreviewSettings& settings);

// The sub-palette counts that mean something at these settings: 8-bit
// tiles have one palette, and an indexed picture may also keep its own
// table (0).
struct SubPaletteRange {
  int low = 0;
  int high = 0;
};
SubPaletteRange SubPaletteChoices(bool truecolour, bool eightBit);

// The default depth for a picture: its own, or the next one up.
int DepthFor(const Picture& picture);

// Distinct colours that become one once each channel keeps its top five
// bits: colours is how many fall together, into how many.
struct ColourMerges {
  int colours = 0;
  int into = 0;
};
ColourMerges MergesOf(const std::vector<Rgb>& table);
// Of a truecolour picture's opaque pixels.
ColourMerges MergesOf(const Picture& picture);

// What the outputs take in video memory.
struct StoredFigures {
  int tiles = 0;
  std::size_t tileBytes = 0;
  std::size_t mapBytes = 0;
  std::uint8_t subPalettes = 0;  // bit b: a tile uses sub-palette b
  int bpp = 4;
  bool mode7 = false;
};

// How far a lossy reduction moved the colours (CIEDE2000).
struct Reduction {
  bool reduced = false;  // false: every colour fitted as it was
  double mean = 0;
  double worst = 0;
};

struct ConsoleRendering {
  // The picture as the console shows it; its own colours when refused.
  // Sprites: every frame drawn from its objects, transparent pixels in a
  // checker pattern.
  QImage shown;
  QImage tileSheet;                     // the stored tiles in order; null when refused
  QImage swatches;                      // one row a sub-palette; null when refused
  std::optional<TileFigures> figures;   // at the depth, where the picture fits it
  std::optional<StoredFigures> stored;  // when encoded
  std::optional<ColourMerges> merges;   // of the picture's colours
  std::optional<Reduction> reduction;   // when a lossy reduction was asked for
  std::string refusal;                  // the converter's notice; empty when encoded
  std::optional<QRect> marked;          // the tile the refusal points at, in picture pixels
  std::vector<QRect> outlines;          // sprites: each object within its frame, in picture pixels
  // The conversion itself, which "Save..." writes without encoding again.
  std::shared_ptr<const Conversion> conversion;
  // A shared set's conversion instead, the picture shown of it, and the
  // set's names as figures and refusals give them.
  std::shared_ptr<const SharedConversion> shared;
  std::optional<SharedFigures> sharedFigures;
  std::size_t sharedShown = 0;
  std::vector<std::string> sharedNames;
  // A shared set's refusal that concerns one picture: that picture.
  std::optional<std::size_t> refusedPicture;
};

ConsoleRendering RenderForConsole(const Picture& picture, const PreviewSettings& settings);

// The tile a refusal names, as a rectangle of the picture: a sprite
// refusal names a frame, and a 16x16 tile's refusal its whole tile.
QRect MarkedArea(const TilePosition& tile, const PreviewSettings& settings);

// The side of one swatch in the swatch image, border included.
inline constexpr int kSwatchSide = 12;

}  // namespace tilora::ui
