// The readers of the console's own formats at their limits: the largest
// file each takes and one unit more, exact sizes, and a source whose read
// fails.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "io/failure_text.h"
#include "io/io_error.h"
#include "snes/readback/output_files.h"
#include "temp_dir.h"

namespace tilora {
namespace {

using Bytes = std::vector<std::uint8_t>;

// What a reader made of the bytes: "ok N" with the units read, or its
// failure's message.
using Reader = std::function<std::string(ByteSource&)>;

template <typename T>
std::string Outcome(const Result<std::vector<T>>& read) {
  if (const Failure* failure = read.IfFailed()) return FailureMessage(*failure);
  return "ok " + std::to_string(read->size());
}

const Reader kTiles4 = [](ByteSource& s) { return Outcome(ReadTileFile(s, "t", 32)); };
const Reader kPalette = [](ByteSource& s) { return Outcome(ReadPaletteFile(s, "p")); };
const Reader kMap = [](ByteSource& s) { return Outcome(ReadMapFile(s, "m")); };
const Reader kMode7Map = [](ByteSource& s) { return Outcome(ReadMode7MapFile(s, "m7")); };
const Reader kVram = [](ByteSource& s) { return Outcome(ReadVideoMemoryFile(s, "v")); };

TEST(OutputFiles, SizesAtTheLimits) {
  const struct {
    const char* name;
    const Reader& read;
    std::size_t size;
    std::string outcome;
  } cases[] = {
      {"tiles, the most", kTiles4, std::size_t{1} << 20, "ok 1048576"},
      {"tiles, a tile more", kTiles4, (std::size_t{1} << 20) + 32,
       "The tiles file \"t\" holds 1048608 bytes; at most 1048576 are read."},
      {"palette, 256 colours", kPalette, 512, "ok 256"},
      {"palette, one colour", kPalette, 2, "ok 1"},
      {"palette, a colour more", kPalette, 514, "The palette file \"p\" holds 514 bytes; at most 512 are read."},
      // A row-major map of the largest picture, 1024 x 512 entries.
      {"map, the most", kMap, 2 * 1024 * 512, "ok 524288"},
      {"map, an entry more", kMap, 2 * 1024 * 512 + 2, "The map file \"m\" holds 1048578 bytes; at most 1048576 are read."},
      {"map, empty", kMap, 0, "The map file \"m\" is empty."},
      {"mode 7 map", kMode7Map, 16384, "ok 16384"},
      {"mode 7 map, a byte more", kMode7Map, 16385,
       "The mode 7 map file \"m7\" holds 16385 bytes, not the 16384 it always has."},
      {"mode 7 map, empty", kMode7Map, 0, "The mode 7 map file \"m7\" holds 0 bytes, not the 16384 it always has."},
      {"video memory", kVram, 32768, "ok 32768"},
      {"video memory, a word short", kVram, 32766,
       "The video memory file \"v\" holds 32766 bytes, not the 32768 it always has."},
  };
  for (const auto& c : cases) {
    const Bytes bytes(c.size, 0x11);
    MemorySource source(bytes);
    EXPECT_EQ(c.read(source), c.outcome) << c.name;
  }
}

// A file that shrinks between its size and its read.
class ShrinkingSource : public ByteSource {
 public:
  std::size_t ReadAt(std::int64_t, void*, std::size_t) override { return 0; }
  std::int64_t Size() override { return 64; }
};

TEST(OutputFiles, AFailedReadIsAFailureNamingTheFile) {
  for (const Reader* read : {&kTiles4, &kPalette, &kMap}) {
    ShrinkingSource source;
    const std::string outcome = (*read)(source);
    EXPECT_EQ(outcome.rfind("Cannot read file \"", 0), 0U) << outcome;
  }
  const testing::TempDir dir;
  const auto missing = ReadTileFile(dir / "t.bin", 32);
  ASSERT_FALSE(missing);
  EXPECT_EQ(FailureMessage(missing.Error()), "Cannot read file \"" + dir / "t.bin" + "\". File not found");
}

}  // namespace
}  // namespace tilora
