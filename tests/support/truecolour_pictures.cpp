#include "truecolour_pictures.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace tilora::testing {


namespace {

constexpr Rgb kBackdrop = {255, 0, 255};

std::uint8_t Channel(double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v * 255.0), 0L, 255L)); }

// Hue in degrees, saturation and value from 0 to 1.
Rgb Hsv(double hue, double saturation, double value) {
  const double h = std::fmod(std::fmod(hue, 360.0) + 360.0, 360.0) / 60.0;
  const double c = value * saturation;
  const double x = c * (1.0 - std::abs(std::fmod(h, 2.0) - 1.0));
  const double m = value - c;
  const int sector = static_cast<int>(h) % 6;
  const double r[] = {c, x, 0, 0, x, c}, g[] = {x, c, c, x, 0, 0}, b[] = {0, 0, x, c, c, x};
  const auto s = static_cast<std::size_t>(sector);
  return {Channel(r[s] + m), Channel(g[s] + m), Channel(b[s] + m)};
}

// 15 colours: an outline and a highlight every ramp shares, and 13 shades
// of the hue from dark to light, all distinct at 15 bits.
std::vector<Rgb> Ramp(double hue) {
  std::vector<Rgb> ramp = {{16, 16, 24}, {248, 248, 240}};
  for (int k = 0; k < 13; ++k) ramp.push_back(Hsv(hue, 0.85 - 0.04 * k, 0.22 + 0.06 * k));
  return ramp;
}

TruecolourPicture Blank(std::string name, int width, int height) {
  TruecolourPicture p;
  p.name = std::move(name);
  p.width = width;
  p.height = height;
  p.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), kBackdrop);
  p.colourZero = kBackdrop;
  return p;
}

Rgb& At(TruecolourPicture& p, int x, int y) {
  return p.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width) + static_cast<std::size_t>(x)];
}

unsigned Below(std::mt19937& random, int n) { return static_cast<unsigned>(random() % static_cast<unsigned>(n)); }

Rgb Mix(Rgb a, Rgb b, double t) {
  return {Channel((a.red + (b.red - a.red) * t) / 255.0), Channel((a.green + (b.green - a.green) * t) / 255.0),
          Channel((a.blue + (b.blue - a.blue) * t) / 255.0)};
}

// Bilinear value noise on a lattice `cell` pixels apart, 0 to 1.
class ValueNoise {
 public:
  ValueNoise(int width, int height, int cell, std::mt19937& random)
      : cell_(cell), across_(width / cell + 2), values_(static_cast<std::size_t>(across_ * (height / cell + 2))) {
    for (double& v : values_) v = Below(random, 1001) / 1000.0;
  }
  double At(int x, int y) const {
    const int cx = x / cell_, cy = y / cell_;
    const double fx = static_cast<double>(x % cell_) / cell_, fy = static_cast<double>(y % cell_) / cell_;
    const double top = Lerp(Value(cx, cy), Value(cx + 1, cy), fx);
    const double bottom = Lerp(Value(cx, cy + 1), Value(cx + 1, cy + 1), fx);
    return Lerp(top, bottom, fy);
  }

 private:
  static double Lerp(double a, double b, double t) { return a + (b - a) * t; }
  double Value(int cx, int cy) const { return values_[static_cast<std::size_t>(cy * across_ + cx)]; }
  int cell_;
  int across_;
  std::vector<double> values_;
};

}  // namespace

std::vector<packing::TilePixels> TruecolourPicture::Tiles() const {
  return packing::CutIntoTiles(pixels, width, height, colourZero);
}

TruecolourPicture ThemedTileArt(int width, int height, int themes, int fewestColours, int mostColours,
                                std::uint32_t seed) {
  TruecolourPicture p = Blank("themed_" + std::to_string(themes) + "x" + std::to_string(fewestColours) + "-" +
                                  std::to_string(mostColours),
                              width, height);
  std::mt19937 random(seed);
  std::vector<std::vector<Rgb>> ramps;
  for (int t = 0; t < themes; ++t) ramps.push_back(Ramp(t * 360.0 / themes + 7.0));
  for (int ty = 0; ty < height / 8; ++ty) {
    for (int tx = 0; tx < width / 8; ++tx) {
      if (Below(random, 5) == 0) continue;  // backdrop only
      std::vector<Rgb> ramp = ramps[Below(random, themes)];
      std::shuffle(ramp.begin(), ramp.end(), random);
      const int used = fewestColours + static_cast<int>(Below(random, mostColours - fewestColours + 1));
      for (int i = 0; i < 64; ++i) {
        // Every chosen colour at least once, then bands of them.
        const int pick = i < used ? i : (i / 8 + static_cast<int>(Below(random, 2))) % used;
        At(p, tx * 8 + i % 8, ty * 8 + i / 8) = ramp[static_cast<std::size_t>(pick)];
      }
    }
  }
  return p;
}

