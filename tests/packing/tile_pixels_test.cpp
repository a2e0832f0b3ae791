#include "palettes/packing/tile_pixels.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace tilora::packing {
namespace {

std::vector<Rgb> Numbered(int width, int height) {
  std::vector<Rgb> pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      pixels.push_back({static_cast<std::uint8_t>(x * 8), static_cast<std::uint8_t>(y * 8), 80});
  return pixels;
}

TEST(CutIntoTiles, TakesTilesRowByRowAndPadsWithTransparentPixels) {
  const auto tiles = CutIntoTiles(Numbered(12, 9), 12, 9, std::nullopt);
  ASSERT_EQ(tiles.size(), 4u);
  EXPECT_EQ(tiles[0].transparent, 0u);
  EXPECT_EQ(tiles[1].rgb[0], (Rgb{64, 0, 80}));
  EXPECT_EQ(tiles[2].rgb[3], (Rgb{24, 64, 80}));
  // Tile 1: columns 8-11 of rows 0-7; tile 3: columns 8-11 of row 8 only.
  for (int i = 0; i < kTilePixels; ++i) {
    EXPECT_EQ(tiles[1].IsTransparent(i), i % 8 >= 4) << i;
    EXPECT_EQ(tiles[3].IsTransparent(i), i % 8 >= 4 || i >= 8) << i;
  }
  EXPECT_TRUE(CutIntoTiles({}, 0, 0, std::nullopt).empty());
}

TEST(CutIntoTiles, ColourZeroMatchesAtFifteenBits) {
  std::vector<Rgb> pixels(64, Rgb{255, 0, 255});
  pixels[1] = {250, 4, 251};  // the same 15-bit colour
  pixels[2] = {247, 0, 255};  // red one step lower
  const auto tiles = CutIntoTiles(pixels, 8, 8, Rgb{255, 0, 255});
  EXPECT_TRUE(tiles[0].IsTransparent(0));
  EXPECT_TRUE(tiles[0].IsTransparent(1));
  EXPECT_FALSE(tiles[0].IsTransparent(2));
  EXPECT_EQ(TileColourSets(tiles), (std::vector<std::vector<Colour15>>{{Colour15Of({247, 0, 255})}}));
}

TEST(CutIntoTiles, RefusesPixelsThatDoNotMatchTheSize) {
  EXPECT_THROW(CutIntoTiles(Numbered(8, 8), 8, 7, std::nullopt), std::invalid_argument);
  EXPECT_THROW(CutIntoTiles({}, -8, 0, std::nullopt), std::invalid_argument);
}

TEST(TileColourSets, GivesDistinctFifteenBitColoursAscending) {
  TilePixels tile;
  tile.rgb.fill({255, 255, 255});
  tile.rgb[5] = {0, 0, 8};
  tile.rgb[6] = {3, 3, 12};  // 15-bit equal to pixel 5
  tile.rgb[7] = {8, 0, 0};
  tile.rgb[8] = {16, 16, 16};
  tile.transparent = 1u << 8;
  EXPECT_EQ(TileColourSets(std::vector<TilePixels>{tile}),
            (std::vector<std::vector<Colour15>>{{0x0001, 0x0400, 0x7FFF}}));
}

}  // namespace
}  // namespace tilora::packing
