// Shared conversion of picture values: one tileset, one palette and a map
// for each picture, built on tiles and sub-palettes already in video memory.

#include "convert/shared_conversion.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "console_decoder.h"
#include "picture/colour.h"
#include "shared_pictures.h"
#include "snes/encoders/palette_words.h"

namespace tilora {
namespace {

using testing::PoolPicture;

Picture Indexed(const PoolPicture& p, int depth, const std::vector<Rgb>& table) {
  Picture picture;
  picture.width = p.width;
  picture.height = p.height;
  picture.depth = depth;
  picture.indices = p.indices;
  picture.palette = table;
  return picture;
}

// Colours that differ in their top five bits, so every index shows its own.
std::vector<Rgb> DistinctTable(int entries) {
  std::vector<Rgb> table;
  for (int i = 0; i < entries; ++i) {
    const int c = i * 97 + 5;
    table.push_back({static_cast<std::uint8_t>((c & 31) << 3), static_cast<std::uint8_t>((c >> 5 & 31) << 3),
                     static_cast<std::uint8_t>((c >> 10 & 31) << 3)});
  }
  return table;
}

std::uint16_t WordAt(const std::vector<std::uint8_t>& bytes, std::size_t i) {
  return static_cast<std::uint16_t>(bytes.at(2 * i) | bytes.at(2 * i + 1) << 8);
}

const SharedConversion& Converted(const SharedResult& result) {
  if (const auto* failure = std::get_if<SharedFailure>(&result))
    ADD_FAILURE() << "refused: " << failure->failure.message;
  return std::get<SharedConversion>(result);
}

// The colour word each pixel shows, read from the outputs the naive way.
std::uint16_t ShownWord(const SharedConversion& c, std::size_t picture, int x, int y) {
  testing::TiledImage image;
  image.tiles = c.tiles;
  image.map = c.pictures[picture].map;
  image.bpp = c.bpp;
  image.columns = c.pictures[picture].mapColumns;
  image.screens = c.options.screens;
  image.tileBase = c.options.tileBase;
  image.paletteBase = c.options.paletteBase;
  const testing::ShownPixel shown = testing::ShownAt(image, x, y);
  if (shown.colour == 0) return WordAt(c.palette, 0);
  return WordAt(c.palette, static_cast<std::size_t>(shown.palette * (c.bpp == 8 ? 256 : 1 << c.bpp) + shown.colour));
}

struct DedupCase {
  const char* name;
  int bpp;
  bool flips;
  bool screens;
  std::vector<std::pair<int, int>> sizes;
  int poolTiles;
};

void PrintTo(const DedupCase& c, std::ostream* os) { *os << c.name; }

class SharedDedup : public ::testing::TestWithParam<DedupCase> {};

// The tileset holds exactly the distinct tiles of all the pictures
// together, and every picture reads back as it was drawn.
TEST_P(SharedDedup, FindsEveryDistinctTileOnceAndRebuildsEachPicture) {
  const DedupCase& c = GetParam();
  const auto pool = testing::RandomTilePool(c.poolTiles, 1 << c.bpp, 11);
  const std::vector<int> blocks = c.bpp == 8 ? std::vector<int>{0} : std::vector<int>{0, 2, 3};
  std::vector<PoolPicture> drawn;
  std::vector<Picture> pictures;
  const std::vector<Rgb> table = DistinctTable(c.bpp == 8 ? 256 : 4 << c.bpp);
  for (std::size_t i = 0; i < c.sizes.size(); ++i) {
    drawn.push_back(testing::PictureFromPool(pool, c.sizes[i].first, c.sizes[i].second, c.bpp, blocks, c.flips,
                                             static_cast<std::uint32_t>(100 + i)));
    pictures.push_back(Indexed(drawn.back(), c.bpp, table));
  }
  ConversionSettings settings;
  settings.bpp = c.bpp;
  settings.tiles.flips = c.flips;
  settings.tiles.screens = c.screens;
  const std::vector<std::string> names(pictures.size(), "p");
  const SharedResult result = ConvertShared(pictures, names, settings);
  const SharedConversion& conversion = Converted(result);

  const std::size_t padding = c.screens ? 1 : 0;  // screens show an all-colour-0 tile beyond the pictures
  EXPECT_EQ(static_cast<std::size_t>(conversion.tileCount),
            testing::NaiveDistinctTiles(drawn, c.bpp, c.flips) + padding);
  const SharedFigures figures = FiguresOfShared(conversion);
  EXPECT_EQ(static_cast<std::size_t>(figures.distinctWithFlips), testing::NaiveDistinctTiles(drawn, c.bpp, true));
  EXPECT_EQ(static_cast<std::size_t>(figures.distinctTiles), testing::NaiveDistinctTiles(drawn, c.bpp, false));
  int added = 0;
  for (const auto& p : conversion.pictures) added += p.tilesAdded;
  EXPECT_EQ(added, conversion.tileCount);

  for (std::size_t i = 0; i < pictures.size(); ++i)
    for (int y = 0; y < pictures[i].height; ++y)
      for (int x = 0; x < pictures[i].width; ++x) {
        const std::uint8_t index = pictures[i].IndexAt(x, y);
        const std::uint16_t expected = index % (c.bpp == 8 ? 256 : 1 << c.bpp) == 0 ? ColourWord(table[0])
                                                                                     : ColourWord(table[index]);
        ASSERT_EQ(ShownWord(conversion, i, x, y), expected) << "picture " << i << " at " << x << "," << y;
      }
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, SharedDedup,
    ::testing::Values(DedupCase{"FourBitsWithFlips", 4, true, false, {{64, 48}, {64, 48}, {40, 24}, {21, 13}}, 30},
                      DedupCase{"FourBitsWithoutFlips", 4, false, false, {{64, 48}, {64, 48}, {40, 24}}, 30},
                      DedupCase{"TwoBitsScreens", 2, true, true, {{72, 40}, {16, 16}}, 20},
                      DedupCase{"EightBitsManyPictures", 8, true, false,
                                {{32, 32}, {32, 32}, {32, 32}, {32, 32}, {32, 32}, {32, 32}, {32, 32}, {9, 9}}, 50}),
    [](const ::testing::TestParamInfo<DedupCase>& param) { return std::string(param.param.name); });

// Tiles already in video memory keep their numbers and bytes; a cell equal
// to one of them flipped uses it, and new tiles follow them.
TEST(SharedExisting, TilesAreKeptAndReused) {
  std::mt19937 random(5);
  std::vector<std::uint8_t> existing(5 * 32);
  for (auto& b : existing) b = static_cast<std::uint8_t>(random());
  testing::TiledImage font;
  font.tiles = existing;
  // One cell shows existing tile 3 mirrored left to right, the other a new tile.
  PoolPicture p{16, 8, std::vector<std::uint8_t>(16 * 8, 0)};
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      p.indices[static_cast<std::size_t>(y * 16 + x)] =
          static_cast<std::uint8_t>(16 + testing::TileColour(font, 3, 7 - x, y));
      p.indices[static_cast<std::size_t>(y * 16 + 8 + x)] = static_cast<std::uint8_t>(16 + (x * y) % 16);
    }
  ConversionSettings settings;
  settings.bpp = 4;
  settings.tiles.tileBase = 100;
  ExistingVideoMemory memory;
  memory.tiles = existing;
  memory.tilesName = "font.bin";
  const std::vector<Picture> pictures{Indexed(p, 4, DistinctTable(32))};
  const SharedResult result = ConvertShared(pictures, std::vector<std::string>{"a"}, settings, memory);
  const SharedConversion& c = Converted(result);
  ASSERT_EQ(c.tileCount, 6);
  EXPECT_EQ(std::vector<std::uint8_t>(c.tiles.begin(), c.tiles.begin() + 5 * 32), existing);
  EXPECT_EQ(WordAt(c.pictures[0].map, 0), (100 + 3) | 1 << 10 | 1 << 14);  // tile 3, sub-palette 1, mirrored
  EXPECT_EQ(WordAt(c.pictures[0].map, 1), (100 + 5) | 1 << 10);            // the first new tile
  EXPECT_EQ(c.pictures[0].tilesAdded, 1);
}

Picture Truecolour(int width, int height, const std::function<Rgb(int, int)>& colour) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.depth = 24;
  picture.indexed = false;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const Rgb c = colour(x, y);
      picture.colours.push_back({c.red, c.green, c.blue, 255});
    }
  return picture;
}

