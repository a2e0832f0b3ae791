#pragma once

// The metasprite tables: for each frame the objects that draw it, as a
// little-endian binary file (BASE.oam) and as ca65 data that assembles to
// the same bytes.
//
//   0      u16  frame count N
//   2      u8   OBJSEL size select of the object sizes (0-5)
//   3      u8   0
//   4      u32  N offsets, from the start of the tables, of each frame
//   then per frame:
//          u16  object count n (0 for a wholly transparent frame)
//          n records of 8 bytes:
//          s16  x of the object's top-left pixel from the frame's origin
//          s16  y
//          u16  attributes as OAM bytes 2-3 hold them: tile in bits 0-8,
//               sub-palette 9-11, priority 12-13, h flip 14, v flip 15
//          u8   1 for the large size, 0 for the small
//          u8   0

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "snes/sprites/sprite_sheet.h"

namespace tilora::sprites {

inline constexpr std::size_t kOamHeaderBytes = 4;
inline constexpr std::size_t kOamObjectBytes = 8;

// The object's OAM attribute word.
std::uint16_t Attributes(const SpriteObject& object);

std::vector<std::uint8_t> OamTableBytes(const SpriteSheet& sprites);

// A ca65 identifier made from name: letters, digits and '_' kept, anything
// else '_', with '_' before a leading digit; "sprites" for an empty name.
std::string AssemblyLabel(std::string_view name);

// The tables as ca65 source: PREFIX_frames labels the header, PREFIX_N
// frame N of the sheet (its number, which --drop-empty leaves gaps in),
// and PREFIX_count and PREFIX_size_select are constants. labelPrefix goes
// through AssemblyLabel first.
std::string OamAssembly(const SpriteSheet& sprites, std::string_view labelPrefix);

}  // namespace tilora::sprites
