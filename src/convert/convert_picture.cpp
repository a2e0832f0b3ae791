#include "convert/convert_picture.h"

#include <algorithm>
#include <cstdint>

#include "convert/limits.h"
#include "convert/palette_area.h"
#include "convert/picture_header.h"
#include "convert/pixel_plane.h"
#include "convert/tile_buffer.h"
#include "support/checked_file.h"
#include "support/output_set.h"

namespace tilora {
namespace {

constexpr std::int64_t kInfoHeaderSizeOffset = 14;
constexpr std::int64_t kColoursUsedOffset = 46;
constexpr std::uint32_t kMinInfoHeaderSize = 40;

// Leaves the file closed and the buffers zero however the command ends, so
// the next command starts as a fresh one would.
struct ConversionScope {
  ConversionScope() = default;
  ConversionScope(const ConversionScope&) = delete;
  ConversionScope& operator=(const ConversionScope&) = delete;
  ~ConversionScope() {
    SourceFile.CloseQuietly();
    ClearPixelPlane();
    ClearTileBuffer();
  }
};

std::uint32_t ReadUint32At(std::int64_t position) {
  unsigned char bytes[4];
  SourceFile.Seek(position);
  SourceFile.Read(bytes, sizeof bytes);
  return LoadLE32(bytes);
}

ConvertOutcome Refused(std::string notice) { return {false, std::move(notice)}; }

}  // namespace

std::string DepthNotice(int depth) {
  return std::to_string(depth) +
         " bit per pixels. Only pictures of 4 or 8 bits per pixel can be converted.";
}

ConvertOutcome ConvertPicture(const std::string& path, const std::string& base) {
  if (!PictureHeaderAccepted) return Refused(kStaleHeaderNotice);
  const int depth = PictureHeader.Depth;
  if (depth != 4 && depth != 8) return Refused(DepthNotice(depth));
  if (auto notice = LimitNotice(PictureHeader, depth)) return Refused(*notice);
  const PictureGeometry g = GeometryOf(PictureHeader, depth);

  ConversionScope scope;
  // The picture itself is read; no working copy is made.
  SourceFile.Bind(path);
  SourceFile.Open();

  // The colour table follows the information header, whatever its size.
  const std::uint32_t headerSize = ReadUint32At(kInfoHeaderSizeOffset);
  if (headerSize < kMinInfoHeaderSize)
    return Refused("The picture's information header is " + std::to_string(headerSize) +
                   " bytes long; only pictures with a header of at least 40 bytes are converted.");
  const std::int64_t tableOffset = kInfoHeaderSizeOffset + headerSize;
  if (tableOffset > PictureHeader.DataOffset)
    return Refused("The picture's colour table would start at byte " + std::to_string(tableOffset) +
                   ", past its pixel data at byte " + std::to_string(PictureHeader.DataOffset) + ".");
  // A shorter table is announced by the colours-used count, and pixel data is
  // never taken for colours.
  const std::uint32_t coloursUsed = ReadUint32At(kColoursUsedOffset);
  std::int64_t entries = g.paletteEntries;
  if (coloursUsed >= 1 && coloursUsed < entries) entries = coloursUsed;
  entries = std::min(entries, (PictureHeader.DataOffset - tableOffset) / 4);

  ReadPixels(depth);
  EncodeTiles(depth);
  EncodePalette(depth, tableOffset, static_cast<int>(entries));
  SourceFile.Close();

  const OutputFile outputs[] = {
      {base + ".plt", PaletteArea, static_cast<std::size_t>(2 * g.paletteEntries)},
      {base + ".bin", TileBuffer, static_cast<std::size_t>(g.tileBytes)},
  };
  WriteOutputSet(outputs, {path});
  return {true, {}};
}

}  // namespace tilora
