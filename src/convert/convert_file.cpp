#include "convert/convert_file.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <system_error>
#include <thread>
#include <variant>

#include "convert/read_picture.h"
#include "snes/rom/rom_builder.h"
#include "formats/png/png_error.h"
#include "formats/png/png_writer.h"
#include "picture/rows_arriving.h"
#include "support/output_set.h"

namespace tilora {
namespace {

ConvertOutcome Refused(std::string notice) { return {false, std::move(notice), {}, {}}; }

std::string DeltaEText(double mean, double worst) {
  char text[80];
  std::snprintf(text, sizeof text, "mean \u0394E %.2f, worst \u0394E %.2f (CIEDE2000)", mean, worst);
  return text;
}

struct NamedBytes {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

// One row of 16 x 16 swatches per sub-palette, as the console shows them.
std::vector<std::uint8_t> SwatchesPng(const Picture& picture, const TileOptions& tiles) {
  constexpr int kSwatch = 16;
  const std::size_t stride = tiles.mode7 || tiles.bpp == 8 ? 256 : std::size_t{1} << tiles.bpp;
  const int rows = static_cast<int>((picture.palette.size() + stride - 1) / stride);
  const int across = static_cast<int>(stride);
  std::vector<Rgb> pixels(static_cast<std::size_t>(rows * kSwatch) * static_cast<std::size_t>(across * kSwatch));
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const std::size_t x = i % static_cast<std::size_t>(across * kSwatch), y = i / static_cast<std::size_t>(across * kSwatch);
    const std::size_t entry = y / kSwatch * stride + x / kSwatch;
    if (entry < picture.palette.size()) {
      const Rgb c = picture.palette[entry];
      const auto shown = [](std::uint8_t v) { return static_cast<std::uint8_t>((v >> 3) << 3 | v >> 5); };
      pixels[i] = {shown(c.red), shown(c.green), shown(c.blue)};
    }
  }
  return EncodePngRgb(across * kSwatch, rows * kSwatch, pixels);
}

// The cartridge that shows the outputs, or why the console cannot.
rom::RomResult CartridgeOf(const EncodedOutputs& encoded, const std::string& base, const TileOptions& tiles,
                           const Picture& picture) {
  rom::Background background;
  background.bpp = tiles.bpp;
  background.mode7 = tiles.mode7;
  background.interleave = tiles.interleave;
  background.tiles = encoded.tiles;
  background.map = encoded.map;
  background.palette = encoded.palette;
  background.vram = encoded.vram;
  if (tiles.map) background.mapShape = rom::MapShape{encoded.mapColumns, encoded.mapRows, tiles.screens};
  background.tileBase = tiles.tileBase;
  background.paletteBase = tiles.paletteBase;
  background.width = picture.width;
  background.height = picture.height;
  return rom::BuildRom({background, std::nullopt, std::filesystem::path(base).filename().string()});
}

// The files of a conversion, in the order they are put in place.
std::vector<NamedBytes> OutputsOf(EncodedOutputs& encoded, const std::string& base, const ConvertOptions& options,
                                  const TileOptions& tiles, const Picture& picture, std::vector<std::uint8_t> rom) {
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
  if (!options.palettePng.empty()) files.push_back({options.palettePng, SwatchesPng(picture, tiles)});
  if (!options.rom.empty()) files.push_back({options.rom, std::move(rom)});
  return files;
}

// Decodes a PNG's pixels into start.read.picture; why not, when they cannot
// be. Rows that arrive in order, for a map, go to the encoder while the rest
// are decoded on a second thread; its result is then in encoded.
std::optional<std::string> DecodePixels(PictureStart& start, const TileOptions& tiles, const ConvertOptions& options,
                                        std::optional<EncodeResult>& encoded) {
  Picture& picture = start.read.picture;
  PendingPixels& pending = *start.pending;
  const bool alongside = options.decodeAlongside && tiles.map && !tiles.mode7 && options.truecolour.palettes == 0 &&
                         picture.indexed && pending.RowsInOrder();
  if (alongside) {
    RowsArriving arriving;
    std::optional<std::string> failure;
    std::optional<std::jthread> decoder;  // joined before the rest goes, however this ends
    try {
      decoder.emplace([&] {
        try {
          failure = pending.Decode(picture, &arriving);
        } catch (const std::exception& e) {
          arriving.Stop();
          failure = e.what();
        }
      });
    } catch (const std::system_error&) {
      return pending.Decode(picture, nullptr);  // no second thread to be had
    }
    encoded = EncodeForConsole(picture, tiles, &arriving);
    decoder.reset();
    // The decoding's failure is the one to tell, as when it comes first.
    if (failure) encoded.reset();
    return failure;
  }
  return pending.Decode(picture, nullptr);
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
  PictureStart start = StartPictureFile(path, options);
  PictureRead& read = start.read;
  if (read.refusal) return Refused(*read.refusal);
  TileOptions tiles = options.tiles;
  tiles.bpp = read.bpp;
  std::optional<EncodeResult> encoded;
  if (start.pending) {
    if (auto failure = DecodePixels(start, tiles, options, encoded)) return Refused(*failure);
  }
  std::string report;
  if (options.truecolour.palettes > 0) {
    IndexedTruecolour indexed = IndexTruecolour(read.picture, read.bpp, options.truecolour);
    if (indexed.refusal) return Refused(*indexed.refusal);
    read.picture = std::move(indexed.picture);
    if (indexed.reduced) report = "colours reduced to fit: " + DeltaEText(indexed.meanDeltaE, indexed.worstDeltaE);
  }
  EncodeResult result = encoded ? std::move(*encoded) : EncodeForConsole(read.picture, tiles);
  if (const Refusal* refusal = std::get_if<Refusal>(&result)) return Refused(RefusalNotice(*refusal));
  std::vector<std::uint8_t> rom;
  if (!options.rom.empty()) {
    rom::RomResult cartridge = CartridgeOf(std::get<EncodedOutputs>(result), base, tiles, read.picture);
    if (const auto* refusal = std::get_if<rom::RomRefusal>(&cartridge)) return Refused(refusal->message);
    rom = std::move(std::get<std::vector<std::uint8_t>>(cartridge));
  }
  std::vector<NamedBytes> files;
  try {
    files = OutputsOf(std::get<EncodedOutputs>(result), base, options, tiles, read.picture, std::move(rom));
  } catch (const PngError& e) {
    return Refused(e.what());  // a build without PNG cannot write the preview
  }
  std::vector<OutputFile> outputs;
  ConvertOutcome outcome{true, {}, {}, report};
  for (const NamedBytes& f : files) {
    outputs.push_back({f.name, f.bytes.data(), f.bytes.size()});
    outcome.written.push_back(f.name);
  }
  WriteOutputSet(outputs, {path});
  return outcome;
}

}  // namespace tilora
