#pragma once

// Tabu search that packs items into fewer bins than a packing it starts
// from. Internal to the packing code.

#include <cstdint>

#include "palettes/packing/packing_sets.h"

namespace tilora::packing::detail {

// The most bins the search works with: its tables grow with bins times
// items and bins times colours, and beyond twice the most sub-palettes there
// can be a packing would not fit anyway.
inline constexpr int kMaxSearchBins = 16;

// Tries one bin fewer than start uses at a time (from kMaxSearchBins at the
// most) down to lowerBound, each from the last packing found. Work is a count of colour visits, spent as it goes,
// so the result does not depend on the machine's speed. Returns the best
// packing found, start when none.
Assignment ReduceBinsByLocalSearch(const PackingItems& items, const Assignment& start, int lowerBound,
                                   std::int64_t& work);

}  // namespace tilora::packing::detail
