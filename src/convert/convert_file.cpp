#include "convert/convert_file.h"

#include <variant>

#include "convert/read_picture.h"
#include "formats/png/png_writer.h"
#include "support/output_set.h"

namespace tilora {
namespace {

ConvertOutcome Refused(std::string notice) { return {false, std::move(notice), {}}; }

struct NamedBytes {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

// The files of a conversion, in the order they are put in place.
std::vector<NamedBytes> OutputsOf(EncodedOutputs& encoded, const std::string& base, const ConvertOptions& options,
                                  const TileOptions& tiles, const Picture& picture) {
  // Drawn from the outputs themselves, before their bytes move on.
  std::vector<std::uint8_t> preview;
  if (!options.preview.empty())
    preview = EncodePngRgb(picture.width, picture.height, ConsolePreview(encoded, tiles, picture.width, picture.height));
  std::vector<NamedBytes> files;
  files.push_back({base + ".plt", std::move(encoded.palette)});
  if (tiles.mode7 && tiles.interleave) {
    files.push_back({base + ".vram", std::move(encoded.vram)});
  } else {
    files.push_back({base + ".bin", std::move(encoded.tiles)});
    if (tiles.map || tiles.mode7) files.push_back({base + ".map", std::move(encoded.map)});
  }
  if (!options.preview.empty()) files.push_back({options.preview, std::move(preview)});
  return files;
}

}  // namespace

std::string DepthNotice(int depth) {
  return std::to_string(depth) + " bit per pixels. Only pictures of 4 or 8 bits per pixel can be converted.";
}

std::string RefusalNotice(const Refusal& refusal) {
  if (refusal.kind == RefusalKind::Internal) return "Internal error, nothing was written: " + refusal.message;
  return refusal.message;
}

ConvertOutcome ConvertFile(const std::string& path, const std::string& base, const ConvertOptions& options) {
  PictureRead read = ReadPictureFile(path, options);
  if (read.refusal) return Refused(*read.refusal);
  TileOptions tiles = options.tiles;
  tiles.bpp = read.bpp;
  EncodeResult result = EncodeForConsole(read.picture, tiles);
  if (const Refusal* refusal = std::get_if<Refusal>(&result)) return Refused(RefusalNotice(*refusal));
  std::vector<NamedBytes> files = OutputsOf(std::get<EncodedOutputs>(result), base, options, tiles, read.picture);
  std::vector<OutputFile> outputs;
  ConvertOutcome outcome{true, {}, {}};
  for (const NamedBytes& f : files) {
    outputs.push_back({f.name, f.bytes.data(), f.bytes.size()});
    outcome.written.push_back(f.name);
  }
  WriteOutputSet(outputs, {path});
  return outcome;
}

}  // namespace tilora
