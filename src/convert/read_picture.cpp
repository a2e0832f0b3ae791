#include "convert/read_picture.h"

#include <vector>

#include "convert/limits.h"
#include "formats/bmp/bmp_reader.h"
#include "formats/png/png_reader.h"
#include "support/byte_source.h"

namespace tilora {
namespace {

// A PNG is read whole before it is decoded; none that fits the size limits
// comes near this.
constexpr std::int64_t kMaxPngFileBytes = std::int64_t{256} << 20;

bool SameHeader(const PictureHeaderRecord& a, const PictureHeaderRecord& b) {
  return a.DataOffset == b.DataOffset && a.Width == b.Width && a.Height == b.Height && a.Depth == b.Depth &&
         a.Compression == b.Compression && a.HeaderSize == b.HeaderSize && a.Planes == b.Planes;
}

// The tile-count limit holds for plain tile data; a map's tiles are counted
// by its encoder.
std::optional<std::string> SizeRefusal(std::int64_t width, std::int64_t height, int bpp, const ConvertOptions& o) {
  if (o.tiles.map || o.tiles.mode7) return LimitNotice(width, height, 8 * kMaxTileBytes);
  return LimitNotice(width, height, bpp);
}

PictureRead ReadBitmap(FileSource& source, const ConvertOptions& options) {
  PictureRead read;
  const BmpLayout layout = ReadBmpLayout(source);
  if (options.expected && !SameHeader(HeaderOf(layout), options.expected->header)) read.refusal = kChangedNotice;
  else if (!IsBmp(layout)) read.refusal = kNotBmpNotice;
  else if (layout.compression != 0) read.refusal = kCompressionNotice;
  if (read.refusal) return read;
  read.bpp = OutputDepth(options, layout.depth, layout.depth <= 8);
  if (read.bpp == 0) read.refusal = DepthNotice(layout.depth);
  else read.refusal = SizeRefusal(layout.width, layout.height, read.bpp, options);
  if (read.refusal) return read;
  if (layout.dataOffset < 0) {
    read.refusal = "The pixel data offset " + std::to_string(layout.dataOffset) + " is negative.";
  } else if (!layout.coreHeader() && layout.headerSize < bmp::kInfoHeaderSize) {
    read.refusal = "The picture's information header is " + std::to_string(layout.headerSize) +
                   " bytes long; only pictures with a header of 12 bytes or of at least 40 bytes are converted.";
  } else if (layout.tableOffset() > layout.dataOffset) {
    read.refusal = "The picture's colour table would start at byte " + std::to_string(layout.tableOffset()) +
                   ", past its pixel data at byte " + std::to_string(layout.dataOffset) + ".";
  } else {
    read.picture = ReadBmpPicture(source, layout);
  }
  return read;
}

PictureRead ReadPng(FileSource& source) {
  PictureRead read;
  const std::int64_t size = source.Stamp().size;
  if (size > kMaxPngFileBytes) {
    read.refusal = "The PNG file is " + std::to_string(size >> 20) + " MiB; at most " +
                   std::to_string(kMaxPngFileBytes >> 20) + " MiB are read.";
    return read;
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  bytes.resize(source.ReadAt(0, bytes.data(), bytes.size()));
  try {
    read.picture = DecodePng(bytes);
  } catch (const PngError& e) {
    read.refusal = e.what();
  }
  return read;
}

}  // namespace

int OutputDepth(const ConvertOptions& options, int pictureDepth, bool indexed) {
  if (!indexed) return 0;
  if (options.tiles.mode7) return 8;
  if (options.bpp != 0) return options.bpp;
  return pictureDepth == 4 || pictureDepth == 8 ? pictureDepth : 0;
}

PictureRead ReadPictureFile(const std::string& path, const ConvertOptions& options) {
  FileSource source(path);
  if (options.expected && source.Stamp() != options.expected->stamp) return {{}, 0, kChangedNotice};
  std::uint8_t signature[8] = {};
  const std::size_t got = source.ReadAt(0, signature, sizeof signature);
  if (!LooksLikePng({signature, got})) return ReadBitmap(source, options);

  PictureRead read = ReadPng(source);
  if (read.refusal) return read;
  const Picture& p = read.picture;
  read.bpp = OutputDepth(options, p.depth, p.indexed);
  if (read.bpp == 0) read.refusal = DepthNotice(p.depth);
  else read.refusal = SizeRefusal(p.width, p.height, read.bpp, options);
  return read;
}

}  // namespace tilora
