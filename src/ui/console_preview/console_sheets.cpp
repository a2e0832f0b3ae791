#include "ui/console_preview/console_sheets.h"

#include <QColor>
#include <QPainter>

#include <algorithm>
#include <bit>
#include <vector>

#include "snes/cells/cell_rows.h"
#include "snes/encoders/console_palette.h"
#include "snes/readback/output_reader.h"
#include "ui/console_preview/console_preview_model.h"
#include "snes/readback/readback.h"

namespace tilora::ui {
namespace {

// Slots of the sheet past the last tile, darker than any grey level a tile
// shows but colour 0.
const QRgb kEmptySlot = qRgb(40, 44, 52);
const QRgb kSwatchBorder = qRgb(24, 24, 24);

int DepthOf(const TileOptions& options) { return options.mode7 ? 8 : options.bpp; }

std::vector<Rgb> ShownWords(const std::vector<std::uint8_t>& bytes) {
  std::vector<Rgb> colours(bytes.size() / 2);
  for (std::size_t i = 0; i < colours.size(); ++i)
    colours[i] = ShownColour(static_cast<std::uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8));
  return colours;
}

QRgb ToQRgb(const Rgb& c) { return qRgb(c.red, c.green, c.blue); }

// The sub-palette each stored tile is first shown in, -1 where none is.
std::vector<int> FirstSubPalettes(const EncodedOutputs& outputs, const TileOptions& options) {
  const auto count = static_cast<std::size_t>(std::max(outputs.tileCount, 0));
  if (options.mode7) return std::vector<int>(count, 0);
  if (!options.map) {
    // Plain tiles all take the one sub-palette the picture uses.
    const int block = outputs.subPalettes == 0 ? 0 : std::countr_zero(static_cast<unsigned>(outputs.subPalettes));
    return std::vector<int>(count, options.bpp == 8 ? 0 : block);
  }
  std::vector<int> first(count, -1);
  for (std::size_t i = 0; i + 1 < outputs.map.size(); i += 2) {
    const unsigned word = static_cast<unsigned>(outputs.map[i] | outputs.map[i + 1] << 8);
    const unsigned tile = ((word & 0x3FFU) - static_cast<unsigned>(options.tileBase)) & 0x3FFU;
    const int palette = options.bpp == 8 ? 0 : static_cast<int>(word >> 10 & 7U) - options.paletteBase;
    if (tile < count && first[tile] < 0) first[tile] = palette;
  }
  return first;
}

cells::CellRows StoredTile(const EncodedOutputs& outputs, const TileOptions& options, std::size_t n) {
  if (!options.mode7) {
    const std::size_t size = static_cast<std::size_t>(8 * options.bpp);
    return DecodePlanarTile(outputs.tiles.data() + n * size, options.bpp);
  }
  cells::CellRows tile;
  for (int r = 0; r < 8; ++r)
    tile.row[r] = cells::LoadRow(outputs.tiles.data() + 64 * n + 8 * static_cast<std::size_t>(r));
  return tile;
}

}  // namespace

QImage TileSheetImage(const EncodedOutputs& outputs, const TileOptions& options, int columns, bool grey) {
  const int count = outputs.tileCount;
  if (count <= 0 || columns <= 0) return {};
  const int rows = (count + columns - 1) / columns;
  QImage sheet(8 * columns, 8 * rows, QImage::Format_RGB32);
  sheet.fill(kEmptySlot);
  const int bpp = DepthOf(options);
  const int perBlock = 1 << bpp;
  const std::vector<Rgb> palette = ShownWords(outputs.palette);
  const std::vector<int> first = FirstSubPalettes(outputs, options);
  for (int n = 0; n < count; ++n) {
    const cells::CellRows tile = StoredTile(outputs, options, static_cast<std::size_t>(n));
    const int block = grey ? -1 : first[static_cast<std::size_t>(n)];
    for (int y = 0; y < 8; ++y) {
      auto* line = reinterpret_cast<QRgb*>(sheet.scanLine(8 * (n / columns) + y)) + 8 * (n % columns);
      for (int x = 0; x < 8; ++x) {
        const int k = cells::PixelOf(tile.row[y], x);
        if (block < 0) {
          const int level = k * 255 / (perBlock - 1);
          line[x] = qRgb(level, level, level);
          continue;
        }
        const std::size_t entry = static_cast<std::size_t>(block * perBlock + k);
        const Rgb shown = k == 0                   ? (palette.empty() ? Rgb{} : palette[0])
                          : entry < palette.size() ? palette[entry]
                                                   : Rgb{};
        line[x] = ToQRgb(shown);
      }
    }
  }
  return sheet;
}

QImage SwatchImage(const EncodedOutputs& outputs, const TileOptions& options) {
  const std::vector<Rgb> palette = ShownWords(outputs.palette);
  if (palette.empty()) return {};
  const int bpp = DepthOf(options);
  const int across = bpp == 8 ? 16 : 1 << bpp;
  const int count = static_cast<int>(palette.size());
  const int rows = (count + across - 1) / across;
  QImage swatches(across * kSwatchSide, rows * kSwatchSide, QImage::Format_RGB32);
  swatches.fill(kSwatchBorder);
  QPainter painter(&swatches);
  for (int i = 0; i < count; ++i) {
    const QRect square((i % across) * kSwatchSide + 1, (i / across) * kSwatchSide + 1, kSwatchSide - 2,
                       kSwatchSide - 2);
    painter.fillRect(square, QColor(ToQRgb(palette[static_cast<std::size_t>(i)])));
  }
  return swatches;
}

QImage ConsoleImage(const EncodedOutputs& outputs, const TileOptions& options, std::int32_t width,
                    std::int32_t height) {
  const std::vector<Rgb> pixels = ConsolePreview(outputs, options, width, height);
  QImage image(width, height, QImage::Format_RGB32);
  for (std::int32_t y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    const Rgb* row = pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    for (std::int32_t x = 0; x < width; ++x) line[x] = ToQRgb(row[x]);
  }
  return image;
}

}  // namespace tilora::ui
