#include "cli/run_picture.h"

#include <variant>

#include "convert/convert_file.h"
#include "convert/truecolour.h"
#include "formats/picture_file.h"
#include "io/byte_source.h"
#include "io/failure_text.h"
#include "io/io_error.h"
#include "snes/readback/readback.h"

namespace tilora::cli {

namespace {

// A file name may hold anything but NUL; one line per failure must stay one
// line, so control characters are shown escaped.
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

PictureResult Failed(const std::string& picture, const Failure& failure, std::string out = {}) {
  return {false, std::move(out), Printable(picture) + ": " + Printable(FailureText(FailureMessage(failure))) + "\n"};
}

std::string SubPaletteList(std::uint8_t used) {
  std::string list;
  for (int b = 0; b < 8; ++b)
    if (used & (1 << b)) list += (list.empty() ? "" : ", ") + std::to_string(b);
  return list.empty() ? "none (colour 0 only)" : list;
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
         "Sub-palettes: " + SubPaletteList(f.subPalettes) + "\n";
}

std::string Fewest(int count) { return count > 0 ? std::to_string(count) : "none (a tile has too many colours)"; }

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

PictureResult Describe(const std::string& picture, const CommandLine& command) {
  FileSource source(picture);
  PictureShape shape;
  Result<PictureFile> file = PictureFile::Open(source, &shape);
  const std::string out = shape.read ? ShapeLines(shape) : std::string();
  if (const Failure* failure = file.IfFailed()) return Failed(picture, *failure, out);
  const Result<Picture> read = file->Read();
  if (const Failure* failure = read.IfFailed()) return Failed(picture, *failure, out);
  if (read->indexed)
    return {true, out + IndexedFigures(*read, command.settings.bpp, command.settings.tiles.tileSize), {}};
  return {true, out + TruecolourFiguresText(*read), {}};
}

PictureResult Convert(const std::string& picture, const std::string& base, const CommandLine& command, bool alone) {
  FileConversionOptions options;
  options.decodeAlongside = alone;
  const Result<ConvertedFiles> done = ConvertFile(picture, base, command.settings, options);
  if (const Failure* failure = done.IfFailed()) return Failed(picture, *failure);
  if (!done->report.empty()) return {true, {}, Printable(picture) + ": " + done->report + "\n"};
  return {true, {}, {}};
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
