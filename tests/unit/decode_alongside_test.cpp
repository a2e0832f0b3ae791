// A PNG converted to a map while its rows are still being decoded on a
// second thread ends exactly as one decoded first: the same outputs, or the
// same refusal, whichever fault of the file or the picture comes first.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bmp_builder.h"
#include "conversion_outcome.h"
#include "convert/convert_file.h"
#include "picture/rows_arriving.h"
#include "png_builder.h"
#include "temp_dir.h"

namespace tilora {
namespace {

using testing::PngShape;
using Bytes = std::vector<std::uint8_t>;

// Tall enough for the rows to arrive in several bands.
constexpr std::uint32_t kWidth = 64;
constexpr std::uint32_t kHeight = 300;

PngShape Indexed(std::uint8_t depth, int paletteEntries, const std::function<int(int, int)>& index,
                 std::uint32_t width = kWidth, std::uint32_t height = kHeight) {
  PngShape s;
  s.width = width;
  s.height = height;
  s.bitDepth = depth;
  s.colourType = testing::kPngPalette;
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t x = 0; x < width; ++x)
      s.samples.push_back(static_cast<std::uint16_t>(index(static_cast<int>(x), static_cast<int>(y))));
  for (int i = 0; i < paletteEntries; ++i)
    s.palette.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(3 * i), static_cast<std::uint8_t>(7 * i)});
  return s;
}

// A few shapes repeated, some mirrored: what a map deduplicates.
int Tiled(int x, int y) {
  const int cell = (x / 8) * 7 + (y / 8) * 3;
  const int cx = cell % 2 ? 7 - x % 8 : x % 8;
  return (cx * 5 + (y % 8) * 3 + cell % 5) % 16;
}

Bytes WithLastPictureDataCut(const Bytes& file) {
  std::vector<testing::PngChunk> chunks = testing::SplitPng(file);
  for (auto it = chunks.rbegin(); it != chunks.rend(); ++it)
    if (it->type == "IDAT") {
      it->data.resize(it->data.size() / 2);
      break;
    }
  return testing::JoinPng(chunks);
}

Bytes WithBadLastCrc(Bytes file) {
  file[file.size() - 1] ^= 0x5A;  // IEND's
  return file;
}

struct Case {
  const char* name;
  Bytes file;
  int bpp = 0;
  bool expectConverted = true;
  const char* noticeHas = "";
};

std::vector<Case> Cases() {
  const auto tiled4 = testing::BuildPng(Indexed(4, 16, Tiled));
  std::vector<Case> cases;
  cases.push_back({"4-bit picture", tiled4});
  cases.push_back({"8-bit picture", testing::BuildPng(Indexed(8, 256, [](int x, int y) { return Tiled(x, y) + 16 * ((y / 8) % 3); }))});
  cases.push_back({"2-bit picture at 2 bpp", testing::BuildPng(Indexed(2, 4, [](int x, int y) { return Tiled(x, y) % 4; })), 2});
  cases.push_back({"width not a multiple of 8", testing::BuildPng(Indexed(4, 16, Tiled, 61, 299))});
  cases.push_back({"tiles mixing sub-palettes, the first at the top", testing::BuildPng(Indexed(8, 256, [](int x, int y) {
                     return (x == 3 && y == 2) || (x == 20 && y == 250) ? 17 : Tiled(x, y);
                   })),
                   4, false, "0,0"});
  // Checked first, as the whole picture would be: the late index out of
  // reach, not the early mixed tile.
  cases.push_back({"an index out of reach below a mixed tile", testing::BuildPng(Indexed(8, 256, [](int x, int y) {
                     return x == 3 && y == 2 ? 17 : x == 40 && y == 290 ? 200 : Tiled(x, y);
                   })),
                   4, false, "40,288"});
  cases.push_back({"an index past the palette below a mixed tile", testing::BuildPng(Indexed(8, 40, [](int x, int y) {
                     return x == 3 && y == 2 ? 17 : x == 9 && y == 280 ? 39 + 1 : Tiled(x, y);
                   })),
                   4, false, "palette has 40"});
  cases.push_back({"picture data cut short", WithLastPictureDataCut(tiled4), 0, false, "PNG"});
  cases.push_back({"a damaged checksum after the last row", WithBadLastCrc(tiled4), 0, false, "PNG"});
  // A number in the top-left pixels of each cell: 32 x 38 cells, all distinct.
  const auto numbered = [](int x, int y) {
    const int n = x / 8 + 32 * (y / 8);
    return y % 8 != 0 ? 0 : x % 8 == 0 ? 1 + n % 255 : x % 8 == 1 ? 1 + n / 255 : 0;
  };
  cases.push_back({"more than 1024 tiles", testing::BuildPng(Indexed(8, 256, numbered, 256, 300)), 8, false, "1216 distinct"});
  PngShape interlaced = Indexed(4, 16, Tiled);
  interlaced.interlaced = true;
  cases.push_back({"interlaced picture", testing::BuildPng(interlaced)});
  return cases;
}

TEST(DecodeAlongside, EndsAsDecodingFirstDoes) {
  testing::TempDir dir;
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    testing::WriteFileBytes(dir / "in.png", c.file);
    ConversionSettings settings;
    settings.tiles.map = true;
    settings.bpp = c.bpp;
    FileConversionOptions options;
    options.decodeAlongside = false;
    const auto first = testing::OutcomeOf(ConvertFile(dir / "in.png", dir / "first", settings, options));
    options.decodeAlongside = true;
    const auto alongside = testing::OutcomeOf(ConvertFile(dir / "in.png", dir / "alongside", settings, options));
    EXPECT_EQ(first.converted, c.expectConverted) << first.notice;
    EXPECT_NE(first.notice.find(c.noticeHas), std::string::npos) << first.notice;
    EXPECT_EQ(alongside.converted, first.converted);
    EXPECT_EQ(alongside.notice, first.notice);
    if (!first.converted) continue;
    for (const char* ext : {".bin", ".map", ".plt"}) {
      EXPECT_EQ(testing::ReadFileBytes(dir / (std::string("alongside") + ext)),
                testing::ReadFileBytes(dir / (std::string("first") + ext)))
          << ext;
    }
  }
}

TEST(RowsArriving, AwaitTellsWhetherTheRowsCame) {
  RowsArriving arriving;
  arriving.Publish(64);
  arriving.Publish(8);  // never back
  EXPECT_TRUE(arriving.Await(64));
  std::thread decoder([&] {
    arriving.Publish(128);
    arriving.Stop();
  });
  EXPECT_TRUE(arriving.Await(128));
  EXPECT_FALSE(arriving.Await(129));  // stopped before it
  decoder.join();
}

}  // namespace
}  // namespace tilora
