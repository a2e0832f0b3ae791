#include <algorithm>

#include "snes/sprites/frame_cover.h"
#include "snes/sprites/frame_shapes.h"
#include "snes/sprites/line_figures.h"
#include "snes/sprites/object_colours.h"
#include "snes/sprites/object_tiles.h"
#include "snes/sprites/sprite_refusals.h"
#include "snes/sprites/sprite_sheet.h"

namespace tilora::sprites {
namespace {

// A frame of the sheet and the shape it shows, if any.
struct FrameUse {
  int number = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
  int shape = -1;  // -1: wholly transparent
  int flips = 0;
};

// The frames cut from the sheet, each distinct shape covered once.
struct CutSheet {
  std::vector<FrameUse> frames;
  std::vector<FramePixels> shapes;
  std::vector<Covering> coverings;
  std::vector<std::size_t> firstUse;  // per shape, into frames

  const FrameUse& FirstUse(std::size_t shape) const { return frames[firstUse[shape]]; }
};

std::optional<Failure> SheetProblem(const Picture& sheet, const SpriteSettings& settings) {
  if (const auto problem = SettingsProblem(settings)) return UsageFailure(*problem);
  const std::size_t pixels = sheet.indexed ? sheet.indices.size() : sheet.colours.size();
  if (sheet.width < 0 || sheet.height < 0 || pixels != sheet.PixelCount())
    return refusals::Internal("the picture holds a different number of pixels than its size gives");
  if (!sheet.indexed && settings.palettes == 0) return refusals::NoPalettesForTruecolour();
  if (sheet.width == 0 || sheet.height == 0 || sheet.width % settings.frameWidth != 0 ||
      sheet.height % settings.frameHeight != 0)
    return refusals::SheetNotWholeFrames(sheet.width, sheet.height, settings.frameWidth, settings.frameHeight);
  const std::int64_t frames = static_cast<std::int64_t>(sheet.width / settings.frameWidth) *
                              static_cast<std::int64_t>(sheet.height / settings.frameHeight);
  if (frames > kMaxFrames) return refusals::TooManyFrames(frames);
  return std::nullopt;
}

std::variant<CutSheet, Failure> Cut(const Picture& sheet, const SpriteSettings& settings) {
  CutSheet cut;
  FrameShapes shapes;
  const FrameReader reader(sheet, settings);
  const CoverRules rules{settings.sizes, TakesBlocks(sheet, settings) ? 0 : settings.colours - 1, settings.searchSteps};
  const int across = sheet.width / settings.frameWidth;
  const int frames = across * (sheet.height / settings.frameHeight);
  FramePixels pixels;
  for (int n = 0; n < frames; ++n) {
    FrameUse use{n, n % across * settings.frameWidth, n / across * settings.frameHeight};
    if (auto refusal = reader.Read(use.x, use.y, pixels)) return std::move(*refusal);
    if (!pixels.Empty()) {
      if (const auto found = shapes.Find(pixels)) {
        use.shape = found->shape;
        use.flips = found->flips;
      } else {
        std::optional<Covering> covering = CoverFrame(pixels, rules);
        if (!covering) return refusals::TooManyObjects(use.x, use.y);
        use.shape = shapes.Add(std::move(pixels));
        cut.coverings.push_back(std::move(*covering));
        cut.firstUse.push_back(cut.frames.size());
      }
    }
    cut.frames.push_back(use);
  }
  cut.shapes = std::move(shapes).Take();
  return cut;
}

// The sub-palettes, and for a truecolour sheet whose objects' colours do
// not fit them, the shapes made over by cells and covered again.
std::variant<ObjectColours, Failure> ColoursOf(const Picture& sheet, const SpriteSettings& settings, CutSheet& cut) {
  if (TakesBlocks(sheet, settings)) return ObjectColours::OfBlocks(sheet, cut.coverings);
  int byObject = 0;
  if (auto colours = ObjectColours::PackedByObject(cut.shapes, cut.coverings, settings, byObject))
    return std::move(*colours);
  int byCells = 0;
  auto cells = ColoursByCells(cut.shapes, settings, byCells);
  if (!cells)
    return refusals::PalettesDoNotFit(byCells > 0 ? std::min(byObject, byCells) : byObject, settings.palettes,
                                      settings.colours);
  cut.shapes = std::move(cells->shapes);
  for (std::size_t s = 0; s < cut.shapes.size(); ++s) {
    std::optional<Covering> covering = CoverFrame(cut.shapes[s], {settings.sizes, 0, settings.searchSteps});
    if (!covering) return refusals::TooManyObjects(cut.FirstUse(s).x, cut.FirstUse(s).y);
    cut.coverings[s] = std::move(*covering);
  }
  return ObjectColours::OfClasses(std::move(cells->palettes), cut.coverings);
}

// What one object of a shape draws, in its sub-palette's colours.
Piece PieceOf(const FramePixels& frame, const Covering& covering, std::size_t object, int palette,
              const ObjectColours& colours) {
  const Placement& o = covering.objects[object];
  Piece piece{o.size, std::vector<std::uint64_t>(static_cast<std::size_t>(o.size * o.size / 8), 0)};
  const auto across = static_cast<std::size_t>(o.size / 8);
  for (int y = std::max(0, -o.y); y < o.size && o.y + y < frame.height; ++y)
    for (int x = std::max(0, -o.x); x < o.size && o.x + x < frame.width; ++x) {
      const std::size_t at = static_cast<std::size_t>(o.y + y) * static_cast<std::size_t>(frame.width) +
                             static_cast<std::size_t>(o.x + x);
      if (covering.owner[at] != object) continue;
      const auto k = static_cast<std::uint64_t>(colours.ColourIndex(frame.pixels[at], palette));
      piece.words[static_cast<std::size_t>(y) * across + static_cast<std::size_t>(x / 8)] |= k << (8 * (x % 8));
    }
  return piece;
}

SpriteObject Shown(const Placement& p, TileUse tile, int palette, int frameFlips, const SpriteSettings& s) {
  const int x = (frameFlips & kFlipH) != 0 ? s.frameWidth - p.x - p.size : p.x;
  const int y = (frameFlips & kFlipV) != 0 ? s.frameHeight - p.y - p.size : p.y;
  const int flips = tile.flips ^ frameFlips;
  return {static_cast<std::int16_t>(x - s.originX), static_cast<std::int16_t>(y - s.originY), tile.tile, palette,
          s.priority, (flips & kFlipH) != 0, (flips & kFlipV) != 0, p.size == s.sizes.large};
}

}  // namespace

SpriteResult ConvertSprites(const Picture& sheet, const SpriteSettings& settings) {
  if (auto problem = SheetProblem(sheet, settings)) return std::move(*problem);
  auto cutOrRefusal = Cut(sheet, settings);
  if (auto* refusal = std::get_if<Failure>(&cutOrRefusal)) return std::move(*refusal);
  CutSheet& cut = std::get<CutSheet>(cutOrRefusal);

  auto coloursOrRefusal = ColoursOf(sheet, settings, cut);
  if (auto* refusal = std::get_if<Failure>(&coloursOrRefusal)) return std::move(*refusal);
  const ObjectColours& colours = std::get<ObjectColours>(coloursOrRefusal);

  ObjectTiles tiles(settings.sizes);
  std::vector<std::vector<PieceUse>> pieces(cut.coverings.size());
  for (std::size_t s = 0; s < cut.coverings.size(); ++s) {
    const FramePixels& frame = cut.shapes[s];
    for (std::size_t i = 0; i < cut.coverings[s].objects.size(); ++i) {
      const int palette = colours.PaletteOf(static_cast<int>(s), i);
      pieces[s].push_back(tiles.Add(PieceOf(frame, cut.coverings[s], i, palette, colours)));
    }
    if (tiles.Needed() > kTableTiles) {
      // Later shapes can only add tiles: this is the first frame past them.
      for (std::size_t t = s + 1; t < cut.coverings.size(); ++t)
        for (std::size_t i = 0; i < cut.coverings[t].objects.size(); ++i)
          tiles.Add(PieceOf(cut.shapes[t], cut.coverings[t], i,
                            colours.PaletteOf(static_cast<int>(t), i), colours));
      return refusals::TooManyTiles(tiles.Needed(), cut.FirstUse(s).x, cut.FirstUse(s).y);
    }
  }
  if (!tiles.Lay()) return refusals::Internal("the tiles counted to fit the name tables do not");

  SpriteSheet out;
  out.sizes = settings.sizes;
  std::vector<FrameFigures> figures;
  for (const Covering& covering : cut.coverings) {
    figures.push_back(FiguresOf(covering.objects));
    figures.back().fewestProven = covering.proven;
  }
  for (const FrameUse& use : cut.frames) {
    if (use.shape < 0 && settings.dropEmpty) continue;
    SpriteFrame frame{use.number, use.x, use.y, {}, {}};
    if (use.shape >= 0) {
      const auto s = static_cast<std::size_t>(use.shape);
      const Covering& covering = cut.coverings[s];
      for (std::size_t i = 0; i < covering.objects.size(); ++i)
        frame.objects.push_back(Shown(covering.objects[i], tiles.TileOf(pieces[s][i]),
                                      colours.PaletteOf(use.shape, i), use.flips, settings));
      frame.figures = figures[s];
      if (auto warning = LineWarning(use.x, use.y, frame.figures)) out.warnings.push_back(std::move(*warning));
    }
    out.frames.push_back(std::move(frame));
  }
  out.tiles = tiles.Bytes();
  out.tileCount = tiles.Needed();
  out.palette = colours.Words();
  out.subPalettes = colours.SubPalettes();
  if (auto fault = CheckSprites(sheet, settings, out)) return InternalFailure(std::move(*fault));
  return out;
}

}  // namespace tilora::sprites
