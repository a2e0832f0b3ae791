// Sprites: a 1024 x 1024 sheet of 32 x 32 frames drawn from 16 distinct
// characters (the rest repeats and flips of them) in one sub-palette,
// converted as sprites and, for scale, as a 4 bpp background with a map.
// Bytes are the sheet's pixels.

#include <benchmark/benchmark.h>

#include "encode/console_encoding.h"
#include "snes/sprites/sprite_sheet.h"
#include "sprite_pictures.h"

namespace {

const tilora::Picture& Sheet() {
  static const tilora::Picture sheet = tilora::testing::RepeatedFrames(32, 32, 16, true, 21);
  return sheet;
}

tilora::sprites::SpriteSettings Settings() {
  tilora::sprites::SpriteSettings settings;
  settings.frameWidth = 32;
  settings.frameHeight = 32;
  settings.originX = 16;
  settings.originY = 31;
  return settings;
}

void BM_ConvertSprites(benchmark::State& state) {
  int objects = 0;
  int tiles = 0;
  for (auto _ : state) {
    const auto result = tilora::sprites::ConvertSprites(Sheet(), Settings());
    const auto* sprites = std::get_if<tilora::sprites::SpriteSheet>(&result);
    if (sprites == nullptr) {
      state.SkipWithError("refused");
      break;
    }
    objects = 0;
    for (const auto& frame : sprites->frames) objects += frame.figures.objects;
    tiles = sprites->tileCount;
    benchmark::DoNotOptimize(result);
  }
  state.counters["objects"] = objects;
  state.counters["tiles"] = tiles;
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Sheet().indices.size()));
}
BENCHMARK(BM_ConvertSprites)->Unit(benchmark::kMicrosecond);

void BM_ConvertSheetAsMap(benchmark::State& state) {
  tilora::TileOptions options;
  options.map = true;
  for (auto _ : state) {
    const tilora::EncodeResult result = tilora::EncodeForConsole(Sheet(), options);
    if (!std::holds_alternative<tilora::EncodedOutputs>(result)) state.SkipWithError("refused");
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Sheet().indices.size()));
}
BENCHMARK(BM_ConvertSheetAsMap)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
