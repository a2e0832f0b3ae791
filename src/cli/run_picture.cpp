#include "cli/run_picture.h"

#include <filesystem>
#include <variant>

#include "convert/convert.h"
#include "convert/convert_file.h"
#include "convert/truecolour.h"
#include "formats/picture_file.h"
#include "io/byte_source.h"
#include "io/failure_text.h"
#include "io/io_error.h"
#include "picture/limits.h"
#include "snes/encoders/planar_tiles.h"
#include "snes/readback/readback.h"

namespace tilora::cli {

std::string Printable(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) {
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

namespace {

PictureResult Failed(const std::string& picture, const Failure& failure, std::string out = {}) {
  return {false, std::move(out), Printable(picture) + ": " + Printable(FailureText(FailureMessage(failure))) + "\n"};
}

std::string SubPaletteList(std::uint8_t used) {
  std::string list;
  for (int b = 0; b < 8; ++b)
    if (used & (1 << b)) list += (list.empty() ? "" : ", ") + std::to_string(b);
  return list.empty() ? "none (colour 0 only)" : list;
}

// What the tiles and the map take of the console's 64 KiB, with --map
// (flips merged) and without.
std::string VideoMemoryLine(const TileFigures& f, int bpp) {
  const auto tileSize = static_cast<std::int64_t>(PlanarTileSize(bpp));
  const std::int64_t tiles = f.distinctWithFlips * tileSize;
  const std::int64_t map = 2 * std::int64_t{f.cells};
  return "Video memory: " + std::to_string(tiles + map) + " of " + std::to_string(limits::kVideoMemoryBytes) +
         " bytes with --map (" + std::to_string(tiles) + " of tiles, " + std::to_string(map) + " of map), " +
         std::to_string(f.cells * tileSize) + " without\n";
}

// The figures a developer budgets with, at the depth the picture would be
// converted at (or --bpp).
std::string IndexedFigures(const Picture& picture, int requestedBpp, int tileSize) {
  const int bpp = requestedBpp ? requestedBpp : picture.depth <= 2 ? 2 : picture.depth <= 4 ? 4 : 8;
  const std::string tiles = (tileSize == 16 ? "16x16 tiles at " : "Tiles at ") + std::to_string(bpp) + "bpp: ";
  const auto figures = FiguresOf(picture, bpp, tileSize);
  if (const Failure* refusal = std::get_if<Failure>(&figures)) return tiles + refusal->message + "\n";
  const TileFigures& f = std::get<TileFigures>(figures);
  // Blocks take whole pairs of tile rows but the last; what that leaves
  // unused counts against the 1024 tile numbers.
  const std::string laidOut = tileSize == 16 ? ", laid out in " + std::to_string(f.laidOutTiles) + " tiles (" +
                                                   std::to_string(f.unusedTiles) + " unused)"
                                             : std::string();
  return "Colours: " + std::to_string(f.coloursUsed) + " used of " + std::to_string(f.paletteEntries) +
         " in the colour table\n" + tiles + std::to_string(f.cells) + " cells, " + std::to_string(f.distinctTiles) +
         " distinct, " + std::to_string(f.distinctWithFlips) + " distinct with flips" + laidOut + "\n" +
         "Sub-palettes: " + SubPaletteList(f.subPalettes) + "\n" + VideoMemoryLine(f, bpp);
}

std::string Fewest(FewestSubPalettes fewest) {
  if (fewest.count == 0) return "none (a tile has too many colours)";
  return (fewest.atLeast ? "at least " : "") + std::to_string(fewest.count);
}

std::string TruecolourFiguresText(const Picture& picture) {
  const TruecolourFigures f = FiguresOfTruecolour(picture);
  return "Colours: " + std::to_string(f.colours15) + " in 15 bits\n" + "Most colours in a tile: " +
         std::to_string(f.mostInATile) + " besides colour 0\n" + "Fewest sub-palettes: " + Fewest(f.fewest4bpp) +
         " at 4bpp, " + Fewest(f.fewest2bpp) + " at 2bpp\n";
}

// The lines the window's picture description shows, from the headers as
// the file gives them.
std::string ShapeLines(const PictureShape& shape) {
  return "Resolution: " + std::to_string(shape.width) + "x" + std::to_string(shape.height) + "\n" +
         "Pic Format: " + std::to_string(shape.depth) + "bpp\n";
}

// Per frame, what it takes on the console: its objects, and the most
// objects and 8-pixel slivers on one line, against the console's 32 and 34.
Result<std::string> SpriteFigures(const Picture& sheet, const ConversionSettings& settings) {
  const Result<Conversion> converted = tilora::Convert(sheet, settings);
  if (const Failure* failure = converted.IfFailed()) return *failure;
  const sprites::SpriteSheet& sprites = *converted->sprites;
  std::string out = "Frames: " + std::to_string(sprites.frames.size()) + ", tiles " +
                    std::to_string(sprites.tileCount) + " of 512, sub-palettes " +
                    std::to_string(sprites.subPalettes) + "\n";
  for (const sprites::SpriteFrame& frame : sprites.frames)
    out += "Frame " + std::to_string(frame.number) + " at " + std::to_string(frame.x) + "," +
           std::to_string(frame.y) + ": " + std::to_string(frame.figures.objects) + " objects, at most " +
           std::to_string(frame.figures.mostObjectsOnLine) + " and " +
           std::to_string(frame.figures.mostSliversOnLine) + " slivers on a line\n";
  return out;
}

PictureResult Describe(const std::string& picture, const CommandLine& command) {
  FileSource source(picture);
  PictureShape shape;
  Result<PictureFile> file = PictureFile::Open(source, &shape);
  const std::string out = shape.read ? ShapeLines(shape) : std::string();
  if (const Failure* failure = file.IfFailed()) return Failed(picture, *failure, out);
  const Result<Picture> read = file->Read();
  if (const Failure* failure = read.IfFailed()) return Failed(picture, *failure, out);
  if (command.settings.sprites) {
    const Result<std::string> figures = SpriteFigures(*read, command.settings);
    if (const Failure* failure = figures.IfFailed()) return Failed(picture, *failure, out);
    return {true, out + *figures, {}};
  }
  if (read->indexed)
    return {true, out + IndexedFigures(*read, command.settings.bpp, command.settings.tiles.tileSize), {}};
  return {true, out + TruecolourFiguresText(*read), {}};
}

PictureResult Convert(const std::string& picture, const std::string& base, const CommandLine& command, bool alone) {
  FileConversionOptions options;
  options.decodeAlongside = alone;
  ConversionSettings settings = command.settings;
  // The tables' labels are named after the outputs' base.
  if (settings.sprites) settings.oamLabel = std::filesystem::path(base).filename().string();
  const Result<ConvertedFiles> done = ConvertFile(picture, base, settings, options);
  if (const Failure* failure = done.IfFailed()) return Failed(picture, *failure);
  // One line each, named by the picture, as failures are.
  std::string err;
  std::size_t start = 0;
  while (start < done->report.size()) {
    const std::size_t end = std::min(done->report.find('\n', start), done->report.size());
    err += Printable(picture) + ": " + Printable(done->report.substr(start, end - start)) + "\n";
    start = end + 1;
  }
  return {true, {}, err};
}

}  // namespace

PictureResult FailedRun(const std::string& name, const Failure& failure) { return Failed(name, failure); }

std::string BaseOf(const std::string& picture) {
  const auto slash = picture.find_last_of("/\\");
  const auto leafStart = slash == std::string::npos ? 0 : slash + 1;
  const auto dot = picture.find_last_of('.');
  if (dot == std::string::npos || dot <= leafStart) return picture;
  return picture.substr(0, dot);
}

PictureResult RunPicture(const CommandLine& command, std::size_t index, bool alone) noexcept {
  const std::string& picture = command.pictures[index];
  try {
    if (command.info) return Describe(picture, command);
    return Convert(picture, command.name ? *command.name : BaseOf(picture), command, alone);
  } catch (const IoError& e) {
    return Failed(picture, e.failure());
  } catch (const std::bad_alloc&) {
  } catch (const std::exception&) {
  }
  // The message must not need the memory that ran out: a fixed text, and
  // the name as given.
  try {
    return Failed(picture, OutOfMemoryFailure());
  } catch (...) {
    return {false, {}, "Out of memory.\n"};
  }
}

}  // namespace tilora::cli
