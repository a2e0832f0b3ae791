#pragma once

// Bins for the constructive packers, fast for pictures with hundreds of
// thousands of distinct tile sets. Internal to the packing code.

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "palettes/packing/packing_sets.h"

namespace tilora::packing::detail {

class OverlapBins {
 public:
  explicit OverlapBins(const PackingItems& items);

  int Count() const { return static_cast<int>(colours_.size()); }
  int RoomOf(int bin) const;

  // The bins sharing colours with item, in no order, each with how many.
  // Empty once the work limit is spent: pictures with hundreds of thousands
  // of tiles of scattered colours could otherwise take minutes, and their
  // colours are far beyond any packing anyway.
  const std::vector<std::pair<int, int>>& Sharing(int item);
  // The lowest bin with at least `room` free, or Count().
  int FirstWithRoom(int room) const;
  // The bin with the least free room of at least `room` (the lowest of
  // equals), or Count().
  int TightestWithRoom(int room) const;

  // bin == Count() opens a new bin.
  void Put(int item, int bin);

 private:
  void SetRoom(int bin, int room);

  const PackingItems* items_;
  std::vector<std::vector<int>> binsOfColour_;
  std::vector<std::vector<int>> colours_;  // per bin, ascending
  std::vector<int> mark_;                  // per bin, scratch for Sharing
  std::vector<std::pair<int, int>> sharing_;
  // Largest free room over ranges of bins, as a segment tree over every bin
  // there could be (one per item); bins not open have room -1.
  int leaves_ = 1;
  std::vector<int> maxRoom_;
  std::set<std::pair<int, int>> byRoom_;  // (free room, bin)
  std::int64_t visitsLeft_;
};

}  // namespace tilora::packing::detail
