#include "ui/console_preview/preview_figures.h"

#include <QStringList>

#include <bit>

#include "picture/limits.h"

namespace tilora::ui {
namespace {

// Mode 7's tiles and map are interleaved in the first half of video memory.
constexpr std::size_t kMode7VideoBytes = 32768;
constexpr std::size_t kListedFrames = 256;

QString Bytes(std::size_t bytes) {
  return bytes < 2048 ? QStringLiteral("%1 bytes").arg(bytes)
                      : QStringLiteral("%1 KiB").arg(static_cast<double>(bytes) / 1024.0, 0, 'f', 1);
}

QString Count(std::size_t n, const char* one, const char* many) {
  return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

QString Numbers(std::uint8_t used) {
  QStringList list;
  for (int b = 0; b < limits::kMaxSubPalettes; ++b)
    if (used & (1 << b)) list << QString::number(b);
  if (list.size() == 1) return QStringLiteral("number %1").arg(list.constFirst());
  const QString last = list.takeLast();
  return QStringLiteral("numbers %1 and %2").arg(list.join(QStringLiteral(", ")), last);
}

QString SubPalettesLine(std::uint8_t used) {
  const int count = std::popcount(static_cast<unsigned>(used));
  return count == 0 ? QStringLiteral("Sub-palettes used: none, every pixel is colour 0")
                    : QStringLiteral("Sub-palettes used: %1 of 8 (%2)").arg(count).arg(Numbers(used));
}

void AddMemoryWarning(std::size_t used, QStringList& lines) {
  if (used > static_cast<std::size_t>(limits::kVideoMemoryBytes))
    lines << QStringLiteral("Warning: this is more than the console's video memory holds; it cannot be shown at once.");
}

void AddTileLines(const TileFigures& f, QStringList& lines) {
  if (f.tileSize == 16) {
    lines << QStringLiteral("Distinct 16x16 tiles: %1 of %2 cells, %3 when a flipped tile counts as its original")
                 .arg(f.distinctTiles)
                 .arg(f.cells)
                 .arg(f.distinctWithFlips);
    lines << QStringLiteral("Laid out as 16x16 tiles: %1 tiles, %2 of them unused")
                 .arg(f.laidOutTiles)
                 .arg(f.unusedTiles);
  } else {
    lines << QStringLiteral("Distinct tiles: %1 of %2 cells, %3 when a flipped tile counts as its original")
                 .arg(f.distinctTiles)
                 .arg(f.cells)
                 .arg(f.distinctWithFlips);
  }
  lines << QStringLiteral("Colours used: %1 of the %2 in the picture's table").arg(f.coloursUsed).arg(f.paletteEntries);
}

void AddStoredLines(const StoredFigures& s, QStringList& lines) {
  lines << QStringLiteral("Tiles stored: %1 (%2)").arg(s.tiles).arg(Bytes(s.tileBytes));
  const std::size_t used = s.mode7 ? kMode7VideoBytes : s.tileBytes + s.mapBytes;
  const QString parts = s.mode7 ? QStringLiteral("mode 7's tiles and map share it")
                        : s.mapBytes ? QStringLiteral("tiles %1, map %2").arg(Bytes(s.tileBytes), Bytes(s.mapBytes))
                                     : QStringLiteral("tiles only, no map");
  lines << QStringLiteral("Video memory: %1 of the console's 64 KiB (%2)").arg(Bytes(used), parts);
  AddMemoryWarning(used, lines);
  if (s.mode7 || s.bpp == 8) return;
  lines << SubPalettesLine(s.subPalettes);
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

// What of the console's limits on one line a frame passes, or empty.
QString PastLineLimits(const sprites::FrameFigures& f) {
  const bool objects = f.mostObjectsOnLine > sprites::kLineObjects;
  const bool slivers = f.mostSliversOnLine > sprites::kLineSlivers;
  if (!objects && !slivers) return {};
  const QString past = objects && slivers ? QStringLiteral("%1 objects and %2 slivers")
                                                .arg(sprites::kLineObjects)
                                                .arg(sprites::kLineSlivers)
                       : objects ? QStringLiteral("%1 objects").arg(sprites::kLineObjects)
                                 : QStringLiteral("%1 slivers").arg(sprites::kLineSlivers);
  return QStringLiteral(", past the console's %1 on a line").arg(past);
}

QString FrameLine(const sprites::SpriteFrame& frame) {
  const sprites::FrameFigures& f = frame.figures;
  if (frame.objects.empty()) return QStringLiteral("Frame %1: wholly transparent, no objects").arg(frame.number);
  return QStringLiteral("Frame %1: %2%3, at most %4 and %5 on one line%6")
      .arg(frame.number)
      .arg(Count(static_cast<std::size_t>(f.objects), "object", "objects"))
      .arg(f.fewestProven ? QString() : QStringLiteral(" (the search stopped before it could prove them the fewest)"))
      .arg(Count(static_cast<std::size_t>(f.mostObjectsOnLine), "object", "objects"))
      .arg(Count(static_cast<std::size_t>(f.mostSliversOnLine), "sliver", "slivers"))
      .arg(PastLineLimits(f));
}

void AddSpriteLines(const sprites::SpriteSheet& sheet, QStringList& lines) {
  std::size_t objects = 0;
  int past = 0;
  std::uint8_t used = 0;
  for (const sprites::SpriteFrame& frame : sheet.frames) {
    objects += frame.objects.size();
    if (!PastLineLimits(frame.figures).isEmpty()) ++past;
    for (const sprites::SpriteObject& o : frame.objects) used = static_cast<std::uint8_t>(used | 1u << o.palette);
  }
  lines << QStringLiteral("Frames: %1, %2 in all").arg(sheet.frames.size()).arg(Count(objects, "object", "objects"));
  lines << QStringLiteral("Tiles used: %1 of the %2 in the two name tables (the tile data %3, gaps included)")
               .arg(sheet.tileCount)
               .arg(sprites::kTableTiles)
               .arg(Bytes(sheet.tiles.size()));
  lines << SubPalettesLine(used) + QStringLiteral(", for colour memory from entry 128");
  if (past > 0)
    lines << QStringLiteral("Warning: %1 the console's limits on a line; it leaves out what is past them")
                 .arg(Count(static_cast<std::size_t>(past), "frame passes", "frames pass"));
  // A sheet of thousands of frames lists the first ones and every frame
  // past the limits: a label of more lines takes long to lay out.
  std::size_t unlisted = 0;
  for (std::size_t i = 0; i < sheet.frames.size(); ++i) {
    const sprites::SpriteFrame& frame = sheet.frames[i];
    if (i < kListedFrames || !PastLineLimits(frame.figures).isEmpty()) lines << FrameLine(frame);
    else ++unlisted;
  }
  if (unlisted > 0)
    lines << QStringLiteral("%1 more within the console's limits").arg(Count(unlisted, "frame", "frames"));
}

void AddSharedLines(const ConsoleRendering& r, QStringList& lines) {
  const SharedConversion& c = *r.shared;
  lines << QStringLiteral("Pictures: %1, converted together at %2 bpp").arg(c.pictures.size()).arg(c.bpp);
  if (const auto& f = r.sharedFigures) {
    lines << QStringLiteral("Distinct tiles: %1 of the %2 cells of all the pictures, %3 when a flipped tile counts as "
                            "its original")
                 .arg(f->distinctTiles)
                 .arg(f->cells)
                 .arg(f->distinctWithFlips);
  }
  for (std::size_t i = 0; i < c.pictures.size(); ++i) {
    const SharedPictureOutputs& p = c.pictures[i];
    const QString name = i < r.sharedNames.size() ? QString::fromStdString(r.sharedNames[i]) : QString::number(i + 1);
    lines << QStringLiteral("%1: adds %2").arg(name, Count(static_cast<std::size_t>(p.tilesAdded), "tile", "tiles"));
  }
  lines << QStringLiteral("Tiles stored: %1 (%2)").arg(c.tileCount).arg(Bytes(c.tiles.size()));
  if (const auto& f = r.sharedFigures) {
    const std::size_t used = f->tileBytes + f->mapBytes;
    lines << QStringLiteral("Video memory: %1 of the console's 64 KiB (tiles %2, maps %3, the largest %4)")
                 .arg(Bytes(used), Bytes(f->tileBytes), Bytes(f->mapBytes), Bytes(f->largestMap));
    AddMemoryWarning(used, lines);
    if (c.bpp != 8) lines << SubPalettesLine(f->subPalettes);
  }
}

}  // namespace

QString FiguresText(const ConsoleRendering& rendering) {
  QStringList lines;
  if (rendering.shared) {
    AddSharedLines(rendering, lines);
  } else if (rendering.conversion && rendering.conversion->sprites) {
    AddSpriteLines(*rendering.conversion->sprites, lines);
  } else {
    if (rendering.figures) AddTileLines(*rendering.figures, lines);
    if (rendering.stored) AddStoredLines(*rendering.stored, lines);
  }
  AddColourLines(rendering, lines);
  return lines.join(QLatin1Char('\n'));
}

}  // namespace tilora::ui
