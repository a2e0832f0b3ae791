#include <algorithm>

#include "snes/encoders/console_encoding.h"
#include "snes/encoders/console_palette.h"
#include "snes/readback/output_reader.h"
#include "snes/readback/readback.h"

namespace tilora {
namespace {

std::vector<Rgb> ShownPalette(const std::vector<std::uint8_t>& bytes) {
  std::vector<Rgb> colours(bytes.size() / 2);
  for (std::size_t i = 0; i < colours.size(); ++i)
    colours[i] = ShownColour(static_cast<std::uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8));
  return colours;
}

}  // namespace

std::vector<Rgb> ConsolePreview(const EncodedOutputs& outputs, const TileOptions& options, std::int32_t width,
                                std::int32_t height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  std::vector<Rgb> image(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  const OutputReader reader(outputs, options, width, height);
  if (!reader.Fault().empty()) return image;
  const std::vector<Rgb> palette = ShownPalette(outputs.palette);
  const Rgb backdrop = palette.empty() ? Rgb{} : palette[0];
  const std::size_t perBlock = static_cast<std::size_t>(reader.ColoursPerSubPalette());
  cells::CellRows k;
  int block = 0;
  for (std::int32_t cy = 0; 8 * cy < height && cy < reader.CellsDown(); ++cy) {
    for (std::int32_t cx = 0; 8 * cx < width && cx < reader.CellsAcross(); ++cx) {
      if (!reader.Cell(cx, cy, k, block)) continue;
      for (std::int32_t y = 8 * cy; y < std::min(8 * cy + 8, height); ++y) {
        for (std::int32_t x = 8 * cx; x < std::min(8 * cx + 8, width); ++x) {
          const std::size_t colour = cells::PixelOf(k.row[y - 8 * cy], x - 8 * cx);
          const std::size_t entry = static_cast<std::size_t>(block) * perBlock + colour;
          const Rgb shown = colour == 0 ? backdrop : entry < palette.size() ? palette[entry] : Rgb{};
          image[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] = shown;
        }
      }
    }
  }
  return image;
}

}  // namespace tilora
