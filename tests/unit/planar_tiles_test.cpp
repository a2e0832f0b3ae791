#include "snes/encoders/planar_tiles.h"

#include <gtest/gtest.h>

#include <random>

#include "snes/cells/tile_kernels.h"
#include "reference_encoder.h"

namespace tilora {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Tile(const std::uint8_t (&pixels)[64], int bpp) {
  Bytes out(PlanarTileSize(bpp));
  EncodePlanarTile(pixels, 8, bpp, out.data());
  return out;
}

TEST(PlanarTile, RowOfIndices0To7) {
  std::uint8_t pixels[64] = {};
  for (int k = 0; k < 8; ++k) pixels[3 * 8 + k] = static_cast<std::uint8_t>(k);
  const Bytes tile = Tile(pixels, 4);
  EXPECT_EQ(tile[6], 0x55);
  EXPECT_EQ(tile[7], 0x33);
  EXPECT_EQ(tile[16 + 6], 0x0F);
  EXPECT_EQ(tile[16 + 7], 0x00);
  for (std::size_t i = 0; i < tile.size(); ++i) {
    if (i != 6 && i != 7 && i != 22) {
      EXPECT_EQ(tile[i], 0) << i;
    }
  }
}

TEST(PlanarTile, EachPlaneLandsInItsByte) {
  // Colour 1 << n in the leftmost pixel of row i lands only in plane n's byte.
  for (int n = 0; n < 8; ++n)
    for (int i = 0; i < 8; ++i) {
      std::uint8_t pixels[64] = {};
      pixels[8 * i] = static_cast<std::uint8_t>(1 << n);
      const Bytes tile = Tile(pixels, 8);
      const auto at = static_cast<std::size_t>(16 * (n / 2) + 2 * i + n % 2);
      for (std::size_t b = 0; b < 64; ++b) ASSERT_EQ(tile[b], b == at ? 0x80 : 0) << n << " " << i << " " << b;
    }
}

// Bits above the depth are not the tile's: a 2-bit tile of colour 0xFF is
// planes 0 and 1 only.
TEST(PlanarTile, ShallowTilesKeepTheirPlanesOnly) {
  std::uint8_t pixels[64];
  std::fill(std::begin(pixels), std::end(pixels), std::uint8_t{0xFF});
  EXPECT_EQ(Tile(pixels, 2), Bytes(16, 0xFF));
  EXPECT_EQ(Tile(pixels, 4), Bytes(32, 0xFF));
}

// Every kernel and every depth against the naive reference.
TEST(PlanarTile, KernelsMatchReferenceOnRandomTiles) {
  using Kernel = void (*)(const std::uint8_t*, std::size_t, std::uint8_t*);
  std::vector<Kernel> kernels = {tile_kernels::Encode8Portable};
#if TILORA_TILE_SSE2
  kernels.push_back(tile_kernels::Encode8Sse2);
#endif
  std::mt19937 gen(1234);
  constexpr std::size_t kStride = 24;  // rows further apart than a tile is wide
  for (int t = 0; t < 20000; ++t) {
    std::uint8_t colours[64];
    Bytes pixels(8 * kStride, 0xEE);
    for (int p = 0; p < 64; ++p) {
      colours[p] = static_cast<std::uint8_t>(gen() >> (t % 3 == 0 ? 30 : 24));
      pixels[static_cast<std::size_t>(p / 8) * kStride + static_cast<std::size_t>(p % 8)] = colours[p];
    }
    const Bytes expected = testing::ReferenceTile(colours, 8);
    for (const Kernel kernel : kernels) {
      Bytes out(64);
      kernel(pixels.data(), kStride, out.data());
      ASSERT_EQ(out, expected) << "tile " << t;
    }
    for (const int bpp : {2, 4}) {
      std::uint8_t masked[64];
      for (int p = 0; p < 64; ++p) masked[p] = static_cast<std::uint8_t>(colours[p] & ((1 << bpp) - 1));
      Bytes out(PlanarTileSize(bpp));
      EncodePlanarTile(pixels.data(), kStride, bpp, out.data());
      ASSERT_EQ(out, testing::ReferenceTile(masked, bpp)) << "tile " << t << " at " << bpp;
    }
  }
}

TEST(PlanarTiles, RowMajorWithColourZeroPadding) {
  // 9 x 9 pixels of colour 1 + tile number: four tiles, three of them mostly padding.
  Picture p;
  p.width = 9;
  p.height = 9;
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x) p.indices.push_back(static_cast<std::uint8_t>(1 + x / 8 + 2 * (y / 8)));
  const Bytes tiles = EncodePlanarTiles(p, 4);
  ASSERT_EQ(tiles.size(), 4u * 32);
  for (int t = 0; t < 4; ++t) {
    std::uint8_t pixels[64] = {};
    for (int i = 0; i < 64; ++i) {
      const int x = 8 * (t % 2) + i % 8, y = 8 * (t / 2) + i / 8;
      if (x < 9 && y < 9) pixels[i] = static_cast<std::uint8_t>(1 + t);
    }
    EXPECT_EQ(Bytes(tiles.begin() + 32 * t, tiles.begin() + 32 * t + 32), testing::ReferenceTile(pixels, 4)) << t;
  }
}

}  // namespace
}  // namespace tilora
