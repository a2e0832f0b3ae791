// Throughput of each conversion step on the largest pictures that fit, in
// bytes of picture data per second, beside the one-byte-read loop the reading
// replaced.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <string>

#include "bmp_builder.h"
#include "convert/convert_picture.h"
#include "convert/limits.h"
#include "convert/palette_area.h"
#include "formats/bmp/picture_header.h"
#include "convert/pixel_plane.h"
#include "convert/tile_buffer.h"
#include "convert/tile_kernels.h"
#include "support/checked_file.h"
#include "temp_dir.h"

namespace {

using tilora::testing::BmpShape;

// 2048 x 1024 at 4 bpp and 1024 x 1024 at 8 bpp: both fill TileBuffer.
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
const std::string& Picture(int depth) {
  static std::map<int, std::string> paths;
  auto it = paths.find(depth);
  if (it == paths.end()) {
    const std::string path = Folder() / ("largest" + std::to_string(depth) + ".bmp");
    tilora::testing::WriteFileBytes(path, tilora::testing::BuildBmp(LargestShape(depth)));
    it = paths.emplace(depth, path).first;
  }
  return it->second;
}

std::int64_t PixelBytes(int depth) {
  const auto g = tilora::GeometryOf(tilora::PictureHeader, depth);
  return g.stride * g.rows;
}

void OpenLargest(int depth) {
  tilora::ReadHeader(Picture(depth));
  tilora::SourceFile.Bind(Picture(depth));
  tilora::SourceFile.Open();
}

void BM_ReadHeader(benchmark::State& state) {
  const std::string& path = Picture(8);
  for (auto _ : state) tilora::ReadHeader(path);
  // The header fields read: bytes 10 to 31.
  state.SetBytesProcessed(state.iterations() * 22);
}
BENCHMARK(BM_ReadHeader);

// The reading as first described: a positioning and a one-byte read for
// every pixel byte.
void BM_ReadPixelsOneByteReads(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(0));
  OpenLargest(depth);
  const auto g = tilora::GeometryOf(tilora::PictureHeader, depth);
  for (auto _ : state) {
    for (std::int64_t d = g.rows - 1; d >= 0; --d) {
      const std::int64_t r = g.rows - 1 - d;
      for (std::int64_t f = 0; f < g.rowBytes; ++f) {
        std::uint8_t b = 0;
        tilora::SourceFile.Seek(tilora::PictureHeader.DataOffset + g.stride * d + f);
        tilora::SourceFile.Read(&b, 1);
        if (depth == 8) {
          tilora::PixelPlane[r][f] = b;
        } else {
          tilora::PixelPlane[r][2 * f] = static_cast<std::uint8_t>(b & 0xF0);
          tilora::PixelPlane[r][2 * f + 1] = static_cast<std::uint8_t>(b & 0x0F);
        }
      }
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * PixelBytes(depth));
  tilora::SourceFile.Close();
  tilora::ClearPixelPlane();
}
BENCHMARK(BM_ReadPixelsOneByteReads)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

void BM_ReadPixels(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(0));
  OpenLargest(depth);
  for (auto _ : state) {
    tilora::ReadPixels(depth);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * PixelBytes(depth));
  tilora::SourceFile.Close();
  tilora::ClearPixelPlane();
}
BENCHMARK(BM_ReadPixels)->Arg(4)->Arg(8)->Unit(benchmark::kMicrosecond);

// Encoding runs on the pixels of the largest picture; bytes are the picture's
// pixel data, which equals the size of the tile data.
void PrepareTiles(int depth) {
  OpenLargest(depth);
  tilora::ReadPixels(depth);
  tilora::SourceFile.Close();
}

void BM_EncodeTiles(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(0));
  PrepareTiles(depth);
  for (auto _ : state) {
    tilora::EncodeTiles(depth);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * PixelBytes(depth));
  tilora::ClearTileBuffer();
  tilora::ClearPixelPlane();
}
BENCHMARK(BM_EncodeTiles)->Arg(4)->Arg(8)->Unit(benchmark::kMicrosecond);

// The portable path, for comparison with the one EncodeTiles takes.
void BM_EncodeTilesPortable(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(0));
  PrepareTiles(depth);
  const auto g = tilora::GeometryOf(tilora::PictureHeader, depth);
  const auto kernel = depth == 4 ? tilora::tile_kernels::Encode4Portable : tilora::tile_kernels::Encode8Portable;
  for (auto _ : state) {
    std::uint8_t* out = tilora::TileBuffer;
    for (std::int64_t ty = 0; ty < g.tilesDown; ++ty)
      for (std::int64_t tx = 0; tx < g.tilesAcross; ++tx, out += g.tileSize)
        kernel(&tilora::PixelPlane[ty * 8][tx * 8], tilora::kPlaneWidth, out);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * PixelBytes(depth));
  tilora::ClearPixelPlane();
}
BENCHMARK(BM_EncodeTilesPortable)->Arg(4)->Arg(8)->Unit(benchmark::kMicrosecond);

void BM_EncodePalette(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(0));
  OpenLargest(depth);
  const int entries = depth == 4 ? 16 : 256;
  for (auto _ : state) {
    tilora::EncodePalette(depth, 54, entries);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * 4 * entries);
  tilora::SourceFile.Close();
}
BENCHMARK(BM_EncodePalette)->Arg(4)->Arg(8);

// Header, pixels, tiles, palette, both outputs written and renamed, and the
// buffers cleared: one whole conversion; bytes are the picture file's.
void BM_ConvertPicture(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(0));
  const std::string& path = Picture(depth);
  const std::string base = Folder() / ("out" + std::to_string(depth));
  for (auto _ : state) {
    tilora::ReadHeader(path);
    if (!tilora::ConvertPicture(path, base).converted) state.SkipWithError("refused");
  }
  const auto g = tilora::GeometryOf(tilora::PictureHeader, depth);
  state.SetBytesProcessed(state.iterations() * (tilora::PictureHeader.DataOffset + g.stride * g.rows));
}
BENCHMARK(BM_ConvertPicture)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
