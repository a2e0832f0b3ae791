#include "snes/readback/sheets.h"

#include <algorithm>

#include "snes/encoders/console_palette.h"
#include "snes/readback/output_reader.h"

namespace tilora {

std::vector<Rgb> ShownPalette(const std::vector<std::uint8_t>& words) {
  std::vector<Rgb> colours(words.size() / 2);
  for (std::size_t i = 0; i < colours.size(); ++i)
    colours[i] = ShownColour(static_cast<std::uint16_t>(words[2 * i] | words[2 * i + 1] << 8));
  return colours;
}

namespace {

// The reader's stored tiles, tile n in sub-palette first[n] (grey where
// that is -1).
RgbImage DrawSheet(const OutputReader& reader, const std::vector<int>& first, const std::vector<std::uint8_t>& words,
                   int columns, bool grey) {
  const int count = static_cast<int>(reader.StoredTileCount());
  if (!reader.Fault().empty() || count <= 0 || columns <= 0) return {};
  const int rows = (count + columns - 1) / columns;
  RgbImage sheet{8 * columns, 8 * rows, std::vector<Rgb>(static_cast<std::size_t>(64 * columns * rows), kEmptySlot)};
  const int perBlock = reader.ColoursPerSubPalette();
  const std::vector<Rgb> palette = ShownPalette(words);
  const Rgb backdrop = palette.empty() ? Rgb{} : palette[0];
  // Grey levels spread from colour 0 to the highest colour number stored,
  // so a picture of few colours at 8 bpp is not all but black.
  int highest = 1;
  for (int n = 0; n < count; ++n) {
    const cells::CellRows tile = reader.StoredTile(static_cast<std::size_t>(n));
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) highest = std::max<int>(highest, cells::PixelOf(tile.row[y], x));
  }
  for (int n = 0; n < count; ++n) {
    const cells::CellRows tile = reader.StoredTile(static_cast<std::size_t>(n));
    const int block = grey ? -1 : first[static_cast<std::size_t>(n)];
    for (int y = 0; y < 8; ++y) {
      Rgb* line = sheet.pixels.data() + static_cast<std::size_t>((8 * (n / columns) + y) * sheet.width + 8 * (n % columns));
      for (int x = 0; x < 8; ++x) {
        const int k = cells::PixelOf(tile.row[y], x);
        if (block < 0) {
          const auto level = static_cast<std::uint8_t>(k * 255 / highest);
          line[x] = {level, level, level};
          continue;
        }
        const std::size_t entry = static_cast<std::size_t>(block * perBlock + k);
        line[x] = k == 0 ? backdrop : entry < palette.size() ? palette[entry] : Rgb{};
      }
    }
  }
  return sheet;
}

}  // namespace

RgbImage TileSheet(const EncodedOutputs& outputs, const TileOptions& options, std::int32_t width,
                   std::int32_t height, int columns, bool grey) {
  const OutputReader reader(outputs, options, width, height);
  if (!reader.Fault().empty()) return {};
  return DrawSheet(reader, reader.FirstSubPalettes(), outputs.palette, columns, grey);
}

RgbImage TileSheet(std::span<const SheetPicture> pictures, const TileOptions& options, int columns, bool grey) {
  if (pictures.empty()) return {};
  std::vector<int> first;
  for (const SheetPicture& picture : pictures) {
    const OutputReader reader(*picture.outputs, options, picture.width, picture.height);
    if (!reader.Fault().empty()) return {};
    const std::vector<int> own = reader.FirstSubPalettes();
    if (first.empty()) first = own;
    for (std::size_t n = 0; n < first.size() && n < own.size(); ++n)
      if (first[n] < 0) first[n] = own[n];
  }
  const SheetPicture& shown = pictures.front();
  const OutputReader reader(*shown.outputs, options, shown.width, shown.height);
  return DrawSheet(reader, first, shown.outputs->palette, columns, grey);
}

SwatchGrid Swatches(const EncodedOutputs& outputs) {
  SwatchGrid grid;
  grid.colours = ShownPalette(outputs.palette);
  grid.across = outputs.bpp == 2 ? 4 : 16;
  return grid;
}

RgbImage SwatchPicture(const SwatchGrid& grid, int side) {
  RgbImage image{grid.across * side, grid.Rows() * side, {}};
  image.pixels.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height));
  for (std::size_t i = 0; i < image.pixels.size(); ++i) {
    const auto x = static_cast<int>(i % static_cast<std::size_t>(image.width));
    const auto y = static_cast<int>(i / static_cast<std::size_t>(image.width));
    const std::size_t entry = static_cast<std::size_t>(y / side * grid.across + x / side);
    if (entry < grid.colours.size()) image.pixels[i] = grid.colours[entry];
  }
  return image;
}

}  // namespace tilora