TruecolourPicture SpritesOnBackdrop(int width, int height, int themes, bool onTileGrid, std::uint32_t seed) {
  TruecolourPicture p = Blank(std::string(onTileGrid ? "sprites_grid_" : "sprites_loose_") + std::to_string(themes),
                              width, height);
  std::mt19937 random(seed);
  // On the grid, one sprite in each 32-pixel cell, so no tile mixes two.
  std::vector<int> cells(static_cast<std::size_t>((width / 32) * (height / 32)));
  for (std::size_t c = 0; c < cells.size(); ++c) cells[c] = static_cast<int>(c);
  std::shuffle(cells.begin(), cells.end(), random);
  const int count = onTileGrid ? static_cast<int>(cells.size()) * 2 / 3 : width * height / 900;
  for (int s = 0; s < count; ++s) {
    const std::vector<Rgb> ramp = Ramp(static_cast<int>(Below(random, themes)) * 360.0 / themes + 20.0);
    int x0 = static_cast<int>(Below(random, width - 24)), y0 = static_cast<int>(Below(random, height - 24));
    if (onTileGrid) {
      const int cell = cells[static_cast<std::size_t>(s)];
      x0 = cell % (width / 32) * 32 + 8 * static_cast<int>(Below(random, 2));
      y0 = cell / (width / 32) * 32 + 8 * static_cast<int>(Below(random, 2));
    }
    for (int y = 0; y < 24; ++y) {
      for (int x = 0; x < 24; ++x) {
        const double dx = (x - 11.5) / 12.0, dy = (y - 11.5) / 12.0, d = std::sqrt(dx * dx + dy * dy);
        if (d > 1.0) continue;
        // Outline at the rim, shades lit from the top left, a highlight.
        const double light = std::clamp(1.0 - std::hypot(dx + 0.35, dy + 0.35) / 1.4, 0.0, 1.0);
        const std::size_t shade = d > 0.9 ? 0 : light > 0.93 ? 1 : 2 + static_cast<std::size_t>(light * 12.99);
        At(p, x0 + x, y0 + y) = ramp[shade];
      }
    }
  }
  return p;
}

TruecolourPicture HorizontalGradient(int width, int height, Rgb from, Rgb to) {
  TruecolourPicture p = Blank("gradient", width, height);
  p.colourZero.reset();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) At(p, x, y) = Mix(from, to, static_cast<double>(x) / std::max(1, width - 1));
  return p;
}

TruecolourPicture RainbowGradient(int width, int height) {
  TruecolourPicture p = Blank("rainbow", width, height);
  p.colourZero.reset();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      At(p, x, y) = Hsv(360.0 * x / width, 0.9, 1.0 - 0.8 * y / std::max(1, height - 1));
  return p;
}

TruecolourPicture SkyWithClouds(int width, int height, std::uint32_t seed) {
  TruecolourPicture p = Blank("sky", width, height);
  p.colourZero.reset();
  std::mt19937 random(seed);
  const ValueNoise clouds(width, height, 32, random);
  for (int y = 0; y < height; ++y) {
    const Rgb sky = Mix({150, 200, 255}, {20, 50, 160}, static_cast<double>(y) / height);
    for (int x = 0; x < width; ++x)
      At(p, x, y) = Mix(sky, {250, 250, 255}, std::clamp((clouds.At(x, y) - 0.55) * 3.0, 0.0, 1.0));
  }
  return p;
}

TruecolourPicture RadialGradient(int width, int height, double hue) {
  TruecolourPicture p = Blank("radial", width, height);
  p.colourZero.reset();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double d = std::hypot(x - width / 2.0, y - height / 2.0) / std::hypot(width / 2.0, height / 2.0);
      At(p, x, y) = Hsv(hue + 40.0 * d, 0.3 + 0.6 * d, 1.0 - 0.85 * d);
    }
  return p;
}

TruecolourPicture PhotoLikeNoise(int width, int height, std::uint32_t seed) {
  TruecolourPicture p = Blank("photo", width, height);
  p.colourZero.reset();
  std::mt19937 random(seed);
  const ValueNoise hue(width, height, 64, random), value(width, height, 16, random), grain(width, height, 2, random);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      At(p, x, y) = Hsv(200.0 * hue.At(x, y), 0.6, 0.2 + 0.6 * value.At(x, y) + 0.15 * grain.At(x, y));
  return p;
}

