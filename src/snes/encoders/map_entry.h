#pragma once

// A background map entry: tile number in bits 0-9, sub-palette in 10-12,
// priority in 13, horizontal flip in 14, vertical flip in 15.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tilora {

struct MapEntry {
  unsigned tile = 0;     // 0-1023
  unsigned palette = 0;  // 0-7
  bool priority = false;
  unsigned flip = 0;  // bit 0 horizontal, bit 1 vertical
};

constexpr std::uint16_t MapWordOf(const MapEntry& e) {
  return static_cast<std::uint16_t>((e.tile & 0x3FFU) | (e.palette & 7U) << 10 | (e.priority ? 1U << 13 : 0U) |
                                    (e.flip & 3U) << 14);
}

constexpr MapEntry MapEntryOf(std::uint16_t word) {
  return {word & 0x3FFU, word >> 10 & 7U, (word >> 13 & 1U) != 0, static_cast<unsigned>(word >> 14)};
}

// The tile the console reads for cell (cx, cy) of an entry's block (0 or 1
// each way) at tileSize 16: tile n's block is n, n + 1, n + 16, n + 17, a
// flip swapping them across it, tile numbers added within their ten bits.
// At tileSize 8 the entry's own tile.
constexpr unsigned TileOfBlockCell(const MapEntry& e, int tileSize, int cx, int cy) {
  if (tileSize != 16) return e.tile;
  const unsigned right = static_cast<unsigned>(cx & 1) ^ (e.flip & 1U);
  const unsigned lower = static_cast<unsigned>(cy & 1) ^ (e.flip >> 1 & 1U);
  return (e.tile + right + 16 * lower) & 0x3FFU;
}

// 16-bit words as the console's files hold them: low byte first.
inline std::vector<std::uint8_t> WordBytes(const std::vector<std::uint16_t>& words) {
  std::vector<std::uint8_t> bytes(2 * words.size());
  for (std::size_t i = 0; i < words.size(); ++i) {
    bytes[2 * i] = static_cast<std::uint8_t>(words[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<std::uint8_t>(words[i] >> 8);
  }
  return bytes;
}

// The word at entry i of a map's bytes, low byte first.
inline std::uint16_t MapWordAt(const std::uint8_t* map, std::size_t i) {
  return static_cast<std::uint16_t>(map[2 * i] | map[2 * i + 1] << 8);
}

}  // namespace tilora