Rgb Of15(Colour15 c) { return ShownRgb(c); }

// Sub-palettes already in colour memory stay as they are, black entries
// included; a tile whose colours one of them holds takes it, the others
// get new sub-palettes after them.
TEST(SharedExisting, SubPalettesAreKeptAndTilesThatFitUseThem) {
  std::vector<std::uint16_t> words(2 * 16, 0);
  for (int k = 1; k < 6; ++k) words[static_cast<std::size_t>(16 + k)] = static_cast<std::uint16_t>(0x0421 * k);
  words[0] = 0x7C00;  // the backdrop
  // Left cell: colours of sub-palette 1 (and the backdrop); right cell: new ones.
  const Picture picture = Truecolour(16, 8, [](int x, int y) {
    if (x < 8) return (x + y) % 3 == 0 ? Of15(0x7C00) : Of15(static_cast<Colour15>(0x0421 * (1 + (x * y) % 5)));
    return Of15(static_cast<Colour15>(0x001F + 32 * ((x + y) % 4)));
  });
  ConversionSettings settings;
  settings.bpp = 4;
  settings.subPalettes.palettes = 8;
  ExistingVideoMemory memory;
  memory.palette = {words, "font.plt"};
  const std::vector<Picture> pictures{picture};
  const SharedResult result = ConvertShared(pictures, std::vector<std::string>{"a"}, settings, memory);
  const SharedConversion& c = Converted(result);
  ASSERT_EQ(c.palette.size(), 3u * 32);
  for (std::size_t i = 0; i < words.size(); ++i) EXPECT_EQ(WordAt(c.palette, i), words[i]) << i;
  EXPECT_EQ(c.existingSubPalettes, 2);
  EXPECT_EQ(c.subPalettesMade, 1);
  EXPECT_EQ(WordAt(c.pictures[0].map, 0) >> 10 & 7, 1);
  EXPECT_EQ(WordAt(c.pictures[0].map, 1) >> 10 & 7, 2);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) {
      const Rgba& asked = picture.ColourAt(x, y);
      ASSERT_EQ(ShownWord(c, 0, x, y), Colour15Of({asked.red, asked.green, asked.blue})) << x << "," << y;
    }
}

