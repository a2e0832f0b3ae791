// Writes the seed corpus of fuzz_render: the outputs of small conversions of
// every kind --render reads, and a few it refuses. Run once; the files are
// kept in fuzz/render_corpus.
// Usage: make_render_corpus FOLDER

#include <cstdio>
#include <string>
#include <vector>

#include "bmp_builder.h"
#include "convert/encode_for_console.h"
#include "fuzz_render_input.h"

namespace {

using tilora::EncodedOutputs;
using tilora::RenderInput;
using tilora::TileOptions;

// Cells of a few lopsided patterns in two sub-palettes (one at 8 bpp).
tilora::Picture Pattern(int width, int height, int bpp) {
  tilora::Picture p;
  p.width = width;
  p.height = height;
  p.depth = 8;
  p.palette.resize(256);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int cell = x / 16 + y / 16;
      const int k = (cell * 5 + x % 8 * (cell % 3 + 1) + (x % 8 > y % 8 ? 3 : 0)) % (1 << std::min(bpp, 4));
      p.indices.push_back(static_cast<std::uint8_t>(bpp == 8 ? k : (cell % 2) << bpp | k));
    }
  return p;
}

struct Seed {
  const char* name;
  int width;
  int height;
  int bpp;
  TileOptions options;
  int columns;  // for --render
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_render_corpus FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  const auto map = [](TileOptions o) {
    o.map = true;
    return o;
  };
  TileOptions blocks = map({});
  blocks.tileSize = 16;
  TileOptions blocksBased = blocks;
  blocksBased.tileBase = 960;
  blocksBased.paletteBase = 3;
  TileOptions screens = map({});
  screens.screens = true;
  TileOptions blockScreens = blocks;
  blockScreens.screens = true;
  TileOptions mode7;
  mode7.mode7 = true;
  TileOptions interleaved = mode7;
  interleaved.interleave = true;
  const Seed seeds[] = {
      {"plain2", 16, 8, 2, {}, 2},
      {"plain8", 8, 16, 8, {}, 1},
      {"map4", 24, 16, 4, map({}), 3},
      {"blocks4_bases", 40, 20, 4, blocksBased, 3},
      {"blocks2_screens", 20, 20, 2, blockScreens, 32},
      {"map8_screens", 16, 16, 8, screens, 32},
      {"mode7", 24, 16, 8, mode7, 0},
      {"mode7_interleaved", 8, 8, 8, interleaved, 0},
  };
  int written = 0;
  for (const Seed& s : seeds) {
    const tilora::EncodeResult result = tilora::EncodeForConsole(Pattern(s.width, s.height, s.bpp), s.bpp, s.options);
    const auto* out = std::get_if<EncodedOutputs>(&result);
    if (!out) {
      std::fprintf(stderr, "%s: %s\n", s.name, std::get<tilora::Failure>(result).message.c_str());
      return 1;
    }
    RenderInput in;
    in.bpp = s.bpp;
    in.options = s.options;
    in.columns = s.columns;
    const std::vector<std::uint8_t>& tiles = s.options.interleave ? out->vram : out->tiles;
    tilora::testing::WriteFileBytes(folder + "/" + s.name,
                                    tilora::fuzzing::JoinRenderInput(in, tiles, out->palette, out->map));
    // The same drawn at the picture's size, and with its map's first entry
    // naming a tile past the tiles.
    in.width = s.width;
    in.height = s.height;
    tilora::testing::WriteFileBytes(folder + "/" + s.name + "_sized",
                                    tilora::fuzzing::JoinRenderInput(in, tiles, out->palette, out->map));
    std::vector<std::uint8_t> pastTiles = out->map;
    if (!pastTiles.empty()) pastTiles[0] = 0xFF;
    tilora::testing::WriteFileBytes(folder + "/" + s.name + "_past",
                                    tilora::fuzzing::JoinRenderInput(in, tiles, out->palette, pastTiles));
    written += 3;
  }
  std::printf("%d seeds written to %s\n", written, folder.c_str());
  return 0;
}
