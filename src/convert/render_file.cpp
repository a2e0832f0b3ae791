#include "convert/render_file.h"

#include <new>
#include <vector>

#include "formats/png/png_writer.h"
#include "io/failure_text.h"
#include "io/io_error.h"
#include "io/output_set/output_set.h"
#include "io/platform_file_set.h"
#include "snes/encoders/planar_tiles.h"
#include "snes/readback/output_files.h"
#include "snes/readback/render.h"

namespace tilora {
namespace {

template <typename T>
std::optional<Failure> Take(Result<T> read, T& into) {
  if (const Failure* failure = read.IfFailed()) return *failure;
  into = std::move(*read);
  return std::nullopt;
}

std::optional<Failure> ReadInputs(const RenderRequest& r, RenderInput& in) {
  in.tilesName = r.tiles;
  in.paletteName = r.palette;
  in.mapName = r.map;
  if (auto failure = Take(ReadPaletteFile(r.palette), in.palette)) return failure;
  if (r.options.mode7 && r.options.interleave) return Take(ReadVideoMemoryFile(r.tiles), in.vram);
  const std::size_t tileBytes = r.options.mode7 ? 64 : PlanarTileSize(r.bpp);
  if (auto failure = Take(ReadTileFile(r.tiles, tileBytes), in.tiles)) return failure;
  if (r.options.mode7) return Take(ReadMode7MapFile(r.map), in.mode7Map);
  if (!r.map.empty()) return Take(ReadMapFile(r.map), in.map);
  return std::nullopt;
}

// An output that is one of the files read would be lost before it was
// read again; the output set guards one input, so the rest are asked here.
std::optional<Failure> RefuseOverInput(const RenderRequest& r) {
  platform::ExistingFile output;
  if (platform::Inspect(r.output, output) != 0 || !output.exists) return std::nullopt;
  const std::pair<const std::string*, const char*> inputs[] = {
      {&r.tiles, r.options.interleave ? "the video memory file" : "the tiles file"},
      {&r.palette, "the palette file"},
      {&r.map, "the map file"}};
  for (const auto& [name, what] : inputs) {
    platform::ExistingFile input;
    if (name->empty() || platform::Inspect(*name, input) != 0) continue;
    if (input.exists && input.id == output.id)
      return IoFailure(kErrAccessDenied, "Cannot create file \"" + r.output + "\".", std::string("It is ") + what);
  }
  return std::nullopt;
}

std::optional<Failure> DrawAndWrite(const RenderRequest& r) {
  RenderInput in;
  in.bpp = r.options.mode7 ? 8 : r.bpp;
  in.options = r.options;
  in.options.map = !r.map.empty() && !r.options.mode7;
  in.columns = r.columns;
  in.width = r.width;
  in.height = r.height;
  if (auto failure = ReadInputs(r, in)) return failure;
  const Result<ShownEntries> shown = Render(in);
  if (const Failure* failure = shown.IfFailed()) return *failure;
  std::vector<std::uint8_t> png;
  try {
    png = EncodePngIndexedStored(shown->width, shown->height, shown->entries, shown->colours);
  } catch (const PngError& e) {
    return Refused(e.what());
  }
  if (auto failure = RefuseOverInput(r)) return failure;
  const OutputFile file{r.output, png.data(), png.size()};
  WriteOutputSet(std::span(&file, 1), OutputSetOptions{});
  return std::nullopt;
}

}  // namespace

std::optional<Failure> RenderFile(const RenderRequest& request) {
  try {
    return DrawAndWrite(request);
  } catch (const IoError& e) {
    return e.failure();
  } catch (const std::bad_alloc&) {
    return OutOfMemoryFailure();
  }
}

}  // namespace tilora
