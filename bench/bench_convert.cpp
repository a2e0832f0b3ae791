// Throughput of each conversion step on the largest pictures that fit, in
// bytes of picture data per second.

#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "bmp_builder.h"
#include "convert/convert_file.h"
#include "snes/encoders/palette_words.h"
#include "snes/encoders/planar_tiles.h"
#include "snes/cells/tile_kernels.h"
#include "formats/bmp/bmp_reader.h"
#include "formats/png/png_reader.h"
#include "formats/png/png_writer.h"
#include "io/byte_source.h"
#include "temp_dir.h"
#include "test_pictures.h"

namespace {

using tilora::testing::BmpShape;

// 2048 x 1024 at 4 bpp and 1024 x 1024 at 8 bpp: the most tile data one
// conversion makes.
BmpShape LargestShape(int depth) {
  BmpShape shape;
  shape.depth = static_cast<std::uint16_t>(depth);
  shape.width = depth == 4 ? 2048 : 1024;
  shape.height = 1024;
  shape.pixels = tilora::testing::RandomPixels(static_cast<std::size_t>(shape.width) * 1024, 1 << depth, 5);
  return shape;
}

const tilora::testing::TempDir& Folder() {
  static const tilora::testing::TempDir folder;
  return folder;
}

// The picture file of a depth, written once per run.
const std::string& PictureFile(int depth) {
  static std::map<int, std::string> paths;
  auto it = paths.find(depth);
  if (it == paths.end()) {
    const std::string path = Folder() / ("largest" + std::to_string(depth) + ".bmp");
    tilora::testing::WriteFileBytes(path, tilora::testing::BuildBmp(LargestShape(depth)));
    it = paths.emplace(depth, path).first;
  }
  return it->second;
}

std::int64_t FileBytes(int depth) {
  return static_cast<std::int64_t>(tilora::testing::BuildBmp(LargestShape(depth)).size());
}

const tilora::Picture& LargestPicture(int depth) {
  static std::map<int, tilora::Picture> pictures;
  auto it = pictures.find(depth);
  if (it == pictures.end()) {
    tilora::FileSource source(PictureFile(depth));
    it = pictures.emplace(depth, tilora::ReadBmpPicture(source, tilora::ReadBmpLayout(source))).first;
  }
  return it->second;
}

void BM_ReadBmp(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(0));
  const std::string& path = PictureFile(depth);
  for (auto _ : state) {
    tilora::FileSource source(path);
    benchmark::DoNotOptimize(tilora::ReadBmpPicture(source, tilora::ReadBmpLayout(source)));
  }
  state.SetBytesProcessed(state.iterations() * FileBytes(depth));
}
BENCHMARK(BM_ReadBmp)->Arg(4)->Arg(8)->Unit(benchmark::kMicrosecond);

// Bytes are the tile data made.
void BM_EncodePlanarTiles(benchmark::State& state) {
  const int bpp = static_cast<int>(state.range(0));
  const tilora::Picture& picture = LargestPicture(8);
  for (auto _ : state) benchmark::DoNotOptimize(tilora::EncodePlanarTiles(picture, bpp));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(picture.PixelCount()) * bpp / 8);
}
BENCHMARK(BM_EncodePlanarTiles)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMicrosecond);

// The portable kernel, for comparison with the one the encoder takes.
void BM_EncodeTilesPortable(benchmark::State& state) {
  const tilora::Picture& picture = LargestPicture(8);
  const auto width = static_cast<std::size_t>(picture.width);
  std::vector<std::uint8_t> out(picture.PixelCount());
  for (auto _ : state) {
    std::uint8_t* dest = out.data();
    for (std::size_t y = 0; y < static_cast<std::size_t>(picture.height); y += 8)
      for (std::size_t x = 0; x < width; x += 8, dest += 64)
        tilora::tile_kernels::Encode8Portable(picture.indices.data() + y * width + x, width, dest);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(out.size()));
}
BENCHMARK(BM_EncodeTilesPortable)->Unit(benchmark::kMicrosecond);

void BM_EncodePaletteWords(benchmark::State& state) {
  const tilora::Picture& picture = LargestPicture(8);
  for (auto _ : state) benchmark::DoNotOptimize(tilora::EncodePaletteWords(picture.palette, 256));
  state.SetBytesProcessed(state.iterations() * 4 * 256);
}
BENCHMARK(BM_EncodePaletteWords);

// Reading, encoding and both outputs written and put in place: one whole
// conversion; bytes are the picture file's.
void BM_ConvertFile(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(0));
  const std::string& path = PictureFile(depth);
  const std::string base = Folder() / ("out" + std::to_string(depth));
  for (auto _ : state)
    if (!tilora::ConvertFile(path, base)) state.SkipWithError("refused");
  state.SetBytesProcessed(state.iterations() * FileBytes(depth));
}
BENCHMARK(BM_ConvertFile)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

// The background pipeline's picture (make_picture --tiled): 1000 shapes,
// a quarter of the cells mirrored, 4 bits a pixel.
// Random pixels in each shape (0) or shapes drawn as tile art (1).
const tilora::Picture& TiledPicture(bool drawn) {
  static const auto make = [](bool art) {
    tilora::testing::Generation g{2048, 1024, 4, {0}, 1000, 25, true, 1};
    g.drawn = art;
    tilora::Picture p = tilora::testing::Generated(g);
    for (std::uint8_t& index : p.indices) index &= 15;
    p.depth = 4;
    p.palette.resize(16);
    return p;
  };
  static const tilora::Picture pictures[2] = {make(false), make(true)};
  return pictures[drawn ? 1 : 0];
}

// Bytes are the PNG file's.
void BM_DecodePng(benchmark::State& state) {
  const std::vector<std::uint8_t> file = tilora::EncodePngIndexed(TiledPicture(state.range(0) == 1));
  for (auto _ : state) benchmark::DoNotOptimize(tilora::DecodePng(file));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.size()));
}
BENCHMARK(BM_DecodePng)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The same picture through a whole conversion with a map, from BMP (first
// argument 0) and from PNG (1), of random (second argument 0) or drawn (1)
// shapes; bytes are the picture's pixels.
void BM_ConvertFileMap(benchmark::State& state) {
  const bool png = state.range(0) == 1;
  const tilora::Picture& picture = TiledPicture(state.range(1) == 1);
  const std::string path = Folder() / (png ? "tiled.png" : "tiled.bmp");
  if (png) {
    tilora::testing::WriteFileBytes(path, tilora::EncodePngIndexed(picture));
  } else {
    tilora::testing::BmpShape shape = tilora::testing::MakeShape(2048, 1024, 4);
    shape.pixels = picture.indices;
    tilora::testing::WriteFileBytes(path, tilora::testing::BuildBmp(shape));
  }
  tilora::ConversionSettings settings;
  settings.tiles.map = true;
  const std::string base = Folder() / (png ? "mapped-png" : "mapped-bmp");
  for (auto _ : state)
    if (!tilora::ConvertFile(path, base, settings)) state.SkipWithError("refused");
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(picture.PixelCount()));
}
BENCHMARK(BM_ConvertFileMap)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
