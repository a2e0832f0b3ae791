// tilora-convert --render: every conversion's outputs drawn back equal its
// --preview, and damaged or mismatched files are refused by name with
// nothing written.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "bmp_builder.h"
#include "converter_run.h"
#include "formats/png/png_reader.h"
#include "temp_dir.h"

namespace {

using tilora::testing::BmpShape;
using tilora::testing::TempDir;
using Bytes = std::vector<std::uint8_t>;

BmpShape Picture(int width, int height, const std::function<int(int, int)>& index) {
  BmpShape shape = tilora::testing::MakeShape(width, height, 8);
  shape.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) shape.pixels[static_cast<std::size_t>(y * width + x)] = static_cast<std::uint8_t>(index(x, y));
  // Colours that differ in their top five bits.
  shape.palette.clear();
  for (int i = 0; i < 256; ++i) {
    const int c = i * 97;
    const auto eight = [](int five) { return static_cast<std::uint8_t>(five << 3 | 4); };
    shape.palette.push_back({eight(c >> 10 & 31), eight(c >> 5 & 31), eight(c & 31)});
  }
  return shape;
}

// Colour k of pattern t at (x, y) of a cell: lopsided, so flips show.
int Pattern(int t, int x, int y) { return (t * 7 + x * (t % 5 + 1) + y * y * 3 + (x > y ? 5 : 0)) % 16; }

// 8 x 8 cells of a dozen patterns, flipped, in three sub-palettes.
BmpShape Cells(int width, int height) {
  return Picture(width, height, [](int x, int y) {
    const int cx = x / 8, cy = y / 8, flip = (cx + cy) % 4;
    const int px = flip & 1 ? 7 - x % 8 : x % 8, py = flip & 2 ? 7 - y % 8 : y % 8;
    return 16 * ((cx * cy + cx) % 3) + Pattern((cx * 3 + cy * 5) % 12, px, py);
  });
}

// 16 x 16 blocks of patterns, flipped whole, in three sub-palettes.
BmpShape Blocks(int width, int height) {
  return Picture(width, height, [](int x, int y) {
    const int bx = x / 16, by = y / 16, flip = (bx + 2 * by) % 4;
    const int px = flip & 1 ? 15 - x % 16 : x % 16, py = flip & 2 ? 15 - y % 16 : y % 16;
    return 16 * ((bx * by + bx) % 3) + Pattern((bx * 3 + by * 5) % 12 + px / 8 * 3 + py / 8 * 7, px % 8, py % 8);
  });
}

// One sub-palette (the given one) at 2 or 4 bpp, or 256 colours.
BmpShape OneBlock(int width, int height, int bits, int block) {
  return Picture(width, height, [=](int x, int y) {
    const int k = (x / 3 + y / 5 + x * y) % (1 << bits);
    return bits == 8 ? (x * 7 + y * 13) % 256 : (block << bits) + k;
  });
}

std::vector<tilora::Rgb> Colours(const tilora::Picture& p) {
  std::vector<tilora::Rgb> colours;
  if (p.indexed) {
    for (const std::uint8_t i : p.indices) colours.push_back(p.palette.at(i));
  } else {
    for (const tilora::Rgba& c : p.colours) colours.push_back({c.red, c.green, c.blue});
  }
  return colours;
}

class RenderTest : public ::testing::Test {
 protected:
  tilora::testing::ConverterRun Run(const std::string& args) { return tilora::testing::RunConverter(dir_.path(), args); }
  Bytes Read(const std::string& leaf) { return tilora::testing::ReadFileBytes(dir_ / leaf); }
  void Write(const std::string& leaf, const Bytes& bytes) { tilora::testing::WriteFileBytes(dir_ / leaf, bytes); }
  tilora::Picture Png(const std::string& leaf) { return tilora::DecodePng(Read(leaf)); }
  TempDir dir_;
};

struct RoundTrip {
  const char* name;
  std::function<BmpShape()> picture;
  const char* convert;  // the conversion's options
  const char* render;   // the options and files --render is given
};

void PrintTo(const RoundTrip& c, std::ostream* os) { *os << c.name; }

