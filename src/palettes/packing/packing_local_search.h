#pragma once

// Local search that packs items into fewer bins than a packing it starts
// from. Internal to the packing code.

#include <cstdint>

#include "palettes/packing/packing_sets.h"

namespace tilora::packing::detail {

// Tries one bin fewer than start uses at a time, down to lowerBound. Work is
// a count of colour visits, spent as it goes, so the result does not depend
// on the machine's speed. Returns the best packing found, start when none.
Assignment ReduceBinsByLocalSearch(const PackingItems& items, const Assignment& start, int lowerBound,
                                   std::int64_t& work);

}  // namespace tilora::packing::detail
