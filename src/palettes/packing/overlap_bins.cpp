#include "palettes/packing/overlap_bins.h"

#include <algorithm>

namespace tilora::packing::detail {
namespace {

std::size_t At(int i) { return static_cast<std::size_t>(i); }

// Bin visits of Sharing per packing: some 0.2 s here.
constexpr std::int64_t kMostVisits = 50'000'000;

}  // namespace

OverlapBins::OverlapBins(const PackingItems& items)
    : items_(&items), binsOfColour_(At(items.colourCount)), visitsLeft_(kMostVisits) {
  while (leaves_ < items.Count()) leaves_ *= 2;
  maxRoom_.assign(2 * At(leaves_), -1);
}

int OverlapBins::RoomOf(int bin) const { return maxRoom_[At(leaves_ + bin)]; }

const std::vector<std::pair<int, int>>& OverlapBins::Sharing(int item) {
  sharing_.clear();
  if (visitsLeft_ <= 0) return sharing_;
  for (int c : items_->sets[At(item)]) {
    visitsLeft_ -= static_cast<std::int64_t>(binsOfColour_[At(c)].size());
    for (int bin : binsOfColour_[At(c)]) {
      if (mark_[At(bin)]++ == 0) sharing_.emplace_back(bin, 0);
    }
  }
  for (auto& [bin, shared] : sharing_) {
    shared = mark_[At(bin)];
    mark_[At(bin)] = 0;
  }
  return sharing_;
}

int OverlapBins::FirstWithRoom(int room) const {
  if (maxRoom_[1] < room) return Count();
  std::size_t node = 1;
  while (node < At(leaves_)) node = maxRoom_[2 * node] >= room ? 2 * node : 2 * node + 1;
  return static_cast<int>(node) - leaves_;
}

int OverlapBins::TightestWithRoom(int room) const {
  const auto it = byRoom_.lower_bound({room, -1});
  return it == byRoom_.end() ? Count() : it->second;
}

void OverlapBins::Put(int item, int bin) {
  if (bin == Count()) {
    colours_.emplace_back();
    mark_.push_back(0);
    byRoom_.emplace(items_->capacity, bin);
  }
  std::vector<int>& colours = colours_[At(bin)];
  for (int c : items_->sets[At(item)]) {
    const auto it = std::lower_bound(colours.begin(), colours.end(), c);
    if (it != colours.end() && *it == c) continue;
    colours.insert(it, c);
    binsOfColour_[At(c)].push_back(bin);
  }
  byRoom_.erase({RoomOf(bin) < 0 ? items_->capacity : RoomOf(bin), bin});
  SetRoom(bin, items_->capacity - static_cast<int>(colours.size()));
  byRoom_.emplace(RoomOf(bin), bin);
}

void OverlapBins::SetRoom(int bin, int room) {
  std::size_t node = At(leaves_ + bin);
  maxRoom_[node] = room;
  for (node /= 2; node >= 1; node /= 2) maxRoom_[node] = std::max(maxRoom_[2 * node], maxRoom_[2 * node + 1]);
}

}  // namespace tilora::packing::detail