const RoundTrip kRoundTrips[] = {
    {"Plain2", [] { return OneBlock(50, 20, 2, 0); }, "--bpp 2", "--bpp 2 --columns 7 a.bin a.plt"},
    {"Plain4LaterSubPalette", [] { return OneBlock(40, 24, 4, 2); }, "--bpp 4", "--bpp 4 --columns 5 a.bin a.plt"},
    {"Plain8", [] { return OneBlock(33, 17, 8, 0); }, "--bpp 8", "--bpp 8 --columns 5 a.bin a.plt"},
    {"Map4FlipsSubPalettes", [] { return Cells(100, 60); }, "--bpp 4 --map", "--bpp 4 --columns 13 a.bin a.plt a.map"},
    {"Map2Bases",
     [] { return Picture(72, 40, [](int x, int y) { return 4 * ((x / 8 + y / 8) % 4) + Pattern(x / 8, x % 8, y % 8) % 4; }); },
     "--bpp 2 --map --tile-base 5 --palette-base 2", "--bpp 2 --columns 9 --tile-base 5 --palette-base 2 a.bin a.plt a.map"},
    {"Map8ScreensBlankTile", [] { return OneBlock(300, 70, 8, 0); }, "--map --screens --blank-tile",
     "--bpp 8 --columns 64 --screens a.bin a.plt a.map"},
    {"Map4ScreensTall", [] { return Cells(90, 300); }, "--bpp 4 --map --screens",
     "--bpp 4 --columns 32 --screens a.bin a.plt a.map"},
    {"Blocks4", [] { return Blocks(200, 150); }, "--bpp 4 --map --tile-size 16",
     "--bpp 4 --columns 13 --tile-size 16 a.bin a.plt a.map"},
    {"BlocksScreensBases", [] { return Blocks(600, 100); }, "--bpp 4 --map --tile-size 16 --screens --tile-base 900 --palette-base 3",
     "--bpp 4 --columns 64 --screens --tile-size 16 --tile-base 900 --palette-base 3 a.bin a.plt a.map"},
    {"Mode7", [] { return OneBlock(300, 250, 8, 0); }, "--mode7", "--mode7 a.bin a.plt a.map"},
    {"Mode7Interleaved", [] { return OneBlock(130, 70, 8, 0); }, "--mode7 --interleave", "--mode7 --interleave a.vram a.plt"},
};

class RenderRoundTrip : public RenderTest, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(RenderRoundTrip, EqualsThePreview) {
  const RoundTrip& c = GetParam();
  const BmpShape picture = c.picture();
  Write("a.bmp", tilora::testing::BuildBmp(picture));
  const auto made = Run(std::string(c.convert) + " --preview shown.png a.bmp");
  ASSERT_EQ(made.status, 0) << made.err;
  const std::string size = " --size " + std::to_string(picture.width) + "x" + std::to_string(picture.height) + " ";
  const auto drawn = Run("--render drawn.png" + size + c.render);
  ASSERT_EQ(drawn.status, 0) << drawn.err;
  EXPECT_EQ(drawn.err, "");
  const tilora::Picture shown = Png("shown.png");
  const tilora::Picture back = Png("drawn.png");
  ASSERT_EQ(back.width, shown.width);
  ASSERT_EQ(back.height, shown.height);
  EXPECT_TRUE(Colours(back) == Colours(shown));
  // Each pixel's index is the colour memory entry it shows.
  EXPECT_TRUE(back.indexed);
  EXPECT_EQ(back.palette.size(), Read("a.plt").size() / 2);
}

INSTANTIATE_TEST_SUITE_P(Outputs, RenderRoundTrip, ::testing::ValuesIn(kRoundTrips),
                         [](const ::testing::TestParamInfo<RoundTrip>& param) { return std::string(param.param.name); });

// Without --size the whole map is drawn: its padding shows the backdrop.
TEST_F(RenderTest, WholeMapShowsTheBackdropBeyondThePicture) {
  Write("a.bmp", tilora::testing::BuildBmp(Blocks(20, 18)));
  ASSERT_EQ(Run("--bpp 4 --map --tile-size 16 --screens a.bmp").status, 0);
  ASSERT_EQ(Run("--render drawn.png --bpp 4 --columns 32 --screens --tile-size 16 a.bin a.plt a.map").status, 0);
  const tilora::Picture back = Png("drawn.png");
  ASSERT_EQ(back.width, 512);
  ASSERT_EQ(back.height, 512);
  EXPECT_EQ(back.IndexAt(511, 511), 0);
  EXPECT_EQ(back.IndexAt(20, 0), 0);
}

// Outputs written by hand, byte for byte: 2 bpp, two tiles, a map of two
// entries. Tile 0 is colour 1 in its top-left pixel only; tile 1 colour 3
// everywhere.
Bytes TwoTiles() {
  Bytes tiles(32, 0);
  tiles[0] = 0x80;
  for (int i = 16; i < 32; ++i) tiles[static_cast<std::size_t>(i)] = 0xFF;
  return tiles;
}

