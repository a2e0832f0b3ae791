#pragma once

// Truecolour test pictures made by code, from one sub-palette's worth of
// colours to far more than eight: tile art with shared colour themes,
// sprites on a backdrop, gradients and photo-like noise. For the packing
// tests and benchmarks.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "palettes/packing/tile_pixels.h"

namespace tilora::testing {

struct TruecolourPicture {
  std::string name;
  int width = 0;
  int height = 0;
  std::vector<tilora::Rgb> pixels;  // top row first
  std::optional<tilora::Rgb> colourZero;

  std::vector<packing::TilePixels> Tiles() const;
};

// Tiles drawn from `themes` ramps of 15 colours (two of them shared by all
// ramps); each tile uses fewestColours to mostColours of one ramp, and some
// tiles only the backdrop.
TruecolourPicture ThemedTileArt(int width, int height, int themes, int fewestColours, int mostColours,
                                std::uint32_t seed);

// Shaded balls of `themes` ramps on a backdrop, on the tile grid or anywhere.
TruecolourPicture SpritesOnBackdrop(int width, int height, int themes, bool onTileGrid, std::uint32_t seed);

// Left to right from one colour to another.
TruecolourPicture HorizontalGradient(int width, int height, tilora::Rgb from, tilora::Rgb to);

// Hue across, brightness down: far too many colours for any packing.
TruecolourPicture RainbowGradient(int width, int height);

// A sky: blue deepening downwards, with soft white clouds.
TruecolourPicture SkyWithClouds(int width, int height, std::uint32_t seed);

// Brightness falling off from the centre, in one hue.
TruecolourPicture RadialGradient(int width, int height, double hue);

// Smooth random colour fields, like a photograph.
TruecolourPicture PhotoLikeNoise(int width, int height, std::uint32_t seed);

// Distinct tile colour sets, each a random subset of fewestColours to
// mostColours colours of one of `subPalettes` planted sub-palettes of 15;
// the planted ones are drawn from a pool of poolColours colours, every pool
// colour in at least one, so a pool under 15 per sub-palette makes them share
// colours. `subPalettes` sub-palettes of 16 colours hold every set.
std::vector<std::vector<tilora::Colour15>> PlantedTileSets(int subPalettes, int poolColours, int distinctSets,
                                                            int fewestColours, int mostColours, std::uint32_t seed);

// The benchmark set, easiest first; the last two are 1024 x 1024.
std::vector<TruecolourPicture> BenchmarkPictures();

}  // namespace tilora::testing
