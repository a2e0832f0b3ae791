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

BmpSpec MakeSpec(std::int32_t width, std::int32_t height, std::uint16_t depth, std::uint32_t compression) {
  BmpSpec spec;
  spec.width = width;
  spec.height = height;
  spec.depth = depth;
  spec.compression = compression;
  return spec;
}

std::int64_t RowStride(std::int32_t width, int depth) {
  const std::int64_t bits = static_cast<std::int64_t>(width) * depth;
  return (bits + 31) / 32 * 4;
}

int TableEntriesOf(const BmpSpec& spec) {
  if (spec.tableEntries >= 0) return spec.tableEntries;
  return spec.depth <= 8 ? 1 << spec.depth : 0;
}

std::uint32_t DataOffsetOf(const BmpSpec& spec) {
  return 14 + spec.headerSize + 4 * static_cast<std::uint32_t>(TableEntriesOf(spec));
}

std::array<std::uint8_t, 3> PaletteEntry(const BmpSpec& spec, int i) {
  if (static_cast<std::size_t>(i) < spec.palette.size()) return spec.palette[static_cast<std::size_t>(i)];
  return {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(2 * i), static_cast<std::uint8_t>(3 * i)};
}

std::vector<std::uint8_t> BuildBmp(const BmpSpec& spec) {
  const std::int64_t rows = spec.height < 0 ? -static_cast<std::int64_t>(spec.height) : spec.height;
  const std::int64_t width = spec.width > 0 ? spec.width : 0;
  const std::int64_t stride = RowStride(static_cast<std::int32_t>(width), spec.depth);
  const std::uint32_t offset = DataOffsetOf(spec);
  // The 54 bytes of the standard header are always there to be filled in.
  const auto size = std::max<std::size_t>(54, static_cast<std::size_t>(offset + stride * rows));
  std::vector<std::uint8_t> out(size, 0);
  out[0] = 'B';
  out[1] = 'M';
  Put(out, 2, static_cast<std::uint32_t>(size), 4);
  Put(out, 10, offset, 4);
  Put(out, 14, spec.headerSize, 4);
  Put(out, 18, static_cast<std::uint32_t>(spec.width), 4);
  Put(out, 22, static_cast<std::uint32_t>(spec.height), 4);
  Put(out, 26, 1, 2);
  Put(out, 28, spec.depth, 2);
  Put(out, 30, spec.compression, 4);
  Put(out, 34, static_cast<std::uint32_t>(stride * rows), 4);
  Put(out, 46, spec.coloursUsed, 4);
  const std::size_t table = 14 + spec.headerSize;
  for (int i = 0; i < TableEntriesOf(spec); ++i) {
    const auto entry = PaletteEntry(spec, i);
    for (std::size_t c = 0; c < 3; ++c) out[table + 4 * static_cast<std::size_t>(i) + c] = entry[c];
  }
  for (std::int64_t r = 0; r < rows; ++r) {
    // Bottom-up files store the picture's last row first.
    const std::int64_t fileRow = spec.height < 0 ? r : rows - 1 - r;
    std::uint8_t* row = out.data() + offset + fileRow * stride;
    for (std::int64_t b = 0; b < stride; ++b) row[b] = spec.filler;
    if (spec.depth != 4 && spec.depth != 8) continue;
    for (std::int64_t x = 0; x < width; ++x) {
      const auto index = static_cast<std::size_t>(r * width + x);
      const std::uint8_t v = index < spec.pixels.size() ? spec.pixels[index] : 0;
      if (spec.depth == 8) {
        row[x] = v;
      } else if (x % 2 == 0) {
        row[x / 2] = static_cast<std::uint8_t>((v & 0x0F) << 4 | (row[x / 2] & 0x0F));
      } else {
        row[x / 2] = static_cast<std::uint8_t>((row[x / 2] & 0xF0) | (v & 0x0F));
      }
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
