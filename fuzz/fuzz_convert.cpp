// Feeds arbitrary bytes as a picture file through the one conversion entry
// point, with the outputs in
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

#include "convert/convert_file.h"
#include "formats/bmp/bmp_layout.h"
#include "formats/png/png_reader.h"
#include "reference_encoder.h"
#include "temp_dir.h"
#include "io/io_error.h"

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
// picture, a 4-bit row's filler nibble included.
int NaivePixel(const std::uint8_t* data, const tilora::BmpLayout& layout, std::int64_t x, std::int64_t y) {
  if (y >= layout.rows() || x >= layout.width) return 0;
  const std::int64_t fileRow = layout.topDown() ? y : layout.rows() - 1 - y;
  const std::int64_t rowStart = layout.dataOffset + layout.stride() * fileRow;
  if (layout.depth == 8) return data[rowStart + x];
  const std::uint8_t b = data[rowStart + x / 2];
  return x % 2 == 0 ? b >> 4 : b & 0x0F;
}

std::vector<std::uint8_t> NaiveTiles(const std::uint8_t* data, const tilora::BmpLayout& layout) {
  std::vector<std::uint8_t> out;
  for (std::int64_t ty = 0; ty < (layout.rows() + 7) / 8; ++ty)
    for (std::int64_t tx = 0; tx < (layout.width + 7) / 8; ++tx) {
      std::uint8_t pixels[64];
      for (int i = 0; i < 64; ++i)
        pixels[i] = static_cast<std::uint8_t>(NaivePixel(data, layout, tx * 8 + i % 8, ty * 8 + i / 8));
      const auto tile = tilora::testing::ReferenceTile(pixels, layout.depth);
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

  // The window's display checks run on the same parser.
  {
    tilora::MemorySource source({data, size});
    const char* failure = tilora::BmpStructureFailure(source, static_cast<std::int64_t>(size));
    if (failure == nullptr) Fail("no display classification");
  }

  bool converted = false;
  try {
    converted = tilora::ConvertFile(input, base).converted;
  } catch (const tilora::IoError& e) {
    if (tilora::FailureText(e.what()).empty()) Fail("an IoError without text");
  }

  // PNG pictures are checked by the PNG target's own oracle; here only that
  // a conversion leaves exactly its outputs.
  const bool png = tilora::LooksLikePng({data, size});
  if (converted && !png) {
    tilora::MemorySource source({data, size});
    const tilora::BmpLayout layout = tilora::ReadBmpLayout(source);
    if (layout.depth != 4 && layout.depth != 8) Fail("converted a picture of depth " + std::to_string(layout.depth));
    const auto tiles = NaiveTiles(data, layout);
    // A converted picture's rows all lie inside the file, so the naive
    // reading cannot run past its end.
    if (SizeOrZero(base + ".bin") != tiles.size()) Fail("wrong tile-data size");
    if (ReadAll(base + ".bin") != tiles) Fail("tile data differs from the reference");
    if (SizeOrZero(base + ".plt") != (layout.depth == 4 ? 32u : 512u)) Fail("wrong palette size");
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

  // The console pipeline on the same picture, into a folder of its own: a
  // map with 4-bit sub-palettes and, for small files, sub-palettes made from
  // the picture's colours. Each must succeed whole or leave nothing.
  const fs::path console = folder / "console";
  fs::create_directory(console);
  tilora::ConvertOptions options;
  options.tiles.map = true;
  options.bpp = 4;
  if (size < 16 * 1024) options.truecolour.palettes = 8;
  options.preview = (console / "shown.png").string();
  bool made = false;
  try {
    made = tilora::ConvertFile(input, (console / "Map").string(), options).converted;
  } catch (const tilora::IoError& e) {
    if (tilora::FailureText(e.what()).empty()) Fail("an IoError without text");
  }
  std::size_t outputs = 0;
  for (const auto& entry : fs::directory_iterator(console)) {
    const std::string leaf = entry.path().filename().string();
    if (!made || (leaf != "Map.bin" && leaf != "Map.plt" && leaf != "Map.map" && leaf != "shown.png"))
      Fail("stray file left behind: console/" + leaf);
    ++outputs;
  }
  if (outputs != (made ? 4u : 0u)) Fail("outputs missing after a console conversion");

  // A PNG's map made while its rows are still decoded must end as one made
  // from the whole picture.
  if (tilora::LooksLikePng({data, size})) {
    tilora::ConvertOptions map;
    map.tiles.map = true;
    map.bpp = 4;
    tilora::ConvertOutcome ends[2];
    for (const bool alongside : {false, true}) {
      map.decodeAlongside = alongside;
      try {
        ends[alongside] = tilora::ConvertFile(input, (folder / (alongside ? "Alongside" : "First")).string(), map);
      } catch (const tilora::IoError& e) {
        Fail(std::string("an IoError reading the file again: ") + e.what());
      }
    }
    if (ends[0].converted != ends[1].converted || ends[0].notice != ends[1].notice)
      Fail("decoding alongside ended otherwise: \"" + ends[1].notice + "\" for \"" + ends[0].notice + "\"");
    if (ends[0].converted)
      for (const char* ext : {".bin", ".map", ".plt"})
        if (ReadAll((folder / "First").string() + ext) != ReadAll((folder / "Alongside").string() + ext))
          Fail(std::string("decoding alongside wrote another ") + ext);
  }
  return 0;
}