struct Hostile {
  const char* name;
  std::function<void(RenderTest&)> files;  // beside a.bin (two tiles at 2 bpp), a.plt (8 colours), a.map (two entries)
  const char* args;
  const char* message;  // after "drawn.png: "
};

void PrintTo(const Hostile& c, std::ostream* os) { *os << c.name; }

class RenderHostile : public RenderTest, public ::testing::WithParamInterface<Hostile> {
 public:
  void WriteByHand(const std::string& leaf, const Bytes& bytes) { Write(leaf, bytes); }
};

Bytes Words(std::initializer_list<std::uint16_t> words) {
  Bytes bytes;
  for (const std::uint16_t w : words) {
    bytes.push_back(static_cast<std::uint8_t>(w & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(w >> 8));
  }
  return bytes;
}

const Hostile kHostile[] = {
    {"TilesNotWhole", [](RenderTest& t) { static_cast<RenderHostile&>(t).WriteByHand("a.bin", Bytes(33, 0)); },
     "--bpp 2 --columns 2 a.bin a.plt a.map",
     "The tiles file \"a.bin\" holds 33 bytes, not a whole number of 16-byte tiles."},
    {"PaletteOdd", [](RenderTest& t) { static_cast<RenderHostile&>(t).WriteByHand("a.plt", Bytes(7, 0)); },
     "--bpp 2 --columns 2 a.bin a.plt a.map",
     "The palette file \"a.plt\" holds 7 bytes, not a whole number of 2-byte colour words."},
    {"PaletteBit15", [](RenderTest& t) { static_cast<RenderHostile&>(t).WriteByHand("a.plt", Words({0, 0x801F})); },
     "--bpp 2 --columns 2 a.bin a.plt a.map",
     "Colour 1 of the palette file \"a.plt\" has bit 15 set; colour words are 15 bits."},
    {"MapWidthDoesNotMatch", [](RenderTest&) {}, "--bpp 2 --columns 3 a.bin a.plt a.map",
     "The map file \"a.map\" holds 2 entries, not whole rows of 3 (--columns)."},
    {"ScreensOfTheWrongSize", [](RenderTest&) {}, "--bpp 2 --columns 32 --screens a.bin a.plt a.map",
     "The map file \"a.map\" holds 2 entries; a map of screens 32 entries across holds 1024 or 2048."},
    {"TilePastTheTileset", [](RenderTest& t) { static_cast<RenderHostile&>(t).WriteByHand("a.map", Words({0, 2})); },
     "--bpp 2 --columns 2 a.bin a.plt a.map",
     "The map entry at 8,0 of \"a.map\" shows tile 2; the tiles file \"a.bin\" holds tiles 0-1."},
    {"TileBeforeTheTileBase", [](RenderTest& t) { static_cast<RenderHostile&>(t).WriteByHand("a.map", Words({10, 9})); },
     "--bpp 2 --columns 2 --tile-base 10 a.bin a.plt a.map",
     "The map entry at 8,0 of \"a.map\" shows tile 9; the tiles file \"a.bin\" holds tiles 10-11 (--tile-base 10)."},
    // Tile 0's block is tiles 0, 1, 16 and 17: only two are held.
    {"BlockPastTheTileset", [](RenderTest& t) { static_cast<RenderHostile&>(t).WriteByHand("a.map", Words({0})); },
     "--bpp 2 --columns 1 --tile-size 16 a.bin a.plt a.map",
     "The map entry at 0,0 of \"a.map\" shows tile 16; the tiles file \"a.bin\" holds tiles 0-1."},
    {"SubPalettePastThePalette",
     [](RenderTest& t) { static_cast<RenderHostile&>(t).WriteByHand("a.map", Words({1, 2 << 10 | 1})); },
     "--bpp 2 --columns 2 a.bin a.plt a.map",
     "The map entry at 8,0 of \"a.map\" names sub-palette 2; the palette file \"a.plt\" holds sub-palettes 0-1."},
    {"SubPaletteBeforeTheBase", [](RenderTest&) {}, "--bpp 2 --columns 2 --palette-base 1 a.bin a.plt a.map",
     "The map entry at 0,0 of \"a.map\" names sub-palette 0; the palette file \"a.plt\" holds sub-palettes 1-2 "
     "(--palette-base 1)."},
    // Sub-palette 1 holds colours 4 and 5 only; tile 1 shows colour 3.
    {"ColourPastThePalette",
     [](RenderTest& t) {
       static_cast<RenderHostile&>(t).WriteByHand("a.plt", Bytes(12, 0));
       static_cast<RenderHostile&>(t).WriteByHand("a.map", Words({1 << 10, 1 << 10 | 1}));
     },
     "--bpp 2 --columns 2 a.bin a.plt a.map",
     "The map entry at 8,0 of \"a.map\" shows colour 3 of sub-palette 1 (tile 1); the palette file \"a.plt\" holds 6 "
     "colours."},
    {"PlainTilesNotWholeRows", [](RenderTest&) {}, "--bpp 2 --columns 3 a.bin a.plt",
     "The tiles file \"a.bin\" holds 2 tiles, not whole rows of 3 (--columns)."},
    {"PlainTilesPartOfASubPalette", [](RenderTest& t) { static_cast<RenderHostile&>(t).WriteByHand("a.plt", Bytes(12, 0)); },
     "--bpp 2 --columns 2 a.bin a.plt",
     "The palette file \"a.plt\" holds 6 colours, not whole sub-palettes of 4; plain tiles show in its last one."},
    {"PlainTilesPastTheEighthSubPalette",
     [](RenderTest& t) { static_cast<RenderHostile&>(t).WriteByHand("a.plt", Bytes(2 * 36, 0)); },
     "--bpp 2 --columns 2 a.bin a.plt",
     "The palette file \"a.plt\" holds 9 sub-palettes; plain tiles show in its last one, and a background has 8."},
    // Eight colours: tile 1's colour 3 is there, the drawing is made.
    {"PlainEightBitColourPastThePalette",
     [](RenderTest& t) {
       Bytes tiles(64, 0);
       tiles[48] = 0x80;  // plane 6 of row 0: pixel 0 of tile 0 is colour 64
       static_cast<RenderHostile&>(t).WriteByHand("a.bin", tiles);
     },
     "--bpp 8 --columns 1 a.bin a.plt",
     "The tile at 0,0 of \"a.bin\" shows colour 64 (tile 0); the palette file \"a.plt\" holds 8 colours."},
    {"SizeBeyondTheMap", [](RenderTest&) {}, "--bpp 2 --columns 2 --size 17x8 a.bin a.plt a.map",
     "--size 17x8 does not lie within the 16 x 8 pixels the outputs cover."},
    {"Mode7MapShort",
     [](RenderTest& t) {
       static_cast<RenderHostile&>(t).WriteByHand("a.bin", Bytes(64, 0));
       static_cast<RenderHostile&>(t).WriteByHand("a.map", Bytes(16383, 0));
     },
     "--mode7 a.bin a.plt a.map", "The mode 7 map file \"a.map\" holds 16383 bytes, not the 16384 it always has."},
    {"Mode7TooManyTiles",
     [](RenderTest& t) {
       static_cast<RenderHostile&>(t).WriteByHand("a.bin", Bytes(257 * 64, 0));
       static_cast<RenderHostile&>(t).WriteByHand("a.map", Bytes(16384, 0));
     },
     "--mode7 a.bin a.plt a.map", "The tiles file \"a.bin\" holds 257 tiles; mode 7 holds at most 256."},
    {"Mode7TilePastTheTileset",
     [](RenderTest& t) {
       Bytes map(16384, 0);
       map[128 * 3 + 5] = 1;
       static_cast<RenderHostile&>(t).WriteByHand("a.bin", Bytes(64, 0));
       static_cast<RenderHostile&>(t).WriteByHand("a.map", map);
     },
     "--mode7 a.bin a.plt a.map", "The map entry at 40,24 of \"a.map\" shows tile 1; the tiles file \"a.bin\" holds tile 0."},
    {"Mode7ColourPastThePalette",
     [](RenderTest& t) {
       Bytes tiles(64, 0);
       tiles[9] = 200;
       static_cast<RenderHostile&>(t).WriteByHand("a.bin", tiles);
       static_cast<RenderHostile&>(t).WriteByHand("a.map", Bytes(16384, 0));
     },
     "--mode7 a.bin a.plt a.map",
     "The map entry at 0,0 of \"a.map\" shows colour 200 (tile 0); the palette file \"a.plt\" holds 8 colours."},
    {"VideoMemoryLong", [](RenderTest& t) { static_cast<RenderHostile&>(t).WriteByHand("a.vram", Bytes(32770, 0)); },
     "--mode7 --interleave a.vram a.plt",
     "The video memory file \"a.vram\" holds 32770 bytes, not the 32768 it always has."},
    {"MissingMap", [](RenderTest&) {}, "--bpp 2 --columns 2 a.bin a.plt none.map",
     "Cannot read file \"none.map\". File not found."},
};

TEST_P(RenderHostile, IsRefusedWithNothingWritten) {
  const Hostile& c = GetParam();
  Write("a.bin", TwoTiles());
  Write("a.plt", Words({0x0000, 0x001F, 0x03E0, 0x7C00, 0x7FFF, 0x1111, 0x2222, 0x3333}));
  Write("a.map", Words({0, 1}));
  Write("drawn.png", Bytes{'o', 'l', 'd', 'p', 'n', 'g'});
  c.files(*this);
  const auto before = dir_.List();
  const Bytes old = Read("drawn.png");
  const auto run = Run(std::string("--render drawn.png ") + c.args);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, std::string("drawn.png: ") + c.message + "\n");
  EXPECT_EQ(dir_.List(), before);
  EXPECT_EQ(Read("drawn.png"), old);
}

