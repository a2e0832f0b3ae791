#include "palettes/reduction/reduction_model.h"

#include <algorithm>
#include <limits>

namespace tilora::packing::detail {
namespace {

std::size_t At(int i) { return static_cast<std::size_t>(i); }

// How many entries, nearest in plain Lab distance, CIEDE2000 chooses from.
constexpr std::size_t kCandidates = 2;
constexpr int kKMeansRounds = 12;

std::array<double, 3> Point(const Lab& lab) { return {lab.l, lab.a, lab.b}; }

std::array<double, 3> RgbPoint(Colour15 c) {
  const Rgb rgb = ShownRgb(c);
  return {static_cast<double>(rgb.red), static_cast<double>(rgb.green), static_cast<double>(rgb.blue)};
}

}  // namespace

PictureColours CountColours(std::span<const TilePixels> tiles) {
  std::vector<int> idOf(kColour15Count, -1);
  for (const TilePixels& tile : tiles)
    for (int i = 0; i < kTilePixels; ++i)
      if (!tile.IsTransparent(i)) idOf[Colour15Of(tile.rgb[At(i)])] = 0;
  PictureColours picture;
  for (int c = 0; c < kColour15Count; ++c) {
    if (idOf[At(c)] < 0) continue;
    idOf[At(c)] = picture.Count();
    picture.colours.push_back(static_cast<Colour15>(c));
  }
  picture.tiles.reserve(tiles.size());
  std::array<int, kTilePixels> ids{};
  for (const TilePixels& tile : tiles) {
    int n = 0;
    for (int i = 0; i < kTilePixels; ++i)
      if (!tile.IsTransparent(i)) ids[At(n++)] = idOf[Colour15Of(tile.rgb[At(i)])];
    std::sort(ids.begin(), ids.begin() + n);
    std::vector<ColourCount> counts;
    for (int i = 0; i < n; ++i) {
      if (counts.empty() || counts.back().colour != ids[At(i)]) counts.push_back({ids[At(i)], 0});
      ++counts.back().pixels;
    }
    picture.tiles.push_back(std::move(counts));
  }
  return picture;
}

NearestEntries::NearestEntries(const PictureColours& picture, const Palettes& palettes)
    : palettes_(static_cast<int>(palettes.size())),
      entry_(At(picture.Count()) * palettes.size(), 0),
      error_(At(picture.Count()) * palettes.size(), 0) {
  std::vector<std::pair<double, int>> byDistance;
  for (int p = 0; p < palettes_; ++p) {
    const std::vector<Colour15>& palette = palettes[At(p)];
    for (int c = 0; c < picture.Count(); ++c) {
      const Lab& lab = picture.LabOfColour(c);
      byDistance.clear();
      for (std::size_t k = 0; k < palette.size(); ++k)
        byDistance.emplace_back(LabDistanceSquared(lab, LabOf15(palette[k])), static_cast<int>(k));
      const std::size_t candidates = std::min(kCandidates, byDistance.size());
      std::partial_sort(byDistance.begin(), byDistance.begin() + static_cast<std::ptrdiff_t>(candidates),
                        byDistance.end());
      double best = std::numeric_limits<double>::max();
      for (std::size_t k = 0; k < candidates; ++k) {
        const int entry = byDistance[k].second;
        const double error = byDistance[k].first == 0 ? 0 : DeltaE2000(lab, LabOf15(palette[At(entry)]));
        if (error < best) best = error, entry_[Slot(c, p)] = entry;
      }
      error_[Slot(c, p)] = palette.empty() ? std::numeric_limits<double>::max() / kTilePixels : best;
    }
  }
}

double TileError(const PictureColours& picture, const NearestEntries& nearest, int tile, int palette) {
  double sum = 0;
  for (const ColourCount& count : picture.tiles[At(tile)]) sum += count.pixels * nearest.Error(count.colour, palette);
  return sum;
}

std::vector<int> GroupTilesByMeanColour(const PictureColours& picture, int groups, bool inLab) {
  std::vector<WeightedPoint> means;
  std::vector<int> tileOfPoint;
  for (std::size_t t = 0; t < picture.tiles.size(); ++t) {
    WeightedPoint point;
    for (const ColourCount& count : picture.tiles[t]) {
      const auto at = inLab ? Point(picture.LabOfColour(count.colour)) : RgbPoint(picture.colours[At(count.colour)]);
      for (std::size_t c = 0; c < 3; ++c) point.at[c] += count.pixels * at[c];
      point.weight += count.pixels;
    }
    if (point.weight == 0) continue;
    for (double& v : point.at) v /= point.weight;
    means.push_back(point);
    tileOfPoint.push_back(static_cast<int>(t));
  }
  const std::vector<int> boxOf = MedianCut(means, groups);
  std::vector<int> groupOf(picture.tiles.size(), 0);
  for (std::size_t i = 0; i < boxOf.size(); ++i) groupOf[At(tileOfPoint[i])] = boxOf[i];
  return groupOf;
}

std::vector<std::vector<ColourCount>> GroupHistograms(const PictureColours& picture, const std::vector<int>& groupOf,
                                                      int groups) {
  std::vector<std::vector<int>> pixels(At(groups), std::vector<int>(At(picture.Count()), 0));
  for (std::size_t t = 0; t < picture.tiles.size(); ++t)
    for (const ColourCount& count : picture.tiles[t]) pixels[At(groupOf[t])][At(count.colour)] += count.pixels;
  std::vector<std::vector<ColourCount>> histograms(At(groups));
  for (int g = 0; g < groups; ++g)
    for (int c = 0; c < picture.Count(); ++c)
      if (pixels[At(g)][At(c)] > 0) histograms[At(g)].push_back({c, pixels[At(g)][At(c)]});
  return histograms;
}

std::vector<Colour15> QuantiseInLab(const PictureColours& picture, const std::vector<ColourCount>& histogram,
                                    int count) {
  std::vector<Colour15> palette;
  if (static_cast<int>(histogram.size()) <= count) {
    for (const ColourCount& c : histogram) palette.push_back(picture.colours[At(c.colour)]);
    return palette;
  }
  std::vector<WeightedPoint> points;
  points.reserve(histogram.size());
  for (const ColourCount& c : histogram)
    points.push_back({Point(picture.LabOfColour(c.colour)), static_cast<double>(c.pixels)});
  const auto centres = KMeans(points, BoxMeans(points, MedianCut(points, count)), kKMeansRounds);
  for (const auto& centre : centres) palette.push_back(Colour15Near({centre[0], centre[1], centre[2]}));
  std::sort(palette.begin(), palette.end());
  palette.erase(std::unique(palette.begin(), palette.end()), palette.end());
  return palette;
}

}  // namespace tilora::packing::detail
