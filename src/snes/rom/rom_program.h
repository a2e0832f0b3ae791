#pragma once

// The assembled rom_program.s: loaded at $00:8000. Its first three words
// are the addresses of its reset, NMI and do-nothing handlers; the table it
// reads starts right after its last byte.

#include <cstdint>
#include <span>

namespace tilora::rom {

std::span<const std::uint8_t> RomProgram();

// The table's fields, in the order rom_program.s reads them.
inline constexpr std::size_t kTableSize = 20;

}  // namespace tilora::rom
