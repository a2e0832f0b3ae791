#include "convert/convert_file.h"

#include "convert/limits.h"
#include "encode/palette_words.h"
#include "encode/planar_tiles.h"
#include "formats/bmp/bmp_reader.h"
#include "support/byte_source.h"
#include "support/output_set.h"

namespace tilora {
namespace {

ConvertOutcome Refused(std::string notice) { return {false, std::move(notice), {}}; }

bool SameHeader(const PictureHeaderRecord& a, const PictureHeaderRecord& b) {
  return a.DataOffset == b.DataOffset && a.Width == b.Width && a.Height == b.Height && a.Depth == b.Depth &&
         a.Compression == b.Compression && a.HeaderSize == b.HeaderSize && a.Planes == b.Planes;
}

// The output depth, or nothing when the picture's depth cannot give one.
int OutputDepth(int pictureDepth, int requested) {
  if (requested != 0) return pictureDepth <= 8 ? requested : 0;
  return pictureDepth == 4 || pictureDepth == 8 ? pictureDepth : 0;
}

// Reads a bitmap, or says why it is not converted.
std::optional<std::string> ReadBitmap(FileSource& source, const ConvertOptions& options, Picture& picture,
                                      int& bpp) {
  const BmpLayout layout = ReadBmpLayout(source);
  if (options.expected && !SameHeader(HeaderOf(layout), options.expected->header)) return kChangedNotice;
  if (!IsBmp(layout)) return kNotBmpNotice;
  if (layout.compression != 0) return kCompressionNotice;
  bpp = OutputDepth(layout.depth, options.bpp);
  if (bpp == 0) return DepthNotice(layout.depth);
  if (auto notice = LimitNotice(layout.width, layout.height, bpp)) return notice;
  if (layout.dataOffset < 0) return "The pixel data offset " + std::to_string(layout.dataOffset) + " is negative.";
  if (!layout.coreHeader() && layout.headerSize < bmp::kInfoHeaderSize)
    return "The picture's information header is " + std::to_string(layout.headerSize) +
           " bytes long; only pictures with a header of 12 bytes or of at least 40 bytes are converted.";
  if (layout.tableOffset() > layout.dataOffset)
    return "The picture's colour table would start at byte " + std::to_string(layout.tableOffset()) +
           ", past its pixel data at byte " + std::to_string(layout.dataOffset) + ".";
  picture = ReadBmpPicture(source, layout);
  return std::nullopt;
}

}  // namespace

std::string DepthNotice(int depth) {
  return std::to_string(depth) + " bit per pixels. Only pictures of 4 or 8 bits per pixel can be converted.";
}

ConvertOutcome ConvertFile(const std::string& path, const std::string& base, const ConvertOptions& options) {
  Picture picture;
  int bpp = 0;
  {
    FileSource source(path);
    if (options.expected && source.Stamp() != options.expected->stamp) return Refused(kChangedNotice);
    if (auto notice = ReadBitmap(source, options, picture, bpp)) return Refused(*notice);
  }
  for (const std::uint8_t index : picture.indices)
    if (index >> bpp) return Refused("The picture uses colour " + std::to_string(index) + ", beyond the " +
                                     std::to_string(1 << bpp) + " colours of " + std::to_string(bpp) +
                                     " bits per pixel.");
  const std::vector<std::uint8_t> palette = EncodePaletteWords(picture.palette, bpp == 4 ? 16 : 256);
  const std::vector<std::uint8_t> tiles = EncodePlanarTiles(picture, bpp);
  ConvertOutcome outcome{true, {}, {base + ".plt", base + ".bin"}};
  const OutputFile outputs[] = {
      {outcome.written[0], palette.data(), palette.size()},
      {outcome.written[1], tiles.data(), tiles.size()},
  };
  WriteOutputSet(outputs, {path});
  return outcome;
}

}  // namespace tilora
