#include "palettes/packing/packing_local_search.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace tilora::packing::detail {
namespace {

std::size_t At(int i) { return static_cast<std::size_t>(i); }

// Bins Dissolve tries to empty when it drops one, those with fewest items
// first.
constexpr int kDissolveTries = 6;
// Steps an item may not go back to a bin it left: a few, a random few
// more, and more while much overflows, so the search does not circle.
constexpr int kTenure = 5;
constexpr int kTenureSpread = 15;

// Small, fast and the same everywhere, unlike the standard distributions.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed | 1u) {}
  std::uint64_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return state_;
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }

 private:
  std::uint64_t state_;
};

// Items spread over a fixed number of bins that may hold more colours than
// the capacity; the search drives the total excess (overflow) to zero.
class OverflowBins {
 public:
  OverflowBins(const PackingItems& items, int bins)
      : items_(&items), bins_(bins), count_(At(bins) * At(items.colourCount), 0), size_(At(bins), 0),
        members_(At(bins)), slot_(items.sets.size(), 0), assignment_(items.sets.size(), -1) {}

  int Bins() const { return bins_; }
  int Overflow() const { return overflow_; }
  int SizeOf(int bin) const { return size_[At(bin)]; }
  int BinOf(int item) const { return assignment_[At(item)]; }
  const Assignment& Current() const { return assignment_; }
  const std::vector<int>& Members(int bin) const { return members_[At(bin)]; }
  bool Overflows(int bin) const { return size_[At(bin)] > items_->capacity; }
  int CountOf(int bin, int c) const { return count_[At(bin) * At(items_->colourCount) + At(c)]; }
  int Excess(int size) const { return std::max(0, size - items_->capacity); }

  // Colours item brings that bin lacks, and colours only item holds in bin.
  int Gain(int item, int bin) const {
    int gain = 0;
    for (int c : items_->sets[At(item)]) gain += CountOf(bin, c) == 0;
    return gain;
  }
  int Loss(int item, int bin) const {
    int loss = 0;
    for (int c : items_->sets[At(item)]) loss += CountOf(bin, c) == 1;
    return loss;
  }
  // Change in overflow when bin's size changes by delta.
  int OverflowChange(int bin, int delta) const { return Excess(size_[At(bin)] + delta) - Excess(size_[At(bin)]); }

  void Put(int item, int bin) {
    overflow_ -= Excess(size_[At(bin)]);
    for (int c : items_->sets[At(item)]) size_[At(bin)] += CountRef(bin, c)++ == 0;
    overflow_ += Excess(size_[At(bin)]);
    assignment_[At(item)] = bin;
    slot_[At(item)] = static_cast<int>(members_[At(bin)].size());
    members_[At(bin)].push_back(item);
  }
  void Take(int item) {
    const int bin = assignment_[At(item)];
    overflow_ -= Excess(size_[At(bin)]);
    for (int c : items_->sets[At(item)]) size_[At(bin)] -= --CountRef(bin, c) == 0;
    overflow_ += Excess(size_[At(bin)]);
    assignment_[At(item)] = -1;
    std::vector<int>& members = members_[At(bin)];
    const int last = members.back();
    members[At(slot_[At(item)])] = last;
    slot_[At(last)] = slot_[At(item)];
    members.pop_back();
  }

 private:
  int& CountRef(int bin, int c) { return count_[At(bin) * At(items_->colourCount) + At(c)]; }

  const PackingItems* items_;
  int bins_;
  std::vector<int> count_;  // per bin and colour, the items holding it
  std::vector<int> size_;
  std::vector<std::vector<int>> members_;
  std::vector<int> slot_;  // per item, its place in members_
  Assignment assignment_;
  int overflow_ = 0;
};

