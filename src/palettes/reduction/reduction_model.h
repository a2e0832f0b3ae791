#pragma once

// The picture as the colour reduction sees it: distinct 15-bit colours and
// how many pixels of each every tile has. Internal to the colour reduction.

#include <span>
#include <vector>

#include "palettes/reduction/colour_clustering.h"
#include "palettes/reduction/colour_difference.h"
#include "palettes/packing/tile_pixels.h"

namespace tilora::packing::detail {

struct ColourCount {
  int colour = 0;  // index into PictureColours::colours
  int pixels = 0;
};

struct PictureColours {
  std::vector<Colour15> colours;               // distinct opaque colours, ascending
  std::vector<std::vector<ColourCount>> tiles;  // per tile, ascending by colour

  int Count() const { return static_cast<int>(colours.size()); }
  const Lab& LabOfColour(int colour) const { return LabOf15(colours[static_cast<std::size_t>(colour)]); }
};

PictureColours CountColours(std::span<const TilePixels> tiles);

using Palettes = std::vector<std::vector<Colour15>>;

// For every colour and sub-palette, the entry nearest by CIEDE2000, looked
// for among the few nearest in plain Lab distance.
class NearestEntries {
 public:
  NearestEntries(const PictureColours& picture, const Palettes& palettes);
  int Entry(int colour, int palette) const { return entry_[Slot(colour, palette)]; }
  double Error(int colour, int palette) const { return error_[Slot(colour, palette)]; }

 private:
  std::size_t Slot(int colour, int palette) const {
    return static_cast<std::size_t>(colour) * static_cast<std::size_t>(palettes_) + static_cast<std::size_t>(palette);
  }
  int palettes_;
  std::vector<int> entry_;
  std::vector<double> error_;
};

// Sum over a tile's pixels of their error in a sub-palette.
double TileError(const PictureColours& picture, const NearestEntries& nearest, int tile, int palette);

// Tiles with colours split into at most `groups` groups by median cut of
// their mean colour (in Lab, or in RGB); tiles without colours get 0.
std::vector<int> GroupTilesByMeanColour(const PictureColours& picture, int groups, bool inLab);

// Each group's pixels' colours with their counts.
std::vector<std::vector<ColourCount>> GroupHistograms(const PictureColours& picture, const std::vector<int>& groupOf,
                                                      int groups);

// At most `count` distinct colours for a histogram: its own colours when
// they are few enough, otherwise k-means in Lab from a median cut.
std::vector<Colour15> QuantiseInLab(const PictureColours& picture, const std::vector<ColourCount>& histogram,
                                    int count);

}  // namespace tilora::packing::detail
