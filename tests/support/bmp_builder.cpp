#include "bmp_builder.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace tilora::testing {
namespace {

void Put(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

BmpShape MakeShape(std::int32_t width, std::int32_t height, std::uint16_t depth, std::uint32_t compression) {
  BmpShape shape;
  shape.width = width;
  shape.height = height;
  shape.depth = depth;
  shape.compression = compression;
  return shape;
}

std::int64_t RowStride(std::int32_t width, int depth) {
  const std::int64_t bits = static_cast<std::int64_t>(width) * depth;
  return (bits + 31) / 32 * 4;
}

int TableEntriesOf(const BmpShape& shape) {
  if (shape.tableEntries >= 0) return shape.tableEntries;
  return shape.depth <= 8 ? 1 << shape.depth : 0;
}

int EntryBytesOf(const BmpShape& shape) { return shape.headerSize == 12 ? 3 : 4; }

std::uint32_t DataOffsetOf(const BmpShape& shape) {
  return 14 + shape.headerSize + static_cast<std::uint32_t>(EntryBytesOf(shape) * TableEntriesOf(shape));
}

std::array<std::uint8_t, 3> PaletteEntry(const BmpShape& shape, int i) {
  if (static_cast<std::size_t>(i) < shape.palette.size()) return shape.palette[static_cast<std::size_t>(i)];
  return {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(2 * i), static_cast<std::uint8_t>(3 * i)};
}

std::vector<std::uint8_t> BuildBmp(const BmpShape& shape) {
  const std::int64_t rows = shape.height < 0 ? -static_cast<std::int64_t>(shape.height) : shape.height;
  const std::int64_t width = shape.width > 0 ? shape.width : 0;
  const std::int64_t stride = RowStride(static_cast<std::int32_t>(width), shape.depth);
  const std::uint32_t offset = DataOffsetOf(shape);
  // The 54 bytes of the standard header are always there to be filled in.
  const auto size = std::max<std::size_t>(54, static_cast<std::size_t>(offset + stride * rows));
  std::vector<std::uint8_t> out(size, 0);
  out[0] = 'B';
  out[1] = 'M';
  Put(out, 2, static_cast<std::uint32_t>(size), 4);
  Put(out, 10, offset, 4);
  Put(out, 14, shape.headerSize, 4);
  if (shape.headerSize == 12) {
    // The old form: 16-bit sizes, no compression or colours-used field.
    Put(out, 18, static_cast<std::uint32_t>(shape.width), 2);
    Put(out, 20, static_cast<std::uint32_t>(shape.height), 2);
    Put(out, 22, 1, 2);
    Put(out, 24, shape.depth, 2);
  } else {
    Put(out, 18, static_cast<std::uint32_t>(shape.width), 4);
    Put(out, 22, static_cast<std::uint32_t>(shape.height), 4);
    Put(out, 26, 1, 2);
    Put(out, 28, shape.depth, 2);
    Put(out, 30, shape.compression, 4);
    Put(out, 34, static_cast<std::uint32_t>(stride * rows), 4);
    Put(out, 46, shape.coloursUsed, 4);
  }
  const std::size_t table = 14 + shape.headerSize;
  const auto entryBytes = static_cast<std::size_t>(EntryBytesOf(shape));
  for (int i = 0; i < TableEntriesOf(shape); ++i) {
    const auto entry = PaletteEntry(shape, i);
    for (std::size_t c = 0; c < 3; ++c) out[table + entryBytes * static_cast<std::size_t>(i) + c] = entry[c];
  }
  for (std::int64_t r = 0; r < rows; ++r) {
    // Bottom-up files store the picture's last row first.
    const std::int64_t fileRow = shape.height < 0 ? r : rows - 1 - r;
    std::uint8_t* row = out.data() + offset + fileRow * stride;
    for (std::int64_t b = 0; b < stride; ++b) row[b] = shape.filler;
    // A depth of 0 has no pixel bits, and rows of no bytes.
    if (shape.depth > 8 || shape.depth == 0) continue;
    // Pixels from the most significant bits of each byte on, the filler
    // left in the bits after the last one.
    const int depth = shape.depth;
    const int mask = (1 << depth) - 1;
    for (std::int64_t x = 0; x < width; ++x) {
      const auto index = static_cast<std::size_t>(r * width + x);
      const int v = (index < shape.pixels.size() ? shape.pixels[index] : 0) & mask;
      const std::int64_t bit = x * depth;
      const int shift = 8 - depth - static_cast<int>(bit % 8);
      std::uint8_t& b = row[bit / 8];
      b = static_cast<std::uint8_t>((b & ~(mask << shift)) | v << shift);
    }
  }
  return out;
}

std::vector<std::uint8_t> RandomPixels(std::size_t count, int colours, std::uint32_t seed) {
  std::mt19937 gen(seed);
  std::uniform_int_distribution<int> dist(0, colours - 1);
  std::vector<std::uint8_t> out(count);
  for (auto& v : out) v = static_cast<std::uint8_t>(dist(gen));
  return out;
}

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!f) throw std::runtime_error("cannot write " + path);
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

}  // namespace tilora::testing
