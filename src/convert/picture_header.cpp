#include "convert/picture_header.h"

#include <type_traits>

#include "support/checked_file.h"
#include "support/io_error.h"

namespace tilora {

PictureHeaderRecord PictureHeader;
bool PictureHeaderAccepted = false;

namespace {

// Reads a little-endian field at position. When the file ends inside it, the
// bytes that were there replace its low-order bytes, the others keep their
// old value, and the read fails with 100.
template <typename Field>
void ReadField(std::int64_t position, Field& field) {
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

}  // namespace

void ReadHeader(const std::string& path, const HeaderListener& listener) {
  PictureHeaderAccepted = false;
  SourceFile.Bind(path);
  SourceFile.Open();
  try {
    ReadField(10, PictureHeader.DataOffset);
    ReadField(18, PictureHeader.Width);
    if (listener.onWidth) listener.onWidth(PictureHeader.Width);
    ReadField(22, PictureHeader.Height);
    if (listener.onHeight) listener.onHeight(PictureHeader.Height);
    ReadField(28, PictureHeader.Depth);
    ReadField(30, PictureHeader.Compression);
  } catch (...) {
    SourceFile.CloseQuietly();
    throw;
  }
  SourceFile.Close();
  PictureHeaderAccepted = IsAccepted(PictureHeader);
}

bool IsAccepted(const PictureHeaderRecord& header) { return header.Compression == 0; }

std::string ResolutionText(const PictureHeaderRecord& header) {
  return "Resolution: " + std::to_string(header.Width) + "x" + std::to_string(header.Height);
}

std::string FormatText(const PictureHeaderRecord& header) {
  return "Pic Format: " + std::to_string(header.Depth) + "bpp";
}

}  // namespace tilora
