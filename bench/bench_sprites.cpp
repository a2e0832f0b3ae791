// Sprites: a 1024 x 1024 sheet of 32 x 32 frames drawn from 16 distinct
// characters (the rest repeats and flips of them) in one sub-palette,
// converted as sprites and, for scale, as a 4 bpp background with a map;
// and the objects found on a few sheets against an 8 x 8 object in every
// cell of each frame's own grid that has pixels. Bytes are the sheet's
// pixels.

#include <benchmark/benchmark.h>

#include <string>

#include "convert/encode_for_console.h"
#include "snes/sprites/frame_cover.h"
#include "snes/sprites/sprite_sheet.h"
#include "sprite_pictures.h"

namespace {

using tilora::sprites::ObjectSizes;
using tilora::sprites::SpriteSettings;

const tilora::Picture& Sheet() {
  static const tilora::Picture sheet = tilora::testing::RepeatedFrames(32, 32, 16, true, 21);
  return sheet;
}

SpriteSettings Settings(int width, int height, ObjectSizes sizes) {
  SpriteSettings settings;
  settings.frameWidth = width;
  settings.frameHeight = height;
  settings.sizes = sizes;
  return settings;
}

void BM_ConvertSprites(benchmark::State& state) {
  SpriteSettings settings = Settings(32, 32, {8, 16});
  settings.originX = 16;
  settings.originY = 31;
  for (auto _ : state) {
    const auto result = tilora::sprites::ConvertSprites(Sheet(), settings);
    if (!std::holds_alternative<tilora::sprites::SpriteSheet>(result)) {
      state.SkipWithError("refused");
      break;
    }
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Sheet().indices.size()));
}
BENCHMARK(BM_ConvertSprites)->Unit(benchmark::kMicrosecond);

void BM_ConvertSheetAsMap(benchmark::State& state) {
  tilora::TileOptions options;
  options.map = true;
  for (auto _ : state) {
    const tilora::EncodeResult result = tilora::EncodeForConsole(Sheet(), 4, options);
    if (!std::holds_alternative<tilora::EncodedOutputs>(result)) state.SkipWithError("refused");
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Sheet().indices.size()));
}
BENCHMARK(BM_ConvertSheetAsMap)->Unit(benchmark::kMicrosecond);

struct CountedSheet {
  const char* name;
  tilora::Picture sheet;
  SpriteSettings settings;
  int drawn = 0;  // objects the frames were made of, where known
};

CountedSheet Known(const char* name, int side, ObjectSizes sizes, int perFrame, int blocks, std::uint32_t seed) {
  auto known = tilora::testing::KnownObjectSheet(side, 4, 4, sizes, perFrame, blocks, seed);
  int drawn = 0;
  for (const int n : known.objects) drawn += n;
  return {name, std::move(known.sheet), Settings(side, side, sizes), drawn};
}

const std::vector<CountedSheet>& CountedSheets() {
  static const std::vector<CountedSheet> sheets = [] {
    std::vector<CountedSheet> s;
    s.push_back({"walks 32x32, 8/16", tilora::testing::CharacterSheet({32, 32, 8, 4, false, false, 31}),
                 Settings(32, 32, {8, 16})});
    s.push_back({"walks 16x24, 8/16", tilora::testing::CharacterSheet({16, 24, 8, 4, false, false, 32}),
                 Settings(16, 24, {8, 16})});
    s.push_back({"walks 64x64, 16/32", tilora::testing::CharacterSheet({64, 64, 4, 4, false, false, 33}),
                 Settings(64, 64, {16, 32})});
    s.push_back(Known("known objects 32x32, 8/16", 32, {8, 16}, 5, 2, 34));
    s.push_back(Known("known objects 64x64, 8/16", 64, {8, 16}, 14, 1, 35));
    s.push_back(Known("known objects 64x64, 8/32", 64, {8, 32}, 8, 2, 36));
    s.push_back(Known("known objects 128x128, 16/64", 128, {16, 64}, 8, 2, 37));
    return s;
  }();
  return sheets;
}

// Every frame covered on its own, as if each were distinct.
void BM_CoverFrames(benchmark::State& state) {
  const CountedSheet& c = CountedSheets()[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(c.name);
  const tilora::sprites::FrameReader reader(c.sheet, c.settings);
  int objects = 0;
  int grid = 0;
  int unproven = 0;
  for (auto _ : state) {
    objects = grid = unproven = 0;
    tilora::sprites::FramePixels frame;
    for (std::int32_t y = 0; y < c.sheet.height; y += c.settings.frameHeight)
      for (std::int32_t x = 0; x < c.sheet.width; x += c.settings.frameWidth) {
        if (reader.Read(x, y, frame)) state.SkipWithError("refused");
        const auto covering =
            tilora::sprites::CoverFrame(frame, {c.settings.sizes, 0, tilora::sprites::kDefaultSearchSteps});
        if (!covering) state.SkipWithError("refused");
        objects += static_cast<int>(covering->objects.size());
        unproven += covering->proven ? 0 : 1;
        grid += tilora::sprites::GridCoverCount(frame);
      }
  }
  state.counters["objects"] = objects;
  state.counters["grid"] = grid;
  state.counters["drawn"] = c.drawn;
  state.counters["unproven"] = unproven;
}
BENCHMARK(BM_CoverFrames)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
