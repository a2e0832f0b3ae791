#include "convert/read_picture.h"

#include <variant>
#include <vector>

#include "convert/limits.h"
#include "formats/bmp/bmp_reader.h"
#include "formats/png/png_reader.h"
#include "io/byte_source.h"

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
std::optional<std::string> SizeRefusal(std::int64_t width, std::int64_t height, int bpp, const TileOptions& tiles) {
  if (tiles.map || tiles.mode7) return SizeNotice(width, height);
  return LimitNotice(width, height, bpp);
}

// Bit fields in their standard layouts are plain colours too.
std::optional<std::string> AcceptanceRefusal(ByteSource& source, const BmpLayout& layout) {
  if (!IsBmp(layout)) return kNotBmpNotice;
  if (layout.compression == kBmpBitFields && (layout.depth == 16 || layout.depth == 32) &&
      ReadBmpChannels(source, layout).standard)
    return std::nullopt;
  if (layout.compression != 0) return kCompressionNotice;
  return std::nullopt;
}

// Where the headers put the table and the rows so that they cannot be read.
std::optional<std::string> LayoutRefusal(const BmpLayout& layout) {
  if (layout.dataOffset < 0) return "The pixel data offset " + std::to_string(layout.dataOffset) + " is negative.";
  if (!layout.coreHeader() && layout.headerSize < bmp::kInfoHeaderSize)
    return "The picture's information header is " + std::to_string(layout.headerSize) +
           " bytes long; only pictures with a header of 12 bytes or of at least 40 bytes are converted.";
  if (layout.tableOffset() > layout.dataOffset)
    return "The picture's colour table would start at byte " + std::to_string(layout.tableOffset()) +
           ", past its pixel data at byte " + std::to_string(layout.dataOffset) + ".";
  return std::nullopt;
}

bool ReadableDepth(int depth) {
  return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
}

PictureRead ReadBitmap(FileSource& source, const ConvertOptions& options) {
  PictureRead read;
  const BmpLayout layout = ReadBmpLayout(source);
  if (options.expected && (options.expected->png || !SameHeader(HeaderOf(layout), options.expected->header)))
    read.refusal = kChangedNotice;
  else read.refusal = AcceptanceRefusal(source, layout);
  if (read.refusal) return read;
  read.bpp = ReadableDepth(layout.depth) ? OutputDepth(options, layout.depth, layout.depth <= 8) : 0;
  if (read.bpp == 0) read.refusal = DepthNotice(layout.depth);
  else read.refusal = SizeRefusal(layout.width, layout.height, read.bpp, options.tiles);
  if (!read.refusal) read.refusal = LayoutRefusal(layout);
  if (!read.refusal) read.picture = ReadBmpPicture(source, layout);
  return read;
}

// The file whole, or why it is not read.
std::variant<std::vector<std::uint8_t>, std::string> PngFileBytes(FileSource& source) {
  const std::int64_t size = source.Stamp().size;
  if (size > kMaxPngFileBytes)
    return "The PNG file is " + std::to_string(size >> 20) + " MiB; at most " +
           std::to_string(kMaxPngFileBytes >> 20) + " MiB are read.";
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  bytes.resize(source.ReadAt(0, bytes.data(), bytes.size()));
  return bytes;
}

// Reads a PNG up to its pixels; why not, when it cannot be.
std::variant<std::unique_ptr<PendingPixels>, std::string> StartPng(FileSource& source) {
  auto bytes = PngFileBytes(source);
  if (auto* refusal = std::get_if<std::string>(&bytes)) return std::move(*refusal);
  try {
    return std::make_unique<PendingPixels>(std::move(std::get<std::vector<std::uint8_t>>(bytes)));
  } catch (const PngError& e) {
    return std::string(e.what());
  }
}

std::optional<std::string> ReadPng(FileSource& source, Picture& picture) {
  auto started = StartPng(source);
  if (auto* refusal = std::get_if<std::string>(&started)) return std::move(*refusal);
  PendingPixels& pending = *std::get<std::unique_ptr<PendingPixels>>(started);
  picture = pending.Shape();
  return pending.Decode(picture, nullptr);
}

bool IsPng(ByteSource& source) {
  std::uint8_t signature[8] = {};
  const std::size_t got = source.ReadAt(0, signature, sizeof signature);
  return LooksLikePng({signature, got});
}

PngHeaderSeen HeaderSeen(const Picture& picture) {
  return {picture.width, picture.height, picture.depth, picture.indexed};
}

