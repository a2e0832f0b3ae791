// Writes the PNG seed corpus: small files of every colour type, plus a few
// damaged ones. Run once; the files are kept in fuzz/png_corpus.
// Usage: make_png_corpus FOLDER

#include <cstdio>
#include <string>
#include <vector>

#include "bmp_builder.h"
#include "png_builder.h"

using tilora::testing::PngShape;
using tilora::testing::RandomPngShape;

namespace {

PngShape Interlaced(PngShape s) {
  s.interlaced = true;
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_png_corpus FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  PngShape keyed = RandomPngShape(6, 5, 2, 16, 7);
  keyed.colourKey = std::array<std::uint16_t, 3>{keyed.samples[0], keyed.samples[1], keyed.samples[2]};
  PngShape paletteAlpha = RandomPngShape(9, 3, 3, 4, 8);
  paletteAlpha.paletteAlpha = {0, 80};
  PngShape shortPalette = RandomPngShape(8, 8, 3, 8, 9);
  shortPalette.palette.resize(200);
  const struct {
    const char* name;
    PngShape shape;
    std::size_t cut = 0;  // keep only this many bytes when non-zero
  } seeds[] = {
      {"palette1", RandomPngShape(13, 3, 3, 1, 1)},
      {"palette2_interlaced", Interlaced(RandomPngShape(9, 9, 3, 2, 2))},
      {"palette4", RandomPngShape(8, 8, 3, 4, 3)},
      {"palette8_short", shortPalette},
      {"palette_alpha", paletteAlpha},
      {"grey1", RandomPngShape(17, 2, 0, 1, 4)},
      {"grey16_interlaced", Interlaced(RandomPngShape(7, 6, 0, 16, 5))},
      {"grey_alpha8", RandomPngShape(5, 5, 4, 8, 6)},
      {"rgb8", RandomPngShape(8, 8, 2, 8, 10)},
      {"rgb16_key", keyed},
      {"rgba16_interlaced", Interlaced(RandomPngShape(5, 9, 6, 16, 11))},
      {"rgba8_cut", RandomPngShape(8, 8, 6, 8, 12), 90},
  };
  for (const auto& seed : seeds) {
    auto bytes = tilora::testing::BuildPng(seed.shape);
    if (seed.cut != 0 && seed.cut < bytes.size()) bytes.resize(seed.cut);
    tilora::testing::WriteFileBytes(folder + "/" + seed.name + ".png", bytes);
  }
  std::printf("%zu seeds written to %s\n", std::size(seeds), folder.c_str());
  return 0;
}
