#pragma once

// An 8 x 8 cell held as eight 64-bit words, pixel x of a row in bits
// 8x..8x+7 whatever the machine's byte order, so a whole row is tested,
// split, flipped and compared at once.

#include <bit>
#include <cstdint>
#include <cstring>

#include "picture/picture.h"

namespace tilora::cells {

struct CellRows {
  std::uint64_t row[8] = {};
  bool operator==(const CellRows&) const = default;
};

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;

constexpr std::uint64_t Repeat(unsigned byte) { return kOnes * (byte & 0xFFU); }

constexpr std::uint8_t PixelOf(std::uint64_t row, int x) { return static_cast<std::uint8_t>(row >> (8 * x)); }

// The top bit of every byte of x that is not zero, for bytes below 0x80
// (a colour within a sub-palette, a sub-palette number).
constexpr std::uint64_t NonZeroSmallBytes(std::uint64_t x) { return (x + Repeat(0x7F)) & Repeat(0x80); }

constexpr std::uint64_t ReverseBytes(std::uint64_t x) {
  x = (x & 0x00FF00FF00FF00FFULL) << 8 | (x >> 8 & 0x00FF00FF00FF00FFULL);
  x = (x & 0x0000FFFF0000FFFFULL) << 16 | (x >> 16 & 0x0000FFFF0000FFFFULL);
  return x << 32 | x >> 32;
}

inline std::uint64_t LoadRow(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  if constexpr (std::endian::native == std::endian::big) v = ReverseBytes(v);
  return v;
}

inline void StoreRow(std::uint64_t v, std::uint8_t* p) {
  if constexpr (std::endian::native == std::endian::big) v = ReverseBytes(v);
  std::memcpy(p, &v, 8);
}

// The 64 pixels in reading order, as the tile encoders take them.
inline void ToBytes(const CellRows& cell, std::uint8_t (&out)[64]) {
  for (int r = 0; r < 8; ++r) StoreRow(cell.row[r], out + 8 * r);
}

// The cell of the picture whose top-left pixel is (8 cx, 8 cy); pixels
// right of and below the picture are 0.
inline void LoadCell(const Picture& picture, std::int32_t cx, std::int32_t cy, CellRows& out) {
  const std::size_t width = static_cast<std::size_t>(picture.width);
  const std::int32_t x0 = 8 * cx;
  if (x0 + 8 <= picture.width && 8 * cy + 8 <= picture.height) {
    const std::uint8_t* first =
        picture.indices.data() + static_cast<std::size_t>(8 * cy) * width + static_cast<std::size_t>(x0);
    for (int r = 0; r < 8; ++r) out.row[r] = LoadRow(first + static_cast<std::size_t>(r) * width);
    return;
  }
  const std::int32_t columns = picture.width - x0 < 8 ? picture.width - x0 : 8;
  const std::int32_t rows = picture.height - 8 * cy < 8 ? picture.height - 8 * cy : 8;
  const std::uint8_t* first =
      picture.indices.data() + static_cast<std::size_t>(8 * cy) * width + static_cast<std::size_t>(x0);
  for (std::int32_t r = 0; r < 8; ++r) {
    if (r >= rows) {
      out.row[r] = 0;
    } else if (columns == 8) {
      out.row[r] = LoadRow(first + static_cast<std::size_t>(r) * width);
    } else {
      std::uint8_t part[8] = {};
      std::memcpy(part, first + static_cast<std::size_t>(r) * width, static_cast<std::size_t>(columns));
      out.row[r] = LoadRow(part);
    }
  }
}

enum Flip : std::uint8_t { kNoFlip = 0, kFlipH = 1, kFlipV = 2, kFlipHV = 3 };

// Row r of the cell as a map entry with these flip bits shows it.
inline std::uint64_t FlippedRow(const CellRows& cell, unsigned flip, int r) {
  const std::uint64_t row = cell.row[(flip & kFlipV) != 0 ? 7 - r : r];
  return (flip & kFlipH) != 0 ? ReverseBytes(row) : row;
}

inline void FlipInto(const CellRows& cell, unsigned flip, CellRows& out) {
  for (int r = 0; r < 8; ++r) out.row[r] = FlippedRow(cell, flip, r);
}

inline CellRows Flipped(const CellRows& cell, unsigned flip) {
  CellRows out;
  FlipInto(cell, flip, out);
  return out;
}

// Whether the tile flipped so shows the cell; compared row by row, as a
// flipped copy built first costs a stall when the copy is read back.
inline bool ShowsAs(const CellRows& tile, unsigned flip, const CellRows& cell) {
  std::uint64_t difference = 0;
  for (int r = 0; r < 8; ++r) difference |= FlippedRow(tile, flip, r) ^ cell.row[r];
  return difference == 0;
}

// Independent products, so the eight rows multiply side by side; the final
// steps bring every row's bits into both halves.
inline std::uint64_t Hash(const CellRows& cell) {
  constexpr std::uint64_t kMul[8] = {0x9E3779B97F4A7C15ULL, 0xC2B2AE3D27D4EB4FULL, 0x165667B19E3779F9ULL,
                                     0xD6E8FEB86659FD93ULL, 0xFF51AFD7ED558CCDULL, 0xC4CEB9FE1A85EC53ULL,
                                     0x94D049BB133111EBULL, 0xBF58476D1CE4E5B9ULL};
  std::uint64_t h = 0;
  for (int r = 0; r < 8; ++r) h += (cell.row[r] ^ kMul[7 - r]) * kMul[r];
  h ^= h >> 29;
  h *= kMul[0];
  return h ^ (h >> 32);
}

// How colour indices split into a sub-palette number (block) and a colour
// within it (k) at an output depth: index = block << bpp | k; at 8 bpp all
// of the index is k.
struct Depth {
  int bpp = 4;
  std::uint64_t kMask = Repeat(0x0F);      // the k bits of every pixel
  std::uint64_t blockMask = Repeat(0x0F);  // the block bits after >> bpp
  unsigned highestIndex = 127;             // past it a picture does not fit

  static Depth Of(int bpp) {
    if (bpp == 2) return {2, Repeat(0x03), Repeat(0x3F), 31};
    if (bpp == 8) return {8, ~0ULL, 0, 255};
    return {};
  }
  int Colours() const { return 1 << bpp; }
};

}  // namespace tilora::cells
