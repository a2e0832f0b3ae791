#include "palettes/reduction/palette_polish.h"

#include <algorithm>

namespace tilora::packing::detail {
namespace {

std::size_t At(int i) { return static_cast<std::size_t>(i); }

constexpr int kMostSteps = 8;

// The same colour one 5-bit level up or down in one channel, or itself at
// the ends of the range.
Colour15 Neighbour(Colour15 c, int move) {
  const int shift = 5 * (move / 2);
  const int level = c >> shift & 31;
  const int next = move % 2 == 0 ? level + 1 : level - 1;
  if (next < 0 || next > 31) return c;
  return static_cast<Colour15>((c & ~(31 << shift)) | next << shift);
}

double ServedError(const PictureColours& picture, const std::vector<ColourCount>& served, Colour15 entry) {
  const Lab& lab = LabOf15(entry);
  double sum = 0;
  for (const ColourCount& c : served) sum += c.pixels * DeltaE2000(picture.LabOfColour(c.colour), lab);
  return sum;
}

}  // namespace

void PolishForDeltaE2000(const PictureColours& picture, const std::vector<int>& paletteOf, Palettes& palettes) {
  const int groups = static_cast<int>(palettes.size());
  const NearestEntries nearest(picture, palettes);
  const auto histograms = GroupHistograms(picture, paletteOf, groups);
  for (int p = 0; p < groups; ++p) {
    std::vector<Colour15>& palette = palettes[At(p)];
    std::vector<std::vector<ColourCount>> served(palette.size());
    for (const ColourCount& c : histograms[At(p)]) served[At(nearest.Entry(c.colour, p))].push_back(c);
    for (std::size_t k = 0; k < palette.size(); ++k) {
      if (served[k].empty()) continue;
      double error = ServedError(picture, served[k], palette[k]);
      for (int step = 0; step < kMostSteps && error > 0; ++step) {
        Colour15 best = palette[k];
        double bestError = error;
        for (int move = 0; move < 6; ++move) {
          const Colour15 candidate = Neighbour(palette[k], move);
          if (std::find(palette.begin(), palette.end(), candidate) != palette.end()) continue;
          const double candidateError = ServedError(picture, served[k], candidate);
          if (candidateError < bestError) best = candidate, bestError = candidateError;
        }
        if (best == palette[k]) break;
        palette[k] = best;
        error = bestError;
      }
    }
    std::sort(palette.begin(), palette.end());
  }
}

}  // namespace tilora::packing::detail
