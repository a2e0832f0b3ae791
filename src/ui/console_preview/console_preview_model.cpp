#include "ui/console_preview/console_preview_model.h"

#include <QStringList>

#include <bit>
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

namespace tilora::ui {
namespace {

// Mode 7's tiles and map are interleaved in the first half of video memory.
constexpr std::size_t kMode7VideoBytes = 32768;


QString Bytes(std::size_t bytes) {
  return bytes < 2048 ? QStringLiteral("%1 bytes").arg(bytes)
                      : QStringLiteral("%1 KiB").arg(static_cast<double>(bytes) / 1024.0, 0, 'f', 1);
}

QString Numbers(std::uint8_t used) {
  QStringList list;
  for (int b = 0; b < limits::kMaxSubPalettes; ++b)
    if (used & (1 << b)) list << QString::number(b);
  if (list.size() == 1) return QStringLiteral("number %1").arg(list.constFirst());
  const QString last = list.takeLast();
  return QStringLiteral("numbers %1 and %2").arg(list.join(QStringLiteral(", ")), last);
}

void AddTileLines(const TileFigures& f, QStringList& lines) {
  lines << QStringLiteral("Distinct tiles: %1 of %2 cells, %3 when a flipped tile counts as its original")
               .arg(f.distinctTiles)
               .arg(f.cells)
               .arg(f.distinctWithFlips);
  lines << QStringLiteral("Colours used: %1 of the %2 in the picture's table").arg(f.coloursUsed).arg(f.paletteEntries);
}

void AddStoredLines(const StoredFigures& s, QStringList& lines) {
  lines << QStringLiteral("Tiles stored: %1 (%2)").arg(s.tiles).arg(Bytes(s.tileBytes));
  const std::size_t used = s.mode7 ? kMode7VideoBytes : s.tileBytes + s.mapBytes;
  const QString parts = s.mode7 ? QStringLiteral("mode 7's tiles and map share it")
                        : s.mapBytes ? QStringLiteral("tiles %1, map %2").arg(Bytes(s.tileBytes), Bytes(s.mapBytes))
                                     : QStringLiteral("tiles only, no map");
  lines << QStringLiteral("Video memory: %1 of the console's 64 KiB (%2)").arg(Bytes(used), parts);
  if (used > static_cast<std::size_t>(limits::kVideoMemoryBytes))
    lines << QStringLiteral("Warning: this is more than the console's video memory holds; it cannot be shown at once.");
  if (s.mode7 || s.bpp == 8) return;
  const int count = std::popcount(static_cast<unsigned>(s.subPalettes));
  lines << (count == 0 ? QStringLiteral("Sub-palettes used: none, every pixel is colour 0")
                       : QStringLiteral("Sub-palettes used: %1 of 8 (%2)").arg(count).arg(Numbers(s.subPalettes)));
}

void AddColourLines(const ConsoleRendering& r, QStringList& lines) {
  if (const auto& m = r.merges)
    lines << (m->colours == 0
                  ? QStringLiteral("Colours lost to 15 bits: none, every colour stays apart on the console")
                  : QStringLiteral("Colours lost to 15 bits: %1 (%2 colours look like %3 on the console)")
                        .arg(m->colours - m->into)
                        .arg(m->colours)
                        .arg(m->into));
  if (const auto& d = r.reduction)
    lines << (d->reduced ? QStringLiteral("Lossy reduction: colours moved by %1 on average, %2 at most (CIEDE2000)")
                               .arg(d->mean, 0, 'f', 2)
                               .arg(d->worst, 0, 'f', 2)
                         : QStringLiteral("Lossy reduction: not needed, every colour fits"));
}

}  // namespace

ConversionSettings ConversionOf(const PreviewSettings& settings) {
  ConversionSettings options;
  int made = settings.subPalettes;
  // A truecolour picture has no table of its own to keep.
  if (settings.truecolour && made == 0) made = 1;
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
  options.tiles.map = settings.deduplicate;
  // Without a map every cell is its own tile, so flips are not a choice.
  options.tiles.flips = !settings.deduplicate || settings.flips;
  return options;
}

std::string ArgumentsOf(const PreviewSettings& settings) {
  std::string arguments;
  if (settings.mode7) {
    arguments = "--mode7";
  } else {
    arguments = "--bpp " + std::to_string(settings.bpp);
    if (settings.deduplicate) arguments += settings.flips ? " --map" : " --map --no-flip";
  }
  const ConversionSettings options = ConversionOf(settings);
  if (options.subPalettes.palettes > 0) {
    arguments += " --palettes " + std::to_string(options.subPalettes.palettes);
    if (options.subPalettes.lossy) arguments += options.subPalettes.dither ? " --lossy --dither" : " --lossy";
  }
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

ConsoleRendering RenderForConsole(const Picture& picture, const PreviewSettings& settings) {
  ConsoleRendering rendering;
  const ConversionSettings options = ConversionOf(settings);
  if (picture.indexed) {
    rendering.merges = MergesOf(picture.palette);
    auto figures = FiguresOf(picture, settings.mode7 ? 8 : settings.bpp);
    if (auto* fitting = std::get_if<TileFigures>(&figures)) rendering.figures = *fitting;
  } else {
    rendering.merges = MergesOf(picture);
  }
  // The same conversion, checks and notices as "Save..." and the converter.
  Result<Conversion> converted = Convert(picture, options);
  if (const Failure* failure = converted.IfFailed()) {
    rendering.refusal = FailureMessage(*failure);
    if (failure->tile) rendering.marked = QRect(failure->tile->x, failure->tile->y, 8, 8);
    rendering.shown = ImageOf(picture);
    return rendering;
  }
  const EncodedOutputs& outputs = converted->encoded;
  rendering.shown = ImageOf(RgbImage{picture.width, picture.height,
                                     ConsolePreview(outputs, options.tiles, picture.width, picture.height)});
  rendering.tileSheet =
      ImageOf(TileSheet(outputs, options.tiles, picture.width, picture.height, settings.sheetColumns, settings.greySheet));
  rendering.swatches = SwatchImage(Swatches(outputs));
  rendering.stored = StoredFigures{outputs.tileCount, outputs.tiles.size(), outputs.map.size(), outputs.subPalettes,
                                   outputs.bpp,       options.tiles.mode7};
  if (options.subPalettes.lossy)
    rendering.reduction = Reduction{converted->reduced, converted->meanDeltaE, converted->worstDeltaE};
  rendering.conversion = std::make_shared<const Conversion>(std::move(*converted));
  return rendering;
}

QString FiguresText(const ConsoleRendering& rendering) {
  QStringList lines;
  if (rendering.figures) AddTileLines(*rendering.figures, lines);
  if (rendering.stored) AddStoredLines(*rendering.stored, lines);
  AddColourLines(rendering, lines);
  return lines.join(QLatin1Char('\n'));
}

}  // namespace tilora::ui
