// How often the packer reaches the planted number of sub-palettes k on tile
// colour sets drawn from overlapping planted sub-palettes (PlantedTileSets),
// with 8 sub-palettes allowed and with k allowed (`--palettes k`), and the
// processor time it takes. Where the colours alone need k sub-palettes, k
// is the optimum.
// Usage: tilora_packing_strength [INSTANCES]    (default 200 a row)

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <set>

#include "palettes/packing/subpalette_packing.h"
#include "truecolour_pictures.h"

namespace {

using namespace tilora::packing;
using tilora::Colour15;

struct Row {
  const char* kind;
  int subPalettes, pool, sets, fewest, most;
};

struct Tally {
  int below = 0, reached = 0, oneMore = 0, more = 0;
  double slowest = 0;

  void Add(const PackingOutcome& outcome, int planted, double ms) {
    below += outcome.best < planted;
    reached += outcome.best == planted;
    oneMore += outcome.best == planted + 1;
    more += outcome.best > planted + 1;
    slowest = std::max(slowest, ms);
  }
};

int ColoursOf(const std::vector<std::vector<Colour15>>& sets) {
  std::set<Colour15> colours;
  for (const auto& set : sets) colours.insert(set.begin(), set.end());
  return static_cast<int>(colours.size());
}

}  // namespace

int main(int argc, char** argv) {
  const int instances = argc > 1 ? std::atoi(argv[1]) : 200;
  // Pairs of colours from sub-palettes that share few colours, where the
  // colours prove the optimum; and sets of two or three colours from
  // sub-palettes sharing many, like tile sheets of few colours.
  const Row rows[] = {
      {"pairs", 4, 47, 240, 2, 2},  {"pairs", 5, 62, 300, 2, 2},  {"pairs", 6, 77, 360, 2, 2},
      {"pairs", 8, 107, 480, 2, 2}, {"shared", 5, 36, 216, 2, 3}, {"shared", 6, 40, 180, 2, 3},
      {"shared", 7, 47, 210, 2, 3}, {"shared", 8, 54, 240, 2, 3},
  };
  std::printf("%-7s %-11s %7s | %-28s | %-28s\n", "", "", "", "8 allowed", "k allowed");
  std::printf("%-7s %-11s %7s | %5s %5s %5s %5s %5s | %5s %5s %5s %5s %5s\n", "kind", "k/pool/sets", "optimum",
              "<k", "k", "k+1", "more", "ms", "<k", "k", "k+1", "more", "ms");
  for (const Row& row : rows) {
    int optimum = 0;
    Tally tallies[2];
    for (int seed = 1; seed <= instances; ++seed) {
      const auto sets = tilora::testing::PlantedTileSets(row.subPalettes, row.pool, row.sets, row.fewest, row.most,
                                                         static_cast<std::uint32_t>(seed));
      optimum += (ColoursOf(sets) + 14) / 15 == row.subPalettes;
      for (int t = 0; t < 2; ++t) {
        const std::clock_t start = std::clock();
        const PackingOutcome outcome = PackSubPalettes(sets, {t == 0 ? 8 : row.subPalettes, 16});
        tallies[t].Add(outcome, row.subPalettes, 1000.0 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
      }
    }
    char name[32];
    std::snprintf(name, sizeof name, "%d/%d/%d", row.subPalettes, row.pool, row.sets);
    std::printf("%-7s %-11s %7d", row.kind, name, optimum);
    for (const Tally& t : tallies)
      std::printf(" | %5d %5d %5d %5d %5.0f", t.below, t.reached, t.oneMore, t.more, t.slowest);
    std::printf("\n");
  }
  return 0;
}
