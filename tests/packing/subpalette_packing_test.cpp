#include "palettes/packing/subpalette_packing.h"

#include <gtest/gtest.h>

#include "palettes/packing/packing_bounds.h"
#include "palettes/packing/packing_exact_search.h"
#include "palettes/packing/packing_local_search.h"
#include "palettes/packing/packing_sets.h"
#include "truecolour_pictures.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <random>
#include <stdexcept>

namespace tilora::packing {
namespace {

using Sets = std::vector<std::vector<Colour15>>;

// The fewest sub-palettes by trying every partition of the distinct sets
// (at most 64 colours), independently of the packer's own searches.
class BruteForce {
 public:
  BruteForce(const Sets& sets, int capacity) : capacity_(capacity) {
    std::vector<Colour15> colours;
    for (const auto& s : sets) colours.insert(colours.end(), s.begin(), s.end());
    std::sort(colours.begin(), colours.end());
    colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
    for (const auto& s : sets) {
      std::uint64_t mask = 0;
      for (Colour15 c : s)
        mask |= std::uint64_t{1} << (std::lower_bound(colours.begin(), colours.end(), c) - colours.begin());
      if (mask != 0 && std::find(masks_.begin(), masks_.end(), mask) == masks_.end()) masks_.push_back(mask);
    }
  }

  int Fewest() {
    for (int bins = 1;; ++bins) {
      unions_.clear();
      if (masks_.empty() || Partition(0, bins)) return bins;
    }
  }

 private:
  bool Partition(std::size_t item, int bins) {
    if (item == masks_.size()) return true;
    for (std::size_t b = 0; b < unions_.size(); ++b) {
      const std::uint64_t saved = unions_[b];
      if (std::popcount(saved | masks_[item]) > capacity_) continue;
      unions_[b] |= masks_[item];
      if (Partition(item + 1, bins)) return true;
      unions_[b] = saved;
    }
    if (static_cast<int>(unions_.size()) == bins) return false;
    unions_.push_back(masks_[item]);
    if (Partition(item + 1, bins)) return true;
    unions_.pop_back();
    return false;
  }

