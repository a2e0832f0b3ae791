#include "ui/main_window/picture_header.h"

#include <type_traits>

#include "formats/bmp/bmp_layout.h"
#include "io/checked_file.h"
#include "io/io_error.h"

namespace tilora {

namespace {

// Reads a little-endian field at position. When the file ends inside it, the
// bytes that were there replace its low-order bytes, the others keep their
// old value, and the read fails with 100.
template <typename Field>
void ReadField(CheckedFile& SourceFile, std::int64_t position, Field& field) {
  unsigned char bytes[sizeof(Field)];
  auto value = static_cast<std::make_unsigned_t<Field>>(field);
  for (std::size_t i = 0; i < sizeof(Field); ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
  SourceFile.Seek(position);
  const std::size_t got = SourceFile.ReadUpTo(bytes, sizeof(Field));
  std::make_unsigned_t<Field> result = 0;
  for (std::size_t i = 0; i < sizeof(Field); ++i)
    result = static_cast<std::make_unsigned_t<Field>>(result | static_cast<std::make_unsigned_t<Field>>(bytes[i]) << (8 * i));
  field = static_cast<Field>(result);
  if (got != sizeof(Field)) throw IoError(kErrReadBeyondEnd);
}

// A 16-bit field read into a 32-bit one: the old header's unsigned sizes.
void ReadWideField(CheckedFile& SourceFile, std::int64_t position, std::int32_t& field) {
  std::uint16_t narrow = static_cast<std::uint16_t>(field);
  try {
    ReadField(SourceFile, position, narrow);
  } catch (...) {
    field = static_cast<std::int32_t>((static_cast<std::uint32_t>(field) & 0xFFFF0000u) | narrow);
    throw;
  }
  field = narrow;
}

}  // namespace

platform::FileStamp ReadHeader(const std::string& path, PictureHeaderRecord& PictureHeader, CheckedFile& SourceFile,
                               const HeaderListener& listener) {
  SourceFile.Bind(path);
  SourceFile.Open();
  platform::FileStamp stamp;
  try {
    stamp = SourceFile.Stamp();
    ReadField(SourceFile, bmp::kDataOffset, PictureHeader.DataOffset);
    ReadField(SourceFile, bmp::kHeaderSize, PictureHeader.HeaderSize);
    const bmp::FieldOffsets& f = bmp::FieldsFor(PictureHeader.HeaderSize);
    if (f.sizeBytes == 2)
      ReadWideField(SourceFile, f.width, PictureHeader.Width);
    else
      ReadField(SourceFile, f.width, PictureHeader.Width);
    if (listener.onWidth) listener.onWidth(PictureHeader.Width);
    if (f.sizeBytes == 2)
      ReadWideField(SourceFile, f.height, PictureHeader.Height);
    else
      ReadField(SourceFile, f.height, PictureHeader.Height);
    if (listener.onHeight) listener.onHeight(PictureHeader.Height);
    ReadField(SourceFile, f.planes, PictureHeader.Planes);
    ReadField(SourceFile, f.depth, PictureHeader.Depth);
    if (f.compression >= 0)
      ReadField(SourceFile, f.compression, PictureHeader.Compression);
    else
      PictureHeader.Compression = 0;  // the old form is never compressed
    ReadField(SourceFile, bmp::kSignature, PictureHeader.Signature);
  } catch (...) {
    SourceFile.CloseQuietly();
    throw;
  }
  SourceFile.Close();
  return stamp;
}

bool IsBitmapHeader(const PictureHeaderRecord& header) {
  return header.Signature == ('B' | 'M' << 8) && header.Planes == 1;
}

bool IsAccepted(const PictureHeaderRecord& header) { return header.Compression == 0; }

std::string ResolutionText(const PictureHeaderRecord& header) {
  return "Resolution: " + std::to_string(header.Width) + "x" + std::to_string(header.Height);
}

std::string FormatText(const PictureHeaderRecord& header) {
  return "Pic Format: " + std::to_string(header.Depth) + "bpp";
}

}  // namespace tilora
