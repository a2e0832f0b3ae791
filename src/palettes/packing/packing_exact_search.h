#pragma once

// Branch and bound for the fewest bins, for small packings. Internal to the
// packing code.

#include <cstdint>

#include "palettes/packing/packing_sets.h"

namespace tilora::packing::detail {

struct ExactResult {
  Assignment assignment;  // best found: fewer bins than the start, or the start
  bool proven = false;    // no packing needs fewer bins
};

// Searches for a packing with fewer bins than start, visiting at most
// nodeBudget nodes of the search tree.
ExactResult SearchFewestBins(const PackingItems& items, const Assignment& start, int lowerBound,
                             std::int64_t nodeBudget);

}  // namespace tilora::packing::detail
