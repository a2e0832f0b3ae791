// Feeds arbitrary bytes as a picture file through the converter's own path:
// header reading, the acceptance test and the conversion, with the outputs in
// a private folder. Besides the sanitizers' findings it aborts when a run
// leaves a stray file, or when the tile data differs from what the naive
// reference encoder makes of the same bytes.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "convert/convert_picture.h"
#include "convert/limits.h"
#include "convert/picture_header.h"
#include "reference_encoder.h"
#include "temp_dir.h"
#include "support/io_error.h"

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz_convert: %s\n", what.c_str());
  std::abort();
}

void WriteInput(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) Fail("cannot write the input file");
  if (size > 0 && std::fwrite(data, 1, size, f) != size) Fail("cannot write the input file");
  if (std::fclose(f) != 0) Fail("cannot write the input file");
}

std::uintmax_t SizeOrZero(const fs::path& path) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  return ec ? 0 : size;
}

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The colour index of pixel (x, y), taken byte by byte from the file as the
// format describes it: rows bottom first unless the height is negative, two
// pixels a byte at depth 4 (left one in the high nibble), 0 outside the
// picture except a 4-bit row's filler nibble right of an odd width.
int NaivePixel(const std::uint8_t* data, const tilora::PictureGeometry& g, int depth, std::int64_t x, std::int64_t y) {
  if (y >= g.rows) return 0;
  const std::int64_t fileRow = g.topDown ? y : g.rows - 1 - y;
  const std::int64_t rowStart = tilora::PictureHeader.DataOffset + g.stride * fileRow;
  if (depth == 8) return x < g.width ? data[rowStart + x] : 0;
  if (x / 2 >= g.rowBytes) return 0;
  const std::uint8_t b = data[rowStart + x / 2];
  return x % 2 == 0 ? b >> 4 : b & 0x0F;
}

std::vector<std::uint8_t> NaiveTiles(const std::uint8_t* data, int depth) {
  const tilora::PictureGeometry g = tilora::GeometryOf(tilora::PictureHeader, depth);
  std::vector<std::uint8_t> out;
  for (std::int64_t ty = 0; ty < g.tilesDown; ++ty)
    for (std::int64_t tx = 0; tx < g.tilesAcross; ++tx) {
      std::uint8_t pixels[64];
      for (int i = 0; i < 64; ++i)
        pixels[i] = static_cast<std::uint8_t>(NaivePixel(data, g, depth, tx * 8 + i % 8, ty * 8 + i / 8));
      const auto tile = tilora::testing::ReferenceTile(pixels, depth);
      out.insert(out.end(), tile.begin(), tile.end());
    }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A private folder for this input alone, removed with everything in it
  // afterwards: libFuzzer ends without running static destructors, so
  // nothing may outlive a run.
  const tilora::testing::TempDir work;
  const fs::path& folder = work.path();
  const std::string input = (folder / "in.bmp").string();
  const std::string base = (folder / "Pic").string();
  WriteInput(input, data, size);

  bool converted = false;
  try {
    tilora::ReadHeader(input);
    if (tilora::PictureHeaderAccepted) converted = tilora::ConvertPicture(input, base).converted;
  } catch (const tilora::IoError& e) {
    if (tilora::FailureText(e.what()).empty()) Fail("an IoError without text");
  }

  if (converted) {
    const int depth = tilora::PictureHeader.Depth;
    const tilora::PictureGeometry g = tilora::GeometryOf(tilora::PictureHeader, depth);
    if (SizeOrZero(base + ".bin") != static_cast<std::uintmax_t>(g.tileBytes)) Fail("wrong tile-data size");
    // A converted picture's rows all lie inside the file, so the naive
    // reading cannot run past its end.
    if (ReadAll(base + ".bin") != NaiveTiles(data, depth)) Fail("tile data differs from the reference");
    if (SizeOrZero(base + ".plt") != static_cast<std::uintmax_t>(2 * g.paletteEntries)) Fail("wrong palette size");
  }
  // Only the input and, after a conversion, the two outputs may be there.
  std::size_t entries = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string leaf = entry.path().filename().string();
    if (leaf != "in.bmp" && (!converted || (leaf != "Pic.bin" && leaf != "Pic.plt")))
      Fail("stray file left behind: " + leaf);
    ++entries;
  }
  if (entries != (converted ? 3u : 1u)) Fail("outputs missing after a conversion");
  return 0;
}
