// tilora-convert run as a build pipeline runs it: arguments in, exit status
// and messages out.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

#include "bmp_builder.h"
#include "reference_encoder.h"
#include "temp_dir.h"

namespace {

using tilora::testing::BmpShape;
using tilora::testing::TempDir;

struct Result {
  int status;
  std::string out;
  std::string err;
};

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream f(path);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

class CliTest : public ::testing::Test {
 protected:
  // Runs the converter in the test's folder; args are given to the shell.
  Result Run(const std::string& args) {
    const auto out = std::filesystem::temp_directory_path() / ("tilora-cli-out-" + std::to_string(::getpid()));
    const auto err = std::filesystem::temp_directory_path() / ("tilora-cli-err-" + std::to_string(::getpid()));
    const std::string command = "cd '" + dir_.path().string() + "' && '" TILORA_CONVERT "' " + args + " >'" +
                                out.string() + "' 2>'" + err.string() + "'";
    const int raw = std::system(command.c_str());
    Result r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(out), Slurp(err)};
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return r;
  }
  std::string Picture(const std::string& leaf, BmpShape shape) {
    std::filesystem::create_directories((dir_.path() / leaf).parent_path());
    tilora::testing::WriteFileBytes(dir_ / leaf, tilora::testing::BuildBmp(shape));
    return dir_ / leaf;
  }
  static BmpShape Shape(std::int32_t w, std::int32_t h, std::uint16_t depth) {
    BmpShape s;
    s.width = w;
    s.height = h;
    s.depth = depth;
    s.pixels = tilora::testing::RandomPixels(static_cast<std::size_t>(w * (h < 0 ? -h : h)), 1 << (depth > 8 ? 8 : depth), 3);
    return s;
  }
  TempDir dir_;
};

TEST_F(CliTest, UsageErrorsExitWith2) {
  Picture("a.bmp", Shape(8, 8, 4));
  Picture("b.bmp", Shape(8, 8, 4));
  const struct {
    const char* args;
    const char* message;
  } cases[] = {
      {"", "tilora-convert: no picture given\n"},
      {"--bogus a.bmp", "tilora-convert: unknown option '--bogus'\n"},
      {"--name X a.bmp b.bmp", "tilora-convert: --name takes one picture only\n"},
      {"--name", "tilora-convert: --name needs a value\n"},
      {"a.bmp --name X", "tilora-convert: option '--name' after a picture: options come before the pictures\n"},
      {"--name X --name Y a.bmp", "tilora-convert: --name given twice\n"},
      // A script's empty variable, or an option given twice whatever it says.
      {"--name '' a.bmp", "tilora-convert: --name needs a value, not an empty one\n"},
      {"--preview= a.bmp", "tilora-convert: --preview needs a value, not an empty one\n"},
      {"--palettes 1 --palette-png '' a.bmp", "tilora-convert: --palette-png needs a value, not an empty one\n"},
      {"--bpp 4 --bpp 8 a.bmp", "tilora-convert: --bpp given twice\n"},
      {"--map --map a.bmp", "tilora-convert: --map given twice\n"},
      // Sprites: their options, and what of a background does not apply.
      {"--origin 3,3 a.bmp", "tilora-convert: --origin needs --sprites\n"},
      {"--sprites 32 a.bmp", "tilora-convert: --sprites takes a frame size WxH such as 32x32, not '32'\n"},
      {"--sprites 8x8 --map a.bmp",
       "tilora-convert: --sprites lays out its own tiles; the background's --map, --mode7 and their options do not "
       "apply\n"},
      {"--sprites 8x8 --obj-sizes 8,24 a.bmp",
       "tilora-convert: --obj-sizes takes one of the console's pairs 8,16 8,32 8,64 16,32 16,64 32,64, not '8,24'\n"},
      {"--sprites 8x8 --origin 8,0 a.bmp", "tilora-convert: The origin 8,0 lies outside the 8x8 frame.\n"},
      {"--oam-asm t.inc a.bmp", "tilora-convert: --oam-asm needs --sprites\n"},
      {"--info --name X a.bmp", "tilora-convert: --info prints descriptions only; it takes no output options\n"},
      {"--bpp 3 a.bmp", "tilora-convert: --bpp takes 2, 4 or 8, not '3'\n"},
      {"--map --tile-base 1024 a.bmp", "tilora-convert: --tile-base takes a whole number from 0 to 1023, not '1024'\n"},
      {"--map --palette-base x a.bmp", "tilora-convert: --palette-base takes a whole number from 0 to 7, not 'x'\n"},
      {"--palettes 9 a.bmp", "tilora-convert: --palettes takes a whole number from 1 to 8, not '9'\n"},
      {"-j 0 a.bmp", "tilora-convert: -j takes a whole number from 1 to 256, not '0'\n"},
      {"--palettes 2 --colour-zero 12345g a.bmp",
       "tilora-convert: --colour-zero takes a colour as six hexadecimal digits RRGGBB, not '12345g'\n"},
      {"--mode7 --bpp 4 a.bmp", "tilora-convert: --mode7 makes 8-bit tiles; it cannot be combined with --bpp 4\n"},
      {"--no-flip a.bmp", "tilora-convert: --no-flip needs --map\n"},
      {"--screens a.bmp", "tilora-convert: --screens needs --map\n"},
      {"--interleave a.bmp", "tilora-convert: --interleave needs --mode7\n"},
      {"--map --bpp 8 --palette-base 1 a.bmp", "tilora-convert: --palette-base does not apply at 8 bits per pixel\n"},
      {"--preview p.png a.bmp b.bmp", "tilora-convert: --preview takes one picture only\n"},
      {"--rom a.sfc a.bmp b.bmp", "tilora-convert: --rom takes one picture only\n"},
      {"--info --rom a.sfc a.bmp", "tilora-convert: --info prints descriptions only; it takes no output options\n"},
      {"--rom", "tilora-convert: --rom needs a value\n"},
      {"--lossy a.bmp", "tilora-convert: --lossy needs --palettes\n"},
      {"--palettes 2 --dither a.bmp", "tilora-convert: --dither needs --lossy\n"},
      {"--bpp 2 --palettes 2 --colours 5 a.bmp", "tilora-convert: --colours 5 is more than the 4 colours of a palette at this depth\n"},
      {"--bpp 8 --palettes 2 a.bmp", "tilora-convert: 8-bit tiles have one palette; --palettes must be 1\n"},
  };
  for (const auto& c : cases) {
    const Result r = Run(c.args);
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_EQ(r.err, std::string(c.message) + "Try 'tilora-convert --help'.\n") << c.args;
  }
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{"a.bmp", "b.bmp"}));
}

