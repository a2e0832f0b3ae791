// Writes pictures for the timing script.
// Usage: make_picture WIDTH HEIGHT DEPTH FILE       seeded random pixels (BMP)
//        make_picture --tiled FILE.bmp FILE.png    2048 x 1024 at 4 bpp made of
//                                                   1000 shapes, a quarter of the
//                                                   cells mirrored, as BMP and PNG
//        make_picture --tiled-drawn FILE.bmp FILE.png   the same, the shapes
//                                                   drawn as tile art
//        make_picture --overlapping WIDTH HEIGHT FILE.bmp   24 bits, every tile
//                                                   15 random colours of 30
//        make_picture --themed WIDTH HEIGHT FILE.bmp   24 bits, tile art of
//                                                   eight overlapping ramps
//        make_picture --level COUNT FOLDER         COUNT 256 x 224 pictures at
//                                                   4 bpp, FOLDER/p1.bmp on, their
//                                                   cells drawn from one set of
//                                                   300 tiles, flipped at random

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "bmp_builder.h"
#include "formats/png/png_writer.h"
#include "shared_pictures.h"
#include "test_pictures.h"
#include "truecolour_pictures.h"

namespace {

int Tiled(const char* bmpPath, const char* pngPath, bool drawn) {
  tilora::testing::Generation g;
  g.drawn = drawn;
  g.width = 2048;
  g.height = 1024;
  g.bpp = 4;
  g.blocks = {0};
  g.shapes = 1000;
  g.flippedPercent = 25;
  tilora::Picture picture = tilora::testing::Generated(g);
  // A 4-bit file holds one sub-palette; colour 0 of others is colour 0.
  for (std::uint8_t& index : picture.indices) index &= 15;
  picture.depth = 4;
  picture.palette.resize(16);
  for (std::size_t i = 0; i < 16; ++i)
    picture.palette[i] = {static_cast<std::uint8_t>(16 * i), static_cast<std::uint8_t>(255 - 8 * i), 77};
  tilora::testing::BmpShape shape = tilora::testing::MakeShape(g.width, g.height, 4);
  shape.pixels = picture.indices;
  for (const tilora::Rgb& c : picture.palette) shape.palette.push_back({c.blue, c.green, c.red});
  tilora::testing::WriteFileBytes(bmpPath, tilora::testing::BuildBmp(shape));
  tilora::testing::WriteFileBytes(pngPath, tilora::EncodePngIndexed(picture));
  return 0;
}

// A 24-bit bitmap of pixels given top row first.
int WriteTruecolour(int width, int height, const std::vector<tilora::Rgb>& pixels, const char* path) {
  tilora::testing::BmpShape shape = tilora::testing::MakeShape(width, height, 24);
  std::vector<std::uint8_t> bytes = tilora::testing::BuildBmp(shape);
  const auto stride = static_cast<std::size_t>(tilora::testing::RowStride(width, 24));
  const std::size_t offset = tilora::testing::DataOffsetOf(shape);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const auto& p = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
      std::uint8_t* at = bytes.data() + offset + static_cast<std::size_t>(height - 1 - y) * stride + 3 * static_cast<std::size_t>(x);
      at[0] = p.blue, at[1] = p.green, at[2] = p.red;
    }
  tilora::testing::WriteFileBytes(path, bytes);
  return 0;
}

// Every 8 x 8 tile shows 15 of 30 colours, chosen at random, each at least
// once: no two tiles of different colours fit one sub-palette.
int Overlapping(int width, int height, const char* path) {
  std::mt19937 random(1);
  std::vector<tilora::Rgb> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  std::vector<int> colours(30);
  for (int ty = 0; ty < height; ty += 8)
    for (int tx = 0; tx < width; tx += 8) {
      for (int c = 0; c < 30; ++c) colours[static_cast<std::size_t>(c)] = c;
      std::shuffle(colours.begin(), colours.end(), random);
      for (int k = 0; k < 64; ++k) {
        const int c = colours[static_cast<std::size_t>(k < 15 ? k : static_cast<int>(random() % 15))];
        const int x = tx + k % 8, y = ty + k / 8;
        if (x < width && y < height)
          pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] = {
              static_cast<std::uint8_t>(8 * c), static_cast<std::uint8_t>(255 - 8 * c), 96};
      }
    }
  return WriteTruecolour(width, height, pixels, path);
}

int Themed(int width, int height, const char* path) {
  const auto art = tilora::testing::ThemedTileArt(width, height, 8, 3, 10, 110);
  return WriteTruecolour(width, height, art.pixels, path);
}

int Level(int count, const std::string& folder) {
  const auto pool = tilora::testing::RandomTilePool(300, 16, 7);
  for (int i = 1; i <= count; ++i) {
    const auto drawn = tilora::testing::PictureFromPool(pool, 256, 224, 4, {0}, true, static_cast<std::uint32_t>(i));
    tilora::testing::BmpShape shape = tilora::testing::MakeShape(256, 224, 4);
    shape.pixels = drawn.indices;
    tilora::testing::WriteFileBytes(folder + "/p" + std::to_string(i) + ".bmp", tilora::testing::BuildBmp(shape));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--overlapping") return Overlapping(std::atoi(argv[2]), std::atoi(argv[3]), argv[4]);
  if (argc == 5 && std::string(argv[1]) == "--themed") return Themed(std::atoi(argv[2]), std::atoi(argv[3]), argv[4]);
  if (argc == 4 && std::string(argv[1]) == "--tiled") return Tiled(argv[2], argv[3], false);
  if (argc == 4 && std::string(argv[1]) == "--tiled-drawn") return Tiled(argv[2], argv[3], true);
  if (argc == 4 && std::string(argv[1]) == "--level") return Level(std::atoi(argv[2]), argv[3]);
  if (argc != 5) {
    std::fprintf(stderr,
                 "usage: make_picture WIDTH HEIGHT DEPTH FILE | make_picture --tiled|--tiled-drawn FILE.bmp FILE.png |\n"
                 "       make_picture --overlapping|--themed WIDTH HEIGHT FILE.bmp | make_picture --level COUNT FOLDER\n");
    return 2;
  }
  tilora::testing::BmpShape shape;
  shape.width = std::atoi(argv[1]);
  shape.height = std::atoi(argv[2]);
  shape.depth = static_cast<std::uint16_t>(std::atoi(argv[3]));
  const auto rows = static_cast<std::size_t>(shape.height < 0 ? -shape.height : shape.height);
  shape.pixels = tilora::testing::RandomPixels(static_cast<std::size_t>(shape.width) * rows, 1 << shape.depth, 1);
  tilora::testing::WriteFileBytes(argv[4], tilora::testing::BuildBmp(shape));
  return 0;
}
