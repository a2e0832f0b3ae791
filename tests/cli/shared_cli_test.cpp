// tilora-convert --shared, --in-tiles, --in-palette and --max-tiles run as a
// build pipeline runs them: pictures in, bytes, previews and refusals out.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "bmp_builder.h"
#include "console_decoder.h"
#include "converter_run.h"
#include "formats/png/png_reader.h"
#include "shared_pictures.h"
#include "temp_dir.h"

namespace {

using tilora::testing::BmpShape;
using tilora::testing::PoolPicture;
using tilora::testing::ReadFileBytes;
using Bytes = std::vector<std::uint8_t>;

// Colours that differ in their top five bits: every index shows its own.
void DistinctColours(BmpShape& shape) {
  shape.palette.clear();
  for (int i = 0; i < 256; ++i) {
    const int c = i * 97 + 5;
    const auto eight = [](int five) { return static_cast<std::uint8_t>(five << 3 | 5); };
    shape.palette.push_back({eight(c >> 10 & 31), eight(c >> 5 & 31), eight(c & 31)});
  }
}

BmpShape ShapeOf(const PoolPicture& p, std::uint16_t depth) {
  BmpShape shape = tilora::testing::MakeShape(p.width, p.height, depth);
  shape.pixels = p.indices;
  DistinctColours(shape);
  return shape;
}

// The colour word of table entry i, blue green red as the file has them.
std::uint16_t WordOf(const BmpShape& shape, int i) {
  const auto e = tilora::testing::PaletteEntry(shape, i);
  return static_cast<std::uint16_t>((e[0] >> 3) << 10 | (e[1] >> 3) << 5 | e[2] >> 3);
}

std::uint16_t WordAt(const Bytes& bytes, std::size_t i) {
  return static_cast<std::uint16_t>(bytes.at(2 * i) | bytes.at(2 * i + 1) << 8);
}

std::uint8_t Widened(int five) { return static_cast<std::uint8_t>(five << 3 | five >> 2); }

class SharedCliTest : public ::testing::Test {
 protected:
  tilora::testing::ConverterRun Run(const std::string& args) {
    return tilora::testing::RunConverter(dir_.path(), args);
  }
  void Write(const std::string& leaf, const Bytes& bytes) { tilora::testing::WriteFileBytes(dir_ / leaf, bytes); }
  Bytes Read(const std::string& leaf) { return ReadFileBytes(dir_ / leaf); }
  // Every file of the folder with its bytes.
  std::map<std::string, Bytes> Snapshot() {
    std::map<std::string, Bytes> files;
    for (const std::string& leaf : dir_.List())
      if (std::filesystem::is_regular_file(dir_.path() / leaf)) files[leaf] = Read(leaf);
    return files;
  }
  // Each picture as the console shows it, read back from the shared tiles,
  // its map and the shared palette, and from its own preview.
  void ExpectShown(const std::string& base, const std::vector<std::pair<std::string, BmpShape>>& pictures,
                   const std::string& previews) {
    tilora::testing::TiledImage image;
    image.tiles = Read(base + ".bin");
    const Bytes palette = Read(base + ".plt");
    for (const auto& [leaf, shape] : pictures) {
      image.map = Read(leaf + ".map");
      image.columns = (shape.width + 7) / 8;
      const tilora::Picture preview = tilora::DecodePng(Read(previews + "/" + leaf + ".png"));
      ASSERT_EQ(preview.width, shape.width);
      for (int y = 0; y < shape.height; ++y)
        for (int x = 0; x < shape.width; ++x) {
          const int index = shape.pixels[static_cast<std::size_t>(y * shape.width + x)];
          const std::uint16_t wanted = index % 16 == 0 ? WordAt(palette, 0) : WordOf(shape, index);
          const tilora::testing::ShownPixel shown = tilora::testing::ShownAt(image, x, y);
          const std::size_t entry = static_cast<std::size_t>(shown.palette * 16 + shown.colour);
          ASSERT_EQ(shown.colour == 0 ? WordAt(palette, 0) : WordAt(palette, entry), wanted)
              << leaf << " " << x << "," << y;
          const tilora::Rgba& p = preview.colours[static_cast<std::size_t>(y * shape.width + x)];
          ASSERT_EQ(p, (tilora::Rgba{Widened(wanted & 31), Widened(wanted >> 5 & 31), Widened(wanted >> 10), 255}))
              << leaf << " preview " << x << "," << y;
        }
    }
  }
  tilora::testing::TempDir dir_;
};

// Pictures of one pool of tiles, flipped and in three sub-palettes.
std::vector<std::pair<std::string, BmpShape>> Level(int count, std::vector<PoolPicture>* drawn = nullptr) {
  const auto pool = tilora::testing::RandomTilePool(24, 16, 9);
  std::vector<std::pair<std::string, BmpShape>> level;
  for (int i = 0; i < count; ++i) {
    const PoolPicture p =
        tilora::testing::PictureFromPool(pool, 40 + 8 * i, 24 + 3 * i, 4, {0, 1, 3}, true, static_cast<unsigned>(i));
    if (drawn) drawn->push_back(p);
    level.push_back({"p" + std::to_string(i), ShapeOf(p, 8)});
  }
  return level;
}

TEST_F(SharedCliTest, EveryPictureRebuildsFromTheSharedOutputs) {
  std::vector<PoolPicture> drawn;
  const auto level = Level(3, &drawn);
  for (const auto& [leaf, shape] : level) Write(leaf + ".bmp", tilora::testing::BuildBmp(shape));
  std::filesystem::create_directory(dir_.path() / "shown");
  const auto run = Run("--bpp 4 --shared lvl --preview shown p0.bmp p1.bmp p2.bmp");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(Read("lvl.bin").size(), 32 * tilora::testing::NaiveDistinctTiles(drawn, 4, true));
  ExpectShown("lvl", level, "shown");
}

// Tiles and sub-palettes already in video memory stay at the start of the
// outputs, which replace the files they came from.
TEST_F(SharedCliTest, ExistingTilesAndSubPalettesAreKeptByteForByte) {
  auto level = Level(2);
  BmpShape font = level[0].second;
  font.width = 16;
  font.height = 8;
  font.pixels.resize(16 * 8);
  for (std::size_t i = 0; i < font.pixels.size(); ++i)
    font.pixels[i] = static_cast<std::uint8_t>(16 + (i * 7 + i / 9) % 16);
  Write("font.bmp", tilora::testing::BuildBmp(font));
  ASSERT_EQ(Run("--bpp 4 --map --name gfx font.bmp").status, 0);
  const Bytes tiles = Read("gfx.bin");
  const Bytes palette = Read("gfx.plt");
  ASSERT_EQ(palette.size(), 2u * 32);
  // The font's first cell appears in the first picture: it takes its tile.
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      level[0].second.pixels[static_cast<std::size_t>(y * level[0].second.width + x)] =
          font.pixels[static_cast<std::size_t>(y * 16 + x)];
  for (const auto& [leaf, shape] : level) Write(leaf + ".bmp", tilora::testing::BuildBmp(shape));
  std::filesystem::create_directory(dir_.path() / "shown");
  const auto run = Run("--bpp 4 --in-tiles gfx.bin --in-palette gfx.plt --shared gfx --preview shown p0.bmp p1.bmp");
  ASSERT_EQ(run.status, 0) << run.err;
  const Bytes after = Read("gfx.bin");
  ASSERT_GT(after.size(), tiles.size());
  EXPECT_EQ(Bytes(after.begin(), after.begin() + static_cast<std::ptrdiff_t>(tiles.size())), tiles);
  const Bytes words = Read("gfx.plt");
  ASSERT_GT(words.size(), palette.size());
  EXPECT_EQ(Bytes(words.begin(), words.begin() + static_cast<std::ptrdiff_t>(palette.size())), palette);
  EXPECT_EQ(WordAt(Read("p0.map"), 0) & 0x3FF, 0);
  ExpectShown("gfx", level, "shown");
}

struct Refusal {
  const char* name;
  std::string args;
  int status;
  std::string err;
};

void PrintTo(const Refusal& r, std::ostream* os) { *os << r.name; }

std::string ManyPictures() {
  std::string names;
  for (int i = 0; i < 10000; ++i) names += " p" + std::to_string(i % 3) + ".bmp";
  return names;
}

class SharedRefusals : public SharedCliTest, public ::testing::WithParamInterface<Refusal> {};

std::string Usage(const std::string& message) {
  return "tilora-convert: " + message + "\nTry 'tilora-convert --help'.\n";
}

const Refusal kRefusals[] = {
    {"TilesFileOfPartTiles", "--bpp 4 --in-tiles odd.bin --shared lvl p0.bmp p1.bmp", 1,
     "tilora-convert: The tiles file \"odd.bin\" holds 33 bytes, not a whole number of 32-byte tiles.\n"},
    {"PaletteFileOfOddLength", "--in-palette odd.plt --shared lvl p0.bmp p1.bmp", 1,
     "tilora-convert: The palette file \"odd.plt\" holds 3 bytes, not a whole number of 2-byte colour words.\n"},
    {"TenThousandPictures", "--shared lvl" + ManyPictures(), 2,
     Usage("--shared takes at most 256 pictures, not 10000")},
    {"PicturesOfDifferentDepths", "--shared lvl p0.bmp four.bmp", 1,
     "four.bmp: This picture would be converted at 4 bpp and p0.bmp at 8 bpp; pictures that share tiles take one "
     "depth: give --bpp.\n"},
    {"MissingPictureAmongMany", "--bpp 4 --shared lvl p0.bmp p1.bmp gone.bmp p2.bmp", 1,
     "gone.bmp: File not found.\n"},
    {"TablesThatDiffer", "--bpp 4 --shared lvl p0.bmp other.bmp", 1,
     "other.bmp: Its colour table differs from that of p0.bmp at colour 1 (#000000 here, #351D05 there); give "
     "--palettes N to make sub-palettes for all the pictures together.\n"},
    {"SameMapTwice", "--bpp 4 --shared lvl p0.bmp ./p0.bmp", 2, Usage("p0.bmp and ./p0.bmp would both write ./p0.map")},
    {"AnOutputIsAPicture", "--bpp 4 --shared p1.bmp p0.bmp p1.bmp.bin", 2,
     Usage("p1.bmp.bin, an output of the run, is the picture p1.bmp.bin")},
    {"MapFolderMissing", "--bpp 4 --shared lvl --map-dir nowhere p0.bmp p1.bmp", 1,
     "tilora-convert: Cannot create file \"nowhere/p0.map\". Invalid filename.\n"},
    {"MoreTilesThanTheBudget", "--bpp 4 --shared lvl --max-tiles 3 p0.bmp p1.bmp", 1,
     "p0.bmp: The tiles pass --max-tiles 3 at this picture: the pictures need 25.\n"},
    {"OnePictureOverTheBudget", "--bpp 4 --map --max-tiles 3 p0.bmp", 1,
     "p0.bmp: The picture needs 12 tiles; --max-tiles allows 3.\n"},
    {"UsageOfTheNewOptions", "--map-dir m p0.bmp", 2, Usage("--map-dir needs --shared")},
    {"InTilesWithoutDepth", "--in-tiles odd.bin --shared lvl p0.bmp", 2,
     Usage("--in-tiles needs --bpp: the size of its tiles depends on the depth")},
    {"InPaletteWithoutMap", "--in-palette odd.plt p0.bmp", 2, Usage("--in-palette needs --map or --shared")},
    {"InTilesForSeveralWithoutShared", "--bpp 4 --map --in-tiles odd.bin p0.bmp p1.bmp", 2,
     Usage("--in-tiles takes one picture, or several with --shared")},
    {"SharedWithMode7", "--mode7 --shared lvl p0.bmp", 2,
     Usage("--shared makes background maps; --mode7 does not apply")},
    {"SharedWithName", "--name x --shared lvl p0.bmp", 2,
     Usage("--shared names the tiles and palette itself; --name does not apply")},
    {"BlankTileOverExistingTiles", "--bpp 4 --blank-tile --in-tiles odd.bin --shared lvl p0.bmp", 2,
     Usage("--blank-tile does not apply with --in-tiles: tile 0 is the first existing tile")},
    {"LossyOverAnExistingPalette", "--palettes 2 --lossy --in-palette odd.plt --shared lvl p0.bmp", 2,
     Usage("--lossy cannot be combined with --in-palette")},
    {"SharedWith16x16Tiles", "--bpp 4 --tile-size 16 --shared lvl p0.bmp p1.bmp", 2,
     Usage("--shared, --in-tiles and --in-palette lay out 8x8 tiles; --tile-size 16 does not apply")},
    {"ExistingPaletteUnder16x16Tiles", "--bpp 4 --map --tile-size 16 --in-palette odd.plt p0.bmp", 2,
     Usage("--shared, --in-tiles and --in-palette lay out 8x8 tiles; --tile-size 16 does not apply")},
    {"BudgetWithInfo", "--info --max-tiles 3 p0.bmp", 2,
     Usage("--max-tiles limits a conversion; --info converts nothing")},
};

// One line naming what is wrong, and nothing written or changed: the
// outputs of an earlier run stay as they were.
TEST_P(SharedRefusals, RefuseInOneLineAndWriteNothing) {
  const Refusal& r = GetParam();
  const auto level = Level(3);
  for (const auto& [leaf, shape] : level) Write(leaf + ".bmp", tilora::testing::BuildBmp(shape));
  BmpShape four = tilora::testing::MakeShape(16, 8, 4);
  Write("four.bmp", tilora::testing::BuildBmp(four));
  BmpShape other = level[1].second;
  other.palette[1] = {0, 0, 0};
  Write("other.bmp", tilora::testing::BuildBmp(other));
  Write("odd.bin", Bytes(33, 1));
  Write("odd.plt", Bytes(3, 1));
  ASSERT_EQ(Run("--bpp 4 --shared lvl p0.bmp p1.bmp").status, 0);
  const auto before = Snapshot();
  const auto run = Run(r.args);
  EXPECT_EQ(run.status, r.status);
  EXPECT_EQ(run.err, r.err);
  EXPECT_EQ(Snapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(Cases, SharedRefusals, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<Refusal>& param) { return std::string(param.param.name); });

}  // namespace
