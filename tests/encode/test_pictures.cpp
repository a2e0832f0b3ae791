#include "test_pictures.h"

#include <algorithm>
#include <array>
#include <random>

namespace tilora::testing {

Picture BlankPicture(std::int32_t width, std::int32_t height) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.depth = 8;
  picture.indices.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
  for (int i = 0; i < 256; ++i)
    picture.palette.push_back(
        {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i * 7)});
  return picture;
}

void SetPixel(Picture& picture, std::int32_t x, std::int32_t y, std::uint8_t index) {
  picture.indices.at(static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width) +
                     static_cast<std::size_t>(x)) = index;
}

namespace {

// One 8 x 8 shape as an artist might draw it: runs of one colour, edges and
// dithered patches, which is what picture files of tile art compress.
std::array<int, 64> DrawnShape(std::mt19937& random, int colours) {
  const auto pick = [&](int below) { return static_cast<int>(random() % static_cast<unsigned>(below)); };
  const auto colour = [&] { return pick(4) == 0 ? 0 : 1 + pick(colours - 1); };
  std::array<int, 64> shape;
  shape.fill(colour());
  const auto put = [&](int x, int y, int k) {
    if (x >= 0 && x < 8 && y >= 0 && y < 8) shape[static_cast<std::size_t>(8 * y + x)] = k;
  };
  for (int strokes = 1 + pick(3); strokes > 0; --strokes) {
    const int k = colour(), x0 = pick(8), y0 = pick(8);
    switch (pick(4)) {
      case 0: {  // a filled rectangle
        const int w = 1 + pick(8 - x0), h = 1 + pick(8 - y0);
        for (int y = y0; y < y0 + h; ++y)
          for (int x = x0; x < x0 + w; ++x) put(x, y, k);
        break;
      }
      case 1: {  // a line across or down
        const bool across = pick(2) == 0;
        for (int i = 0; i < 8; ++i) across ? put(i, y0, k) : put(x0, i, k);
        break;
      }
      case 2: {  // a disc
        const int r = 1 + pick(3);
        for (int y = 0; y < 8; ++y)
          for (int x = 0; x < 8; ++x)
            if ((x - x0) * (x - x0) + (y - y0) * (y - y0) <= r * r) put(x, y, k);
        break;
      }
      default:  // a dithered patch of two colours
        for (int y = y0; y < 8; ++y)
          for (int x = x0; x < 8; ++x) put(x, y, (x + y) % 2 ? k : shape[static_cast<std::size_t>(8 * y + x)]);
    }
  }
  return shape;
}

}  // namespace

Picture Generated(const Generation& g) {
  std::mt19937 random(g.seed);
  const int colours = 1 << g.bpp;
  const int side = g.cellSize;
  const auto area = static_cast<std::size_t>(side * side);
  const auto pick = [&](int below) { return static_cast<int>(random() % static_cast<unsigned>(below)); };
  std::vector<std::vector<int>> shapes(static_cast<std::size_t>(g.shapes), std::vector<int>(area));
  for (auto& shape : shapes) {
    if (g.drawn && side == 8) {
      const auto drawn = DrawnShape(random, colours);
      shape.assign(drawn.begin(), drawn.end());
    } else {
      for (int& k : shape) k = pick(10) < 3 ? 0 : 1 + pick(colours - 1);
    }
  }
  if (g.blankCells) std::fill(shapes[0].begin(), shapes[0].end(), 0);
  // A shape that is its own mirror image, which several flips show alike.
  if (g.shapes > 2)
    for (int p = 0; p < side * side; ++p)
      if (p % side >= side / 2)
        shapes[1][static_cast<std::size_t>(p)] = shapes[1][static_cast<std::size_t>(p - 2 * (p % side) + side - 1)];

  Picture picture = BlankPicture(g.width, g.height);
  for (std::int32_t cy = 0; side * cy < g.height; ++cy) {
    for (std::int32_t cx = 0; side * cx < g.width; ++cx) {
      const auto& shape = shapes[static_cast<std::size_t>(pick(g.shapes))];
      const int flips = pick(100) < g.flippedPercent ? 1 + pick(3) : 0;
      const int block = g.blocks[static_cast<std::size_t>(pick(static_cast<int>(g.blocks.size())))];
      for (int r = 0; r < side && side * cy + r < g.height; ++r) {
        for (int c = 0; c < side && side * cx + c < g.width; ++c) {
          const int k = shape[static_cast<std::size_t>(side * ((flips & 2) ? side - 1 - r : r) +
                                                       ((flips & 1) ? side - 1 - c : c))];
          const int owner = k != 0 || g.bpp == 8 ? block : pick(8);
          SetPixel(picture, side * cx + c, side * cy + r, static_cast<std::uint8_t>(owner * colours + k));
        }
      }
    }
  }
  return picture;
}

Picture DistinctTiles(int count, int columns, int bpp) {
  const int rows = (count + columns - 1) / columns;
  Picture picture = BlankPicture(8 * columns, 8 * rows);
  const int colours = 1 << bpp;
  for (int n = 0; n < columns * rows; ++n) {
    const int number = n % count;
    const int x0 = 8 * (n % columns);
    const int y0 = 8 * (n / columns);
    // Colour 1 in the top-left corner alone among the corners: a flipped
    // shape has it elsewhere, so differs from every unflipped one.
    SetPixel(picture, x0, y0, 1);
    for (int p = 0, rest = number; p < 36; ++p, rest /= colours)
      SetPixel(picture, x0 + 1 + p % 6, y0 + 1 + p / 6, static_cast<std::uint8_t>(rest % colours));
  }
  return picture;
}

}  // namespace tilora::testing
