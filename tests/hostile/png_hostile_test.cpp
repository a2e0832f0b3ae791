// Damaged and hostile PNG files, each with the exact one-line message the
// user is shown; none may crash the reader or be taken as a picture.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "formats/png/png_reader.h"
#include "png_builder.h"

namespace tilora {
namespace {

using testing::BuildPng;
using testing::IhdrData;
using testing::JoinPng;
using testing::PngChunk;
using testing::SplitPng;
using Bytes = std::vector<std::uint8_t>;
using Chunks = std::vector<PngChunk>;

// The message DecodePng gives, or "" when it read a picture.
std::string Outcome(const Bytes& bytes) {
  try {
    DecodePng(bytes);
  } catch (const PngError& e) {
    return e.what();
  }
  return "";
}

Bytes RgbFile() { return BuildPng(testing::RandomPngShape(16, 16, testing::kPngRgb, 8, 1)); }

Bytes PaletteFile(int entries, std::vector<std::uint16_t> indices) {
  testing::PngShape s;
  s.width = static_cast<std::uint32_t>(indices.size());
  s.colourType = testing::kPngPalette;
  s.samples = std::move(indices);
  for (int i = 0; i < entries; ++i) s.palette.push_back({1, 2, 3});
  return BuildPng(s);
}

Chunks Without(Chunks chunks, const std::string& type) {
  chunks.erase(std::remove_if(chunks.begin(), chunks.end(), [&](const PngChunk& c) { return c.type == type; }),
               chunks.end());
  return chunks;
}

Chunks WithHeader(Chunks chunks, const Bytes& ihdr) {
  chunks.front().data = ihdr;
  return chunks;
}

Chunks InsertedBefore(Chunks chunks, const std::string& type, PngChunk chunk) {
  const auto at = std::find_if(chunks.begin(), chunks.end(), [&](const PngChunk& c) { return c.type == type; });
  chunks.insert(at, std::move(chunk));
  return chunks;
}

// One 2x1 RGB picture's raw scanline with the given filter byte.
Chunks RgbRowFile(std::uint8_t filter, std::size_t rows, std::uint32_t height) {
  // Pushed, not inserted: GCC 12 at -O2 warns falsely about the insertion.
  Bytes raw;
  for (std::size_t i = 0; i < rows; ++i) {
    raw.push_back(filter);
    for (std::uint8_t value = 1; value <= 6; ++value) raw.push_back(value);
  }
  return {{"IHDR", IhdrData(2, height, 8, testing::kPngRgb)}, {"IDAT", testing::ZlibCompressed(raw)}, {"IEND", {}}};
}

Chunks ManyTexts(Chunks chunks, int count, std::size_t size) {
  Bytes text(size, 'a');
  const std::string keyword = "Comment";
  std::copy(keyword.begin(), keyword.end(), text.begin());
  text[keyword.size()] = 0;
  for (int i = 0; i < count; ++i) chunks = InsertedBefore(chunks, "IDAT", {"tEXt", text});
  return chunks;
}

Bytes Flipped(Bytes bytes, std::size_t at) {
  bytes.at(at) ^= 0x40;
  return bytes;
}

constexpr const char* kEndsEarly = "The PNG file is damaged (it ends too early).";
constexpr const char* kBadCrc = "The PNG file is damaged (a chunk's CRC checksum is wrong).";
constexpr const char* kNotPng = "This is not a PNG file (it does not start with the PNG signature).";

TEST(PngHostile, EachDamageHasItsMessage) {
  const Chunks rgb = SplitPng(RgbFile());
  const Chunks palette = SplitPng(PaletteFile(4, {0, 3}));
  const Bytes rgbFile = JoinPng(rgb);
  const std::size_t idatCrc = 8 + 25 + 8 + rgb[1].data.size();  // signature, IHDR, IDAT header and data
  Bytes corruptStream = rgb[1].data;
  corruptStream[corruptStream.size() / 2] ^= 0xFF;
  const std::string tooLarge = "pixels; at most 8192x8192 are read.";
  const struct {
    const char* name;
    Bytes file;
    std::string message;
  } cases[] = {
      {"empty", {}, kNotPng},
      {"a bitmap", {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, kNotPng},
      {"signature only", Bytes(rgbFile.begin(), rgbFile.begin() + 8), kEndsEarly},
      {"IHDR CRC", Flipped(rgbFile, 8 + 8 + 13), kBadCrc},
      {"IHDR data", Flipped(rgbFile, 8 + 8 + 2), kBadCrc},
      {"IDAT CRC", Flipped(rgbFile, idatCrc), kBadCrc},
      {"IDAT stream", JoinPng({rgb[0], {"IDAT", corruptStream}, rgb.back()}),
       "The PNG file is damaged (the compressed picture data is corrupt)."},
      {"huge", JoinPng(WithHeader(rgb, IhdrData(100000, 100000, 8, 2))), "The PNG picture is 100000x100000 " + tooLarge},
      {"one column too wide", JoinPng(WithHeader(rgb, IhdrData(8193, 1, 8, 2))), "The PNG picture is 8193x1 " + tooLarge},
      {"one row too tall", JoinPng(WithHeader(rgb, IhdrData(1, 8193, 8, 2))), "The PNG picture is 1x8193 " + tooLarge},
      {"largest PNG width", JoinPng(WithHeader(rgb, IhdrData(0x7FFFFFFF, 1, 8, 2))),
       "The PNG picture is larger than 8192x8192 pixels, the most that are read."},
      {"large, damaged header", Flipped(JoinPng(WithHeader(rgb, IhdrData(9000, 16, 8, 2))), 8 + 8 + 13), kBadCrc},
      {"width beyond PNG", JoinPng(WithHeader(rgb, IhdrData(0x80000000u, 1, 8, 2))),
       "The PNG file is damaged (its header gives a width of 0 or beyond 2147483647)."},
      {"zero width", JoinPng(WithHeader(rgb, IhdrData(0, 16, 8, 2))),
       "The PNG file is damaged (its header gives a width of 0 or beyond 2147483647)."},
      {"zero height", JoinPng(WithHeader(rgb, IhdrData(16, 0, 8, 2))),
       "The PNG file is damaged (its header gives a height of 0 or beyond 2147483647)."},
      {"16-bit palette", JoinPng(WithHeader(palette, IhdrData(2, 1, 16, 3))),
       "The PNG file is damaged (its header gives a bit depth the colour type does not allow)."},
      {"colour type 5", JoinPng(WithHeader(rgb, IhdrData(16, 16, 8, 5))),
       "The PNG file is damaged (its header gives an unknown colour type)."},
      {"interlace 2", JoinPng(WithHeader(rgb, IhdrData(16, 16, 8, 2, 2))),
       "The PNG file is damaged (its header gives an unknown interlace method)."},
      {"short IHDR", JoinPng(WithHeader(rgb, Bytes(12, 1))),
       "The PNG file is damaged (its IHDR header chunk is missing or malformed)."},
      {"index past palette", PaletteFile(4, {3, 9}), "The PNG picture uses colour index 9 but its palette has 4 entries."},
      {"index past one entry", PaletteFile(1, {0, 1}), "The PNG picture uses colour index 1 but its palette has 1 entry."},
      {"no PLTE", JoinPng(Without(palette, "PLTE")),
       "The PNG file is damaged (the palette picture has no PLTE palette chunk)."},
      {"no IDAT", JoinPng(Without(rgb, "IDAT")),
       "The PNG file is damaged (its chunks are out of order, or the picture data is missing)."},
      {"no IEND", Bytes(rgbFile.begin(), rgbFile.end() - 12), kEndsEarly},
      {"IDAT short of rows", JoinPng(RgbRowFile(0, 1, 2)),
       "The PNG file is damaged (the picture data ends too early)."},
      {"filter 5", JoinPng(RgbRowFile(5, 1, 1)), "The PNG file is damaged (a row has an unknown filter type)."},
      {"unknown critical chunk", JoinPng(InsertedBefore(rgb, "IDAT", {"ABCD", {1, 2}})),
       "The PNG file needs a chunk that this reader does not know."},
      {"40 MiB of text", JoinPng(ManyTexts(rgb, 40, 1u << 20)),
       "The PNG file holds more than 32 MiB of text and other extra data, more than is read."},
      // One chunk above the size limit is skipped, not kept.
      {"one 17 MiB text", JoinPng(ManyTexts(rgb, 1, 17u << 20)), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Outcome(c.file), c.message) << c.name;
}

}  // namespace
}  // namespace tilora

namespace tilora {
namespace {

// Cut anywhere, a file is refused as cut short (or, inside the signature,
// as not a PNG at all); never half read. Only a cut inside the closing
// chunk's CRC passes: everything the picture needs is there.
TEST(PngHostile, EveryTruncationIsRefused) {
  testing::PngShape interlaced = testing::RandomPngShape(9, 7, testing::kPngGrey, 16, 2);
  interlaced.interlaced = true;
  testing::PngShape palette = testing::RandomPngShape(11, 5, testing::kPngPalette, 4, 3);
  palette.paletteAlpha = {0, 128};
  const Bytes files[] = {RgbFile(), BuildPng(interlaced), BuildPng(palette)};
  for (const Bytes& file : files)
    for (std::size_t cut = 0; cut < file.size(); ++cut) {
      const std::string outcome = Outcome(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut)));
      const std::string expected = cut < 8 ? kNotPng : cut < file.size() - 4 ? kEndsEarly : "";
      EXPECT_EQ(outcome, expected) << cut << " of " << file.size();
    }
}

}  // namespace
}  // namespace tilora
