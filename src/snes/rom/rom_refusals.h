#pragma once

// The texts of what a cartridge cannot show, each with its figure.

#include <cstddef>
#include <cstdint>
#include <string>

#include "snes/rom/rom_builder.h"

namespace tilora::rom::refusals {

// 70144 as "70,144".
std::string Grouped(std::size_t n);

RomRefusal VideoMemory(std::size_t needed);
RomRefusal VideoMemoryArrangement(std::size_t needed);
RomRefusal TooManyTiles(std::size_t tiles, int tileBase);
RomRefusal NoBlankTile();
RomRefusal NoBlankBlock();
RomRefusal MapTooLarge(std::int64_t columns, std::int64_t rows);
RomRefusal CartridgeTooLarge(std::size_t bytes);
RomRefusal ColourMemory(std::size_t words, int first, int last, const std::string& layer);
RomRefusal SharedColours();
RomRefusal TooManyObjects(std::size_t frame, std::size_t objects);
RomRefusal TooManySpriteFrames(std::size_t frames, std::size_t most);
RomRefusal ObjectField(std::size_t frame, std::size_t object, const std::string& field, int value, int most);
RomRefusal Sizes(const std::string& what, std::size_t bytes, const std::string& expected);

}  // namespace tilora::rom::refusals
