#include "palettes/packing/packing_sets.h"

#include "palettes/packing/overlap_bins.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>
#include <string>

namespace tilora::packing::detail {
namespace {

std::size_t At(int i) { return static_cast<std::size_t>(i); }

// Quadratic heuristics stop being worth their time beyond this many items.
constexpr int kMaxItemsForFilling = 4000;
// Set comparisons of the search for subsets: some 0.2 s here.
constexpr std::int64_t kMostSubsetChecks = 100'000'000;

}  // namespace

int BinCount(const Assignment& assignment) {
  return assignment.empty() ? 0 : *std::max_element(assignment.begin(), assignment.end()) + 1;
}

bool AssignmentFits(const PackingItems& items, const Assignment& assignment) {
  if (assignment.size() != items.sets.size()) return false;
  std::vector<std::vector<int>> bins(At(BinCount(assignment)));
  for (int i = 0; i < items.Count(); ++i) {
    std::vector<int>& bin = bins[At(assignment[At(i)])];
    bin.insert(bin.end(), items.sets[At(i)].begin(), items.sets[At(i)].end());
  }
  for (std::vector<int>& bin : bins) {
    std::sort(bin.begin(), bin.end());
    if (std::unique(bin.begin(), bin.end()) - bin.begin() > items.capacity) return false;
  }
  return true;
}

TileSetFamily DistinctTileSets(std::span<const std::vector<Colour15>> tileSets, int capacity) {
  TileSetFamily family;
  family.distinct.capacity = capacity;
  std::vector<int> denseOf(kColour15Count, -1);
  for (std::size_t t = 0; t < tileSets.size(); ++t) {
    for (Colour15 c : tileSets[t]) {
      if (c >= kColour15Count)
        throw std::invalid_argument("Tile " + std::to_string(t) + " holds " + std::to_string(c) +
                                    ", which is not a 15-bit colour");
      denseOf[c] = 0;
    }
  }
  for (int c = 0; c < kColour15Count; ++c) {
    if (denseOf[At(c)] < 0) continue;
    denseOf[At(c)] = static_cast<int>(family.colours.size());
    family.colours.push_back(static_cast<Colour15>(c));
  }
  family.distinct.colourCount = static_cast<int>(family.colours.size());

  std::vector<std::vector<int>> normalised(tileSets.size());
  for (std::size_t t = 0; t < tileSets.size(); ++t) {
    for (Colour15 c : tileSets[t]) normalised[t].push_back(denseOf[c]);
    std::sort(normalised[t].begin(), normalised[t].end());
    normalised[t].erase(std::unique(normalised[t].begin(), normalised[t].end()), normalised[t].end());
  }
  // Equal sets side by side, each run in tile order; a run's first tile
  // then gives the order of the distinct sets.
  std::vector<std::size_t> byContent(tileSets.size());
  std::iota(byContent.begin(), byContent.end(), std::size_t{0});
  std::stable_sort(byContent.begin(), byContent.end(),
                   [&](std::size_t x, std::size_t y) { return normalised[x] < normalised[y]; });
  std::vector<std::size_t> leaderOf(tileSets.size());
  for (std::size_t k = 0; k < byContent.size(); ++k) {
    const bool startsRun = k == 0 || normalised[byContent[k]] != normalised[byContent[k - 1]];
    leaderOf[byContent[k]] = startsRun ? byContent[k] : leaderOf[byContent[k - 1]];
  }
  family.setOfTile.assign(tileSets.size(), -1);
  for (std::size_t t = 0; t < tileSets.size(); ++t) {
    if (normalised[t].empty()) continue;
    if (leaderOf[t] == t) {
      family.setOfTile[t] = family.distinct.Count();
      family.distinct.sets.push_back(std::move(normalised[t]));
    } else {
      family.setOfTile[t] = family.setOfTile[leaderOf[t]];
    }
  }
  return family;
}

MaximalSets KeepMaximalSets(const PackingItems& distinct) {
  std::vector<int> maximalOf(distinct.sets.size(), -1);  // distinct set -> maximal distinct set
  std::vector<std::vector<int>> maximalWithColour(At(distinct.colourCount));
  std::int64_t checksLeft = kMostSubsetChecks;
  for (int s : DecreasingOrder(distinct)) {
    const std::vector<int>& set = distinct.sets[At(s)];
    const int rarest = *std::min_element(set.begin(), set.end(), [&](int x, int y) {
      return maximalWithColour[At(x)].size() < maximalWithColour[At(y)].size();
    });
    // Past the limit, sets are kept whole: still a sound packing, only a
    // larger one to search.
    const std::vector<int>& candidates = maximalWithColour[At(rarest)];
    checksLeft -= static_cast<std::int64_t>(candidates.size() * set.size());
    for (std::size_t k = 0; k < candidates.size() && checksLeft >= 0; ++k) {
      const std::vector<int>& big = distinct.sets[At(candidates[k])];
      if (std::includes(big.begin(), big.end(), set.begin(), set.end())) {
        maximalOf[At(s)] = candidates[k];
        break;
      }
    }
    if (maximalOf[At(s)] >= 0) continue;
    maximalOf[At(s)] = s;
    for (int c : set) maximalWithColour[At(c)].push_back(s);
  }
  MaximalSets result;
  result.items.colourCount = distinct.colourCount;
  result.items.capacity = distinct.capacity;
  std::vector<int> itemOf(distinct.sets.size(), -1);
  for (int s = 0; s < distinct.Count(); ++s) {
    if (maximalOf[At(s)] != s) continue;
    itemOf[At(s)] = result.items.Count();
    result.items.sets.push_back(distinct.sets[At(s)]);
    result.source.push_back(s);
  }
  result.holder.resize(distinct.sets.size());
  for (std::size_t s = 0; s < distinct.sets.size(); ++s) result.holder[s] = itemOf[At(maximalOf[s])];
  return result;
}

std::vector<int> DecreasingOrder(const PackingItems& items) {
  std::vector<int> order(items.sets.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int x, int y) { return items.SizeOf(x) > items.SizeOf(y); });
  return order;
}

