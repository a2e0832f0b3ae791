#include "palettes/packing/packing_bounds.h"

#include <algorithm>

namespace tilora::packing::detail {
namespace {

std::size_t At(int i) { return static_cast<std::size_t>(i); }

int UnionSize(const std::vector<int>& a, const std::vector<int>& b) {
  std::size_t i = 0, j = 0;
  int shared = 0;
  while (i < a.size() && j < b.size()) {
    if (a[i] < b[j]) ++i;
    else if (b[j] < a[i]) ++j;
    else ++shared, ++i, ++j;
  }
  return static_cast<int>(a.size() + b.size()) - shared;
}

}  // namespace

BinsBound LowerBoundOf(const PackingItems& items, std::int64_t work) {
  BinsBound bound;
  if (items.sets.empty()) return bound;
  bound.colours = items.colourCount;
  bound.byColours = (items.colourCount + items.capacity - 1) / items.capacity;
  std::vector<int> apart;
  for (int item : DecreasingOrder(items)) {
    if (work <= 0) break;
    bool fitsWithNone = true;
    for (int other : apart) {
      work -= items.SizeOf(item) + items.SizeOf(other);
      if (UnionSize(items.sets[At(item)], items.sets[At(other)]) <= items.capacity) {
        fitsWithNone = false;
        break;
      }
    }
    if (fitsWithNone) apart.push_back(item);
  }
  bound.apartItems = static_cast<int>(apart.size());
  bound.bins = std::max(bound.byColours, bound.apartItems);
  return bound;
}

}  // namespace tilora::packing::detail
