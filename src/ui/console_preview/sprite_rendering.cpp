#include "ui/console_preview/sprite_rendering.h"

#include <QImage>

#include <variant>

#include "io/failure_text.h"
#include "snes/readback/sheets.h"
#include "snes/sprites/frame_drawing.h"

namespace tilora::ui {
namespace {

constexpr int kTableColumns = 16;  // as the console reads large objects
const QRgb kLightSquare = qRgb(156, 156, 156);
const QRgb kDarkSquare = qRgb(116, 116, 116);

QRgb Shown(const std::vector<Rgb>& palette, std::uint8_t drawn, int x, int y) {
  if (drawn == 0 || drawn >= palette.size()) return TransparentAt(x, y);
  const Rgb& c = palette[drawn];
  return qRgb(c.red, c.green, c.blue);
}

void AddOutlines(const sprites::SpriteFrame& frame, const sprites::SpriteSheet& sheet,
                 const sprites::SpriteSettings& settings, std::vector<QRect>& outlines) {
  const QRect area(frame.x, frame.y, settings.frameWidth, settings.frameHeight);
  for (const sprites::SpriteObject& o : frame.objects) {
    const int side = o.large ? sheet.sizes.large : sheet.sizes.small;
    // Objects may stand out past their frame where they are transparent.
    const QRect object(frame.x + settings.originX + o.x, frame.y + settings.originY + o.y, side, side);
    outlines.push_back(object.intersected(area));
  }
}

// The two name tables, 16 slots a row: each used slot in the first
// sub-palette an object shows it in, the rest empty.
QImage NameTables(const sprites::SpriteSheet& sheet, const std::vector<sprites::TileRows>& tiles,
                  const std::vector<Rgb>& palette) {
  const std::vector<int> first = sprites::FirstObjectPalettes(sheet);
  const int rows = sprites::kTableTiles / kTableColumns;
  QImage table(8 * kTableColumns, 8 * rows, QImage::Format_RGB32);
  table.fill(qRgb(kEmptySlot.red, kEmptySlot.green, kEmptySlot.blue));
  for (int n = 0; n < sprites::kTableTiles; ++n) {
    const int block = first[static_cast<std::size_t>(n)];
    if (block < 0 || static_cast<std::size_t>(n) >= tiles.size()) continue;
    const int left = 8 * (n % kTableColumns);
    const int top = 8 * (n / kTableColumns);
    for (int y = 0; y < 8; ++y) {
      const std::uint64_t row = tiles[static_cast<std::size_t>(n)][static_cast<std::size_t>(y)];
      for (int x = 0; x < 8; ++x) {
        const auto k = static_cast<std::uint8_t>(row >> (8 * x) & 15);
        const auto drawn = static_cast<std::uint8_t>(k == 0 ? 0 : 16 * block + k);
        table.setPixel(left + x, top + y, Shown(palette, drawn, left + x, top + y));
      }
    }
  }
  return table;
}

}  // namespace

QRgb TransparentAt(int x, int y) { return (x / kCheckerSide + y / kCheckerSide) % 2 ? kDarkSquare : kLightSquare; }

void ShowSprites(const sprites::SpriteSheet& sheet, const sprites::SpriteSettings& settings, std::int32_t width,
                 std::int32_t height, ConsoleRendering& rendering) {
  const std::vector<sprites::TileRows> tiles = sprites::DecodeObjectTiles(sheet.tiles);
  const std::vector<Rgb> palette = ShownPalette(sheet.palette);
  QImage shown(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) shown.setPixel(x, y, TransparentAt(x, y));
  for (const sprites::SpriteFrame& frame : sheet.frames) {
    const auto drawn = sprites::DrawFrame(tiles, frame, sheet.sizes, settings.originX, settings.originY,
                                          settings.frameWidth, settings.frameHeight);
    if (const auto* fault = std::get_if<sprites::DrawFault>(&drawn)) {
      rendering.refusal = FailureMessage(InternalFailure("object " + std::to_string(fault->object) + " of frame " +
                                                         std::to_string(frame.number) + " " + fault->what + "."));
      return;
    }
    const sprites::DrawnFrame& d = std::get<sprites::DrawnFrame>(drawn);
    for (int y = 0; y < d.height; ++y)
      for (int x = 0; x < d.width; ++x) {
        const std::uint8_t index = d.pixels[static_cast<std::size_t>(y * d.width + x)];
        if (index != 0) shown.setPixel(frame.x + x, frame.y + y, Shown(palette, index, frame.x + x, frame.y + y));
      }
    AddOutlines(frame, sheet, settings, rendering.outlines);
  }
  rendering.shown = std::move(shown);
  rendering.tileSheet = NameTables(sheet, tiles, palette);
}

}  // namespace tilora::ui
