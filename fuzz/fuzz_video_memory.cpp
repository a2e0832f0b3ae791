// Feeds arbitrary bytes to the readers --in-tiles and --in-palette use, as
// the file they read, at a depth the first byte picks (its top bit: a
// palette rather than tiles); what they accept is then built on, a small
// picture converted over the tiles or after the sub-palettes. Besides the
// sanitizers' findings it aborts when a refusal is not one line naming the
// file, when what was read breaks the format's promises, when the outputs
// do not start with the bytes read, or when a cell equal to an existing
// tile does not use it.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "console_decoder.h"
#include "convert/shared_conversion.h"
#include "io/byte_source.h"
#include "io/failure_text.h"
#include "snes/encoders/planar_tiles.h"
#include "snes/readback/output_files.h"

namespace {

using tilora::Picture;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz_video_memory: %s\n", what.c_str());
  std::abort();
}

void CheckRefusal(const tilora::Failure& failure, const std::string& name) {
  const std::string text = tilora::FailureMessage(failure);
  if (text.empty() || text.find('\n') != std::string::npos) Fail("a refusal not of one line: " + text);
  if (!name.empty() && text.find(name) == std::string::npos) Fail("a refusal that does not name the file: " + text);
}

bool StartsWith(const std::vector<std::uint8_t>& bytes, std::span<const std::uint8_t> start) {
  return bytes.size() >= start.size() && std::equal(start.begin(), start.end(), bytes.begin());
}

Picture Blank(int bpp) {
  Picture picture;
  picture.width = 16;
  picture.height = 8;
  picture.depth = bpp;
  picture.indices.assign(16 * 8, 0);
  return picture;
}

// The first cell shows existing tile 0 mirrored; the second, a pattern.
void OverTiles(const std::vector<std::uint8_t>& tiles, int bpp, std::uint8_t seed) {
  tilora::testing::TiledImage image;
  image.tiles = tiles;
  image.bpp = bpp;
  Picture picture = Blank(bpp);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      picture.indices[static_cast<std::size_t>(y * 16 + x)] =
          static_cast<std::uint8_t>(tilora::testing::TileColour(image, 0, 7 - x, y));
      picture.indices[static_cast<std::size_t>(y * 16 + 8 + x)] =
          static_cast<std::uint8_t>((x * seed + y) % (1 << bpp));
    }
  tilora::ConversionSettings settings;
  settings.bpp = bpp;
  tilora::ExistingVideoMemory existing;
  existing.tiles = tiles;
  existing.tilesName = "fuzz.bin";
  const std::vector<Picture> pictures{picture};
  const std::vector<std::string> names{"p"};
  const tilora::SharedResult result = tilora::ConvertShared(pictures, names, settings, existing);
  const std::size_t count = tiles.size() / tilora::PlanarTileSize(bpp);
  if (const auto* failure = std::get_if<tilora::SharedFailure>(&result)) {
    // Only more tiles than the map numbers may be refused.
    if (count + 2 <= 1024) Fail("refused over " + std::to_string(count) + " tiles: " + failure->failure.message);
    CheckRefusal(failure->failure, "");
    return;
  }
  const tilora::SharedConversion& c = std::get<tilora::SharedConversion>(result);
  if (!StartsWith(c.tiles, tiles)) Fail("the existing tiles are not kept");
  if ((c.pictures[0].map[0] | (c.pictures[0].map[1] & 3) << 8) >= static_cast<int>(count))
    Fail("a cell equal to an existing tile flipped does not use it");
}

// Colours of the first sub-palette in the first cell, new ones in the second.
void AfterPalette(const std::vector<std::uint16_t>& words, int bpp, std::uint8_t seed) {
  Picture picture = Blank(24);
  picture.indexed = false;
  picture.indices.clear();
  const std::size_t stride = bpp == 8 ? 256 : std::size_t{1} << bpp;
  const std::size_t firstBlock = std::min(words.size(), stride);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) {
      // No more colours than a sub-palette holds, so every refusal is the
      // palette file's.
      const auto room = static_cast<unsigned>(std::min<std::size_t>(6, stride - 1));
      std::uint16_t c = static_cast<std::uint16_t>(0x7FFF & (seed * 977U + static_cast<unsigned>(x + y) % room));
      if (x < 8 && firstBlock > 1) c = words[1 + static_cast<std::size_t>(x + y) % (firstBlock - 1)];
      const tilora::Rgb rgb = tilora::ShownRgb(c);
      picture.colours.push_back({rgb.red, rgb.green, rgb.blue, 255});
    }
  tilora::ConversionSettings settings;
  settings.bpp = bpp;
  settings.subPalettes.palettes = bpp == 8 ? 1 : 8;
  tilora::ExistingVideoMemory existing;
  existing.palette = {words, "fuzz.plt"};
  const std::vector<Picture> pictures{picture};
  const std::vector<std::string> names{"p"};
  const tilora::SharedResult result = tilora::ConvertShared(pictures, names, settings, existing);
  if (const auto* failure = std::get_if<tilora::SharedFailure>(&result)) {
    CheckRefusal(failure->failure, "fuzz.plt");
    return;
  }
  const tilora::SharedConversion& c = std::get<tilora::SharedConversion>(result);
  std::vector<std::uint8_t> bytes;
  for (const std::uint16_t w : words) {
    bytes.push_back(static_cast<std::uint8_t>(w & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(w >> 8));
  }
  if (!StartsWith(c.palette, bytes)) Fail("the existing colour words are not kept");
  if (c.existingSubPalettes > 8) Fail("more sub-palettes than the console has");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static constexpr int kDepths[] = {2, 4, 8};
  const int bpp = kDepths[(data[0] & 0x7F) % 3];
  const std::span<const std::uint8_t> file(data + 1, size - 1);
  tilora::MemorySource source(file);
  if (data[0] & 0x80) {
    const auto words = tilora::ReadPaletteFile(source, "fuzz.plt");
    if (const tilora::Failure* failure = words.IfFailed()) return CheckRefusal(*failure, "fuzz.plt"), 0;
    if (words->empty() || words->size() > 256 || 2 * words->size() != file.size()) Fail("palette of a wrong size");
    for (const std::uint16_t w : *words)
      if (w & 0x8000) Fail("a colour word with bit 15");
    AfterPalette(*words, bpp, data[0]);
  } else {
    const auto tiles = tilora::ReadTileFile(source, "fuzz.bin", tilora::PlanarTileSize(bpp));
    if (const tilora::Failure* failure = tiles.IfFailed()) return CheckRefusal(*failure, "fuzz.bin"), 0;
    if (tiles->empty() || tiles->size() % tilora::PlanarTileSize(bpp) != 0 ||
        std::span<const std::uint8_t>(*tiles).size() != file.size() || !StartsWith(*tiles, file))
      Fail("tiles not as the file holds them");
    OverTiles(*tiles, bpp, data[0]);
  }
  return 0;
}
