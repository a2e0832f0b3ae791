// Feeds arbitrary bytes as a picture file through the one conversion, in
// memory. Besides the sanitizers' findings it aborts when a failure has no
// text, when the tile data differs from what the naive reference encoder
// makes of the same bytes, or when a PNG decoded alongside its encoding
// ends otherwise than one decoded first.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "convert/convert_file.h"
#include "formats/bmp/bmp_layout.h"
#include "formats/png/png_reader.h"
#include "io/failure_text.h"
#include "reference_encoder.h"

namespace {

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz_convert: %s\n", what.c_str());
  std::abort();
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

// The outcome's bytes, or its failure's message, for comparing two ways.
std::string Summary(const tilora::Result<tilora::Conversion>& result) {
  if (const tilora::Failure* failure = result.IfFailed()) {
    const std::string text = tilora::FailureMessage(*failure);
    if (text.empty()) Fail("a failure without text");
    return "refused: " + text;
  }
  const tilora::EncodedOutputs& e = result->encoded;
  return std::string(e.tiles.begin(), e.tiles.end()) + "|" + std::string(e.map.begin(), e.map.end()) + "|" +
         std::string(e.palette.begin(), e.palette.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The window's display checks run on the same parser.
  {
    tilora::MemorySource source({data, size});
    const char* failure = tilora::BmpStructureFailure(source, static_cast<std::int64_t>(size));
    if (failure == nullptr) Fail("no display classification");
  }

  // The plain conversion, checked against the naive reading of the bytes.
  tilora::MemorySource source({data, size});
  const tilora::Result<tilora::Conversion> plain = tilora::ConvertSource(source, {});
  (void)Summary(plain);
  // PNG pictures are checked by the PNG target's own oracle.
  const bool png = tilora::LooksLikePng({data, size});
  if (plain && !png) {
    const tilora::BmpLayout layout = tilora::ReadBmpLayout(source);
    if (layout.depth != 4 && layout.depth != 8) Fail("converted a picture of depth " + std::to_string(layout.depth));
    // A converted picture's rows all lie inside the file, so the naive
    // reading cannot run past its end.
    if (plain->encoded.tiles != NaiveTiles(data, layout)) Fail("tile data differs from the reference");
    if (plain->encoded.palette.size() != (layout.depth == 4 ? 32u : 512u)) Fail("wrong palette size");
  }

  // The console pipeline on the same picture: a map with 4-bit sub-palettes
  // and, for small files, sub-palettes made from the picture's colours, and
  // the picture as the console shows it.
  tilora::ConversionSettings console;
  console.tiles.map = true;
  console.bpp = 4;
  if (size < 16 * 1024) console.subPalettes.palettes = 8;
  console.preview = "shown.png";
  const tilora::Result<tilora::Conversion> made = tilora::ConvertSource(source, console);
  (void)Summary(made);
  if (made && made->preview.empty()) Fail("no preview made");

  // A PNG's map made while its rows are still decoded must end as one made
  // from the whole picture.
  if (png) {
    tilora::ConversionSettings map;
    map.tiles.map = true;
    map.bpp = 4;
    const std::string first = Summary(tilora::ConvertSource(source, map, false));
    const std::string alongside = Summary(tilora::ConvertSource(source, map, true));
    if (first != alongside) Fail("decoding alongside ended otherwise");
  }
  return 0;
}
