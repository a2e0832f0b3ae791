// Every tile encoder path built into this binary, held against the naive
// reference on many seeded random tiles at both depths.

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "convert/pixel_plane.h"
#include "convert/tile_buffer.h"
#include "convert/tile_kernels.h"
#include "reference_encoder.h"

namespace tilora {
namespace {

using Kernel = void (*)(const std::uint8_t*, std::size_t, std::uint8_t*);

struct KernelCase {
  const char* name;
  Kernel kernel;
  int depth;
};

void PrintTo(const KernelCase& c, std::ostream* os) { *os << c.name; }

constexpr int kRandomTiles = 100000;

// A pixel as PixelPlane stores it: at depth 4 an even column keeps its colour
// in the high nibble, an odd one in the low nibble.
std::uint8_t Stored(std::uint8_t colour, int column, int depth) {
  if (depth == 8) return colour;
  return static_cast<std::uint8_t>(column % 2 == 0 ? colour << 4 : colour);
}

class KernelTest : public ::testing::TestWithParam<KernelCase> {};

TEST_P(KernelTest, MatchesReferenceOnRandomTiles) {
  const KernelCase& c = GetParam();
  std::mt19937 gen(static_cast<std::uint32_t>(1234 + c.depth));
  std::uniform_int_distribution<int> colour(0, (1 << c.depth) - 1);
  std::uniform_int_distribution<int> sparse(0, 3);
  // Rows further apart than the tile is wide, as in the plane.
  constexpr std::size_t kStride = 24;
  std::vector<std::uint8_t> pixels(8 * kStride);
  std::uint8_t out[64];
  int mismatches = 0;
  for (int t = 0; t < kRandomTiles && mismatches < 5; ++t) {
    std::uint8_t colours[64];
    // Some tiles mostly zero or mostly full, where single bits stand out.
    const int mode = t % 3 == 0 ? sparse(gen) : 0;
    for (int p = 0; p < 64; ++p) {
      int v = colour(gen);
      if (mode == 1) v &= colour(gen) & colour(gen);
      if (mode == 2) v |= colour(gen) | colour(gen);
      colours[p] = static_cast<std::uint8_t>(v);
      pixels[static_cast<std::size_t>(p / 8) * kStride + static_cast<std::size_t>(p % 8)] = Stored(colours[p], p % 8, c.depth);
    }
    std::memset(out, 0xEE, sizeof out);
    c.kernel(pixels.data(), kStride, out);
    const auto expected = testing::ReferenceTile(colours, c.depth);
    if (std::memcmp(out, expected.data(), expected.size()) != 0) {
      ++mismatches;
      ADD_FAILURE() << c.name << ": tile " << t << " differs from the reference";
    }
  }
}

const KernelCase kKernels[] = {
    {"portable4", tile_kernels::Encode4Portable, 4},
    {"portable8", tile_kernels::Encode8Portable, 8},
#if TILORA_TILE_SSE2
    {"sse2_4", tile_kernels::Encode4Sse2, 4},
    {"sse2_8", tile_kernels::Encode8Sse2, 8},
#endif
};

INSTANTIATE_TEST_SUITE_P(Paths, KernelTest, ::testing::ValuesIn(kKernels),
                         [](const ::testing::TestParamInfo<KernelCase>& p) { return std::string(p.param.name); });

// The public per-tile entry points read the plane at any tile position,
// including the last column and row, and write only their own tile.
TEST(EncodeTileTest, PlanePositionsAndOffsets) {
  struct Position {
    int x, y;
  };
  const Position positions[] = {{0, 0}, {8, 8}, {kPlaneWidth - 8, 0}, {0, kPlaneHeight - 8}, {kPlaneWidth - 8, kPlaneHeight - 8}};
  std::mt19937 gen(99);
  for (const int depth : {4, 8}) {
    std::uniform_int_distribution<int> colour(0, (1 << depth) - 1);
    const std::size_t tileSize = depth == 4 ? 32 : 64;
    for (const auto& pos : positions) {
      std::uint8_t colours[64];
      for (int p = 0; p < 64; ++p) {
        colours[p] = static_cast<std::uint8_t>(colour(gen));
        PixelPlane[pos.y + p / 8][pos.x + p % 8] = Stored(colours[p], p % 8, depth);
      }
      const std::size_t offset = kTileBufferSize - 2 * tileSize;
      std::memset(TileBuffer + offset - 1, 0x5A, 2 * tileSize + 1);
      if (depth == 4)
        EncodeTile4(pos.x, pos.y, offset);
      else
        EncodeTile8(pos.x, pos.y, offset);
      const auto expected = testing::ReferenceTile(colours, depth);
      EXPECT_EQ(std::vector<std::uint8_t>(TileBuffer + offset, TileBuffer + offset + tileSize), expected)
          << "depth " << depth << " at " << pos.x << "," << pos.y;
      EXPECT_EQ(TileBuffer[offset - 1], 0x5A);
      EXPECT_EQ(TileBuffer[offset + tileSize], 0x5A);
      for (int r = 0; r < 8; ++r) std::memset(&PixelPlane[pos.y + r][pos.x], 0, 8);
      std::memset(TileBuffer + offset - 1, 0, 2 * tileSize + 1);
    }
  }
}

}  // namespace
}  // namespace tilora
