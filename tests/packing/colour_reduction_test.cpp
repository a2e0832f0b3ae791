#include "palettes/reduction/lossy_reduction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "palettes/reduction/tile_palettes.h"
#include "truecolour_pictures.h"

namespace tilora::packing {
namespace {

using testing::TruecolourPicture;

// Within the limits, every opaque pixel indexed into its tile's sub-palette,
// transparent ones 0, sub-palettes numbered by first use, and the reported
// error what the indices give.
void ExpectSoundResult(const std::vector<TilePixels>& tiles, PaletteLimits limits, const TilePalettes& result) {
  ASSERT_FALSE(result.palettes.empty());
  ASSERT_LE(result.palettes.size(), static_cast<std::size_t>(limits.palettes));
  ASSERT_EQ(result.tilePalette.size(), tiles.size());
  ASSERT_EQ(result.pixelIndex.size(), tiles.size());
  for (const auto& palette : result.palettes) {
    EXPECT_LE(palette.size(), static_cast<std::size_t>(limits.colours - 1));
    EXPECT_TRUE(std::is_sorted(palette.begin(), palette.end()));
    EXPECT_EQ(std::adjacent_find(palette.begin(), palette.end()), palette.end());
  }
  int nextNew = 0;
  for (std::size_t t = 0; t < tiles.size(); ++t) {
    const int p = result.tilePalette[t];
    ASSERT_GE(p, 0);
    ASSERT_LT(p, static_cast<int>(result.palettes.size()));
    const bool opaque = tiles[t].transparent != ~std::uint64_t{0};
    if (opaque) {
      ASSERT_LE(p, nextNew) << "tile " << t;
      nextNew += p == nextNew;
    } else {
      EXPECT_EQ(p, 0);
    }
    for (int i = 0; i < kTilePixels; ++i) {
      const int index = result.pixelIndex[t][static_cast<std::size_t>(i)];
      if (tiles[t].IsTransparent(i)) {
        ASSERT_EQ(index, 0);
      } else {
        ASSERT_GE(index, 1);
        ASSERT_LE(index, static_cast<int>(result.palettes[static_cast<std::size_t>(p)].size()));
      }
    }
  }
  TilePalettes remeasured = result;
  MeasureDeltaE(tiles, remeasured);
  EXPECT_DOUBLE_EQ(remeasured.meanDeltaE, result.meanDeltaE);
  EXPECT_DOUBLE_EQ(remeasured.worstDeltaE, result.worstDeltaE);
  EXPECT_LE(result.meanDeltaE, result.worstDeltaE);
}

std::vector<TruecolourPicture> SmallPictures() {
  return {testing::HorizontalGradient(96, 16, {250, 20, 10}, {10, 30, 240}), testing::RainbowGradient(64, 48),
          testing::SkyWithClouds(64, 64, 3), testing::RadialGradient(64, 64, 200.0),
          testing::PhotoLikeNoise(64, 64, 4), testing::ThemedTileArt(64, 64, 10, 3, 15, 5),
          testing::SpritesOnBackdrop(64, 64, 8, false, 6)};
}

TEST(ReduceColours, AlwaysFitsTheLimits) {
  const PaletteLimits limits[] = {{8, 16}, {8, 4}, {1, 256}, {3, 2}, {4, 16}};
  for (const TruecolourPicture& picture : SmallPictures()) {
    const auto tiles = picture.Tiles();
    for (const PaletteLimits l : limits) {
      for (const bool dither : {false, true}) {
        SCOPED_TRACE(picture.name + " " + std::to_string(l.palettes) + "x" + std::to_string(l.colours) +
                     (dither ? " dithered" : ""));
        ExpectSoundResult(tiles, l, ReduceColours(tiles, l, dither));
      }
      ExpectSoundResult(tiles, l, ReduceColoursByMedianCut(tiles, l));
    }
  }
}

TEST(ReduceColours, ShowsGradientsWithLessErrorThanMedianCut) {
  const struct {
    TruecolourPicture picture;
    PaletteLimits limits;
  } cases[] = {
      {testing::HorizontalGradient(128, 16, {250, 20, 10}, {10, 30, 240}), {2, 4}},
      {testing::HorizontalGradient(128, 16, {0, 0, 0}, {255, 255, 255}), {1, 8}},
      {testing::RainbowGradient(128, 64), {8, 16}},
      {testing::SkyWithClouds(128, 64, 7), {8, 4}},
      {testing::RadialGradient(128, 64, 30.0), {4, 8}},
      {testing::PhotoLikeNoise(128, 64, 8), {8, 16}},
  };
  for (const auto& c : cases) {
    const auto tiles = c.picture.Tiles();
    const TilePalettes ours = ReduceColours(tiles, c.limits, false);
    const TilePalettes baseline = ReduceColoursByMedianCut(tiles, c.limits);
    EXPECT_TRUE(ours.reduced);
    EXPECT_GT(ours.meanDeltaE, 0) << c.picture.name;
    EXPECT_LT(ours.meanDeltaE, baseline.meanDeltaE) << c.picture.name;
  }
}

TEST(ReduceColours, LeavesPicturesThatPackUnchanged) {
  const auto tiles = testing::ThemedTileArt(128, 64, 8, 3, 10, 12).Tiles();
  const TilePalettes reduced = ReduceColours(tiles, {8, 16}, true);
  const PackingOutcome packing = PackSubPalettes(TileColourSets(tiles), {8, 16});
  ASSERT_TRUE(packing.Fits());
  const TilePalettes packed = IndexPixels(tiles, packing.packing);
  EXPECT_FALSE(reduced.reduced);
  EXPECT_EQ(reduced.meanDeltaE, 0);
  EXPECT_EQ(reduced.worstDeltaE, 0);
  EXPECT_EQ(reduced.palettes, packed.palettes);
  EXPECT_EQ(reduced.pixelIndex, packed.pixelIndex);
}

TEST(ReduceColours, GivesTheSameResultEveryTime) {
  const auto tiles = testing::PhotoLikeNoise(64, 64, 21).Tiles();
  for (const bool dither : {false, true}) {
    const TilePalettes first = ReduceColours(tiles, {8, 16}, dither);
    const TilePalettes second = ReduceColours(tiles, {8, 16}, dither);
    EXPECT_EQ(first.palettes, second.palettes);
    EXPECT_EQ(first.tilePalette, second.tilePalette);
    EXPECT_EQ(first.pixelIndex, second.pixelIndex);
  }
}

// Averaged over a tile, a dithered gradient keeps its colour better than
// nearest colours do; that is what dithering is for.
TEST(ReduceColours, DitheringKeepsTheTilesMeanColourCloser) {
  const auto tiles = testing::HorizontalGradient(128, 16, {0, 0, 0}, {255, 255, 255}).Tiles();
  const auto meanError = [&](const TilePalettes& r) {
    double sum = 0;
    for (std::size_t t = 0; t < tiles.size(); ++t) {
      std::array<double, 3> wanted{}, shown{};
      for (std::size_t i = 0; i < kTilePixels; ++i) {
        const Rgb w = ShownRgb(Colour15Of(tiles[t].rgb[i]));
        const Rgb s = ShownRgb(r.palettes[static_cast<std::size_t>(r.tilePalette[t])][r.pixelIndex[t][i] - 1u]);
        wanted[0] += w.red, wanted[1] += w.green, wanted[2] += w.blue;
        shown[0] += s.red, shown[1] += s.green, shown[2] += s.blue;
      }
      for (std::size_t c = 0; c < 3; ++c) sum += std::abs(wanted[c] - shown[c]) / kTilePixels;
    }
    return sum / static_cast<double>(tiles.size());
  };
  const double plain = meanError(ReduceColours(tiles, {1, 5}, false));
  const double dithered = meanError(ReduceColours(tiles, {1, 5}, true));
  EXPECT_LT(dithered, plain * 0.5);
}

TEST(ReduceColours, DitheringLeavesExactColoursAlone) {
  // Two flat tiles whose colours are in the sub-palette: nothing to diffuse.
  std::vector<Rgb> pixels(16 * 8, Rgb{248, 0, 0});
  for (int y = 0; y < 8; ++y)
    for (int x = 8; x < 16; ++x) pixels[static_cast<std::size_t>(y * 16 + x)] = {0, 0, 248};
  pixels[0] = {0, 248, 0};
  const auto tiles = CutIntoTiles(pixels, 16, 8, std::nullopt);
  const TilePalettes result = ReduceColours(tiles, {1, 3}, true);
  ASSERT_EQ(result.palettes.size(), 1u);
  EXPECT_EQ(result.palettes[0].size(), 2u);
  const std::uint8_t blue = static_cast<std::uint8_t>(ColourIndexIn(result.palettes[0], Colour15Of({0, 0, 248})));
  ASSERT_GT(blue, 0);
  for (std::size_t i = 0; i < kTilePixels; ++i) EXPECT_EQ(result.pixelIndex[1][i], blue);
}

TEST(ReduceColours, KeepsTransparentPixelsAtZero) {
  const auto tiles = testing::SpritesOnBackdrop(96, 96, 8, false, 2).Tiles();
  for (const bool dither : {false, true}) {
    const TilePalettes result = ReduceColours(tiles, {2, 16}, dither);
    ExpectSoundResult(tiles, {2, 16}, result);
    EXPECT_TRUE(result.reduced);
  }
}

TEST(MakeTilePalettes, PacksReducesOrRefusesAsAsked) {
  const auto tiles = testing::ThemedTileArt(64, 64, 10, 12, 15, 3).Tiles();
  const TilePaletteOutcome refused = MakeTilePalettes(tiles, {{8, 16}, false, false});
  EXPECT_FALSE(refused.made);
  EXPECT_EQ(refused.notice, PackSubPalettes(TileColourSets(tiles), {8, 16}).notice);
  EXPECT_EQ(refused.notice.rfind("No packing into 8 sub-palettes of 16 colours: at least ", 0), 0u) << refused.notice;

  const TilePaletteOutcome reduced = MakeTilePalettes(tiles, {{8, 16}, true, false});
  ASSERT_TRUE(reduced.made);
  EXPECT_TRUE(reduced.result.reduced);
  ExpectSoundResult(tiles, {8, 16}, reduced.result);

  const TilePaletteOutcome packed = MakeTilePalettes(tiles, {{8, 256 / 8}, false, false});
  ASSERT_TRUE(packed.made);
  EXPECT_FALSE(packed.result.reduced);
  ExpectSoundResult(tiles, {8, 32}, packed.result);

  const TilePaletteOutcome badLimits = MakeTilePalettes(tiles, {{9, 16}, true, false});
  EXPECT_FALSE(badLimits.made);
  EXPECT_EQ(badLimits.notice, LimitsNotice({9, 16}));
  EXPECT_THROW(ReduceColours(tiles, {8, 1}, false), std::invalid_argument);
}

}  // namespace
}  // namespace tilora::packing