TEST_F(CliTest, HelpAndVersion) {
  const Result help = Run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: tilora-convert [OPTION]... PICTURE...\n", 0), 0u);
  const Result version = Run("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("tilora-convert ", 0), 0u);
}

TEST_F(CliTest, OutputsGoBesideEachPicture) {
  const BmpShape hero = Shape(24, 16, 4), map = Shape(13, 9, 8);
  Picture("art/hero.bmp", hero);
  Picture("art.d/map.v2.bmp", map);
  Picture("art/dat.bin", Shape(1, 1, 8));
  const auto datBin = tilora::testing::ReadFileBytes(dir_ / "art/dat.bin");
  const Result r = Run("art/hero.bmp art.d/map.v2.bmp");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(tilora::testing::ReadFileBytes(dir_ / "art/hero.bin"), tilora::testing::ReferenceTiles(hero));
  EXPECT_EQ(tilora::testing::ReadFileBytes(dir_ / "art/hero.plt"), tilora::testing::ReferencePalette(hero));
  EXPECT_EQ(tilora::testing::ReadFileBytes(dir_ / "art.d/map.v2.bin"), tilora::testing::ReferenceTiles(map));
  EXPECT_EQ(tilora::testing::ReadFileBytes(dir_ / "art/dat.bin"), datBin);
}

TEST_F(CliTest, NameIsUsedExactlyRelativeToTheCurrentFolder) {
  Picture("art/hero.bmp", Shape(8, 8, 8));
  EXPECT_EQ(Run("--name Pic art/hero.bmp").status, 0);
  EXPECT_TRUE(std::filesystem::exists(dir_.path() / "Pic.bin"));
  EXPECT_TRUE(std::filesystem::exists(dir_.path() / "Pic.plt"));
  EXPECT_EQ(Run("--name=out.x art/hero.bmp").status, 0);
  EXPECT_TRUE(std::filesystem::exists(dir_.path() / "out.x.bin"));
}

TEST_F(CliTest, InfoPrintsTheTexts) {
  Picture("a.bmp", Shape(256, 224, 4));
  Picture("b.bmp", Shape(16, -16, 24));
  const Result r = Run("--info a.bmp b.bmp");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "Resolution: 256x224\nPic Format: 4bpp\nColours: 16 used of 16 in the colour table\n"
            "Tiles at 4bpp: 896 cells, 896 distinct, 896 distinct with flips\nSub-palettes: 0\n"
            "Video memory: 30464 of 65536 bytes with --map (28672 of tiles, 1792 of map), 28672 without\n"
            "Resolution: 16x-16\nPic Format: 24bpp\nColours: 1 in 15 bits\nMost colours in a tile: 0 besides colour 0\n"
            "Fewest sub-palettes: 1 at 4bpp, 1 at 2bpp\n");
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{"a.bmp", "b.bmp"}));
}