  int capacity_;
  std::vector<std::uint64_t> masks_;
  std::vector<std::uint64_t> unions_;
};

// Every tile's colours in its sub-palette, the sub-palettes sorted, within
// the limits when it fits, and numbered by the first tile using them.
void ExpectSoundPacking(const Sets& sets, PaletteLimits limits, const PackingOutcome& outcome) {
  const SubPalettes& p = outcome.packing;
  ASSERT_EQ(p.tilePalette.size(), sets.size());
  ASSERT_FALSE(p.palettes.empty());
  EXPECT_EQ(outcome.best, static_cast<int>(p.palettes.size()));
  EXPECT_EQ(outcome.Fits(), outcome.best <= limits.palettes);
  for (const auto& palette : p.palettes) {
    EXPECT_LE(palette.size(), static_cast<std::size_t>(limits.colours - 1));
    EXPECT_TRUE(std::is_sorted(palette.begin(), palette.end()));
    EXPECT_EQ(std::adjacent_find(palette.begin(), palette.end()), palette.end());
  }
  int nextNew = 0;
  for (std::size_t t = 0; t < sets.size(); ++t) {
    const int index = p.tilePalette[t];
    ASSERT_GE(index, 0);
    ASSERT_LT(index, outcome.best);
    if (sets[t].empty()) continue;
    EXPECT_LE(index, nextNew) << "tile " << t;
    if (index == nextNew) ++nextNew;
    for (Colour15 c : sets[t]) EXPECT_GT(ColourIndexIn(p.palettes[static_cast<std::size_t>(index)], c), 0) << t;
  }
  if (nextNew > 0) {
    EXPECT_EQ(nextNew, outcome.best) << "a sub-palette no tile uses";
  }
}

unsigned Below(std::mt19937& random, int n) { return static_cast<unsigned>(random() % static_cast<unsigned>(n)); }

// Up to ten sets of any size from a pool a little larger than a sub-palette,
// some repeated.
Sets UniformSets(std::mt19937& random, int capacity) {
  const int pool = capacity + 1 + static_cast<int>(Below(random, 2 * capacity));
  Sets sets;
  for (int s = 2 + static_cast<int>(Below(random, 8)); s > 0; --s) {
    std::vector<Colour15> set;
    const int start = static_cast<int>(Below(random, pool));
    for (int k = 1 + static_cast<int>(Below(random, capacity)); k > 0; --k) {
      const int step = Below(random, 3) == 0 ? static_cast<int>(Below(random, pool)) : k;
      set.push_back(static_cast<Colour15>(1 + (start + step) % pool));
    }
    sets.push_back(set);
    if (Below(random, 4) == 0) sets.push_back(set);
  }
  return sets;
}

// Eight to ten small parts of three or four overlapping full sub-palettes:
// first fit pairs parts of different sub-palettes and wastes room.
Sets PlantedSets(std::mt19937& random, int capacity) {
  const int themes = 3 + static_cast<int>(Below(random, 2));
  const int pool = std::max(capacity + 1, themes * capacity * (6 + static_cast<int>(Below(random, 5))) / 10);
  std::vector<Colour15> all(static_cast<std::size_t>(pool));
  for (int c = 0; c < pool; ++c) all[static_cast<std::size_t>(c)] = static_cast<Colour15>(c + 1);
  Sets theme(static_cast<std::size_t>(themes));
  for (auto& t : theme) {
    std::shuffle(all.begin(), all.end(), random);
    t.assign(all.begin(), all.begin() + capacity);
  }
  const int smallest = std::max(1, capacity / 4), largest = capacity / 2 + 1;
  Sets sets;
  for (int s = 8 + static_cast<int>(Below(random, 3)); s > 0; --s) {
    std::vector<Colour15> part = theme[Below(random, themes)];
    std::shuffle(part.begin(), part.end(), random);
    part.resize(static_cast<std::size_t>(smallest + static_cast<int>(Below(random, largest - smallest + 1))));
    sets.push_back(part);
  }
  return sets;
}

struct SmallPicture {
  Sets sets;
  PaletteLimits limits;
  int fewest;
};

std::vector<SmallPicture> SmallPictures() {
  std::mt19937 random(7);
  std::vector<SmallPicture> pictures;
  for (int round = 0; round < 1200; ++round) {
    const bool planted = round % 2 == 1;
    const int capacity = planted ? std::array{3, 4, 5, 7, 15}[static_cast<std::size_t>(round / 2 % 5)]
                                 : std::array{2, 3, 4, 5, 7, 15}[static_cast<std::size_t>(round / 2 % 6)];
    Sets sets = planted ? PlantedSets(random, capacity) : UniformSets(random, capacity);
    const int fewest = BruteForce(sets, capacity).Fewest();
    pictures.push_back({std::move(sets), {round % 5 == 0 ? 2 : 8, capacity + 1}, fewest});
  }
  return pictures;
}

TEST(PackSubPalettes, FindsTheBruteForceOptimumOnSmallPictures) {
  int firstFitWorse = 0;
  int refusedByBound = 0;
  for (const SmallPicture& p : SmallPictures()) {
    const PackingOutcome ours = PackSubPalettes(p.sets, p.limits);
    const PackingOutcome firstFit = PackFirstFitDecreasing(p.sets, p.limits);
    ExpectSoundPacking(p.sets, p.limits, firstFit);
    firstFitWorse += firstFit.best > p.fewest;
    // A bound is never above the optimum, and refuses only what cannot fit.
    ASSERT_LE(ours.fewestPossible, p.fewest) << ::testing::PrintToString(p.sets);
    if (ours.status == PackingStatus::kTooFewSubPalettes) {
      EXPECT_GT(ours.fewestPossible, p.limits.palettes);
      EXPECT_TRUE(ours.packing.palettes.empty());
      ++refusedByBound;
      continue;
    }
    ExpectSoundPacking(p.sets, p.limits, ours);
    ASSERT_EQ(ours.best, p.fewest) << ::testing::PrintToString(p.sets);
    EXPECT_GE(firstFit.best, ours.best);
    if (!ours.Fits()) {
      EXPECT_EQ(ours.status, PackingStatus::kNoPackingFound);
      EXPECT_NE(ours.notice.find("(best: " + std::to_string(p.fewest) + ")"), std::string::npos) << ours.notice;
    }
  }
  // Otherwise these pictures would not tell a search from first fit, or a
  // bound's refusal from a search that failed.
  EXPECT_GT(firstFitWorse, 60);
  EXPECT_GT(refusedByBound, 20);
}

// Each search alone, from first fit, must reach the optimum too: either
// could otherwise hide a fault in the other.
TEST(PackingSearches, EachReachesTheBruteForceOptimumFromFirstFit) {
  for (const SmallPicture& p : SmallPictures()) {
    const detail::TileSetFamily family = detail::DistinctTileSets(p.sets, p.limits.colours - 1);
    const detail::PackingItems& items = detail::KeepMaximalSets(family.distinct).items;
    const detail::Assignment firstFit = detail::FirstFitDecreasing(items);
    const int lowerBound = detail::PackingLowerBound(items);
    EXPECT_LE(lowerBound, p.fewest);

    const detail::ExactResult exact = detail::SearchFewestBins(items, firstFit, lowerBound, 1'000'000);
    EXPECT_TRUE(exact.proven);
    EXPECT_TRUE(detail::AssignmentFits(items, exact.assignment));
    ASSERT_EQ(detail::BinCount(exact.assignment), p.fewest) << ::testing::PrintToString(p.sets);

    // Told where to stop, as it cannot prove an optimum itself.
    std::int64_t work = 10'000'000;
    const detail::Assignment local = detail::ReduceBinsByLocalSearch(items, firstFit, p.fewest, work);
    EXPECT_TRUE(detail::AssignmentFits(items, local));
    ASSERT_EQ(detail::BinCount(local), p.fewest) << ::testing::PrintToString(p.sets);
  }
}

// Tiles drawn from a number of 15-colour themes that share some colours:
// exactly `themes` sub-palettes fit them.
Sets ThemedSets(std::mt19937& random, int themes, int tiles) {
  Sets sets;
  for (int t = 0; t < tiles; ++t) {
    const int theme = static_cast<int>(random() % static_cast<unsigned>(themes));
    std::vector<Colour15> set;
    for (int k = 0; k < 15; ++k)
      if (random() % 3 != 0) set.push_back(static_cast<Colour15>(theme * 12 + k + 1));
    sets.push_back(set);
  }
  return sets;
}

TEST(PackSubPalettes, PacksThemedPicturesIntoTheirThemes) {
  std::mt19937 random(11);
  for (int themes = 2; themes <= 8; ++themes) {
    const Sets sets = ThemedSets(random, themes, 400);
    const PackingOutcome ours = PackSubPalettes(sets, {8, 16});
    ExpectSoundPacking(sets, {8, 16}, ours);
    EXPECT_EQ(ours.best, themes);
    EXPECT_LE(ours.best, PackFirstFitDecreasing(sets, {8, 16}).best);
  }
}

// Tens of thousands of tiles of three scattered colours: no bound refuses
// them, the searches' work limits cut in, and the packing must still be
// sound.
TEST(PackSubPalettes, StaysSoundOnHugeScatteredPictures) {
  std::mt19937 random(17);
  Sets sets(10000);
  for (auto& set : sets)
    for (int k = 0; k < 3; ++k) set.push_back(static_cast<Colour15>(1 + Below(random, 100)));
  const PackingOutcome outcome = PackSubPalettes(sets, {8, 16});
  ExpectSoundPacking(sets, {8, 16}, outcome);
  EXPECT_EQ(outcome.status, PackingStatus::kNoPackingFound);
  EXPECT_EQ(outcome.fewestPossible, 7);
}

// Pairs of colours from planted sub-palettes that share few colours, so the
// colours alone prove the planted count the fewest; first fit, best fit and
// the old one-move search all needed one to three more.
TEST(PackSubPalettes, ReachesTheProvenOptimumOfPlantedPictures) {
  const struct {
    int planted, pool, sets;
    std::uint32_t seed;
  } cases[] = {{4, 46, 240, 13}, {4, 47, 240, 650}, {4, 46, 240, 840}, {5, 61, 300, 63}, {5, 64, 300, 1246}};
  for (const auto& c : cases) {
    const Sets sets = tilora::testing::PlantedTileSets(c.planted, c.pool, c.sets, 2, 2, c.seed);
    for (const int allowed : {c.planted, 8}) {
      const PackingOutcome outcome = PackSubPalettes(sets, {allowed, 16});
      ExpectSoundPacking(sets, {allowed, 16}, outcome);
      EXPECT_EQ(outcome.best, c.planted) << "seed " << c.seed << ", " << allowed << " allowed";
      EXPECT_EQ(outcome.fewestPossible, c.planted) << "seed " << c.seed;
    }
  }
}

TEST(PackSubPalettes, GivesTheSameResultEveryTime) {
  std::mt19937 random(3);
  const Sets sets = ThemedSets(random, 8, 600);
  const PackingOutcome first = PackSubPalettes(sets, {8, 16});
  const PackingOutcome second = PackSubPalettes(sets, {8, 16});
  EXPECT_EQ(first.packing.palettes, second.packing.palettes);
  EXPECT_EQ(first.packing.tilePalette, second.packing.tilePalette);
}

TEST(PackSubPalettes, RefusesATileWithTooManyColoursNamingTheFirst) {
  std::vector<Colour15> sixteen(16), fifteenRepeated(30);
  for (int k = 0; k < 16; ++k) sixteen[static_cast<std::size_t>(k)] = static_cast<Colour15>(k + 1);
  for (int k = 0; k < 30; ++k) fifteenRepeated[static_cast<std::size_t>(k)] = static_cast<Colour15>(k % 15 + 1);
  std::vector<Colour15> twenty = sixteen;
  for (Colour15 c = 100; c < 104; ++c) twenty.push_back(c);
  const Sets sets = {{1, 2}, fifteenRepeated, twenty, sixteen};
  for (const auto& pack : {PackSubPalettes, PackFirstFitDecreasing}) {
    const PackingOutcome outcome = pack(sets, {8, 16});
    EXPECT_EQ(outcome.status, PackingStatus::kTileHasTooManyColours);
    EXPECT_EQ(outcome.tile, 2u);
    EXPECT_EQ(outcome.tileColours, 20u);
    EXPECT_EQ(outcome.notice, "Tile 2 has 20 colours besides colour 0; a sub-palette of 16 colours holds 15.");
  }
}

TEST(PackSubPalettes, RefusesImpossibleLimits) {
  const struct {
    PaletteLimits limits;
    const char* notice;
  } cases[] = {
      {{0, 16}, "The number of sub-palettes must be 1 to 8, not 0."},
      {{9, 16}, "The number of sub-palettes must be 1 to 8, not 9."},
      {{8, 1}, "A sub-palette holds 2 to 256 colours, colour 0 included, not 1."},
      {{1, 257}, "A sub-palette holds 2 to 256 colours, colour 0 included, not 257."},
      {{2, 256}, "2 sub-palettes of 256 colours need more than the 256 palette entries there are."},
  };
  for (const auto& c : cases) {
    const PackingOutcome outcome = PackSubPalettes(Sets{{1}}, c.limits);
    EXPECT_EQ(outcome.status, PackingStatus::kBadLimits);
    EXPECT_EQ(outcome.notice, c.notice);
    EXPECT_EQ(LimitsNotice(c.limits), c.notice);
  }
  for (PaletteLimits fine : {PaletteLimits{8, 16}, PaletteLimits{8, 4}, PaletteLimits{1, 256}, PaletteLimits{1, 2}})
    EXPECT_EQ(LimitsNotice(fine), "");
}

// Every pair of four colours, three colours a sub-palette: no bound shows
// that two cannot hold them, and three are the fewest.
TEST(PackSubPalettes, ReportsTheBestCountWhenNothingFits) {
  const Sets pairs = {{1, 2}, {1, 3}, {1, 4}, {2, 3}, {2, 4}, {3, 4}};
  const PackingOutcome outcome = PackSubPalettes(pairs, {2, 4});
  EXPECT_EQ(outcome.status, PackingStatus::kNoPackingFound);
  EXPECT_EQ(outcome.best, 3);
  EXPECT_EQ(outcome.fewestPossible, 2);
  EXPECT_EQ(outcome.notice, "No packing into 2 sub-palettes of 4 colours found (best: 3).");
  ExpectSoundPacking(pairs, {2, 4}, outcome);
}

// Refused before any packing, naming the bound: too many colours for the
// sub-palettes, or more tiles than sub-palettes of which no two fit one.
TEST(PackSubPalettes, RefusesAtOnceWhenABoundNeedsMoreSubPalettes) {
  Sets disjoint;  // nine tiles of fifteen colours each, no two alike
  for (int t = 0; t < 9; ++t) {
    disjoint.emplace_back();
    for (int k = 0; k < 15; ++k) disjoint.back().push_back(static_cast<Colour15>(t * 15 + k + 1));
  }
  Sets overlapping;  // ten tiles of fifteen of sixteen colours: no two fit one
  for (int t = 0; t < 10; ++t) {
    overlapping.emplace_back();
    for (int k = 0; k < 16; ++k)
      if (k != t) overlapping.back().push_back(static_cast<Colour15>(k + 1));
  }
  const struct {
    const Sets* sets;
    PaletteLimits limits;
    int fewest;
    const char* notice;
  } cases[] = {
      {&disjoint, {8, 16}, 9, "No packing into 8 sub-palettes of 16 colours: at least 9 are needed for 135 colours besides colour 0."},
      {&disjoint, {1, 256}, 0, ""},
      {&overlapping, {8, 16}, 10, "No packing into 8 sub-palettes of 16 colours: at least 10 are needed, as no two of 10 tiles fit one sub-palette together."},
      {&overlapping, {1, 17}, 0, ""},
      {&overlapping, {1, 16}, 10, "No packing into 1 sub-palette of 16 colours: at least 10 are needed, as no two of 10 tiles fit one sub-palette together."},
      {&disjoint, {2, 64}, 3, "No packing into 2 sub-palettes of 64 colours: at least 3 are needed for 135 colours besides colour 0."},
  };
  for (const auto& c : cases) {
    const PackingOutcome outcome = PackSubPalettes(*c.sets, c.limits);
    EXPECT_EQ(outcome.notice, c.notice);
    if (c.fewest == 0) {
      EXPECT_TRUE(outcome.Fits()) << c.limits.palettes;
      continue;
    }
    EXPECT_EQ(outcome.status, PackingStatus::kTooFewSubPalettes);
    EXPECT_EQ(outcome.fewestPossible, c.fewest);
    EXPECT_EQ(outcome.best, 0);
    EXPECT_TRUE(outcome.packing.palettes.empty());
  }
}

TEST(PackSubPalettes, TilesWithoutColoursTakeSubPaletteZero) {
  const PackingOutcome none = PackSubPalettes(Sets{{}, {}}, {8, 16});
  ASSERT_TRUE(none.Fits());
  EXPECT_EQ(none.packing.palettes, (Sets{{}}));
  EXPECT_EQ(none.packing.tilePalette, (std::vector<int>{0, 0}));
  EXPECT_EQ(PackSubPalettes(Sets{}, {8, 16}).packing.palettes.size(), 1u);
  // Two tiles that cannot share: the empty tile between them takes 0.
  const PackingOutcome some = PackSubPalettes(Sets{{5, 6, 7}, {}, {1, 2, 3}, {3, 2, 1, 1}}, {8, 4});
  EXPECT_EQ(some.packing.palettes, (Sets{{5, 6, 7}, {1, 2, 3}}));
  EXPECT_EQ(some.packing.tilePalette, (std::vector<int>{0, 0, 1, 1}));
}

TEST(PackSubPalettes, RejectsValuesThatAreNotFifteenBitColours) {
  EXPECT_THROW(PackSubPalettes(Sets{{1}, {0x8000}}, {8, 16}), std::invalid_argument);
}

TEST(ColourIndexIn, CountsFromOneAndGivesZeroForMissingColours) {
  const std::vector<Colour15> palette = {3, 9, 0x7FFF};
  EXPECT_EQ(ColourIndexIn(palette, 3), 1);
  EXPECT_EQ(ColourIndexIn(palette, 0x7FFF), 3);
  EXPECT_EQ(ColourIndexIn(palette, 4), 0);
  EXPECT_EQ(ColourIndexIn({}, 4), 0);
}

}  // namespace
}  // namespace tilora::packing
