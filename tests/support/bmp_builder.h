#pragma once

// Builds BMP files for tests, benchmarks and fuzz seeds, independently of the
// code under test.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tilora::testing {

struct BmpShape {
  std::int32_t width = 8;
  std::int32_t height = 8;  // negative: rows stored top first
  std::uint16_t depth = 8;
  std::uint32_t compression = 0;
  std::uint32_t headerSize = 40;
  std::uint32_t coloursUsed = 0;
  int tableEntries = -1;  // -1: the full table of the depth (none above 8 bpp)
  // Colour index of each pixel, top row first, width x |height|; missing
  // pixels are 0.
  std::vector<std::uint8_t> pixels;
  // Blue, green, red of each table entry; missing entries are (i, 2i, 3i).
  std::vector<std::array<std::uint8_t, 3>> palette;
  std::uint8_t filler = 0;  // the padding bits of every row
};

// A picture of the given size and depth, everything else as BmpShape has it.
BmpShape MakeShape(std::int32_t width, std::int32_t height, std::uint16_t depth, std::uint32_t compression = 0);

std::vector<std::uint8_t> BuildBmp(const BmpShape& shape);

std::int64_t RowStride(std::int32_t width, int depth);
std::uint32_t DataOffsetOf(const BmpShape& shape);
int TableEntriesOf(const BmpShape& shape);
int EntryBytesOf(const BmpShape& shape);  // 3 in the old 12-byte header form, else 4
std::array<std::uint8_t, 3> PaletteEntry(const BmpShape& shape, int i);

// Pixels 0..colours-1 from a seeded generator.
std::vector<std::uint8_t> RandomPixels(std::size_t count, int colours, std::uint32_t seed);

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

}  // namespace tilora::testing