INSTANTIATE_TEST_SUITE_P(Files, RenderHostile, ::testing::ValuesIn(kHostile),
                         [](const ::testing::TestParamInfo<Hostile>& param) { return std::string(param.param.name); });

// The output is one of the files read: it stays as it was.
TEST_F(RenderTest, NeverWritesOverAFileItReads) {
  Write("a.bin", TwoTiles());
  Write("a.plt", Words({0, 0x1F, 0x3E0, 0x7C00}));
  Write("a.map", Words({0, 1}));
  const struct {
    const char* file;
    const char* what;
  } inputs[] = {{"a.bin", "tiles"}, {"a.plt", "palette"}, {"a.map", "map"}};
  for (const auto& input : inputs) {
    const Bytes old = Read(input.file);
    const auto run = Run(std::string("--render ") + input.file + " --bpp 2 --columns 2 a.bin a.plt a.map");
    EXPECT_EQ(run.status, 1) << input.file;
    EXPECT_EQ(run.err, std::string(input.file) + ": Cannot create file \"" + input.file + "\". It is the " + input.what +
                           " file.\n");
    EXPECT_EQ(Read(input.file), old) << input.file;
  }
}

// What a command line cannot mean, before any file is read.
TEST_F(RenderTest, UsageErrors) {
  const struct {
    const char* args;
    const char* message;
  } cases[] = {
      {"--render r.png --bpp 2 --columns 2 a.bin", "--render takes TILES PALETTE [MAP], not 1 file"},
      {"--render r.png --mode7 a.bin a.plt", "--render with --mode7 takes TILES PALETTE MAP, not 2 files"},
      {"--render r.png --mode7 --interleave a.vram a.plt a.map",
       "--render with --mode7 --interleave takes VRAM PALETTE, not 3 files"},
      {"--render r.png --columns 2 a.bin a.plt", "--render needs --bpp: a tiles file does not say its depth"},
      {"--render r.png --bpp 2 a.bin a.plt a.map", "--render needs --columns: a map file does not say its width"},
      {"--render r.png --bpp 2 --columns 2 --map a.bin a.plt a.map",
       "--render draws outputs already made; --map does not apply"},
      {"--render r.png --bpp 2 --columns 2 --preview p.png a.bin a.plt",
       "--render draws outputs already made; --preview does not apply"},
      {"--render r.png --bpp 2 --columns 2 --tile-base 3 a.bin a.plt",
       "--tile-base needs a map: --render takes it as the third file"},
      {"--render r.png --bpp 2 --columns 2 --tile-size 16 a.bin a.plt",
       "--tile-size 16 needs a map: --render takes it as the third file"},
      {"--render r.png --bpp 8 --columns 2 --palette-base 1 a.bin a.plt a.map",
       "--palette-base does not apply at 8 bits per pixel"},
      {"--render r.png --bpp 4 --columns 40 --screens a.bin a.plt a.map",
       "with --screens a map is 32 or 64 entries across, not 40 (--columns)"},
      {"--render r.png --mode7 --columns 128 a.bin a.plt a.map",
       "--mode7's map is 128 entries across; --columns does not apply"},
      {"--render r.png --mode7 --tile-size 16 a.bin a.plt a.map", "--mode7 tiles are 8x8; --tile-size 16 does not apply"},
      {"--render r.png --bpp 2 --size 8 a.bin a.plt",
       "--size takes a width and a height from 1 to 8192 as WxH, not '8'"},
      {"--columns 2 a.bmp", "--columns needs --render"},
      {"--size 8x8 a.bmp", "--size needs --render"},
  };
  for (const auto& c : cases) {
    const auto run = Run(c.args);
    EXPECT_EQ(run.status, 2) << c.args;
    EXPECT_EQ(run.err, std::string("tilora-convert: ") + c.message + "\nTry 'tilora-convert --help'.\n") << c.args;
  }
}

}  // namespace
