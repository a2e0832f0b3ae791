#include "cli/run_picture.h"

#include "convert/convert_file.h"
#include "formats/bmp/bmp_layout.h"
#include "support/byte_source.h"
#include "support/io_error.h"

namespace tilora::cli {

const char* const kUsage =
    "Usage: tilora-convert [OPTION]... PICTURE...\n"
    "       tilora-convert --info PICTURE...\n"
    "\n"
    "Converts BMP pictures into planar 8x8 tile data (BASE.bin) and 15-bit\n"
    "palette words (BASE.plt). Options come before the pictures.\n"
    "\n"
    "  --name BASE  base name of the outputs (one picture only); relative to the\n"
    "               current folder. Default: the picture's path without extension.\n"
    "  --bpp N      output bits per pixel: 2, 4 or 8 (default: the picture's own)\n"
    "  --info       print each picture's resolution and format instead\n"
    "  -j N         convert N pictures at a time (default: one per core)\n"
    "  --help       show this help\n"
    "  --version    show the version\n"
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

PictureResult Describe(const std::string& picture) {
  std::string out;
  try {
    FileSource source(picture);
    const BmpLayout layout = ReadBmpLayout(source);
    const PictureHeaderRecord header = HeaderOf(layout);
    out = ResolutionText(header) + "\n" + FormatText(header) + "\n";
    if (!IsBmp(layout)) return Failed(picture, kNotBmpNotice, out);
    if (!IsAccepted(header)) return Failed(picture, kCompressionNotice, out);
  } catch (const IoError& e) {
    return Failed(picture, e.what(), out);
  }
  return {true, out, {}};
}

ConvertOptions ConversionOf(const Options& options) {
  ConvertOptions c;
  c.bpp = options.bpp;
  return c;
}

PictureResult Convert(const std::string& picture, const std::string& base, const Options& options) {
  try {
    const ConvertOutcome outcome = ConvertFile(picture, base, ConversionOf(options));
    if (!outcome.converted) return Failed(picture, outcome.notice);
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

PictureResult RunPicture(const Options& options, std::size_t index) {
  const std::string& picture = options.pictures[index];
  if (options.info) return Describe(picture);
  return Convert(picture, options.name ? *options.name : BaseOf(picture), options);
}

}  // namespace tilora::cli
