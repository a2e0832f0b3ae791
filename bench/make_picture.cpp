// Writes pictures for the timing script.
// Usage: make_picture WIDTH HEIGHT DEPTH FILE       seeded random pixels (BMP)
//        make_picture --tiled FILE.bmp FILE.png    2048 x 1024 at 4 bpp made of
//                                                   1000 shapes, a quarter of the
//                                                   cells mirrored, as BMP and PNG
//        make_picture --tiled-drawn FILE.bmp FILE.png   the same, the shapes
//                                                   drawn as tile art
//        make_picture --level COUNT FOLDER         COUNT 256 x 224 pictures at
//                                                   4 bpp, FOLDER/p1.bmp on, their
//                                                   cells drawn from one set of
//                                                   300 tiles, flipped at random

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bmp_builder.h"
#include "formats/png/png_writer.h"
#include "shared_pictures.h"
#include "test_pictures.h"

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
  if (argc == 4 && std::string(argv[1]) == "--tiled") return Tiled(argv[2], argv[3], false);
  if (argc == 4 && std::string(argv[1]) == "--tiled-drawn") return Tiled(argv[2], argv[3], true);
  if (argc == 4 && std::string(argv[1]) == "--level") return Level(std::atoi(argv[2]), argv[3]);
  if (argc != 5) {
    std::fprintf(stderr,
                 "usage: make_picture WIDTH HEIGHT DEPTH FILE | make_picture --tiled|--tiled-drawn FILE.bmp FILE.png | "
                 "make_picture --level COUNT FOLDER\n");
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