std::vector<std::vector<tilora::Colour15>> PlantedTileSets(int subPalettes, int poolColours, int distinctSets,
                                                            int fewestColours, int mostColours, std::uint32_t seed) {
  constexpr int kPlanted = 15;
  std::mt19937 random(seed);
  // Every pool colour once, then random ones up to 15 a sub-palette, dealt
  // out so that no sub-palette holds a colour twice.
  std::vector<int> slots(static_cast<std::size_t>(poolColours));
  for (int c = 0; c < poolColours; ++c) slots[static_cast<std::size_t>(c)] = c;
  std::shuffle(slots.begin(), slots.end(), random);
  std::vector<std::vector<int>> planted(static_cast<std::size_t>(subPalettes));
  std::size_t next = 0;
  for (int k = 0; k < kPlanted; ++k)
    for (auto& palette : planted) {
      int colour = next < slots.size() ? slots[next++] : static_cast<int>(Below(random, poolColours));
      while (std::find(palette.begin(), palette.end(), colour) != palette.end())
        colour = static_cast<int>(Below(random, poolColours));
      palette.push_back(colour);
    }
  // Pool colour c is the 15-bit colour 1 + 37 c, away from colour 0.
  std::vector<std::vector<tilora::Colour15>> sets, sorted;
  while (static_cast<int>(sets.size()) < distinctSets) {
    // The first set of each planted sub-palette is of the most colours.
    const bool first = static_cast<int>(sets.size()) < subPalettes;
    std::vector<int> palette = planted[first ? sets.size() : Below(random, subPalettes)];
    std::shuffle(palette.begin(), palette.end(), random);
    const int colours = first ? mostColours : fewestColours + static_cast<int>(Below(random, mostColours - fewestColours + 1));
    palette.resize(static_cast<std::size_t>(colours));
    std::vector<tilora::Colour15> set;
    for (int c : palette) set.push_back(static_cast<tilora::Colour15>(1 + 37 * c));
    std::sort(set.begin(), set.end());
    const auto at = std::lower_bound(sorted.begin(), sorted.end(), set);
    if (at != sorted.end() && *at == set) continue;
    sorted.insert(at, set);
    sets.push_back(std::move(set));
  }
  return sets;
}

std::vector<TruecolourPicture> BenchmarkPictures() {
  std::vector<TruecolourPicture> set;
  const auto add = [&](TruecolourPicture p, std::string name) {
    p.name = std::move(name);
    set.push_back(std::move(p));
  };
  add(ThemedTileArt(256, 224, 1, 15, 15, 101), "one_ramp");
  add(ThemedTileArt(256, 224, 2, 4, 12, 102), "two_ramps");
  add(HorizontalGradient(256, 224, {0, 0, 0}, {255, 255, 255}), "grey_ramp");
  add(SpritesOnBackdrop(256, 224, 3, true, 4), "sprites_3_on_grid");
  add(ThemedTileArt(256, 224, 4, 3, 15, 103), "four_ramps");
  add(SpritesOnBackdrop(256, 224, 4, false, 5), "sprites_4_loose");
  add(ThemedTileArt(256, 224, 6, 5, 10, 104), "six_ramps");
  add(ThemedTileArt(256, 224, 8, 12, 15, 105), "eight_ramps_full");
  add(ThemedTileArt(256, 224, 8, 3, 7, 106), "eight_ramps_parts");
  add(ThemedTileArt(256, 224, 8, 2, 5, 107), "eight_ramps_small_parts");
  add(SpritesOnBackdrop(256, 224, 8, true, 6), "sprites_8_on_grid");
  add(HorizontalGradient(256, 224, {200, 30, 20}, {20, 40, 220}), "red_to_blue");
  add(SpritesOnBackdrop(256, 224, 8, false, 7), "sprites_8_loose");
  add(ThemedTileArt(256, 224, 9, 12, 15, 108), "nine_ramps");
  add(ThemedTileArt(256, 224, 12, 3, 8, 109), "twelve_ramps_parts");
  add(SkyWithClouds(256, 224, 8), "sky");
  add(RadialGradient(256, 224, 20.0), "radial");
  add(RainbowGradient(256, 224), "rainbow");
  add(PhotoLikeNoise(256, 224, 9), "photo");
  add(ThemedTileArt(1024, 1024, 8, 3, 10, 110), "eight_ramps_1024");
  add(PhotoLikeNoise(1024, 1024, 10), "photo_1024");
  return set;
}

}  // namespace tilora::testing
