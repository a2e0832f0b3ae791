#include "formats/bmp/bmp_reader.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "io/io_error.h"

namespace tilora {
namespace {

// Rows are read many at a time, not one read per byte.
constexpr std::size_t kChunkSize = 64 * 1024;

void StoreIndexRow(const std::uint8_t* src, int depth, std::size_t width, std::uint8_t* row) {
  switch (depth) {
    case 8:
      std::memcpy(row, src, width);
      return;
    case 4:
      // Plain shifts and masks, which the compiler widens to whole vectors.
      for (std::size_t i = 0; i < width / 2; ++i) {
        row[2 * i] = static_cast<std::uint8_t>(src[i] >> 4);
        row[2 * i + 1] = static_cast<std::uint8_t>(src[i] & 0x0F);
      }
      // An odd width leaves the last byte's low nibble as filler, not a pixel.
      if (width % 2) row[width - 1] = static_cast<std::uint8_t>(src[width / 2] >> 4);
      return;
    default: {
      const auto perByte = static_cast<std::size_t>(8 / depth);
      const int mask = (1 << depth) - 1;
      for (std::size_t x = 0; x < width; ++x) {
        const int shift = 8 - depth - depth * static_cast<int>(x % perByte);
        row[x] = static_cast<std::uint8_t>((src[x / perByte] >> shift) & mask);
      }
    }
  }
}

void StoreColourRow(const std::uint8_t* src, int depth, bool alpha, std::size_t width, Rgba* row) {
  for (std::size_t x = 0; x < width; ++x) {
    if (depth == 16) {
      // Five bits each of red, green and blue, the top bit unused.
      const unsigned v = static_cast<unsigned>(src[2 * x] | src[2 * x + 1] << 8);
      row[x] = {Widen5(v >> 10 & 31), Widen5(v >> 5 & 31), Widen5(v & 31), 255};
    } else {
      const std::uint8_t* p = src + x * static_cast<std::size_t>(depth / 8);
      row[x] = {p[2], p[1], p[0], depth == 32 && alpha ? p[3] : std::uint8_t{255}};
    }
  }
}

std::uint32_t ReadMask(ByteSource& source, std::int64_t position) {
  std::uint8_t raw[4] = {};
  if (source.ReadAt(position, raw, 4) != 4) return 0;
  return static_cast<std::uint32_t>(raw[0] | raw[1] << 8 | raw[2] << 16) | static_cast<std::uint32_t>(raw[3]) << 24;
}

// The masks follow a 40-byte header and lie inside the longer ones, at the
// same place either way.
constexpr std::int64_t kRedMask = 54, kGreenMask = 58, kBlueMask = 62, kAlphaMask = 66;
constexpr std::uint32_t kHeaderWithAlphaMask = 56;

}  // namespace

BmpChannels ReadBmpChannels(ByteSource& source, const BmpLayout& layout) {
  BmpChannels channels;
  if (layout.depth != 16 && layout.depth != 32) return channels;
  if (layout.compression == kBmpBitFields) {
    const std::uint32_t red = ReadMask(source, kRedMask), green = ReadMask(source, kGreenMask),
                        blue = ReadMask(source, kBlueMask);
    channels.standard = layout.depth == 32 ? red == 0xFF0000u && green == 0xFF00u && blue == 0xFFu
                                           : red == 0x7C00u && green == 0x3E0u && blue == 0x1Fu;
  }
  channels.alpha = layout.depth == 32 && layout.headerSize >= kHeaderWithAlphaMask &&
                   ReadMask(source, kAlphaMask) == 0xFF000000u;
  return channels;
}

std::int64_t BmpTableEntries(ByteSource& source, const BmpLayout& layout) {
  if (layout.depth < 1 || layout.depth > 8) return 0;
  std::int64_t entries = std::int64_t{1} << layout.depth;
  if (!layout.coreHeader()) {
    unsigned char raw[4];
    source.ReadExactlyAt(bmp::kInfoFields.coloursUsed, raw, 4);
    const std::uint32_t used = static_cast<std::uint32_t>(raw[0] | raw[1] << 8 | raw[2] << 16) |
                               static_cast<std::uint32_t>(raw[3]) << 24;
    if (used >= 1 && used < entries) entries = used;
  }
  const int entryBytes = bmp::FieldsFor(layout.headerSize).entryBytes;
  return std::clamp<std::int64_t>((layout.dataOffset - layout.tableOffset()) / entryBytes, 0, entries);
}

std::vector<Rgb> ReadBmpColourTable(ByteSource& source, const BmpLayout& layout, std::int64_t entries) {
  const auto entryBytes = static_cast<std::size_t>(bmp::FieldsFor(layout.headerSize).entryBytes);
  std::vector<Rgb> table(static_cast<std::size_t>(entries));
  if (entries == 0) return table;
  std::vector<std::uint8_t> raw(table.size() * entryBytes);
  const std::size_t wanted = raw.size() - (entryBytes == 4 ? 1 : 0);
  source.ReadExactlyAt(layout.tableOffset(), raw.data(), wanted);
  for (std::size_t i = 0; i < table.size(); ++i) {
    const std::uint8_t* e = raw.data() + i * entryBytes;
    table[i] = {e[2], e[1], e[0]};
  }
  return table;
}

Picture ReadBmpPicture(ByteSource& source, const BmpLayout& layout) {
  const std::int64_t rows = layout.rows();
  const int depth = layout.depth;
  const bool knownDepth = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
  if (!knownDepth || layout.width <= 0 || rows <= 0 || layout.width * rows > kMaxBmpPixels || layout.dataOffset < 0)
    throw std::length_error("picture outside what the reader takes");
  Picture picture;
  picture.width = static_cast<std::int32_t>(layout.width);
  picture.height = static_cast<std::int32_t>(rows);
  picture.depth = layout.depth;
  picture.indexed = layout.depth <= 8;
  const auto width = static_cast<std::size_t>(layout.width);
  if (picture.indexed) {
    picture.palette = ReadBmpColourTable(source, layout, BmpTableEntries(source, layout));
    picture.indices.resize(picture.PixelCount());
  } else {
    picture.colours.resize(picture.PixelCount());
    picture.hasAlpha = ReadBmpChannels(source, layout).alpha;
  }

  const std::int64_t stride = layout.stride();
  const std::int64_t rowBytes = (layout.width * layout.depth + 7) / 8;
  const std::int64_t rowsPerChunk = std::max<std::int64_t>(1, static_cast<std::int64_t>(kChunkSize) / stride);
  std::vector<std::uint8_t> chunk(static_cast<std::size_t>(std::min(rowsPerChunk, rows) * stride));
  for (std::int64_t first = 0; first < rows; first += rowsPerChunk) {
    const std::int64_t count = std::min(rowsPerChunk, rows - first);
    const std::int64_t span = (count - 1) * stride + rowBytes;
    const auto got = static_cast<std::int64_t>(
        source.ReadAt(layout.dataOffset + first * stride, chunk.data(), static_cast<std::size_t>(span)));
    if (got < span) throw IoError(kErrReadBeyondEnd);
    for (std::int64_t k = 0; k < count; ++k) {
      // File row d holds picture row rows-1-d, or row d when stored top first.
      const std::int64_t d = first + k;
      const auto r = static_cast<std::size_t>(layout.topDown() ? d : rows - 1 - d);
      const std::uint8_t* src = chunk.data() + k * stride;
      if (picture.indexed)
        StoreIndexRow(src, layout.depth, width, picture.indices.data() + r * width);
      else
        StoreColourRow(src, layout.depth, picture.hasAlpha, width, picture.colours.data() + r * width);
    }
  }
  return picture;
}

}  // namespace tilora
