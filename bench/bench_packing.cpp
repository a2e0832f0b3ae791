// Sub-palette packing and colour reduction on the truecolour benchmark set
// at 4 bpp (8 sub-palettes of 16 colours): the packer beside first-fit
// decreasing, and the reduction beside median cut with nearest colours.
// Counters: palettes (sub-palettes used), fits (1 when within 8), at_least
// (when a bound refused the picture, the sub-palettes it needs), dE_mean
// and dE_worst (CIEDE2000 over the opaque pixels), tile_colours (the
// colours of the first tile that has more than 15).

#include <benchmark/benchmark.h>

#include <memory>

#include "palettes/reduction/lossy_reduction.h"
#include "palettes/packing/subpalette_packing.h"
#include "palettes/reduction/tile_palettes.h"
#include "truecolour_pictures.h"

namespace {

using namespace tilora::packing;
using tilora::testing::TruecolourPicture;

constexpr PaletteLimits kLimits{8, 16};

void SetPackingCounters(benchmark::State& state, const PackingOutcome& outcome) {
  state.counters["palettes"] = outcome.best;
  state.counters["fits"] = outcome.Fits() ? 1 : 0;
  if (outcome.status == PackingStatus::kTileHasTooManyColours)
    state.counters["tile_colours"] = static_cast<double>(outcome.tileColours);
  if (outcome.status == PackingStatus::kTooFewSubPalettes) state.counters["at_least"] = outcome.fewestPossible;
}

void SetReductionCounters(benchmark::State& state, const TilePalettes& result) {
  state.counters["palettes"] = static_cast<double>(result.palettes.size());
  state.counters["dE_mean"] = result.meanDeltaE;
  state.counters["dE_worst"] = result.worstDeltaE;
}

void Register(const TruecolourPicture& picture) {
  const auto tiles = std::make_shared<std::vector<TilePixels>>(picture.Tiles());
  const auto sets = std::make_shared<std::vector<std::vector<Colour15>>>(TileColourSets(*tiles));
  const auto pixels = std::make_shared<TruecolourPicture>(picture);

  benchmark::RegisterBenchmark(("Pack/" + picture.name).c_str(), [sets](benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(PackSubPalettes(*sets, kLimits));
    SetPackingCounters(state, PackSubPalettes(*sets, kLimits));
  })->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark(("PackFirstFit/" + picture.name).c_str(), [sets](benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(PackFirstFitDecreasing(*sets, kLimits));
    SetPackingCounters(state, PackFirstFitDecreasing(*sets, kLimits));
  })->Unit(benchmark::kMillisecond);
  // From the pixels to every pixel's colour index, as a conversion does it.
  benchmark::RegisterBenchmark(("Convert/" + picture.name).c_str(), [pixels](benchmark::State& state) {
    for (auto _ : state) {
      const auto cut = CutIntoTiles(pixels->pixels, pixels->width, pixels->height, pixels->colourZero);
      benchmark::DoNotOptimize(MakeTilePalettes(cut, {kLimits, false, false}));
    }
  })->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark(("Reduce/" + picture.name).c_str(), [tiles](benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(ReduceColours(*tiles, kLimits, false));
    SetReductionCounters(state, ReduceColours(*tiles, kLimits, false));
  })->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark(("ReduceDithered/" + picture.name).c_str(), [tiles](benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(ReduceColours(*tiles, kLimits, true));
    SetReductionCounters(state, ReduceColours(*tiles, kLimits, true));
  })->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark(("ReduceMedianCut/" + picture.name).c_str(), [tiles](benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(ReduceColoursByMedianCut(*tiles, kLimits));
    SetReductionCounters(state, ReduceColoursByMedianCut(*tiles, kLimits));
  })->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
  for (const TruecolourPicture& picture : tilora::testing::BenchmarkPictures()) Register(picture);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