// Start packs into `target` bins: the bins with most items stay, and the
// items of the others go back, largest first, where they add least
// overflow. Dropping one bin, the few with fewest items are each tried and
// the one leaving least overflow kept; the first try is always made.
OverflowBins Dissolve(const PackingItems& items, const Assignment& start, int target, std::int64_t& work) {
  const int startBins = BinCount(start);
  const std::vector<int> order = DecreasingOrder(items);
  std::vector<int> itemsIn(At(startBins), 0);
  for (int bin : start) ++itemsIn[At(bin)];
  std::vector<int> fewest(At(startBins));
  std::iota(fewest.begin(), fewest.end(), 0);
  std::stable_sort(fewest.begin(), fewest.end(), [&](int x, int y) { return itemsIn[At(x)] < itemsIn[At(y)]; });
  const int dropped = startBins - target;
  const int tries = dropped == 1 ? std::min(kDissolveTries, startBins) : 1;

  OverflowBins best(items, target);
  int bestOverflow = std::numeric_limits<int>::max();
  std::vector<int> renamed(At(startBins));
  for (int attempt = 0; attempt < tries && (attempt == 0 || work > 0); ++attempt) {
    std::vector<char> drop(At(startBins), 0);
    if (dropped == 1) drop[At(fewest[At(attempt)])] = 1;
    else for (int k = 0; k < dropped; ++k) drop[At(fewest[At(k)])] = 1;
    for (int bin = 0, next = 0; bin < startBins; ++bin) renamed[At(bin)] = drop[At(bin)] ? -1 : next++;
    OverflowBins bins(items, target);
    for (int i = 0; i < items.Count(); ++i) {
      if (!drop[At(start[At(i)])]) bins.Put(i, renamed[At(start[At(i)])]);
      work -= items.SizeOf(i);
    }
    for (int i : order) {
      if (!drop[At(start[At(i)])]) continue;
      int chosen = 0, chosenCost = std::numeric_limits<int>::max();
      for (int bin = 0; bin < target; ++bin) {
        const int gain = bins.Gain(i, bin);
        const int cost = bins.OverflowChange(bin, gain) * (items.capacity + 1) + gain;
        if (cost < chosenCost) chosen = bin, chosenCost = cost;
      }
      work -= static_cast<std::int64_t>(items.SizeOf(i)) * target;
      bins.Put(i, chosen);
    }
    if (bins.Overflow() < bestOverflow) {
      bestOverflow = bins.Overflow();
      best = std::move(bins);
      if (bestOverflow == 0) break;
    }
  }
  return best;
}

// Min-conflicts tabu search: each step takes the move of an item out of an
// overflowing bin that lowers overflow most (or raises it least), chosen
// among equals at random; an item may not go back to a bin it left for a
// while, unless that gives the least overflow yet. True when nothing
// overflows.
bool RemoveOverflow(const PackingItems& items, OverflowBins& bins, std::int64_t& work, Random& random) {
  const int target = bins.Bins();
  std::vector<std::int64_t> tabuUntil(items.sets.size() * At(target), 0);
  std::vector<int> overflowing;
  int leastOverflow = bins.Overflow();
  for (std::int64_t step = 1; bins.Overflow() > 0 && work > 0; ++step) {
    overflowing.clear();
    for (int bin = 0; bin < target; ++bin)
      if (bins.Overflows(bin)) overflowing.push_back(bin);
    const int from = overflowing[At(random.Below(static_cast<int>(overflowing.size())))];
    int moveItem = -1, moveTo = -1, moveDelta = std::numeric_limits<int>::max(), ties = 0;
    for (int i : bins.Members(from)) {
      const int leave = bins.OverflowChange(from, -bins.Loss(i, from));
      for (int to = 0; to < target; ++to) {
        if (to == from) continue;
        const int delta = leave + bins.OverflowChange(to, bins.Gain(i, to));
        const bool tabu = tabuUntil[At(i) * At(target) + At(to)] > step && bins.Overflow() + delta >= leastOverflow;
        if (tabu || delta > moveDelta) continue;
        if (delta < moveDelta) ties = 0;
        if (random.Below(++ties) == 0) moveItem = i, moveTo = to, moveDelta = delta;
      }
      work -= static_cast<std::int64_t>(items.SizeOf(i)) * target;
    }
    work -= target;
    if (moveItem < 0) continue;
    bins.Take(moveItem);
    bins.Put(moveItem, moveTo);
    tabuUntil[At(moveItem) * At(target) + At(from)] =
        step + kTenure + random.Below(kTenureSpread) + bins.Overflow() / 2;
    leastOverflow = std::min(leastOverflow, bins.Overflow());
  }
  return bins.Overflow() == 0;
}

}  // namespace

Assignment ReduceBinsByLocalSearch(const PackingItems& items, const Assignment& start, int lowerBound,
                                   std::int64_t& work) {
  Assignment best = start;
  Random random(0x9E3779B97F4A7C15u);
  int target = std::min(BinCount(start) - 1, kMaxSearchBins);
  for (; target >= std::max(lowerBound, 1) && work > 0; --target) {
    OverflowBins bins = Dissolve(items, best, target, work);
    if (!RemoveOverflow(items, bins, work, random)) break;
    best = Normalised(bins.Current());
    target = std::min(target, BinCount(best));
  }
  return best;
}

}  // namespace tilora::packing::detail
