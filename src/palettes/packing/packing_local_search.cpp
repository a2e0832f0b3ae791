#include "palettes/packing/packing_local_search.h"

#include <algorithm>
#include <limits>

namespace tilora::packing::detail {
namespace {

std::size_t At(int i) { return static_cast<std::size_t>(i); }

// Bins DissolveOneBin tries to empty, those with fewest items first.
constexpr int kDissolveTries = 6;

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
        assignment_(items.sets.size(), -1) {}

  int Bins() const { return bins_; }
  int Overflow() const { return overflow_; }
  int BinOf(int item) const { return assignment_[At(item)]; }
  const Assignment& Current() const { return assignment_; }
  bool Overflows(int bin) const { return size_[At(bin)] > items_->capacity; }

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
  int OverflowChange(int bin, int delta) const {
    return Excess(size_[At(bin)] + delta) - Excess(size_[At(bin)]);
  }

  void Put(int item, int bin) {
    overflow_ -= Excess(size_[At(bin)]);
    for (int c : items_->sets[At(item)]) size_[At(bin)] += CountOf(bin, c)++ == 0;
    overflow_ += Excess(size_[At(bin)]);
    assignment_[At(item)] = bin;
  }
  void Take(int item) {
    const int bin = assignment_[At(item)];
    overflow_ -= Excess(size_[At(bin)]);
    for (int c : items_->sets[At(item)]) size_[At(bin)] -= --CountOf(bin, c) == 0;
    overflow_ += Excess(size_[At(bin)]);
    assignment_[At(item)] = -1;
  }

 private:
  int Excess(int size) const { return std::max(0, size - items_->capacity); }
  int& CountOf(int bin, int c) { return count_[At(bin) * At(items_->colourCount) + At(c)]; }
  int CountOf(int bin, int c) const { return count_[At(bin) * At(items_->colourCount) + At(c)]; }

  const PackingItems* items_;
  int bins_;
  std::vector<int> count_;
  std::vector<int> size_;
  Assignment assignment_;
  int overflow_ = 0;
};

// Empties the bin of start whose items, put back where they add least
// overflow, leave least, trying the few bins with fewest items; the other
// bins keep their order.
OverflowBins DissolveOneBin(const PackingItems& items, const Assignment& start, std::int64_t& work) {
  const int target = BinCount(start) - 1;
  const std::vector<int> order = DecreasingOrder(items);
  std::vector<int> itemsIn(At(target + 1), 0);
  for (int bin : start) ++itemsIn[At(bin)];
  std::vector<int> candidates(At(target + 1));
  for (int bin = 0; bin <= target; ++bin) candidates[At(bin)] = bin;
  std::stable_sort(candidates.begin(), candidates.end(),
                   [&](int x, int y) { return itemsIn[At(x)] < itemsIn[At(y)]; });
  candidates.resize(std::min(candidates.size(), At(kDissolveTries)));

  int bestOverflow = std::numeric_limits<int>::max();
  OverflowBins best(items, target);
  for (int dropped : candidates) {
    if (work <= 0) break;
    OverflowBins bins(items, target);
    const auto renamed = [&](int bin) { return bin > dropped ? bin - 1 : bin; };
    for (int i = 0; i < items.Count(); ++i) {
      if (start[At(i)] != dropped) bins.Put(i, renamed(start[At(i)]));
      work -= items.SizeOf(i);
    }
    for (int i : order) {
      if (start[At(i)] != dropped) continue;
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

// Min-conflicts tabu search: moves an item out of an overflowing bin to the
// bin where overflow drops most, never straight back while tabu.
bool RemoveOverflow(const PackingItems& items, OverflowBins& bins, std::int64_t& work, Random& random) {
  const int target = bins.Bins();
  std::vector<std::int64_t> tabuUntil(items.sets.size() * At(target), 0);
  std::vector<int> overflowing;
  for (std::int64_t step = 1; bins.Overflow() > 0 && work > 0; ++step) {
    overflowing.clear();
    for (int bin = 0; bin < target; ++bin)
      if (bins.Overflows(bin)) overflowing.push_back(bin);
    const int from = overflowing[At(random.Below(static_cast<int>(overflowing.size())))];
    int moveItem = -1, moveTo = -1, moveDelta = std::numeric_limits<int>::max(), ties = 0;
    for (int i = 0; i < items.Count(); ++i) {
      if (bins.BinOf(i) != from) continue;
      const int leave = bins.OverflowChange(from, -bins.Loss(i, from));
      for (int to = 0; to < target; ++to) {
        if (to == from) continue;
        const int delta = leave + bins.OverflowChange(to, bins.Gain(i, to));
        const bool tabu = tabuUntil[At(i) * At(target) + At(to)] > step && bins.Overflow() + delta > 0;
        if (tabu || delta > moveDelta) continue;
        if (delta < moveDelta) ties = 0;
        // Equal moves are taken with equal chance.
        if (random.Below(++ties) == 0) moveItem = i, moveTo = to, moveDelta = delta;
      }
      work -= static_cast<std::int64_t>(items.SizeOf(i)) * target;
    }
    work -= items.Count() + target;
    if (moveItem < 0) continue;
    bins.Take(moveItem);
    bins.Put(moveItem, moveTo);
    tabuUntil[At(moveItem) * At(target) + At(from)] = step + 4 + random.Below(8);
  }
  return bins.Overflow() == 0;
}

}  // namespace

Assignment ReduceBinsByLocalSearch(const PackingItems& items, const Assignment& start, int lowerBound,
                                   std::int64_t& work) {
  Assignment best = start;
  Random random(0x9E3779B97F4A7C15u);
  while (BinCount(best) > std::max(lowerBound, 1) && work > 0) {
    OverflowBins bins = DissolveOneBin(items, best, work);
    if (!RemoveOverflow(items, bins, work, random)) break;
    best = Normalised(bins.Current());
  }
  return best;
}

}  // namespace tilora::packing::detail
