#pragma once

// A cartridge image that shows converted outputs on the console: a LoROM
// image with a valid header and checksum, whose program loads the outputs
// into video and colour memory and shows them. Values in, bytes out: no
// files, no Qt.
//
// What the cartridge shows, so tests can capture it: from frame 30 after
// power-on the picture is on screen at full brightness with nothing else,
// its top-left at the frame's top-left; colour 0 is the backdrop. The d-pad
// moves a picture larger than the screen (kScrollStep pixels a frame,
// within its edges). Sprite frames are shown in turn with their anchor at
// the middle of the screen (128, 112), frame 0 first; frame k replaces
// frame k - 1 at frame 30 * (k + 1) after power-on, and the show repeats.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tilora::rom {

inline constexpr int kScrollStep = 4;
inline constexpr int kFramesPerSpriteFrame = 30;

// The size of a background's map in cells, as the converter wrote it.
struct MapShape {
  int columns = 0;
  int rows = 0;
  bool screens = false;  // in whole 32 x 32 screens, the console's order
  // 16: each entry shows the 16 x 16 block of tiles n, n + 1, n + 16 and
  // n + 17 (BG1's tile size bit of BGMODE set).
  int tileSize = 8;
};

// A background on BG1, as the converter's outputs.
struct Background {
  int bpp = 4;             // 2, 4 or 8 (modes 0, 1 and 3); ignored in mode 7
  bool mode7 = false;
  bool interleave = false;  // mode 7: vram holds map and tiles
  std::vector<std::uint8_t> tiles;    // planar tiles, or mode 7's chunky ones
  std::vector<std::uint8_t> map;      // 16-bit entries; mode 7: 128 x 128 bytes
  std::vector<std::uint8_t> palette;  // 15-bit words, low byte first
  std::vector<std::uint8_t> vram;     // mode 7 with interleave: 32 KiB
  // Without a map, plain tiles: shown in order, row-major across the
  // picture's cells, in the palette's last sub-palette.
  std::optional<MapShape> mapShape;
  int tileBase = 0;     // the map's tile numbers start here
  int paletteBase = 0;  // the map's palette numbers start here
  int width = 0;        // the picture, in pixels
  int height = 0;
};

// The console's object size pairs, in OBJSEL's order.
enum class ObjSizes { Small8Large16, Small8Large32, Small8Large64, Small16Large32, Small16Large64, Small32Large64 };

struct SpriteObject {
  int x = 0;  // offset of the object's top-left from the frame's anchor
  int y = 0;
  int tile = 0;      // 0-511
  int palette = 0;   // 0-7
  int priority = 0;  // 0-3
  bool hflip = false;
  bool vflip = false;
  bool large = false;
};

struct SpriteShow {
  std::vector<std::uint8_t> tiles;    // 4 bpp, 32 bytes each, up to 512, in video memory order
  std::vector<std::uint8_t> palette;  // up to 8 sub-palettes of 16 words, for colour memory from entry 128
  ObjSizes sizes = ObjSizes::Small8Large16;
  std::vector<std::vector<SpriteObject>> frames;  // up to 128 objects each
};

struct RomContents {
  std::optional<Background> background;
  std::optional<SpriteShow> sprites;
  std::string title;  // the header's name: ASCII, up to 21 characters kept
};

// Why the contents cannot be shown: one line for the user, with the figure.
struct RomRefusal {
  std::string message;
};

using RomResult = std::variant<std::vector<std::uint8_t>, RomRefusal>;

RomResult BuildRom(const RomContents& contents);

}  // namespace tilora::rom
