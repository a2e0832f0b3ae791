// Writes the seed corpus: small pictures of every shape the converter knows,
// plus a few that it refuses. Run once; the files are kept in fuzz/corpus.
// Usage: make_corpus FOLDER

#include <cstdio>
#include <string>
#include <vector>

#include "bmp_builder.h"

using tilora::testing::BmpShape;

namespace {

BmpShape Shape(std::int32_t w, std::int32_t h, std::uint16_t depth) {
  BmpShape s;
  s.width = w;
  s.height = h;
  s.depth = depth;
  const std::size_t rows = static_cast<std::size_t>(h < 0 ? -h : h);
  if (depth == 4 || depth == 8)
    s.pixels = tilora::testing::RandomPixels(static_cast<std::size_t>(w) * rows, 1 << depth, 11);
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_corpus FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  struct Seed {
    const char* name;
    BmpShape shape;
    std::size_t cut = 0;  // keep only this many bytes when non-zero
  };
  std::vector<Seed> seeds = {
      {"d4_8x8", Shape(8, 8, 4)},
      {"d8_8x8", Shape(8, 8, 8)},
      {"d4_odd", Shape(13, 11, 4)},
      {"d8_odd", Shape(9, 7, 8)},
      {"d4_topdown", Shape(16, -9, 4)},
      {"d8_topdown", Shape(5, -3, 8)},
      {"d1", Shape(8, 8, 1)},
      {"d24", Shape(4, 4, 24)},
      {"d8_cut_rows", Shape(16, 16, 8), 1078 + 100},
      {"d4_cut_table", Shape(8, 8, 4), 60},
      {"header_only", Shape(8, 8, 8), 54},
  };
  BmpShape h124 = Shape(16, 8, 4);
  h124.headerSize = 124;
  seeds.push_back({"d4_header124", h124});
  BmpShape shortTable = Shape(16, 8, 8);
  shortTable.tableEntries = 5;
  seeds.push_back({"d8_short_table", shortTable});
  BmpShape used = Shape(8, 8, 8);
  used.tableEntries = 20;
  used.coloursUsed = 20;
  seeds.push_back({"d8_colours_used", used});
  BmpShape rle = Shape(8, 8, 8);
  rle.compression = 1;
  seeds.push_back({"d8_rle", rle});
  BmpShape oldHeader = Shape(8, 8, 8);
  oldHeader.headerSize = 12;
  seeds.push_back({"header12", oldHeader});

  for (const auto& seed : seeds) {
    auto bytes = tilora::testing::BuildBmp(seed.shape);
    if (seed.cut != 0 && seed.cut < bytes.size()) bytes.resize(seed.cut);
    tilora::testing::WriteFileBytes(folder + "/" + seed.name + ".bmp", bytes);
  }
  std::printf("%zu seeds written to %s\n", seeds.size(), folder.c_str());
  return 0;
}
