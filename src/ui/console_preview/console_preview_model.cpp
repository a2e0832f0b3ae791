#include "ui/console_preview/console_preview_model.h"

#include <QStringList>

#include <bit>
#include <map>
#include <set>
#include <variant>

#include "convert/convert.h"
#include "io/failure_text.h"
#include "snes/readback/readback.h"
#include "snes/readback/sheets.h"
#include "ui/common/picture_image.h"
#include "ui/console_preview/console_sheets.h"
#include "snes/readback/readback.h"
#include "convert/encode_for_console.h"

namespace tilora::ui {
namespace {

std::uint16_t FifteenBits(const Rgb& c) {
  return Colour15Of(c);
}

QString SubPaletteList(std::uint8_t used) {
  QStringList list;
  for (int b = 0; b < 8; ++b)
    if (used & (1 << b)) list << QString::number(b);
  return list.isEmpty() ? QStringLiteral("none (colour 0 only)") : list.join(QStringLiteral(", "));
}

QString Bytes(std::size_t bytes) {
  return bytes < 2048
             ? QStringLiteral("%1 bytes").arg(bytes)
             : QStringLiteral("%1 bytes (%2 KiB)").arg(bytes).arg(static_cast<double>(bytes) / 1024.0, 0, 'f', 1);
}

}  // namespace

ConversionSettings ConversionOf(const PreviewSettings& settings) {
  ConversionSettings options;
  if (settings.truecolour) {
    // 8-bit tiles have one palette.
    options.subPalettes.palettes = settings.mode7 || settings.bpp == 8 ? 1 : settings.subPalettes;
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

int DepthFor(const Picture& picture) {
  if (!picture.indexed || (picture.depth > 2 && picture.depth <= 4)) return 4;
  return picture.depth <= 2 ? 2 : 8;
}

ColourMerges MergesOf(const std::vector<Rgb>& table) {
  std::map<std::uint16_t, std::set<std::uint32_t>> byWord;
  for (const Rgb& c : table)
    byWord[FifteenBits(c)].insert(static_cast<std::uint32_t>(c.red << 16 | c.green << 8 | c.blue));
  ColourMerges merges;
  for (const auto& [word, colours] : byWord) {
    if (colours.size() < 2) continue;
    merges.colours += static_cast<int>(colours.size());
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
  }
  // The same conversion, checks and notices as "Save..." and the converter.
  const Result<Conversion> converted = Convert(picture, options);
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
  rendering.stored = StoredFigures{outputs.tileCount, outputs.tiles.size(), outputs.map.size(), outputs.subPalettes};
  return rendering;
}

QString FiguresText(const ConsoleRendering& rendering) {
  QStringList lines;
  if (const auto& f = rendering.figures) {
    lines << QStringLiteral("Distinct tiles: %1 (%2 with flips) of %3 cells")
                 .arg(f->distinctTiles)
                 .arg(f->distinctWithFlips)
                 .arg(f->cells);
    lines << QStringLiteral("Colours: %1 used of %2").arg(f->coloursUsed).arg(f->paletteEntries);
  }
  if (const auto& s = rendering.stored) {
    lines << QStringLiteral("Tiles stored: %1").arg(s->tiles);
    lines << QStringLiteral("Video memory: tiles %1, map %2").arg(Bytes(s->tileBytes), Bytes(s->mapBytes));
    lines << QStringLiteral("Sub-palettes used: %1 (%2)")
                 .arg(std::popcount(static_cast<unsigned>(s->subPalettes)))
                 .arg(SubPaletteList(s->subPalettes));
  }
  if (rendering.merges) {
    const ColourMerges& m = *rendering.merges;
    lines << (m.colours == 0 ? QStringLiteral("15-bit merges: none")
                             : QStringLiteral("15-bit merges: %1 colours into %2").arg(m.colours).arg(m.into));
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace tilora::ui
