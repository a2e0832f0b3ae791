#pragma once

// The console's own formats read back from files, whichever tool made
// them: tile data, palette words, maps. Each is checked for what its format
// allows and nothing is guessed: a size that is not a whole number of its
// units, or a word the console cannot hold, is refused naming the file, and
// a read that fails is an Io failure naming it.

#include <cstdint>
#include <string>
#include <vector>

#include "io/byte_source.h"
#include "io/failure.h"
#include "picture/limits.h"

namespace tilora {

using limits::kMaxTileFileBytes;
// The same for a map: one entry for each 8 x 8 cell of the largest picture.
inline constexpr std::int64_t kMaxMapFileBytes = 2 * (limits::kMaxWidth / 8) * (limits::kMaxHeight / 8);
// Mode 7's map and its video-memory image hold exactly this many bytes.
inline constexpr std::int64_t kMode7MapBytes = 128 * 128;
inline constexpr std::int64_t kMode7VideoMemoryBytes = 2 * kMode7MapBytes;

// Whole tiles of tileBytes each (16, 32 or 64; mode 7's chunky tiles are 64).
Result<std::vector<std::uint8_t>> ReadTileFile(ByteSource& source, const std::string& name, std::size_t tileBytes);

// 15-bit colour words, low byte first, 1 to 256 of them, bit 15 clear.
Result<std::vector<std::uint16_t>> ReadPaletteFile(ByteSource& source, const std::string& name);

// 16-bit map entries, low byte first, at most kMaxMapFileBytes of them.
Result<std::vector<std::uint16_t>> ReadMapFile(ByteSource& source, const std::string& name);

// Mode 7's map (128 x 128 tile numbers, a byte each) and its video-memory
// image (each word a map byte, then a tile byte), each of exactly its size.
Result<std::vector<std::uint8_t>> ReadMode7MapFile(ByteSource& source, const std::string& name);
Result<std::vector<std::uint8_t>> ReadVideoMemoryFile(ByteSource& source, const std::string& name);

// The same, from the file at path: a file that cannot be read is an Io
// failure naming it.
Result<std::vector<std::uint8_t>> ReadTileFile(const std::string& path, std::size_t tileBytes);
Result<std::vector<std::uint16_t>> ReadPaletteFile(const std::string& path);
Result<std::vector<std::uint16_t>> ReadMapFile(const std::string& path);
Result<std::vector<std::uint8_t>> ReadMode7MapFile(const std::string& path);
Result<std::vector<std::uint8_t>> ReadVideoMemoryFile(const std::string& path);

}  // namespace tilora