// The description of a file known to be a PNG.
PictureDescription DescribePng(FileSource& source) {
  PictureDescription d;
  d.stamp = source.Stamp();
  Picture picture;
  d.refusal = ReadPng(source, picture);
  if (d.refusal) return d;
  PictureHeaderRecord header;
  header.Width = picture.width;
  header.Height = picture.height;
  header.Depth = static_cast<std::uint16_t>(picture.depth);
  d.resolution = ResolutionText(header);
  d.format = FormatText(header);
  d.picture = std::move(picture);
  return d;
}

}  // namespace

DepthDecision DecideDepth(const Picture& picture, const ConvertOptions& options) {
  DepthDecision decision;
  decision.bpp = OutputDepth(options, picture.depth, picture.indexed);
  if (decision.bpp == 0) decision.refusal = DepthNotice(picture.depth);
  else decision.refusal = SizeRefusal(picture.width, picture.height, decision.bpp, options.tiles);
  return decision;
}

int OutputDepth(const ConvertOptions& options, int pictureDepth, bool indexed) {
  // Sub-palettes are made for any picture that asks, indexed or not.
  if (options.truecolour.palettes > 0) return options.tiles.mode7 ? 8 : options.bpp ? options.bpp : 4;
  if (!indexed) return 0;
  if (options.tiles.mode7) return 8;
  if (options.bpp != 0) return options.bpp;
  return pictureDepth == 4 || pictureDepth == 8 ? pictureDepth : 0;
}

PendingPixels::PendingPixels(std::vector<std::uint8_t> file)
    : file_(std::move(file)), decoding_(std::make_unique<PngDecoding>(file_)) {}

PendingPixels::~PendingPixels() = default;

Picture PendingPixels::Shape() const { return decoding_->Shape(); }

bool PendingPixels::RowsInOrder() const { return decoding_->RowsInOrder(); }

std::optional<std::string> PendingPixels::Decode(Picture& picture, RowsArriving* arriving) {
  try {
    decoding_->DecodePixels(picture, arriving);
  } catch (const PngError& e) {
    return e.what();
  }
  return std::nullopt;
}

PictureStart StartPictureFile(const std::string& path, const ConvertOptions& options) {
  PictureStart start;
  PictureRead& read = start.read;
  FileSource source(path);
  if (options.expected && source.Stamp() != options.expected->stamp) {
    read.refusal = kChangedNotice;
    return start;
  }
  if (!IsPng(source)) {
    read = ReadBitmap(source, options);
    return start;
  }
  if (options.expected && !options.expected->png) {
    read.refusal = kChangedNotice;
    return start;
  }
  auto started = StartPng(source);
  if (auto* refusal = std::get_if<std::string>(&started)) {
    read.refusal = std::move(*refusal);
    return start;
  }
  start.pending = std::move(std::get<std::unique_ptr<PendingPixels>>(started));
  try {
    read.picture = start.pending->Shape();
  } catch (const PngError& e) {
    read.refusal = e.what();
    start.pending.reset();
    return start;
  }
  if (options.expected && HeaderSeen(read.picture) != *options.expected->png) {
    read.refusal = kChangedNotice;
    start.pending.reset();
    return start;
  }
  DepthDecision decision = DecideDepth(read.picture, options);
  read.bpp = decision.bpp;
  read.refusal = std::move(decision.refusal);
  if (read.refusal) start.pending.reset();
  return start;
}

PictureRead ReadPictureFile(const std::string& path, const ConvertOptions& options) {
  PictureStart start = StartPictureFile(path, options);
  if (start.pending) {
    if (auto failure = start.pending->Decode(start.read.picture, nullptr)) return {{}, 0, std::move(failure)};
  }
  return std::move(start.read);
}

PictureDescription DescribePictureFile(const std::string& path) {
  FileSource source(path);
  if (IsPng(source)) return DescribePng(source);
  PictureDescription d;
  d.stamp = source.Stamp();
  const BmpLayout layout = ReadBmpLayout(source);
  const PictureHeaderRecord header = HeaderOf(layout);
  d.refusal = AcceptanceRefusal(source, layout);
  if (!d.refusal && !ReadableDepth(layout.depth)) d.refusal = DepthNotice(layout.depth);
  if (!d.refusal) d.refusal = SizeNotice(layout.width, layout.height);
  if (!d.refusal) d.refusal = LayoutRefusal(layout);
  if (!d.refusal) d.picture = ReadBmpPicture(source, layout);
  d.resolution = ResolutionText(header);
  d.format = FormatText(header);
  return d;
}

std::optional<PngOpen> OpenPngFile(const std::string& path) {
  PictureHeaderAccepted = false;
  FileSource source(path);
  if (!IsPng(source)) return std::nullopt;
  PngOpen open;
  open.description = DescribePng(source);
  open.opened.stamp = open.description.stamp;
  if (!open.description.picture) return open;
  open.opened.png = HeaderSeen(*open.description.picture);
  PictureHeaderAccepted = true;
  return open;
}

}  // namespace tilora