// Each refusal with its words and the picture it names.
struct RefusalCase {
  const char* name;
  // Given one picture of one tile, at 4 bpp.
  std::function<void(std::vector<Picture>&, ConversionSettings&, ExistingVideoMemory&)> setup;
  std::optional<std::size_t> picture;
  const char* message;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

// Cells of tiles distinct tiles (none alike flipped) in turn.
Picture Pool(int width, int height, int tiles, std::uint32_t seed) {
  const auto pool = testing::RandomTilePool(tiles, 16, seed);
  PoolPicture p{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width * height))};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      p.indices[static_cast<std::size_t>(y * width + x)] =
          pool[static_cast<std::size_t>((y / 8 * ((width + 7) / 8) + x / 8) % tiles)]
              [static_cast<std::size_t>(y % 8 * 8 + x % 8)];
  return Indexed(p, 4, DistinctTable(16));
}

const RefusalCase kRefusals[] = {
    {"TableDiffersFromThePaletteFile",
     [](auto&, auto&, ExistingVideoMemory& m) { m.palette = {{0, 0, 0x1F}, "font.plt"}; }, 0,
     "Its colour table differs from the palette file \"font.plt\" at colour 0 (#280000 here, #000000 there); give "
     "--palettes N to make sub-palettes for all the pictures together."},
    {"TilesPastTheMap",
     [](std::vector<Picture>& p, auto&, ExistingVideoMemory& m) {
       p.push_back(Pool(64, 8, 8, 2));
       m.tiles.assign(1020 * 32, 0);
       for (std::size_t t = 0; t < 1020; ++t) {
         m.tiles[t * 32] = static_cast<std::uint8_t>(t);
         m.tiles[t * 32 + 1] = static_cast<std::uint8_t>(t >> 8);
       }
     },
     1,
     "This picture brings the tiles to 1029 (1020 of them already in video memory); at most 1024 fit the map "
     "(tile base 0)."},
    {"ExistingTilesPastTheBudget",
     [](auto&, ConversionSettings& s, ExistingVideoMemory& m) {
       s.maxTiles = 2;
       m.tiles.assign(3 * 32, 0);
       m.tilesName = "font.bin";
     },
     std::nullopt, "The tiles file \"font.bin\" holds 3 tiles; --max-tiles allows 2."},
    {"PaletteFileOfNineSubPalettes",
     [](auto&, auto&, ExistingVideoMemory& m) { m.palette = {std::vector<std::uint16_t>(129, 0), "big.plt"}; },
     std::nullopt, "The palette file \"big.plt\" holds 129 colours, 9 sub-palettes of 16; at most 8 fit."},
    {"NoRoomAfterEightSubPalettes",
     [](std::vector<Picture>& p, ConversionSettings& s, ExistingVideoMemory& m) {
       p = {Truecolour(8, 8, [](int x, int) { return Of15(static_cast<Colour15>(x + 1)); })};
       s.subPalettes.palettes = 1;
       std::vector<std::uint16_t> words(128, 0);
       for (std::size_t k = 1; k < 6; ++k) words[16 + k] = static_cast<std::uint16_t>(k);
       m.palette = {words, "font.plt"};
     },
     0,
     "The tile at 0,0 fits none of the 8 sub-palettes of the palette file \"font.plt\" (the closest lacks 3 of its "
     "8 colours), and no room is left for new ones."},
    {"ColourZeroIsThePaletteFilesOwn",
     [](auto&, ConversionSettings& s, ExistingVideoMemory& m) {
       s.subPalettes.palettes = 1;
       s.subPalettes.colourZero = 0xFF0000;
       m.palette = {{0x7FFF}, "font.plt"};
     },
     std::nullopt, "--colour-zero FF0000 is not colour 0 of the palette file \"font.plt\""},
};

class SharedRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(SharedRefusal, NamesWhatIsWrong) {
  const RefusalCase& c = GetParam();
  std::vector<Picture> pictures{Pool(8, 8, 1, 1)};
  ConversionSettings settings;
  settings.bpp = 4;
  ExistingVideoMemory memory;
  c.setup(pictures, settings, memory);
  const std::vector<std::string> names{"first.bmp", "second.bmp"};
  const SharedResult result = ConvertShared(pictures, names, settings, memory);
  ASSERT_TRUE(std::holds_alternative<SharedFailure>(result));
  EXPECT_EQ(std::get<SharedFailure>(result).failure.message, c.message);
  EXPECT_EQ(std::get<SharedFailure>(result).picture, c.picture);
}

INSTANTIATE_TEST_SUITE_P(Cases, SharedRefusal, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<RefusalCase>& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace tilora
