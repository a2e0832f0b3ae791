#pragma once

// The sets sub-palette packing works on, and the quick constructive packers.
// Internal to the packing code.

#include <cstdint>
#include <span>
#include <vector>

#include "picture/colour.h"

namespace tilora::packing::detail {

// Colour sets over dense colour ids 0..colourCount-1, each ascending and
// non-empty; a bin holds at most capacity distinct colours.
struct PackingItems {
  int colourCount = 0;
  int capacity = 0;
  std::vector<std::vector<int>> sets;

  int Count() const { return static_cast<int>(sets.size()); }
  int SizeOf(int item) const { return static_cast<int>(sets[static_cast<std::size_t>(item)].size()); }
};

// Per item, its bin; bins are numbered from 0 without gaps.
using Assignment = std::vector<int>;

int BinCount(const Assignment& assignment);
// Whether every bin's union fits its capacity.
bool AssignmentFits(const PackingItems& items, const Assignment& assignment);

// The tiles' distinct non-empty sets, in order of the first tile holding each.
struct TileSetFamily {
  std::vector<Colour15> colours;  // dense id -> colour, ascending
  PackingItems distinct;
  std::vector<int> setOfTile;  // per tile: index into distinct.sets, -1 without colours
};

// Throws std::invalid_argument for a value above 0x7FFF.
TileSetFamily DistinctTileSets(std::span<const std::vector<Colour15>> tileSets, int capacity);

// The sets no other set contains, and where every set went.
struct MaximalSets {
  PackingItems items;       // in order of the first tile, like the distinct sets
  std::vector<int> holder;  // per distinct set: the maximal item containing it
  std::vector<int> source;  // per item: the distinct set it is
};

MaximalSets KeepMaximalSets(const PackingItems& distinct);

// Items by decreasing size, ties in item order.
std::vector<int> DecreasingOrder(const PackingItems& items);

Assignment FirstFitDecreasing(const PackingItems& items);
// Each item, largest first, into the bin it adds fewest colours to.
Assignment BestFitByOverlap(const PackingItems& items);
// One bin at a time, each time adding the item that adds fewest colours;
// empty when there are too many items for its quadratic cost.
Assignment FillBinsByOverlap(const PackingItems& items);

// Bins renumbered by their lowest item, so equal packings compare equal.
Assignment Normalised(const Assignment& assignment);

}  // namespace tilora::packing::detail
