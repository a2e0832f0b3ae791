// Feeds arbitrary bytes to the readers --render uses and to the drawing:
// a header of settings, then a tiles file, a palette file and a map (see
// RenderFuzzInput). Besides the sanitizers' findings it aborts when a
// refusal is not one line, when a drawing breaks its promises (its size, an
// entry past the palette), or when a pixel differs from what the tests'
// naive reading of the console's formats says the console shows there.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "console_decoder.h"
#include "fuzz_render_input.h"
#include "io/failure_text.h"
#include "io/byte_source.h"
#include "snes/readback/output_files.h"
#include "snes/readback/render.h"

namespace {

using tilora::RenderInput;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz_render: %s\n", what.c_str());
  std::abort();
}

void CheckText(const tilora::Failure& failure) {
  const std::string text = tilora::FailureMessage(failure);
  if (text.empty() || text.find('\n') != std::string::npos) Fail("message: " + text);
  if (failure.kind == tilora::FailureKind::Internal) Fail("internal: " + text);
}

// Reads one part through its reader; false (after checking the refusal)
// when the reader refuses it.
template <typename T, typename Read>
bool ReadPart(std::span<const std::uint8_t> bytes, Read&& read, T& into) {
  tilora::MemorySource source(bytes);
  auto result = read(source);
  if (const tilora::Failure* failure = result.IfFailed()) {
    CheckText(*failure);
    return false;
  }
  into = std::move(*result);
  return true;
}

bool ReadParts(const tilora::fuzzing::RenderFuzzInput& parts, RenderInput& in) {
  using namespace tilora;
  if (!ReadPart(parts.palette, [](ByteSource& s) { return ReadPaletteFile(s, "p"); }, in.palette)) return false;
  if (in.options.mode7 && in.options.interleave)
    return ReadPart(parts.tiles, [](ByteSource& s) { return ReadVideoMemoryFile(s, "v"); }, in.vram);
  const std::size_t tileBytes = in.options.mode7 ? 64 : static_cast<std::size_t>(8 * in.bpp);
  if (!ReadPart(parts.tiles, [&](ByteSource& s) { return ReadTileFile(s, "t", tileBytes); }, in.tiles)) return false;
  if (in.options.mode7) return ReadPart(parts.map, [](ByteSource& s) { return ReadMode7MapFile(s, "m"); }, in.mode7Map);
  if (in.options.map) return ReadPart(parts.map, [](ByteSource& s) { return ReadMapFile(s, "m"); }, in.map);
  return true;
}

tilora::testing::TiledImage NaiveImage(const RenderInput& in) {
  tilora::testing::TiledImage image;
  if (in.options.mode7 && in.options.interleave) return tilora::testing::SplitVram(in.vram);
  image.tiles = in.tiles;
  image.bpp = in.options.mode7 ? 8 : in.bpp;
  image.mode7 = in.options.mode7;
  image.columns = in.options.mode7 ? 128 : in.columns;
  image.screens = in.options.screens;
  image.tileBase = in.options.tileBase;
  image.paletteBase = in.options.paletteBase;
  image.tileSize = in.options.tileSize;
  if (in.options.mode7) image.map = in.mode7Map;
  for (const std::uint16_t word : in.map) {
    image.map.push_back(static_cast<std::uint8_t>(word & 0xFF));
    image.map.push_back(static_cast<std::uint8_t>(word >> 8));
  }
  return image;
}

// The colour memory entry the console shows at (x, y), read the naive way.
int NaiveEntry(const RenderInput& in, const tilora::testing::TiledImage& image, int x, int y) {
  const tilora::testing::ShownPixel shown = tilora::testing::ShownAt(image, x, y);
  if (shown.colour == 0) return 0;
  if (image.bpp == 8) return shown.colour;
  const int perBlock = 1 << in.bpp;
  const int block = in.options.map ? shown.palette : static_cast<int>(in.palette.size()) / perBlock - 1;
  return block * perBlock + shown.colour;
}

void CheckDrawing(const RenderInput& in, const tilora::ShownEntries& shown) {
  if (shown.width < 1 || shown.height < 1 || shown.width > tilora::kMaxRenderSide ||
      shown.height > tilora::kMaxRenderSide)
    Fail("a drawing of impossible size");
  if (shown.entries.size() != static_cast<std::size_t>(shown.width) * static_cast<std::size_t>(shown.height))
    Fail("entries do not match the size");
  if (shown.colours.size() != in.palette.size()) Fail("colours do not match the palette");
  if (in.width && (shown.width != in.width || shown.height != in.height)) Fail("not the size asked for");
  const tilora::testing::TiledImage image = NaiveImage(in);
  // Every pixel of a small drawing, a spread of a large one's.
  const std::size_t count = shown.entries.size();
  const std::size_t step = count <= 16384 ? 1 : count / 4099;
  for (std::size_t i = 0; i < count; i += step) {
    const auto x = static_cast<int>(i % static_cast<std::size_t>(shown.width));
    const auto y = static_cast<int>(i / static_cast<std::size_t>(shown.width));
    if (shown.entries[i] >= shown.colours.size()) Fail("an entry past the palette");
    if (shown.entries[i] != NaiveEntry(in, image, x, y))
      Fail("pixel " + std::to_string(x) + "," + std::to_string(y) + " shows entry " + std::to_string(shown.entries[i]) +
           ", the naive reading " + std::to_string(NaiveEntry(in, image, x, y)));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const tilora::fuzzing::RenderFuzzInput parts = tilora::fuzzing::SplitRenderInput(std::span(data, size));
  RenderInput in = parts.settings;
  if (!ReadParts(parts, in)) return 0;
  const tilora::Result<tilora::ShownEntries> shown = tilora::Render(in);
  if (const tilora::Failure* failure = shown.IfFailed()) {
    CheckText(*failure);
    return 0;
  }
  CheckDrawing(in, *shown);
  return 0;
}
