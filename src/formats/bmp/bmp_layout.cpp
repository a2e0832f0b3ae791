#include "formats/bmp/bmp_layout.h"

#include <cstdlib>

#include "io/io_error.h"

namespace tilora {
namespace {

std::uint32_t Load(const unsigned char* p, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

std::uint32_t ReadField(ByteSource& source, std::int64_t position, int bytes) {
  unsigned char raw[4] = {};
  source.ReadExactlyAt(position, raw, static_cast<std::size_t>(bytes));
  return Load(raw, bytes);
}

constexpr std::uint32_t kBitFields = 3;

}  // namespace

BmpLayout ReadBmpLayout(ByteSource& source) {
  BmpLayout layout;
  layout.dataOffset = static_cast<std::int32_t>(ReadField(source, bmp::kDataOffset, 4));
  layout.headerSize = ReadField(source, bmp::kHeaderSize, 4);
  const bmp::FieldOffsets& f = bmp::FieldsFor(layout.headerSize);
  if (f.sizeBytes == 2) {
    layout.width = ReadField(source, f.width, 2);
    layout.height = ReadField(source, f.height, 2);
  } else {
    layout.width = static_cast<std::int32_t>(ReadField(source, f.width, 4));
    layout.height = static_cast<std::int32_t>(ReadField(source, f.height, 4));
  }
  layout.planes = static_cast<std::uint16_t>(ReadField(source, f.planes, 2));
  layout.depth = static_cast<std::uint16_t>(ReadField(source, f.depth, 2));
  if (f.compression >= 0) layout.compression = static_cast<std::uint16_t>(ReadField(source, f.compression, 2));
  unsigned char signature[2];
  source.ReadExactlyAt(bmp::kSignature, signature, 2);
  layout.signature = signature[0] == 'B' && signature[1] == 'M';
  return layout;
}

bool IsBmp(const BmpLayout& layout) { return layout.signature && layout.planes == 1; }

const char* BmpStructureFailure(ByteSource& source, std::int64_t size) {
  constexpr const char* kStreamReadError = "Stream read error";
  constexpr const char* kNotValid = "Bitmap image is not valid";
  unsigned char head[bmp::kHeaderSize + bmp::kInfoHeaderSize] = {};
  const auto got = static_cast<std::int64_t>(source.ReadAt(0, head, sizeof head));
  if (got < bmp::kHeaderSize) return kStreamReadError;
  if (head[0] != 'B' || head[1] != 'M') return kNotValid;
  if (got < bmp::kHeaderSize + 4) return kStreamReadError;
  const std::uint32_t headerSize = Load(head + bmp::kHeaderSize, 4);
  if (headerSize != bmp::kCoreHeaderSize && headerSize < bmp::kInfoHeaderSize) return kNotValid;
  if (size - bmp::kHeaderSize < static_cast<std::int64_t>(headerSize)) return kStreamReadError;

  const bool core = headerSize == bmp::kCoreHeaderSize;
  const unsigned char* info = head + bmp::kHeaderSize;
  const std::int64_t width = core ? std::int64_t{Load(info + 4, 2)} : std::int64_t{static_cast<std::int32_t>(Load(info + 4, 4))};
  const std::int64_t height = core ? std::int64_t{Load(info + 6, 2)} : std::int64_t{static_cast<std::int32_t>(Load(info + 8, 4))};
  const std::uint32_t planes = core ? Load(info + 8, 2) : Load(info + 12, 2);
  const std::uint32_t depth = core ? Load(info + 10, 2) : Load(info + 14, 2);
  const std::uint32_t compression = core ? 0 : Load(info + 16, 4);
  const std::uint32_t coloursUsed = core ? 0 : Load(info + 32, 4);
  if (planes != 1) return kNotValid;

  std::int64_t tableBytes = 0;
  if (depth >= 1 && depth <= 8) {
    const std::uint32_t full = 1u << depth;
    const std::uint32_t entries = coloursUsed >= 1 && coloursUsed < full ? coloursUsed : full;
    tableBytes = static_cast<std::int64_t>(entries) * (core ? 3 : 4);
  } else if (compression == kBitFields && headerSize == bmp::kInfoHeaderSize) {
    tableBytes = 12;  // the three colour masks
  }
  if (size < bmp::kHeaderSize + headerSize + tableBytes) return kStreamReadError;

  // Rows of an uncompressed picture are all there, or the picture is cut short.
  if ((compression == 0 || compression == kBitFields) && depth >= 1 && depth <= 32) {
    const std::int64_t dataOffset = static_cast<std::int32_t>(Load(head + bmp::kDataOffset, 4));
    const std::int64_t stride = (std::abs(width) * depth + 31) / 32 * 4;
    const std::int64_t rows = std::abs(height);
    if (dataOffset >= 0 && stride > 0 && rows > (size - dataOffset) / stride) return kStreamReadError;
  }
  return "";
}

}  // namespace tilora
