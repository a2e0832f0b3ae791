#include "console_decoder.h"

namespace tilora::testing {

unsigned MapEntry(const TiledImage& image, int cx, int cy) {
  if (image.mode7) return image.map.at(static_cast<std::size_t>(cy * 128 + cx));
  int index = cy * image.columns + cx;
  if (image.screens) {
    const int screensAcross = image.columns / 32;
    const int screen = (cy / 32) * screensAcross + cx / 32;
    index = screen * 1024 + (cy % 32) * 32 + cx % 32;
  }
  const auto at = static_cast<std::size_t>(2 * index);
  return image.map.at(at) | static_cast<unsigned>(image.map.at(at + 1)) << 8;
}

ShownPixel ShownAt(const TiledImage& image, int x, int y) {
  const int cx = x / 8;
  const int cy = y / 8;
  ShownPixel shown;
  if (image.map.empty()) {
    shown.tile = cy * image.columns + cx;
  } else if (image.mode7) {
    shown.tile = static_cast<int>(MapEntry(image, cx, cy));
  } else {
    const int size = image.tileSize;
    const unsigned entry = MapEntry(image, x / size, y / size);
    shown.flips = static_cast<int>(entry >> 14);
    // Within a 16 x 16 block, flipped as a whole: the pixel's place in the
    // block picks one of the four tiles, the rest is the pixel in it.
    const int bx = (shown.flips & 1) != 0 ? size - 1 - x % size : x % size;
    const int by = (shown.flips & 2) != 0 ? size - 1 - y % size : y % size;
    const int numbered = static_cast<int>(entry % 1024) + bx / 8 + 16 * (by / 8);
    shown.tile = numbered % 1024 - image.tileBase;
    shown.palette = static_cast<int>(entry / 1024 % 8) - image.paletteBase;
    shown.priority = (entry >> 13 & 1) != 0;
    shown.colour = TileColour(image, shown.tile, bx % 8, by % 8);
    return shown;
  }
  const int column = (shown.flips & 1) != 0 ? 7 - x % 8 : x % 8;
  const int row = (shown.flips & 2) != 0 ? 7 - y % 8 : y % 8;
  shown.colour = TileColour(image, shown.tile, column, row);
  return shown;
}

int TileColour(const TiledImage& image, int tile, int column, int row) {
  if (image.mode7) return image.tiles.at(static_cast<std::size_t>(tile * 64 + row * 8 + column));
  const int tileStart = tile * 8 * image.bpp;
  int colour = 0;
  for (int plane = 0; plane < image.bpp; ++plane) {
    const int byte = image.tiles.at(static_cast<std::size_t>(tileStart + 16 * (plane / 2) + 2 * row + plane % 2));
    colour |= ((byte >> (7 - column)) & 1) << plane;
  }
  return colour;
}

TiledImage SplitVram(const std::vector<std::uint8_t>& vram) {
  TiledImage image;
  image.mode7 = true;
  image.bpp = 8;
  image.columns = 128;
  for (std::size_t i = 0; i < vram.size(); i += 2) {
    image.map.push_back(vram[i]);
    image.tiles.push_back(vram[i + 1]);
  }
  return image;
}

}  // namespace tilora::testing