Assignment FirstFitDecreasing(const PackingItems& items) {
  Assignment assignment(items.sets.size(), -1);
  OverlapBins bins(items);
  for (int item : DecreasingOrder(items)) {
    // The first bin that takes it: one it shares colours with, or one with
    // room for all of them.
    int chosen = bins.FirstWithRoom(items.SizeOf(item));
    for (const auto& [bin, shared] : bins.Sharing(item))
      if (bin < chosen && bins.RoomOf(bin) >= items.SizeOf(item) - shared) chosen = bin;
    bins.Put(item, chosen);
    assignment[At(item)] = chosen;
  }
  return assignment;
}

Assignment BestFitByOverlap(const PackingItems& items) {
  Assignment assignment(items.sets.size(), -1);
  OverlapBins bins(items);
  for (int item : DecreasingOrder(items)) {
    // Fewest new colours, then the fullest bin, then the lowest; a bin
    // sharing colours always adds fewer than one that shares none.
    int chosen = -1, chosenShared = 0;
    for (const auto& [bin, shared] : bins.Sharing(item)) {
      if (bins.RoomOf(bin) < items.SizeOf(item) - shared) continue;
      if (chosen < 0 || shared > chosenShared ||
          (shared == chosenShared && (bins.RoomOf(bin) < bins.RoomOf(chosen) ||
                                      (bins.RoomOf(bin) == bins.RoomOf(chosen) && bin < chosen))))
        chosen = bin, chosenShared = shared;
    }
    if (chosen < 0) chosen = bins.TightestWithRoom(items.SizeOf(item));
    bins.Put(item, chosen);
    assignment[At(item)] = chosen;
  }
  return assignment;
}

Assignment FillBinsByOverlap(const PackingItems& items) {
  if (items.Count() > kMaxItemsForFilling) return {};
  std::vector<std::vector<int>> itemsWithColour(At(items.colourCount));
  for (int i = 0; i < items.Count(); ++i)
    for (int c : items.sets[At(i)]) itemsWithColour[At(c)].push_back(i);
  Assignment assignment(items.sets.size(), -1);
  std::vector<int> newColours(items.sets.size());
  std::vector<char> inBin(At(items.colourCount), 0);
  const std::vector<int> order = DecreasingOrder(items);
  int bin = 0;
  for (int seed : order) {
    if (assignment[At(seed)] >= 0) continue;
    for (int i = 0; i < items.Count(); ++i) newColours[At(i)] = items.SizeOf(i);
    std::fill(inBin.begin(), inBin.end(), 0);
    int size = 0;
    for (int next = seed; next >= 0;) {
      assignment[At(next)] = bin;
      for (int c : items.sets[At(next)]) {
        if (inBin[At(c)]) continue;
        inBin[At(c)] = 1;
        ++size;
        for (int holder : itemsWithColour[At(c)]) --newColours[At(holder)];
      }
      next = -1;
      for (int i : order) {
        if (assignment[At(i)] >= 0 || size + newColours[At(i)] > items.capacity) continue;
        if (next < 0 || newColours[At(i)] < newColours[At(next)]) next = i;
      }
    }
    ++bin;
  }
  return assignment;
}

Assignment Normalised(const Assignment& assignment) {
  std::vector<int> renamed(At(BinCount(assignment)), -1);
  Assignment result(assignment.size());
  int next = 0;
  for (std::size_t i = 0; i < assignment.size(); ++i) {
    int& name = renamed[At(assignment[i])];
    if (name < 0) name = next++;
    result[i] = name;
  }
  return result;
}

}  // namespace tilora::packing::detail