TEST_F(CliTest, EachFailureIsOneLineAndOthersStillConvert) {
  Picture("good.bmp", Shape(8, 8, 4));
  BmpShape rle = Shape(8, 8, 8);
  rle.compression = 1;
  Picture("rle.bmp", rle);
  Picture("deep.bmp", Shape(8, 8, 24));
  auto cut = tilora::testing::BuildBmp(Shape(8, 8, 8));
  cut.resize(cut.size() - 1);
  tilora::testing::WriteFileBytes(dir_ / "cut.bmp", cut);
  tilora::testing::WriteFileBytes(dir_ / "short.bmp", std::vector<std::uint8_t>(26, 0));
  std::filesystem::create_directory(dir_.path() / "folder.bmp");
  const Result r = Run("missing.bmp rle.bmp deep.bmp cut.bmp short.bmp folder.bmp nodir/x.bmp good.bmp");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "missing.bmp: File not found.\n"
            "rle.bmp: Please use the file without compression.\n"
            "deep.bmp: 24 bit per pixels. Only pictures of 4 or 8 bits per pixel can be converted.\n"
            "cut.bmp: Read beyond end of file.\n"
            "short.bmp: Read beyond end of file.\n"
            "folder.bmp: File access denied.\n"
            "nodir/x.bmp: Invalid filename.\n");
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{"cut.bmp", "deep.bmp", "folder.bmp", "good.bin", "good.bmp",
                                                   "good.plt", "rle.bmp", "short.bmp"}));
}

TEST_F(CliTest, FailedConversionKeepsEarlierOutputs) {
  Picture("in.bmp", Shape(16, 8, 8));
  ASSERT_EQ(Run("in.bmp").status, 0);
  const auto bin = tilora::testing::ReadFileBytes(dir_ / "in.bin");
  auto cut = tilora::testing::BuildBmp(Shape(16, 8, 8));
  cut.resize(cut.size() - 40);
  tilora::testing::WriteFileBytes(dir_ / "in.bmp", cut);
  const Result r = Run("in.bmp");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "in.bmp: Read beyond end of file.\n");
  EXPECT_EQ(tilora::testing::ReadFileBytes(dir_ / "in.bin"), bin);
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{"in.bin", "in.bmp", "in.plt"}));
}

// What the console cannot show is refused with its figure, and none of the
// outputs is written.
TEST_F(CliTest, CartridgeRefusalsWriteNothing) {
  Picture("full.bmp", Shape(256, 256, 8));  // 1,024 distinct 64-byte tiles
  Picture("wide.bmp", Shape(520, 8, 4));
  const struct {
    const char* args;
    const char* message;
  } cases[] = {
      {"--map --rom a.sfc full.bmp", "full.bmp: The outputs need 67,584 bytes of video memory; the console has 65,536.\n"},
      {"--rom a.sfc wide.bmp", "wide.bmp: The map is 65 x 1 cells; BG1 shows at most 64 x 64.\n"},
  };
  for (const auto& c : cases) {
    const Result r = Run(c.args);
    EXPECT_EQ(r.status, 1) << c.args;
    EXPECT_EQ(r.err, c.message);
  }
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{"full.bmp", "wide.bmp"}));
}

TEST_F(CliTest, UnwritableOutputIsReported) {
  Picture("in.bmp", Shape(8, 8, 4));
  const Result r = Run("--name missing/Pic in.bmp");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "in.bmp: Cannot create file \"missing/Pic.plt\". Invalid filename.\n");
  EXPECT_EQ(dir_.List(), std::vector<std::string>{"in.bmp"});
}

TEST_F(CliTest, DoubleDashEndsOptions) {
  Picture("-odd.bmp", Shape(8, 8, 4));
  EXPECT_EQ(Run("-- -odd.bmp").status, 0);
  EXPECT_TRUE(std::filesystem::exists(dir_.path() / "-odd.bin"));
}

}  // namespace

namespace {

// Output that cannot be written is a failure, whatever was asked for.
TEST_F(CliTest, UnwritableStandardOutputFails) {
  Picture("a.bmp", Shape(8, 8, 4));
  for (const char* args : {"--help", "--version", "--info a.bmp"}) {
    const std::string command = "cd '" + dir_.path().string() + "' && '" TILORA_CONVERT "' " + args +
                                " >/dev/full 2>/dev/null";
    const int raw = std::system(command.c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 1) << args;
  }
}

// One failure is one line, whatever the file's name holds.
TEST_F(CliTest, ControlCharactersInNamesAreEscaped) {
  const Result r = Run("\"$(printf 'a\\nb\\tc\\033.bmp')\"");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "a\\x0ab\\x09c\\x1b.bmp: File not found.\n");
}

}  // namespace
