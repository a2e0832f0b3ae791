// The console encoders on the largest 4 bpp picture the old converter took
// (2048 x 1024), made of 1000 shapes in four sub-palettes with a quarter of
// the cells flipped copies: bytes are the picture's pixels.

#include <benchmark/benchmark.h>

#include "snes/encoders/console_encoding.h"
#include "test_pictures.h"
#include "snes/readback/readback.h"
#include "convert/encode_for_console.h"

namespace {

const tilora::Picture& MapPicture() {
  static const tilora::Picture picture = tilora::testing::Generated({2048, 1024, 4, {0, 1, 2, 3}, 1000, 25, true, 7});
  return picture;
}

// One sub-palette, as plain tiles need.
const tilora::Picture& PlainPicture() {
  static const tilora::Picture picture = tilora::testing::Generated({2048, 1024, 4, {0}, 1000, 25, true, 8});
  return picture;
}

const tilora::Picture& Mode7Picture() {
  static const tilora::Picture picture = tilora::testing::Generated({1024, 1024, 8, {0}, 200, 0, true, 9});
  return picture;
}

tilora::testing::EncodingOptions MapOptions() {
  tilora::testing::EncodingOptions options;
  options.map = true;
  return options;
}

void Run(benchmark::State& state, const tilora::Picture& picture, const tilora::testing::EncodingOptions& options) {
  for (auto _ : state) {
    const tilora::EncodeResult result = tilora::testing::Encode(picture, options);
    if (!std::holds_alternative<tilora::EncodedOutputs>(result)) state.SkipWithError("refused");
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(picture.indices.size()));
}

// Self-check included, as the converter always runs it.
void BM_EncodeTilemap(benchmark::State& state) { Run(state, MapPicture(), MapOptions()); }
BENCHMARK(BM_EncodeTilemap)->Unit(benchmark::kMicrosecond);

void BM_SelfCheckTilemap(benchmark::State& state) {
  const auto result = tilora::testing::Encode(MapPicture(), MapOptions());
  const auto& outputs = std::get<tilora::EncodedOutputs>(result);
  for (auto _ : state) benchmark::DoNotOptimize(tilora::SelfCheck(MapPicture(), MapOptions(), outputs));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(MapPicture().indices.size()));
}
BENCHMARK(BM_SelfCheckTilemap)->Unit(benchmark::kMicrosecond);

void BM_EncodePlainTiles(benchmark::State& state) { Run(state, PlainPicture(), tilora::testing::EncodingOptions{}); }
BENCHMARK(BM_EncodePlainTiles)->Unit(benchmark::kMicrosecond);

void BM_EncodeMode7(benchmark::State& state) {
  tilora::testing::EncodingOptions options;
  options.mode7 = true;
  Run(state, Mode7Picture(), options);
}
BENCHMARK(BM_EncodeMode7)->Unit(benchmark::kMicrosecond);

void BM_TileFigures(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(tilora::FiguresOf(MapPicture(), 4));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(MapPicture().indices.size()));
}
BENCHMARK(BM_TileFigures)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
