#pragma once

// Sprites: a sheet of animation frames as the console's objects. Each frame
// becomes a metasprite (the objects that draw it, as offsets from its
// origin); their pieces become 4 bpp tiles laid out as the console reads
// large objects, and their colours sub-palettes for the upper half of colour
// memory. Values in, values out: no files, no Qt.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "snes/encoders/console_encoding.h"
#include "picture/limits.h"
#include "picture/picture.h"

namespace tilora::sprites {

inline constexpr int kMaxFrameSide = 256;       // a frame wider than the screen could not be shown whole
inline constexpr int kMaxFrames = 65535;        // the tables count frames in 16 bits
inline constexpr int kMaxObjects = limits::kMaxObjects;
inline constexpr int kTableTiles = limits::kObjectTiles;
inline constexpr int kLineObjects = limits::kLineObjects;
inline constexpr int kLineSlivers = limits::kLineSlivers;
inline constexpr int kTileBytes = 32;           // an 8 x 8 tile at 4 bpp
inline constexpr std::uint64_t kDefaultSearchSteps = 100000;

// The two object sizes of one screen, in pixels a side: one of the console's
// pairs 8/16, 8/32, 8/64, 16/32, 16/64, 32/64.
struct ObjectSizes {
  int small = 8;
  int large = 16;
  bool operator==(const ObjectSizes&) const = default;
};

// The size select of OBJSEL (its bits 5-7) for the pair, or nothing for a
// pair the console does not offer.
std::optional<int> SizeSelect(ObjectSizes sizes);

struct SpriteSettings {
  int frameWidth = 0;  // 1 to kMaxFrameSide, dividing the sheet's width
  int frameHeight = 0;
  ObjectSizes sizes;
  int originX = 0;  // the anchor within each frame, offsets count from it
  int originY = 0;
  int priority = 2;        // 0-3, on every object
  bool dropEmpty = false;  // leave wholly transparent frames out of the tables
  // Sub-palettes to make (1-8), of this many colours each, colour 0
  // included (2-16): needed for a truecolour sheet; an indexed sheet given
  // them is read as truecolour, colour index 0 transparent.
  int palettes = 0;
  int colours = 16;
  // Truecolour sheets: pixels whose 15-bit colour is this 0xRRGGBB's are
  // transparent too, for sheets drawn on a key colour.
  std::optional<std::uint32_t> transparentColour;
  // Work allowed for the exact search of the objects of one frame's pixels
  // of one sub-palette, in steps of the search (rows of candidate objects
  // looked at), so that results are the same on every machine. Past it, the
  // best covering found stands.
  std::uint64_t searchSteps = kDefaultSearchSteps;
};

// One object of a metasprite, as an OAM entry takes it.
struct SpriteObject {
  std::int16_t x = 0;  // top-left corner's offset from the frame's origin
  std::int16_t y = 0;
  int tile = 0;        // 0-511: bit 8 selects the second name table
  int palette = 0;     // 0-7, colours 128 + 16 * palette on
  int priority = 2;    // 0-3
  bool hflip = false;  // flips the whole object, large ones' tile blocks too
  bool vflip = false;
  bool large = false;
  bool operator==(const SpriteObject&) const = default;
};

struct FrameFigures {
  int objects = 0;
  int mostObjectsOnLine = 0;  // on one line of the screen, transparent rows included
  int mostSliversOnLine = 0;  // 8-pixel-wide slivers of those objects
  bool fewestProven = true;   // the search ended before its steps ran out
};

struct SpriteFrame {
  int number = 0;       // in the sheet, reading order from 0
  std::int32_t x = 0;   // the frame's top-left pixel on the sheet
  std::int32_t y = 0;
  std::vector<SpriteObject> objects;  // empty for a wholly transparent frame
  FrameFigures figures;
};

struct SpriteSheet {
  // 4 bpp planar tiles (32 bytes each) as video memory holds them, from
  // tile 0 up to the highest one used: the first name table, then the
  // second. Slots no object uses are zero.
  std::vector<std::uint8_t> tiles;
  // 16 little-endian colour words per sub-palette, up to the highest one
  // used (at least one): meant for colour memory from entry 128.
  std::vector<std::uint8_t> palette;
  // Every frame in reading order; without the wholly transparent ones with
  // dropEmpty.
  std::vector<SpriteFrame> frames;
  ObjectSizes sizes;
  int tileCount = 0;  // tiles objects use (the rest of tiles is gaps)
  int subPalettes = 0;
  // One line per frame that passes the console's limits on one line.
  std::vector<std::string> warnings;
};

using SpriteResult = std::variant<SpriteSheet, Failure>;

// Why the settings cannot be used (a usage text), or nothing.
std::optional<std::string> SettingsProblem(const SpriteSettings& settings);

// Whether the sheet's colour indices are taken as they are, colour 16b+k
// being colour k of sub-palette b: an indexed sheet not given sub-palettes
// to make.
inline bool TakesBlocks(const Picture& sheet, const SpriteSettings& settings) {
  return sheet.indexed && settings.palettes == 0;
}

// The sheet cut into frames and turned into objects, tiles and
// sub-palettes, or why it cannot be.
//
// Every opaque pixel is drawn by exactly one object; an object may overlap
// another where one of the two is transparent. Indexed sheets: colour 16b+k
// is colour k of sub-palette b (colour 0 of any block is transparent), and
// one object's pixels come from one block. Truecolour sheets: alpha under
// 128 is transparent, and the objects' colours are packed into
// settings.palettes sub-palettes. Pieces equal as they are or flipped are
// stored once; a large object's tiles are a block of the 16-tile-wide table.
//
// Refusals name a frame by its top-left pixel on the sheet. The result has
// passed CheckSprites; a failed check is a Failure of kind Internal.
SpriteResult ConvertSprites(const Picture& sheet, const SpriteSettings& settings);

// Rebuilds every frame as the console would draw it from the objects, the
// tiles (read as the console reads large objects, wrapping in the table)
// and the sub-palettes, and compares it with the sheet: the first
// difference as an internal error's text, or nothing.
std::optional<std::string> CheckSprites(const Picture& sheet, const SpriteSettings& settings,
                                        const SpriteSheet& sprites);

}  // namespace tilora::sprites
