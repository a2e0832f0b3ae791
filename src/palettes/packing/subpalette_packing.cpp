#include "palettes/packing/subpalette_packing.h"

#include <algorithm>
#include <numeric>
#include <optional>

#include "palettes/packing/packing_bounds.h"
#include "palettes/packing/packing_exact_search.h"
#include "palettes/packing/packing_local_search.h"
#include "palettes/packing/packing_sets.h"

namespace tilora::packing {
namespace {

using detail::Assignment;
using detail::BinCount;
using detail::PackingItems;

std::size_t At(int i) { return static_cast<std::size_t>(i); }

// Budgets in units of work rather than time, so every machine gives the
// same answer. The local search spends more on fitting the sub-palettes
// allowed than on needing fewer, which only saves palette entries: some
// 30 ms and 10 ms at most here.
constexpr std::int64_t kFitWork = 12'000'000;
constexpr std::int64_t kFewerWork = 4'000'000;
constexpr std::int64_t kExactSearchNodes = 100'000;
constexpr int kMaxItemsForExactSearch = 24;

std::string Plural(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::optional<std::size_t> FirstTileOverCapacity(std::span<const std::vector<Colour15>> tileSets, int capacity,
                                                 std::size_t& colours) {
  std::vector<Colour15> set;
  for (std::size_t t = 0; t < tileSets.size(); ++t) {
    if (tileSets[t].size() <= At(capacity)) continue;
    set = tileSets[t];
    std::sort(set.begin(), set.end());
    colours = static_cast<std::size_t>(std::unique(set.begin(), set.end()) - set.begin());
    if (colours > At(capacity)) return t;
  }
  return std::nullopt;
}

// The fewest bins the heuristics and searches find; never more than
// firstFit uses. The exact search goes first where it may prove the
// heuristics right, as a local search that cannot succeed spends its whole
// budget.
Assignment FewestBins(const PackingItems& items, const Assignment& firstFit, int lowerBound, int allowed) {
  Assignment best = firstFit;
  for (Assignment candidate : {detail::BestFitByOverlap(items), detail::FillBinsByOverlap(items)})
    if (!candidate.empty() && BinCount(candidate) < BinCount(best)) best = std::move(candidate);
  bool proven = BinCount(best) <= lowerBound;
  if (!proven && items.Count() <= kMaxItemsForExactSearch) {
    detail::ExactResult exact = detail::SearchFewestBins(items, best, lowerBound, kExactSearchNodes);
    best = std::move(exact.assignment);
    proven = exact.proven;
  }
  if (!proven && BinCount(best) > allowed) {
    std::int64_t work = kFitWork;
    best = detail::ReduceBinsByLocalSearch(items, best, std::max(lowerBound, allowed), work);
  }
  if (!proven && BinCount(best) <= allowed) {
    std::int64_t work = kFewerWork;
    best = detail::ReduceBinsByLocalSearch(items, best, lowerBound, work);
  }
  return best;
}

// Sub-palettes from a packing of items, where tile t's colours are in item
// itemOfSet[setOfTile[t]].
SubPalettes BuildSubPalettes(const detail::TileSetFamily& family, const PackingItems& items,
                             const std::vector<int>& itemOfSet, const Assignment& binOfItem) {
  std::vector<int> renamed(At(BinCount(binOfItem)), -1);
  int bins = 0;
  SubPalettes result;
  result.tilePalette.assign(family.setOfTile.size(), 0);
  for (std::size_t t = 0; t < family.setOfTile.size(); ++t) {
    if (family.setOfTile[t] < 0) continue;
    int& name = renamed[At(binOfItem[At(itemOfSet[At(family.setOfTile[t])])])];
    if (name < 0) name = bins++;
    result.tilePalette[t] = name;
  }
  result.palettes.resize(At(std::max(bins, 1)));
  for (int i = 0; i < items.Count(); ++i) {
    std::vector<Colour15>& palette = result.palettes[At(renamed[At(binOfItem[At(i)])])];
    for (int c : items.sets[At(i)]) palette.push_back(family.colours[At(c)]);
  }
  for (std::vector<Colour15>& palette : result.palettes) {
    std::sort(palette.begin(), palette.end());
    palette.erase(std::unique(palette.begin(), palette.end()), palette.end());
  }
  return result;
}

// The refusals that come before any packing, or nothing.
std::optional<PackingOutcome> RefusalBeforePacking(std::span<const std::vector<Colour15>> tileSets,
                                                   PaletteLimits limits) {
  PackingOutcome outcome;
  outcome.notice = LimitsNotice(limits);
  if (!outcome.notice.empty()) {
    outcome.status = PackingStatus::kBadLimits;
    return outcome;
  }
  const int capacity = limits.colours - 1;
  if (const auto tile = FirstTileOverCapacity(tileSets, capacity, outcome.tileColours)) {
    outcome.status = PackingStatus::kTileHasTooManyColours;
    outcome.tile = *tile;
    outcome.notice = "Tile " + std::to_string(*tile) + " has " +
                     Plural(outcome.tileColours, "colour", "colours") + " besides colour 0; a sub-palette of " +
                     std::to_string(limits.colours) + " colours holds " + std::to_string(capacity) + ".";
    return outcome;
  }
  return std::nullopt;
}

std::string NoPackingInto(PaletteLimits limits) {
  return "No packing into " + Plural(At(limits.palettes), "sub-palette", "sub-palettes") + " of " +
         std::to_string(limits.colours) + " colours";
}

PackingOutcome RefusalByBound(const detail::BinsBound& bound, PaletteLimits limits) {
  PackingOutcome outcome;
  outcome.status = PackingStatus::kTooFewSubPalettes;
  outcome.fewestPossible = bound.bins;
  const std::string atLeast = ": at least " + std::to_string(bound.bins) + " are needed";
  outcome.notice = NoPackingInto(limits) + atLeast +
                   (bound.byColours >= bound.apartItems
                        ? " for " + std::to_string(bound.colours) + " colours besides colour 0."
                        : ", as no two of " + std::to_string(bound.apartItems) + " tiles fit one sub-palette together.");
  return outcome;
}

PackingOutcome Finish(SubPalettes packing, PaletteLimits limits) {
  PackingOutcome outcome;
  outcome.best = static_cast<int>(packing.palettes.size());
  outcome.packing = std::move(packing);
  if (outcome.best > limits.palettes) {
    outcome.status = PackingStatus::kNoPackingFound;
    outcome.notice = NoPackingInto(limits) + " found (best: " + std::to_string(outcome.best) + ").";
  }
  return outcome;
}

}  // namespace

std::string LimitsNotice(PaletteLimits limits) {
  if (limits.palettes < 1 || limits.palettes > kMaxPalettes)
    return "The number of sub-palettes must be 1 to 8, not " + std::to_string(limits.palettes) + ".";
  if (limits.colours < 2 || limits.colours > kMaxPaletteColours)
    return "A sub-palette holds 2 to 256 colours, colour 0 included, not " + std::to_string(limits.colours) + ".";
  if (limits.palettes * limits.colours > kMaxPaletteColours)
    return std::to_string(limits.palettes) + " sub-palettes of " + std::to_string(limits.colours) +
           " colours need more than the 256 palette entries there are.";
  return {};
}

PackingOutcome PackSubPalettes(std::span<const std::vector<Colour15>> tileSets, PaletteLimits limits) {
  if (auto refusal = RefusalBeforePacking(tileSets, limits)) return std::move(*refusal);
  const detail::TileSetFamily family = detail::DistinctTileSets(tileSets, limits.colours - 1);
  // Before anything that grows faster than the sets themselves.
  const detail::BinsBound bound = detail::LowerBoundOf(family.distinct);
  if (bound.bins > limits.palettes) return RefusalByBound(bound, limits);
  const detail::MaximalSets maximal = detail::KeepMaximalSets(family.distinct);
  // First fit over the distinct sets, carried over to the maximal ones.
  const Assignment firstFitOfSet = detail::FirstFitDecreasing(family.distinct);
  Assignment firstFit(maximal.items.sets.size());
  for (std::size_t i = 0; i < firstFit.size(); ++i) firstFit[i] = firstFitOfSet[At(maximal.source[i])];
  const Assignment best = FewestBins(maximal.items, detail::Normalised(firstFit), bound.bins, limits.palettes);
  PackingOutcome outcome = Finish(BuildSubPalettes(family, maximal.items, maximal.holder, best), limits);
  outcome.fewestPossible = bound.bins;
  return outcome;
}

PackingOutcome PackFirstFitDecreasing(std::span<const std::vector<Colour15>> tileSets, PaletteLimits limits) {
  if (auto refusal = RefusalBeforePacking(tileSets, limits)) return std::move(*refusal);
  const detail::TileSetFamily family = detail::DistinctTileSets(tileSets, limits.colours - 1);
  std::vector<int> identity(family.distinct.sets.size());
  std::iota(identity.begin(), identity.end(), 0);
  const Assignment firstFit = detail::FirstFitDecreasing(family.distinct);
  return Finish(BuildSubPalettes(family, family.distinct, identity, firstFit), limits);
}

int ColourIndexIn(const std::vector<Colour15>& palette, Colour15 colour) {
  const auto it = std::lower_bound(palette.begin(), palette.end(), colour);
  return it != palette.end() && *it == colour ? static_cast<int>(it - palette.begin()) + 1 : 0;
}

}  // namespace tilora::packing
