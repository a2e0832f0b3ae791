#include "cli/run_picture.h"

#include <variant>

#include "convert/convert_file.h"
#include "convert/read_picture.h"
#include "formats/bmp/bmp_layout.h"
#include "support/byte_source.h"
#include "support/io_error.h"

namespace tilora::cli {

const char* const kUsage =
    "Usage: tilora-convert [OPTION]... PICTURE...\n"
    "       tilora-convert --info [--bpp N] PICTURE...\n"
    "\n"
    "Converts BMP and PNG pictures into planar 8x8 tile data (BASE.bin), 15-bit\n"
    "palette words (BASE.plt) and, with --map, a tilemap (BASE.map). Options come\n"
    "before the pictures.\n"
    "\n"
    "  --name BASE          base name of the outputs (one picture only), relative to\n"
    "                       the current folder; default: the picture's path without\n"
    "                       its extension\n"
    "  --bpp 2|4|8          output bits per pixel (default: the picture's own)\n"
    "  --map                store each distinct tile once and write the map\n"
    "  --no-flip            with --map: merge only identical tiles, not mirrored ones\n"
    "  --tile-base N        with --map: add N (0-1023) to every tile number\n"
    "  --palette-base N     with --map: add N (0-7) to every palette number\n"
    "  --priority           with --map: set the priority bit of every entry\n"
    "  --blank-tile         with --map: tile 0 is all colour 0\n"
    "  --screens            with --map: whole 32x32 screens, in the console's order\n"
    "  --mode7              8-bit chunky tiles and a 128x128 byte map\n"
    "  --interleave         with --mode7: write the 32 KiB BASE.vram instead\n"
    "  --preview FILE.png   also write the picture as the console shows it\n"
    "  --palettes N         make N (1-8) sub-palettes for a truecolour picture (an\n"
    "                       indexed one given this is treated as truecolour)\n"
    "  --colours C          colours per sub-palette, colour 0 included (default:\n"
    "                       16 at 4 bpp, 4 at 2 bpp, 256 at 8 bpp)\n"
    "  --colour-zero RRGGBB colour 0, the backdrop; pixels of exactly it take it\n"
    "  --lossy              when the colours do not fit, reduce them (CIEDE2000)\n"
    "  --dither             with --lossy: error diffusion within each tile\n"
    "  --palette-png FILE   also write the sub-palettes as rows of swatches\n"
    "  -j N                 convert N pictures at a time (default: one per core)\n"
    "  --info               describe each picture: size, colours, tiles, sub-palettes\n"
    "  --help               show this help\n"
    "  --version            show the version\n"
    "\n"
    "Exit status: 0 all converted, 1 a picture failed or was refused, 2 usage error.\n";

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

PictureResult Failed(const std::string& picture, const std::string& text, std::string out = {}) {
  return {false, std::move(out), Printable(picture) + ": " + Printable(FailureText(text)) + "\n"};
}

std::string SubPaletteList(std::uint8_t used) {
  std::string list;
  for (int b = 0; b < 8; ++b)
    if (used & (1 << b)) list += (list.empty() ? "" : ", ") + std::to_string(b);
  return list.empty() ? "none (colour 0 only)" : list;
}

// The figures a developer budgets with, at the depth the picture would be
// converted at (or --bpp).
std::string IndexedFigures(const Picture& picture, int requestedBpp) {
  const int bpp = requestedBpp ? requestedBpp : picture.depth <= 2 ? 2 : picture.depth <= 4 ? 4 : 8;
  const auto figures = FiguresOf(picture, bpp);
  if (const Refusal* refusal = std::get_if<Refusal>(&figures))
    return "Tiles at " + std::to_string(bpp) + "bpp: " + refusal->message + "\n";
  const TileFigures& f = std::get<TileFigures>(figures);
  return "Colours: " + std::to_string(f.coloursUsed) + " used of " + std::to_string(f.paletteEntries) +
         " in the colour table\n" + "Tiles at " + std::to_string(bpp) + "bpp: " + std::to_string(f.cells) +
         " cells, " + std::to_string(f.distinctTiles) + " distinct, " + std::to_string(f.distinctWithFlips) +
         " distinct with flips\n" + "Sub-palettes: " + SubPaletteList(f.subPalettes) + "\n";
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

PictureResult Describe(const std::string& picture, const Options& options) {
  std::string out;
  try {
    const PictureDescription d = DescribePictureFile(picture);
    if (!d.resolution.empty()) out = d.resolution + "\n" + d.format + "\n";
    if (d.refusal) return Failed(picture, *d.refusal, out);
    if (d.picture->indexed) out += IndexedFigures(*d.picture, options.bpp);
    else out += TruecolourFiguresText(*d.picture);
  } catch (const IoError& e) {
    return Failed(picture, e.what(), out);
  }
  return {true, out, {}};
}

ConvertOptions ConversionOf(const Options& options) {
  ConvertOptions c;
  c.bpp = options.bpp;
  c.tiles.map = options.map;
  c.tiles.flips = !options.noFlip;
  c.tiles.tileBase = options.tileBase.value_or(0);
  c.tiles.paletteBase = options.paletteBase.value_or(0);
  c.tiles.priority = options.priority;
  c.tiles.blankTile = options.blankTile;
  c.tiles.screens = options.screens;
  c.tiles.mode7 = options.mode7;
  c.tiles.interleave = options.interleave;
  c.preview = options.preview.value_or("");
  c.palettePng = options.palettePng.value_or("");
  c.truecolour.palettes = options.palettes.value_or(0);
  c.truecolour.colours = options.colours.value_or(0);
  c.truecolour.lossy = options.lossy;
  c.truecolour.dither = options.dither;
  c.truecolour.colourZero = options.colourZero;
  return c;
}

PictureResult Convert(const std::string& picture, const std::string& base, const Options& options, bool alone) {
  try {
    ConvertOptions conversion = ConversionOf(options);
    conversion.decodeAlongside = alone;
    const ConvertOutcome outcome = ConvertFile(picture, base, conversion);
    if (!outcome.converted) return Failed(picture, outcome.notice);
    if (!outcome.report.empty()) return {true, {}, Printable(picture) + ": " + outcome.report + "\n"};
  } catch (const IoError& e) {
    return Failed(picture, e.what());
  }
  return {true, {}, {}};
}

}  // namespace

std::string BaseOf(const std::string& picture) {
  const auto slash = picture.find_last_of("/\\");
  const auto leafStart = slash == std::string::npos ? 0 : slash + 1;
  const auto dot = picture.find_last_of('.');
  if (dot == std::string::npos || dot <= leafStart) return picture;
  return picture.substr(0, dot);
}

PictureResult RunPicture(const Options& options, std::size_t index, bool alone) {
  const std::string& picture = options.pictures[index];
  if (options.info) return Describe(picture, options);
  return Convert(picture, options.name ? *options.name : BaseOf(picture), options, alone);
}

}  // namespace tilora::cli
