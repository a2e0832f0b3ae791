#pragma once

#include <cstdint>

#include "io/byte_source.h"

namespace tilora {

// Little-endian fields, as every reader of the file takes them.
inline std::uint32_t LoadLE32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline std::uint16_t LoadLE16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// Where a BMP file keeps its fields. The information header comes in the
// 40-byte form (and longer ones that extend it) and in the old 12-byte form,
// which has 16-bit sizes, no compression or colours-used field and 3-byte
// colour table entries.
namespace bmp {
inline constexpr std::int64_t kSignature = 0;
inline constexpr std::int64_t kDataOffset = 10;
inline constexpr std::int64_t kHeaderSize = 14;
inline constexpr std::uint32_t kCoreHeaderSize = 12;
inline constexpr std::uint32_t kInfoHeaderSize = 40;

struct FieldOffsets {
  std::int64_t width, height, planes, depth, compression, coloursUsed;
  int sizeBytes;   // 2 in the old form, 4 otherwise
  int entryBytes;  // a colour table entry: 3 in the old form, 4 otherwise
};
inline constexpr FieldOffsets kInfoFields{18, 22, 26, 28, 30, 46, 4, 4};
inline constexpr FieldOffsets kCoreFields{18, 20, 22, 24, -1, -1, 2, 3};

inline const FieldOffsets& FieldsFor(std::uint32_t headerSize) {
  return headerSize == kCoreHeaderSize ? kCoreFields : kInfoFields;
}
}  // namespace bmp

// A BMP file's headers as far as reading it needs them.
struct BmpLayout {
  bool signature = false;           // "BM"
  std::uint32_t headerSize = 0;
  std::int32_t dataOffset = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;          // negative: rows stored top first
  std::uint16_t planes = 0;
  std::uint16_t depth = 0;
  std::uint16_t compression = 0;    // low half of the field; 0 in the old form
  bool coreHeader() const { return headerSize == bmp::kCoreHeaderSize; }
  std::int64_t rows() const { return height < 0 ? -height : height; }
  bool topDown() const { return height < 0; }
  std::int64_t tableOffset() const { return bmp::kHeaderSize + headerSize; }
  // Bytes of one stored row, padded to a multiple of 4.
  std::int64_t stride() const { return ((width > 0 ? width : 0) * depth + 31) / 32 * 4; }
};

// Reads the file and information headers' fields. Raises IoError 100 when
// the file ends before the fields of its header form.
BmpLayout ReadBmpLayout(ByteSource& source);


// A file read as a bitmap must say so and have one plane.
bool IsBmp(const BmpLayout& layout);
inline constexpr const char* kNotBmpNotice = "This file is not a BMP picture.";
inline constexpr const char* kCompressionNotice = "Please use the file without compression.";

// Why a bitmap cannot be shown, for the window's failure box: "Stream read
// error" for headers, colour table or rows cut short, "Bitmap image is not
// valid" for a missing "BM", a plane count other than 1 or an unknown header
// form. Empty when its structure is whole. size is the file's size.
const char* BmpStructureFailure(ByteSource& source, std::int64_t size);

}  // namespace tilora
