#pragma once

// Lower bounds on the bins a packing needs. Internal to the packing code.

#include <cstdint>

#include "palettes/packing/packing_sets.h"

namespace tilora::packing::detail {

struct BinsBound {
  int bins = 0;        // no packing needs fewer: the larger of the two below
  int colours = 0;
  int byColours = 0;   // colours over the capacity, rounded up
  int apartItems = 0;  // items of which no two fit one bin together
};

// The apart items are found greedily, largest first, until about `work`
// colour visits are spent (some 10 ms for the default), so that tens of
// thousands of scattered sets cost no more than a few hundred.
BinsBound LowerBoundOf(const PackingItems& items, std::int64_t work = 5'000'000);

inline int PackingLowerBound(const PackingItems& items) { return LowerBoundOf(items).bins; }

}  // namespace tilora::packing::detail
