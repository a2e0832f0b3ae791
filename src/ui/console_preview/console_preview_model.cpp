#include "ui/console_preview/console_preview_model.h"

#include <map>
#include <set>
#include <variant>

#include "convert/truecolour.h"
#include "io/failure_text.h"
#include "picture/colour.h"
#include "picture/limits.h"
#include "snes/readback/sheets.h"
#include "ui/common/picture_image.h"
#include "ui/console_preview/console_sheets.h"
#include "ui/console_preview/sprite_rendering.h"

namespace tilora::ui {

ConversionSettings ConversionOf(const PreviewSettings& settings) {
  ConversionSettings options;
  int made = settings.subPalettes;
  // A truecolour picture has no table of its own to keep.
  if (settings.truecolour && made == 0) made = 1;
  if (settings.sprites) {
    sprites::SpriteSettings sheet;
    sheet.frameWidth = settings.frameWidth;
    sheet.frameHeight = settings.frameHeight;
    sheet.sizes = settings.objectSizes;
    sheet.originX = settings.originX;
    sheet.originY = settings.originY;
    options.sprites = sheet;
    options.subPalettes.palettes = made;  // objects' colours are never reduced
    return options;
  }
  if (made > 0) {
    options.subPalettes.palettes = settings.mode7 || settings.bpp == 8 ? 1 : made;
    options.subPalettes.lossy = settings.lossy;
    options.subPalettes.dither = settings.lossy && settings.dither;
  }
  if (settings.mode7) {
    options.tiles.mode7 = true;
    return options;
  }
  options.bpp = settings.bpp;
  options.tiles.map = settings.deduplicate || settings.shared;
  // Without a map every cell is its own tile, so flips are not a choice.
  options.tiles.flips = !options.tiles.map || settings.flips;
  // A shared set's tiles are 8x8.
  options.tiles.tileSize = options.tiles.map && !settings.shared ? settings.tileSize : 8;
  return options;
}

std::string ArgumentsOf(const PreviewSettings& settings) {
  const ConversionSettings options = ConversionOf(settings);
  std::string arguments;
  if (const auto& sheet = options.sprites) {
    arguments = "--sprites " + std::to_string(sheet->frameWidth) + "x" + std::to_string(sheet->frameHeight) +
                " --obj-sizes " + std::to_string(sheet->sizes.small) + "," + std::to_string(sheet->sizes.large) +
                " --origin " + std::to_string(sheet->originX) + "," + std::to_string(sheet->originY);
    if (options.subPalettes.palettes > 0) arguments += " --palettes " + std::to_string(options.subPalettes.palettes);
    return arguments;
  }
  if (settings.mode7) {
    arguments = "--mode7";
  } else {
    arguments = "--bpp " + std::to_string(settings.bpp);
    // --shared implies --map.
    if (options.tiles.map && !settings.shared) arguments += " --map";
    if (!options.tiles.flips) arguments += " --no-flip";
    if (options.tiles.tileSize == 16) arguments += " --tile-size 16";
  }
  if (options.subPalettes.palettes > 0) {
    arguments += " --palettes " + std::to_string(options.subPalettes.palettes);
    if (options.subPalettes.lossy) arguments += options.subPalettes.dither ? " --lossy --dither" : " --lossy";
  }
  if (settings.shared) arguments += " --shared BASE";
  return arguments;
}

SubPaletteRange SubPaletteChoices(bool truecolour, bool eightBit) {
  return {truecolour ? 1 : 0, eightBit ? 1 : limits::kMaxSubPalettes};
}

int DepthFor(const Picture& picture) {
  if (!picture.indexed || (picture.depth > 2 && picture.depth <= 4)) return 4;
  return picture.depth <= 2 ? 2 : 8;
}

ColourMerges MergesOf(const std::vector<Rgb>& table) {
  std::map<Colour15, std::set<std::uint32_t>> byWord;
  for (const Rgb& c : table)
    byWord[Colour15Of(c)].insert(static_cast<std::uint32_t>(c.red << 16 | c.green << 8 | c.blue));
  ColourMerges merges;
  for (const auto& [word, colours] : byWord) {
    if (colours.size() < 2) continue;
    merges.colours += static_cast<int>(colours.size());
    ++merges.into;
  }
  return merges;
}

// One pass with a bit a 24-bit colour: a large picture's pixels are too many
// to sort.
ColourMerges MergesOf(const Picture& picture) {
  std::vector<std::uint8_t> seen(std::size_t{1} << 21, 0);
  std::vector<int> perWord(kColour15Count, 0);
  for (const Rgba& c : picture.colours) {
    if (c.alpha < kOpaqueAlpha) continue;
    const std::uint32_t rgb = static_cast<std::uint32_t>(c.red << 16 | c.green << 8 | c.blue);
    std::uint8_t& bits = seen[rgb >> 3];
    const auto bit = static_cast<std::uint8_t>(1u << (rgb & 7));
    if (bits & bit) continue;
    bits = static_cast<std::uint8_t>(bits | bit);
    ++perWord[Colour15Of({c.red, c.green, c.blue})];
  }
  ColourMerges merges;
  for (const int n : perWord) {
    if (n < 2) continue;
    merges.colours += n;
    ++merges.into;
  }
  return merges;
}

QRect MarkedArea(const TilePosition& tile, const PreviewSettings& settings) {
  if (settings.sprites) return QRect(tile.x, tile.y, settings.frameWidth, settings.frameHeight);
  const int side = ConversionOf(settings).tiles.tileSize;
  return QRect(tile.x, tile.y, side, side);
}

ConsoleRendering RenderForConsole(const Picture& picture, const PreviewSettings& settings) {
  ConsoleRendering rendering;
  const ConversionSettings options = ConversionOf(settings);
  if (picture.indexed) {
    rendering.merges = MergesOf(picture.palette);
    if (!settings.sprites) {
      auto figures = FiguresOf(picture, settings.mode7 ? 8 : settings.bpp, options.tiles.tileSize);
      if (auto* fitting = std::get_if<TileFigures>(&figures)) rendering.figures = *fitting;
    }
  } else {
    rendering.merges = MergesOf(picture);
  }
  // The same conversion, checks and notices as "Save..." and the converter.
  Result<Conversion> converted = Convert(picture, options);
  if (const Failure* failure = converted.IfFailed()) {
    rendering.refusal = FailureMessage(*failure);
    if (failure->tile) rendering.marked = MarkedArea(*failure->tile, settings);
    rendering.shown = ImageOf(picture);
    return rendering;
  }
  const EncodedOutputs& outputs = converted->encoded;
  rendering.swatches = SwatchImage(Swatches(outputs));
  if (converted->sprites) {
    ShowSprites(*converted->sprites, *options.sprites, picture.width, picture.height, rendering);
    if (!rendering.refusal.empty()) return rendering;
  } else {
    rendering.shown = ImageOf(RgbImage{picture.width, picture.height,
                                       ConsolePreview(outputs, options.tiles, picture.width, picture.height)});
    rendering.tileSheet = ImageOf(
        TileSheet(outputs, options.tiles, picture.width, picture.height, settings.sheetColumns, settings.greySheet));
    rendering.stored = StoredFigures{outputs.tileCount, outputs.tiles.size(), outputs.map.size(), outputs.subPalettes,
                                     outputs.bpp,       options.tiles.mode7};
  }
  if (options.subPalettes.lossy)
    rendering.reduction = Reduction{converted->reduced, converted->meanDeltaE, converted->worstDeltaE};
  rendering.conversion = std::make_shared<const Conversion>(std::move(*converted));
  return rendering;
}

}  // namespace tilora::ui
